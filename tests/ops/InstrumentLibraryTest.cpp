// Libraries of instruments and their files: a second file when the object
// numbers run out, parts and images of each file, the audio options on
// zone files, and a zone file that changes after it was planned.
#include "CFile.h"
#include "CFileException.h"
#include "InstrumentTestUtil.h"
#include "InstrumentWriter.h"
#include "JoinRunner.h"

#include <gtest/gtest.h>

using namespace itest;

namespace
{

void WriteMono(const std::string& strPath, int nBits, std::uint32_t nRate, std::size_t nFrames)
{
    test::WavSpec spec;
    spec.nBits = static_cast<std::uint16_t>(nBits);
    spec.nRate = nRate;
    spec.abData = test::RampData(nBits / 8 * nFrames, 7);
    test::WriteFileBytes(strPath, test::MakeWav(spec));
}

} // namespace

TEST(MakeInstruments, ALibraryGoesOnInASecondFileWhenNumbersRunOut)
{
    test::TempDir dir;
    TemplateBytes abTemplate = LoadTemplate();
    // Forty zones of their own data each; the second instrument plays the
    // first one's samples again, so it needs no number of its own.
    const auto MakeInstrument = [](const std::string& strName, int nSeed)
    {
        CInstrument instrument{strName, {}};
        for (int i = 0; i < 40; ++i)
        {
            CZone zone;
            zone.nLoKey = zone.nHiKey = zone.nRootKey = 40 + i;
            zone.audio.pData = std::make_shared<std::vector<std::int16_t>>(16, nSeed + i);
            zone.audio.nChannels = 1;
            zone.audio.nRate = 44100;
            instrument.aZones.push_back(zone);
        }
        return instrument;
    };
    CInstrument first = MakeInstrument("One", 0);
    CInstrument again = first;
    again.strName = "Again";
    CInstrumentSet set{{first, again, MakeInstrument("Three", 100), MakeInstrument("Four", 200)},
                       {"a note of the reader"},
                       {}};
    CMakeOptions options;
    options.nFirstObjectID = 900; // 900..999: 100 samples a file
    const std::string strOut = dir / "LIB.KRZ";
    test::CRecordingFeedback feedback;
    SMadeInstruments made;
    const COutcome outcome =
        RunMakeInstruments({set}, options, abTemplate, strOut, {}, feedback, made);
    ASSERT_TRUE(outcome.IsOk()) << outcome.Text();
    EXPECT_EQ(outcome.Text(), "a note of the reader");
    ASSERT_EQ(made.aFiles, (std::vector<std::string>{strOut, dir / "LIB-2.KRZ"}));
    EXPECT_EQ(made.anInstruments, (std::vector<int>{3, 1}));
    ASSERT_EQ(made.aSummary.size(), 2u);
    EXPECT_NE(made.aSummary[1].find("ran out"), std::string::npos) << made.aSummary[1];
    const struct
    {
        std::string strFile;
        std::size_t nSamples;
        std::vector<int> anPrograms;
    } aWant[] = {{strOut, 80, {900, 901, 902}}, {dir / "LIB-2.KRZ", 40, {900}}};
    for (const auto& want : aWant)
    {
        const ReadBack back(want.strFile);
        EXPECT_TRUE(back.info.IsValid()) << FormatKrzFileInfo(back.info);
        EXPECT_EQ(back.aSamples.size(), want.nSamples);
        EXPECT_EQ(back.aSamples.rbegin()->first, 899 + static_cast<int>(want.nSamples));
        std::vector<int> anPrograms;
        for (const KrzObjectInfo& obj : back.info.aObjects)
            if (obj.nType == 36)
                anPrograms.push_back(obj.nNumber);
        EXPECT_EQ(anPrograms, want.anPrograms);
    }

    // One instrument that alone needs more numbers than a file has: three
    // velocity layers of forty samples.
    CInstrument big{"Big", {}};
    for (int nLayer = 0; nLayer < 3; ++nLayer)
        for (CZone zone : MakeInstrument("Layer", 50 * nLayer).aZones)
        {
            zone.nLoVel = 1 + 42 * nLayer;
            zone.nHiVel = nLayer == 2 ? 127 : 42 * (nLayer + 1);
            big.aZones.push_back(zone);
        }
    options.nFirstObjectID = 900;
    const std::string strBig = dir / "BIG.KRZ";
    const COutcome refused =
        RunMakeInstruments({{{big}, {}, {}}}, options, abTemplate, strBig, {}, feedback, made);
    EXPECT_FALSE(refused.IsOk());
    EXPECT_NE(refused.Text().find("\"Big\" needs 120 samples"), std::string::npos)
        << refused.Text();
    EXPECT_FALSE(test::FileExists(strBig));
}

