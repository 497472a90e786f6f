// Extraction against what Make File and the instrument make wrote: every
// header set comes back as a WAV of the same words, root and loop, and
// every key and velocity level of every keymap is played by exactly one
// SFZ region of the right sample and tuning. Then names from the file,
// refusals, and damaged files.
#include "CDorvane_V2Doc.h"
#include "ExtractRead.h"
#include "ExtractRunner.h"
#include "InstrumentTestUtil.h"
#include "KrzExtract.h"
#include "MakeFile.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <set>

namespace fs = std::filesystem;
using itest::ReadBack;
using xtest::Op;
using xtest::WavRead;

namespace
{

struct Pool
{
    CDorvane_V2Doc doc;
    WavInfoArray aWavInfo{};

    int Add(const std::string& strPath, bool bLoop, int nRoot, const std::string& strKeymap = {})
    {
        test::CRecordingFeedback feedback;
        const int n = AddPoolEntry(doc, strPath, fs::path(strPath).filename().string());
        feedback.Record(ReadWavHeader(strPath, aWavInfo[n]));
        doc.m_aPool[n].m_bLoop = bLoop ? 1 : 0;
        doc.m_aPool[n].m_nRootKey = nRoot;
        if (!strKeymap.empty())
            doc.m_aPool[n].m_strKeymapName = strKeymap;
        return n;
    }
};

std::string WriteSpec(const test::TempDir& dir, const std::string& strName, int nChannels,
                      int nBits, std::uint32_t nRate, std::size_t nBytes)
{
    test::WavSpec spec;
    spec.nChannels = static_cast<std::uint16_t>(nChannels);
    spec.nBits = static_cast<std::uint16_t>(nBits);
    spec.nRate = nRate;
    spec.abData = test::RampData(nBytes, static_cast<std::uint8_t>(nBits + nChannels));
    test::WriteFileBytes(dir / strName, test::MakeWav(spec));
    return dir / strName;
}

// The WAV each header set of the file should give.
WavRead HeaderSetWav(const ReadBack& back, const KrzObjectInfo& obj, std::size_t nFirst)
{
    const KrzSampleHeaderInfo& sh = obj.aSampleHeaders[nFirst];
    WavRead wav;
    wav.nChannels = obj.nChannels;
    const auto anLeft = back.Words(sh.nStart, sh.nEnd);
    if (obj.nChannels == 1)
        wav.anWords = anLeft;
    else
    {
        const KrzSampleHeaderInfo& right = obj.aSampleHeaders[nFirst + 1];
        const auto anRight = back.Words(right.nStart, right.nEnd);
        for (std::size_t i = 0; i < anLeft.size(); ++i)
            wav.anWords.insert(wav.anWords.end(), {anLeft[i], anRight[i]});
    }
    wav.nRoot = sh.nNoteNumber;
    wav.bLoop = sh.bLoop && sh.nLoopStart < sh.nEnd;
    if (wav.bLoop)
    {
        wav.nLoopStart = sh.nLoopStart - sh.nStart;
        wav.nLoopEnd = sh.nEnd - sh.nStart;
    }
    return wav;
}

// Per level 0..7, the table of entries a keymap plays.
std::vector<std::vector<KrzKeymapEntry>> LevelTables(const KrzObjectInfo& km)
{
    std::vector<std::vector<KrzKeymapEntry>> aLevels;
    for (int j = 0; j < 8; ++j)
    {
        if (km.bSamplePerEntry)
        {
            aLevels.push_back(km.aTables.at(km.anLevelTables.at(j)));
            continue;
        }
        aLevels.emplace_back();
        for (const int nSub : km.aEntrySubSamples)
            aLevels.back().push_back({0, 0, km.nSampleNumber, nSub});
    }
    return aLevels;
}

// Every key 12..127 of every level of km: exactly one region plays it,
// with the header's words, root and the entry's tuning; none plays an
// empty entry.
void ExpectRegionsPlay(const ReadBack& back, const KrzObjectInfo& km,
                       const std::vector<xtest::Region>& aRegions, const fs::path& folder)
{
    const auto aLevels = LevelTables(km);
    for (int j = 0; j < 8; ++j)
        for (int nNote = 12; nNote <= 127; ++nNote)
        {
            SCOPED_TRACE("level " + std::to_string(j) + ", note " + std::to_string(nNote));
            std::vector<const xtest::Region*> apHit;
            for (const auto& region : aRegions)
                if (Op(region, "lokey") <= nNote && nNote <= Op(region, "hikey") &&
                    Op(region, "lovel") <= 16 * j + 15 && 16 * j <= Op(region, "hivel"))
                {
                    EXPECT_LE(Op(region, "lovel"), 16 * j);
                    EXPECT_GE(Op(region, "hivel"), 16 * j + 15);
                    apHit.push_back(&region);
                }
            const KrzKeymapEntry& entry = aLevels[j].at(nNote - 12);
            if (entry.nSubSample == 0)
            {
                EXPECT_TRUE(apHit.empty());
                continue;
            }
            ASSERT_EQ(apHit.size(), 1u);
            const KrzObjectInfo& obj = *back.aSamples.at(entry.nSample);
            const auto wav = xtest::ReadWav(test::ReadFileBytes((folder / apHit[0]->at("sample"))));
            ASSERT_TRUE(wav.has_value());
            EXPECT_EQ(wav->anWords, HeaderSetWav(back, obj, entry.nSubSample - 1).anWords);
            EXPECT_EQ(Op(*apHit[0], "pitch_keycenter"),
                      obj.aSampleHeaders[entry.nSubSample - 1].nNoteNumber);
            EXPECT_EQ(Op(*apHit[0], "tune"), entry.nTuning);
            const auto itVolume = apHit[0]->find("volume");
            EXPECT_EQ(itVolume == apHit[0]->end() ? 0.0 : std::stod(itVolume->second),
                      obj.aSampleHeaders[entry.nSubSample - 1].nVolume / 2.0);
        }
}

// Extracts strSource (strWhole's series or strWhole itself) and checks
// the folder against strWhole read back; the rates of the WAVs.
std::multiset<std::uint32_t> ExpectRoundTrip(const std::string& strWhole,
                                             const std::string& strSource, const test::TempDir& dir)
{
    const ReadBack back(strWhole);
    test::CRecordingFeedback feedback;
    const COutcome outcome = RunExtract({strSource}, dir / "out", feedback);
    EXPECT_TRUE(outcome.IsOk()) << outcome.Text();
    EXPECT_TRUE(outcome.Notes().empty()) << outcome.Text();
    const fs::path folder = dir.Path() / "out" / fs::path(strWhole).stem();

    std::vector<WavRead> aWant, aGot;
    for (const auto& [nNumber, pObj] : back.aSamples)
        for (std::size_t i = 0; i < pObj->aSampleHeaders.size(); i += pObj->nChannels)
            aWant.push_back(HeaderSetWav(back, *pObj, i));
    std::multiset<std::uint32_t> anRates;
    std::set<int> aCovered;
    for (const std::string& strName : test::ListDir(folder))
    {
        const test::Bytes ab = test::ReadFileBytes((folder / strName).string());
        if (strName.ends_with(".wav"))
        {
            auto wav = xtest::ReadWav(ab);
            EXPECT_TRUE(wav.has_value()) << strName;
            if (!wav)
                continue;
            anRates.insert(wav->nRate);
            wav->nRate = 0;
            aGot.push_back(*wav);
        }
        if (!strName.ends_with(".sfz"))
            continue;
        SCOPED_TRACE(strName);
        std::string strHeading;
        const auto aRegions = xtest::ReadSfz(std::string(ab.begin(), ab.end()), strHeading);
        int nNumber = 0;
        std::istringstream(strHeading.substr(strHeading.find_first_of("0123456789"))) >> nNumber;
        std::vector<int> anKeymaps{nNumber};
        if (strHeading.starts_with("// program"))
            anKeymaps = {0};
        for (const KrzObjectInfo& obj : back.info.aObjects)
            if (obj.nType == 36 && obj.nNumber == nNumber && strHeading.starts_with("// program"))
                anKeymaps = {obj.aLayers.at(0).nKeymap};
        for (const KrzObjectInfo& obj : back.info.aObjects)
            if (obj.nType == 37 && obj.nNumber == anKeymaps[0])
            {
                aCovered.insert(obj.nNumber);
                ExpectRegionsPlay(back, obj, aRegions, folder);
            }
    }
    std::sort(aWant.begin(), aWant.end());
    std::sort(aGot.begin(), aGot.end());
    EXPECT_EQ(aGot, aWant);
    std::set<int> aKeymaps;
    for (const KrzObjectInfo& obj : back.info.aObjects)
        if (obj.nType == 37)
            aKeymaps.insert(obj.nNumber);
    EXPECT_EQ(aCovered, aKeymaps);
    return anRates;
}

} // namespace

