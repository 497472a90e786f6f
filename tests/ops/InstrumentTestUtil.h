// What the instrument make tests share: WAV files written with their
// words, the template, zones, and a written file read back.
#pragma once

#include "InstrumentRunner.h"
#include "KrzReader.h"
#include "TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace itest
{

struct Wav
{
    std::string strPath;
    std::vector<std::int16_t> anWords; // interleaved, as in the file
};

inline Wav WriteWav(const test::TempDir& dir, const std::string& strName, int nChannels,
                    std::size_t nFrames, std::uint8_t nSeed)
{
    test::WavSpec spec;
    spec.nChannels = static_cast<std::uint16_t>(nChannels);
    spec.abData = test::RampData(nFrames * 2 * nChannels, nSeed);
    Wav wav{dir / strName, {}};
    for (std::size_t i = 0; i + 1 < spec.abData.size(); i += 2)
        wav.anWords.push_back(
            static_cast<std::int16_t>(spec.abData[i] | (spec.abData[i + 1] << 8)));
    test::WriteFileBytes(wav.strPath, test::MakeWav(spec));
    return wav;
}

inline TemplateBytes LoadTemplate()
{
    const test::Bytes ab = test::ReadFileBytes(DORVANE_TEST_TEMPLATE);
    TemplateBytes abTemplate{};
    std::copy_n(ab.begin(), abTemplate.size(), abTemplate.begin());
    return abTemplate;
}

inline CZone Zone(const std::string& strPath, int nLoKey, int nHiKey, int nLoVel, int nHiVel,
                  int nRoot)
{
    CZone zone;
    zone.audio.strPath = strPath;
    zone.nLoKey = nLoKey;
    zone.nHiKey = nHiKey;
    zone.nLoVel = nLoVel;
    zone.nHiVel = nHiVel;
    zone.nRootKey = nRoot;
    zone.strName = std::filesystem::path(strPath).stem().string();
    return zone;
}

struct ReadBack
{
    KrzFileInfo info;
    test::Bytes ab;
    std::map<int, const KrzObjectInfo*> aSamples; // by number
    const KrzObjectInfo* pKeymap = nullptr;
    const KrzObjectInfo* pProgram = nullptr;

    explicit ReadBack(const std::string& strPath)
        : info(ReadKrzFile(strPath)), ab(test::ReadFileBytes(strPath))
    {
        for (const KrzObjectInfo& obj : info.aObjects)
        {
            if (obj.nType == 38)
                aSamples[obj.nNumber] = &obj;
            if (obj.nType == 37 && pKeymap == nullptr)
                pKeymap = &obj;
            if (obj.nType == 36 && pProgram == nullptr)
                pProgram = &obj;
        }
    }
    std::vector<std::int16_t> Words(std::uint32_t nStart, std::uint32_t nEnd) const
    {
        std::vector<std::int16_t> an;
        for (std::uint64_t w = nStart; w <= nEnd; ++w)
        {
            const std::size_t n = info.header.nSampleDataOffset + 2 * w;
            an.push_back(static_cast<std::int16_t>((ab[n] << 8) | ab[n + 1]));
        }
        return an;
    }
};

} // namespace itest