TEST(MakeInstruments, AudioOptionsApplyToZoneFiles)
{
    test::TempDir dir;
    TemplateBytes abTemplate = LoadTemplate();
    WriteMono(dir / "deep.wav", 24, 44100, 900);
    WriteMono(dir / "fast.wav", 16, 48000, 4000);
    const struct
    {
        const char* szName;
        std::string strFile;
        std::int64_t nStart, nEnd; // the zone's frames
        CZoneLoop loop;
        CAudioOptions audio;
        bool bWritten;
        std::uint32_t nFrames, nLoopStart, nRate;
    } aCases[] = {
        {"24 bits unconverted", "deep.wav", 0, -1, {}, {}, false, 0, 0, 0},
        {"24 bits", "deep.wav", 0, -1, {}, {true, 0, false}, true, 900, 0, 44100},
        {"24 bits, a range", "deep.wav", 100, 400, {}, {true, 0, false}, true, 300, 0, 44100},
        // Frames and loop count at the file's own rate and are scaled with it.
        {"resampled",
         "fast.wav",
         1000,
         3000,
         {true, 200, 599},
         {false, 24000},
         true,
         300,
         100,
         24000},
        {"below the limit",
         "fast.wav",
         1000,
         3000,
         {true, 200, 599},
         {false, 96000},
         true,
         600,
         200,
         48000},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        CZone zone = Zone(dir / c.strFile, 0, 127, 1, 127, 60);
        zone.audio.nStartFrame = c.nStart;
        zone.audio.nEndFrame = c.nEnd;
        zone.loop = c.loop;
        CMakeOptions options;
        options.audio = c.audio;
        const std::string strOut = dir / "OUT.KRZ";
        std::filesystem::remove(strOut);
        test::CRecordingFeedback feedback;
        SMadeInstruments made;
        const COutcome outcome = RunMakeInstruments({{{{"Opt", {zone}}}, {}, {}}}, options,
                                                    abTemplate, strOut, {}, feedback, made);
        EXPECT_EQ(outcome.IsOk(), c.bWritten) << outcome.Text();
        if (!c.bWritten)
        {
            // The file's own message, then the zone and the instrument left out.
            EXPECT_EQ(outcome.Notes().size(), 4u);
            EXPECT_NE(outcome.Text().find("deep.wav"), std::string::npos) << outcome.Text();
            EXPECT_FALSE(test::FileExists(strOut));
            continue;
        }
        const ReadBack back(strOut);
        EXPECT_TRUE(back.info.IsValid()) << FormatKrzFileInfo(back.info);
        ASSERT_EQ(back.aSamples.size(), 1u);
        const KrzSampleHeaderInfo& sh = back.aSamples.begin()->second->aSampleHeaders.at(0);
        EXPECT_EQ(sh.nEnd - sh.nStart + 1, c.nFrames);
        EXPECT_EQ(sh.bLoop, c.loop.bOn);
        EXPECT_EQ(sh.nLoopStart - sh.nStart, c.nLoopStart);
        EXPECT_EQ(sh.nRate, c.nRate);
    }
}

TEST(MakeInstruments, AFileChangedAfterItsHeaderWasReadIsNotWritten)
{
    test::TempDir dir;
    TemplateBytes abTemplate = LoadTemplate();
    const Wav a = WriteWav(dir, "a.wav", 1, 500, 1);
    const std::vector<CInstrument> aInstruments{
        {"Changing", {Zone(a.strPath, 0, 127, 1, 127, 60)}}};
    const struct
    {
        const char* szName;
        std::size_t nFrames; // written over the file after planning
        int nChannels;
    } aCases[] = {{"shorter", 300, 1}, {"longer", 700, 1}, {"stereo now", 250, 2}};
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        WriteWav(dir, "a.wav", 1, 500, 1);
        std::vector<std::string> aNotes;
        const CInstrumentInputs inputs = ReadInstrumentInputs(aInstruments, {}, aNotes);
        std::vector<CLibraryFilePlan> aFiles;
        std::string strError;
        ASSERT_TRUE(
            PlanInstrumentLibrary(aInstruments, inputs.aSources, 200, aFiles, aNotes, strError));
        WriteWav(dir, "a.wav", c.nChannels, c.nFrames, 2);
        CFile out(dir / "OUT.KRZ", CFile::modeCreate | CFile::modeReadWrite);
        test::CRecordingFeedback feedback;
        try
        {
            WriteInstrumentKrz(aFiles[0], inputs, abTemplate, out, feedback);
            ADD_FAILURE() << "written";
        }
        catch (const CFileException& e)
        {
            EXPECT_EQ(e.m_cause, CFileException::fileChanged);
        }
    }
}