TEST(Extract, MadeFilesComeBackAsTheirWordsRootsLoopsAndKeymaps)
{
    TemplateBytes abTemplate = itest::LoadTemplate();
    const struct
    {
        const char* szName;
        std::function<void(const test::TempDir&, CMakeOptions&, Pool&)> fill;
        bool bSplit;
        std::multiset<std::uint32_t> anRates;
    } aCases[] = {
        {"worked example: mono 16-bit, stereo 8-bit looped",
         [](const test::TempDir& dir, CMakeOptions&, Pool& pool)
         {
             const int n = pool.Add(WriteSpec(dir, "PIANO.wav", 1, 16, 44100, 88200), false, 48);
             pool.doc.m_aPool[n].m_bProgramEnable = 0;
             pool.Add(WriteSpec(dir, "STRINGS.wav", 2, 8, 22050, 1000), true, 48);
         },
         false,
         {22050, 44100}},
        {"the same, split into parts and extracted from the first",
         [](const test::TempDir& dir, CMakeOptions& options, Pool& pool)
         {
             pool.Add(WriteSpec(dir, "PIANO.wav", 1, 16, 44100, 88200), false, 48);
             pool.Add(WriteSpec(dir, "STRINGS.wav", 2, 8, 22050, 1000), true, 40);
             options.bSplit = true;
             options.nMaxSplitKB = 30;
         },
         true,
         {22050, 44100}},
        {"example pool",
         [](const test::TempDir&, CMakeOptions&, Pool& pool)
         {
             int nRoot = 36;
             for (const char* sz : {"bass.wav", "pad.wav", "pluck.wav", "snare.wav"})
             {
                 pool.Add(std::string(DORVANE_EXAMPLES_DIR) + "/" + sz, nRoot % 2 == 0, nRoot);
                 nRoot += 7;
             }
         },
         false,
         {}},
        {"multisample keymap of three roots",
         [](const test::TempDir& dir, CMakeOptions& options, Pool& pool)
         {
             pool.Add(WriteSpec(dir, "lo.wav", 1, 16, 32000, 600), true, 36, "Keys");
             pool.Add(WriteSpec(dir, "mid.wav", 1, 8, 32000, 300), false, 48, "Keys");
             pool.Add(WriteSpec(dir, "hi.wav", 1, 16, 32000, 400), true, 60, "Keys");
             options.bMultisample = true;
         },
         false,
         {32000, 32000, 32000}},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        Pool pool;
        CMakeOptions options;
        c.fill(dir, options, pool);
        test::CRecordingFeedback feedback;
        CMakeResult result;
        const COutcome made = MakeKrzFile(pool.doc, pool.aWavInfo, options, abTemplate,
                                          dir / "OUT.KRZ", {}, feedback, result);
        ASSERT_TRUE(made.IsOk()) << made.Text();
        const auto anRates =
            ExpectRoundTrip(dir / "OUT.KRZ", dir / (c.bSplit ? "OUT.KRZ01" : "OUT.KRZ"), dir);
        if (!c.anRates.empty())
        {
            EXPECT_EQ(anRates, c.anRates);
        }
    }
}

