// Reading back what an extraction wrote: a 16-bit WAV file's words, root
// and loop, and an SFZ file's regions.
#pragma once

#include "TestSupport.h"

#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace xtest
{

struct WavRead
{
    int nChannels = 0;
    std::uint32_t nRate = 0;
    std::vector<std::int16_t> anWords; // interleaved
    int nRoot = -1;                    // smpl unity note, -1 without smpl
    bool bLoop = false;
    std::uint32_t nLoopStart = 0, nLoopEnd = 0;

    auto operator<=>(const WavRead&) const = default;
};

inline std::uint32_t LE32(const test::Bytes& ab, std::size_t n)
{
    return ab[n] | (ab[n + 1] << 8) | (ab[n + 2] << 16) | (std::uint32_t{ab[n + 3]} << 24);
}

// The WAV's fields; nothing when it is not a 16-bit PCM RIFF/WAVE file
// whose chunks fit in it.
inline std::optional<WavRead> ReadWav(const test::Bytes& ab)
{
    if (ab.size() < 12 || std::string(ab.begin(), ab.begin() + 4) != "RIFF" ||
        std::string(ab.begin() + 8, ab.begin() + 12) != "WAVE")
        return std::nullopt;
    WavRead wav;
    bool bFmt = false, bData = false;
    for (std::size_t n = 12; n + 8 <= ab.size();)
    {
        const std::string strId(ab.begin() + n, ab.begin() + n + 4);
        const std::size_t nLen = LE32(ab, n + 4), nBody = n + 8;
        if (nBody + nLen > ab.size())
            return std::nullopt;
        if (strId == "fmt ")
        {
            bFmt = ab[nBody] == 1 && ab[nBody + 14] == 16;
            wav.nChannels = ab[nBody + 2];
            wav.nRate = LE32(ab, nBody + 4);
        }
        else if (strId == "data")
        {
            bData = true;
            for (std::size_t i = 0; i + 1 < nLen; i += 2)
                wav.anWords.push_back(
                    static_cast<std::int16_t>(ab[nBody + i] | (ab[nBody + i + 1] << 8)));
        }
        else if (strId == "smpl")
        {
            wav.nRoot = static_cast<int>(LE32(ab, nBody + 12));
            wav.bLoop = LE32(ab, nBody + 28) != 0;
            if (wav.bLoop)
            {
                wav.nLoopStart = LE32(ab, nBody + 36 + 8);
                wav.nLoopEnd = LE32(ab, nBody + 36 + 12);
            }
        }
        n = nBody + nLen + (nLen & 1);
    }
    if (!bFmt || !bData)
        return std::nullopt;
    return wav;
}

// One <region> line's opcodes.
using Region = std::map<std::string, std::string>;

// The regions of SFZ text, and its first line (the heading comment).
inline std::vector<Region> ReadSfz(const std::string& strText, std::string& strHeading)
{
    std::vector<Region> aRegions;
    std::istringstream in(strText);
    std::string strLine;
    std::getline(in, strHeading);
    while (std::getline(in, strLine))
    {
        if (!strLine.starts_with("<region>"))
            continue;
        Region region;
        // sample= comes last and may hold spaces.
        const std::size_t nSample = strLine.find(" sample=");
        region["sample"] = strLine.substr(nSample + 8);
        std::istringstream ops(strLine.substr(8, nSample - 8));
        for (std::string strOp; ops >> strOp;)
            region[strOp.substr(0, strOp.find('='))] = strOp.substr(strOp.find('=') + 1);
        aRegions.push_back(region);
    }
    return aRegions;
}

inline int Op(const Region& region, const std::string& strName, int nDefault = 0)
{
    const auto it = region.find(strName);
    return it == region.end() ? nDefault : std::stoi(it->second);
}

} // namespace xtest