TEST(MakeInstruments, EachFileOfALibraryIsSplitOrPutOnImages)
{
    TemplateBytes abTemplate = LoadTemplate();
    // Two instruments of sixty samples of their own: with the numbers from
    // 900, each goes into a file of its own.
    std::vector<CInstrument> aInstruments;
    for (int n = 0; n < 2; ++n)
    {
        CInstrument& instrument = aInstruments.emplace_back();
        instrument.strName = "Part" + std::to_string(n);
        for (int i = 0; i < 60; ++i)
        {
            CZone zone;
            zone.nLoKey = zone.nHiKey = zone.nRootKey = 30 + i;
            zone.audio.pData = std::make_shared<std::vector<std::int16_t>>(600, n * 100 + i);
            zone.audio.nChannels = 1;
            zone.audio.nRate = 44100;
            instrument.aZones.push_back(zone);
        }
    }
    const struct
    {
        const char* szName;
        bool bSplit;
        int nFloppyKB;
        std::vector<std::string> aFiles; // besides LIB.KRZ and LIB-2.KRZ
    } aCases[] = {
        {"split",
         true,
         0,
         {"LIB-2.KRZ01", "LIB-2.KRZ02", "LIB-2.KRZ03", "LIB-2.KRZ04", "LIB-2.KRZ05", "LIB.KRZ01",
          "LIB.KRZ02", "LIB.KRZ03", "LIB.KRZ04", "LIB.KRZ05"}},
        {"floppy images", false, 1440, {"LIB-2.KRZ.img", "LIB.KRZ.img"}},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        CMakeOptions options;
        options.nFirstObjectID = 900;
        options.bSplit = c.bSplit;
        options.nMaxSplitKB = 16;
        options.nFloppyKB = c.nFloppyKB;
        test::CRecordingFeedback feedback;
        SMadeInstruments made;
        const COutcome outcome = RunMakeInstruments({{aInstruments, {}, {}}}, options, abTemplate,
                                                    dir / "LIB.KRZ", {}, feedback, made);
        ASSERT_TRUE(outcome.IsOk()) << outcome.Text();
        std::vector<std::string> aWant = c.aFiles;
        aWant.push_back("LIB-2.KRZ");
        aWant.push_back("LIB.KRZ");
        std::sort(aWant.begin(), aWant.end());
        std::vector<std::string> aListed = test::ListDir(dir.Path());
        std::sort(aListed.begin(), aListed.end());
        EXPECT_EQ(aListed, aWant);
        EXPECT_EQ(made.anParts, (std::vector<int>{c.bSplit ? 5 : 0, c.bSplit ? 5 : 0}));
        if (!c.bSplit)
            continue;
        EXPECT_NE(made.aSummary[1].find(", 5 parts"), std::string::npos) << made.aSummary[1];
        // The parts of each file join into that file.
        for (const std::string strFile : {"LIB.KRZ", "LIB-2.KRZ"})
        {
            ASSERT_TRUE(RunJoinFiles(dir / (strFile + "01"), dir / "J.KRZ", feedback).IsOk());
            EXPECT_EQ(test::ReadFileBytes(dir / "J.KRZ"), test::ReadFileBytes(dir / strFile));
        }
    }
}

TEST(MakeInstruments, OptionsThatDoNotApplyAreNoted)
{
    test::TempDir dir;
    TemplateBytes abTemplate = LoadTemplate();
    const Wav a = WriteWav(dir, "a.wav", 1, 100, 1);
    const CInstrument instrument{"One", {Zone(a.strPath, 0, 127, 1, 127, 60)}};
    CMakeOptions multisample;
    multisample.bMultisample = true;
    CMakeOptions metadata;
    metadata.audio.bFileMetadata = true;
    const struct
    {
        const char* szName;
        CMakeOptions options;
        std::vector<std::string> aNotes;
    } aCases[] = {
        {"none", {}, {}},
        {"multisample", multisample, {kInstrumentMultisampleNote}},
        {"file metadata", metadata, {kInstrumentMetadataNote}},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::CRecordingFeedback feedback;
        SMadeInstruments made;
        const COutcome outcome = RunMakeInstruments({{{instrument}, {}, {}}}, c.options, abTemplate,
                                                    dir / "OUT.KRZ", {}, feedback, made);
        EXPECT_TRUE(outcome.IsOk());
        std::vector<std::string> aNotes;
        for (const SOutcomeNote& note : outcome.Notes())
            aNotes.push_back(note.strText);
        EXPECT_EQ(aNotes, c.aNotes);
    }
}