TEST(Extract, InstrumentLayersAndTuningBecomeRegions)
{
    test::TempDir dir;
    TemplateBytes abTemplate = itest::LoadTemplate();
    const itest::Wav soft = itest::WriteWav(dir, "soft.wav", 1, 300, 1);
    const itest::Wav loud = itest::WriteWav(dir, "loud.wav", 1, 200, 2);
    const itest::Wav high = itest::WriteWav(dir, "high.wav", 1, 250, 3);
    CInstrument instrument{"Layers",
                           {itest::Zone(soft.strPath, 0, 71, 1, 63, 48),
                            itest::Zone(loud.strPath, 0, 71, 64, 127, 50),
                            itest::Zone(high.strPath, 72, 127, 1, 127, 76)}};
    instrument.aZones[2].dTuneCents = -37;
    instrument.aZones[0].dGainDb = -3;
    instrument.aZones[2].dGainDb = 1.5;
    instrument.aZones[1].loop = {true, 20, 150};
    test::CRecordingFeedback feedback;
    SMadeInstruments made;
    const COutcome outcome = RunMakeInstruments({{{instrument}, {}, {}}}, {}, abTemplate,
                                                dir / "OUT.KRZ", {}, feedback, made);
    ASSERT_TRUE(outcome.IsOk()) << outcome.Text();
    ExpectRoundTrip(dir / "OUT.KRZ", dir / "OUT.KRZ", dir);
    // The tables are not all one: the round trip saw two layers and a tuning.
    const ReadBack back(dir / "OUT.KRZ");
    ASSERT_NE(back.pKeymap, nullptr);
    EXPECT_EQ(back.pKeymap->aTables.size(), 2u);
    EXPECT_EQ(back.pKeymap->aTables[0].at(80 - 12).nTuning, -37);
    // Adjacent levels of one table make one region per run of keys: soft
    // and high over velocities 0..63, loud and high over 64..127.
    std::string strHeading;
    const test::Bytes ab = test::ReadFileBytes(dir / "out/OUT/Layers.sfz");
    const auto aRegions = xtest::ReadSfz(std::string(ab.begin(), ab.end()), strHeading);
    std::vector<std::array<int, 5>> aGot;
    for (const auto& region : aRegions)
        aGot.push_back({Op(region, "lokey"), Op(region, "hikey"), Op(region, "lovel"),
                        Op(region, "hivel"), Op(region, "tune")});
    EXPECT_EQ(aGot, (std::vector<std::array<int, 5>>{{12, 71, 0, 63, 0},
                                                     {72, 127, 0, 63, -37},
                                                     {12, 71, 64, 127, 0},
                                                     {72, 127, 64, 127, -37}}));
}

// A damaged file whose headers all span the whole data: the WAV files stop
// at ExtractWordLimit, the headers past it are skipped and said so, and a
// file whose headers share less is written whole.
TEST(Extract, HeadersRepeatingTheDataAreBoundedByTheFileSize)
{
    TemplateBytes abTemplate = itest::LoadTemplate();
    const struct
    {
        const char* szName;
        bool bSpanAll;
        std::size_t nWavs;
    } aCases[] = {
        {"made as it is", false, 20},
        {"every header spans all 20 entries' words", true, 16},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        Pool pool;
        for (int i = 0; i < 20; ++i)
            pool.Add(WriteSpec(dir, "s" + std::to_string(i) + ".wav", 1, 16, 44100, 40000), false,
                     48);
        test::CRecordingFeedback feedback;
        CMakeResult result;
        ASSERT_TRUE(MakeKrzFile(pool.doc, pool.aWavInfo, CMakeOptions{}, abTemplate,
                                dir / "OUT.KRZ", {}, feedback, result)
                        .IsOk());
        const ReadBack back(dir / "OUT.KRZ");
        test::Bytes ab = back.ab;
        const std::uint32_t nWords = (ab.size() - back.info.header.nSampleDataOffset) / 2;
        for (const auto& [nNumber, pObj] : back.aSamples)
            for (const KrzSampleHeaderInfo& sh : pObj->aSampleHeaders)
                for (int nField = 8; c.bSpanAll && nField < 24; nField += 4)
                {
                    // start, alternative start, loop start 0; end the last word.
                    const std::uint32_t n = nField == 20 ? nWords - 1 : 0;
                    for (int i = 0; i < 4; ++i)
                        ab[sh.nFileOffset + nField + i] =
                            static_cast<std::uint8_t>(n >> (24 - 8 * i));
                }
        const SExtraction ex = ExtractKrz(ab.data(), ab.size(), "OUT.KRZ");
        // A header left out also leaves out the SFZ of its program.
        EXPECT_EQ(ex.nWavs, c.nWavs);
        EXPECT_EQ(ex.nSkipped, 2 * (20 - c.nWavs));
        std::uint64_t nWritten = 0;
        std::vector<std::uint8_t> abWav;
        for (std::size_t i = 0; i < ex.nWavs; ++i)
        {
            ExtractedBytes(ex.aFiles[i], abWav);
            nWritten += xtest::ReadWav(abWav)->anWords.size();
        }
        EXPECT_LE(nWritten, ExtractWordLimit(ab.size()));
        EXPECT_EQ(nWritten, c.bSpanAll ? 16 * std::uint64_t{nWords} : nWords);
        const std::string strReport(ex.aFiles.back().abData.begin(), ex.aFiles.back().abData.end());
        EXPECT_EQ(strReport.find("words per byte of the file") != std::string::npos, c.bSpanAll);
    }
}
