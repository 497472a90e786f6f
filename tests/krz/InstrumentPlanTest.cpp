// The plan of instrument files from the zones and what their audio holds:
// which zones are written, what is noted, and how zones share samples.
#include "InstrumentPlan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

CZoneSource Source(std::uint64_t nFrames, int nChannels = 1, int nRate = 44100)
{
    return {true, nChannels, nRate, nFrames, 1.0};
}

CZone Zone(int nLoKey, int nHiKey, const std::string& strPath = "a.wav")
{
    CZone zone;
    zone.audio.strPath = strPath;
    zone.nLoKey = nLoKey;
    zone.nHiKey = nHiKey;
    zone.strName = "z";
    return zone;
}

} // namespace

TEST(PlanInstrumentLibrary, ZonesThatCannotBeHonouredAreNoted)
{
    const auto With = [](auto fn)
    {
        CZone zone = Zone(0, 127);
        fn(zone);
        return zone;
    };
    CZoneSource unusable;
    const struct
    {
        const char* szName;
        CZone zone;
        CZoneSource source;
        const char* szNote; // nullptr: none
        bool bWritten;
        std::uint64_t nFrames;
    } aCases[] = {
        {"a plain zone", Zone(0, 127), Source(100), nullptr, true, 100},
        {"audio that cannot be read", Zone(0, 127), unusable, "its audio cannot be read", false, 0},
        {"an empty key range", Zone(70, 60), Source(100), "range holds none", false, 0},
        {"an empty velocity range", With([](CZone& z) { z.nLoVel = 90, z.nHiVel = 80; }),
         Source(100), "range holds none", false, 0},
        {"keys below note 12", Zone(0, 11), Source(100), "below note 12", false, 0},
        {"a rate of 0", Zone(0, 127), Source(100, 1, 0), "cannot be written", false, 0},
        {"a root beyond the notes", With([](CZone& z) { z.nRootKey = 128; }), Source(100),
         "is no MIDI note", false, 0},
        {"the highest root at the lowest rate", With([](CZone& z) { z.nRootKey = 127; }),
         Source(100, 1, 1), nullptr, true, 100},
        {"a range after the audio", With([](CZone& z) { z.audio.nStartFrame = 100; }), Source(100),
         "holds no frame", false, 0},
        {"a range past the audio's end", With([](CZone& z) { z.audio.nEndFrame = 150; }),
         Source(100), "cut to the audio's end", true, 100},
        {"a loop past the frames",
         With(
             [](CZone& z) {
                 z.loop = {true, 10, 100};
             }),
         Source(100), "loop lies outside", true, 100},
        {"a loop backwards",
         With(
             [](CZone& z) {
                 z.loop = {true, 50, 40};
             }),
         Source(100), "loop lies outside", true, 100},
        {"a loop to the last frame",
         With(
             [](CZone& z) {
                 z.loop = {true, 10, 99};
             }),
         Source(100), nullptr, true, 100},
        {"a saturated gain", With([](CZone& z) { z.dGainDb = -99; }), Source(100), "-64 dB", true,
         100},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        std::vector<CLibraryFilePlan> aFiles;
        std::vector<std::string> aNotes;
        std::string strError;
        ASSERT_TRUE(
            PlanInstrumentLibrary({{"I", {c.zone}}}, {{c.source}}, 200, aFiles, aNotes, strError));
        ASSERT_EQ(aFiles.size(), 1u);
        EXPECT_EQ(aFiles[0].aInstruments.size(), c.bWritten ? 1u : 0u);
        // A zone left out leaves its instrument without a zone: noted too.
        EXPECT_EQ(aNotes.size(), (c.szNote ? 1u : 0u) + (c.bWritten ? 0u : 1u));
        if (c.szNote != nullptr && !aNotes.empty())
        {
            EXPECT_NE(aNotes[0].find(c.szNote), std::string::npos) << aNotes[0];
            EXPECT_EQ(aNotes[0].rfind("Instrument \"I\", zone 1 (\"z\")", 0), 0u) << aNotes[0];
        }
        if (c.bWritten)
        {
            ASSERT_EQ(aFiles[0].aData.size(), 1u);
            EXPECT_EQ(aFiles[0].aData[0].nFrames, c.nFrames);
        }
    }
}

TEST(PlanInstrumentLibrary, ZonesShareWordsAndSamplesWhereTheyCan)
{
    const struct
    {
        const char* szName;
        CZone second; // beside Zone(0, 60) of a.wav
        std::size_t nData, nSamples;
    } aCases[] = {
        {"the same audio, root, loop and gain", Zone(61, 127), 1, 1},
        {"another root",
         []
         {
             CZone z = Zone(61, 127);
             z.nRootKey = 72;
             return z;
         }(),
         1, 2},
        {"another gain",
         []
         {
             CZone z = Zone(61, 127);
             z.dGainDb = -3;
             return z;
         }(),
         1, 2},
        {"another tuning (in the keymap)",
         []
         {
             CZone z = Zone(61, 127);
             z.dTuneCents = 5;
             return z;
         }(),
         1, 1},
        {"another file", Zone(61, 127, "b.wav"), 2, 2},
        {"other frames",
         []
         {
             CZone z = Zone(61, 127);
             z.audio.nStartFrame = 10;
             return z;
         }(),
         2, 2},
        {"a loop (the words end at its end)",
         []
         {
             CZone z = Zone(61, 127);
             z.loop = {true, 0, 49};
             return z;
         }(),
         2, 2},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        std::vector<CLibraryFilePlan> aFiles;
        std::vector<std::string> aNotes;
        std::string strError;
        ASSERT_TRUE(PlanInstrumentLibrary({{"I", {Zone(0, 60), c.second}}},
                                          {{Source(100), Source(100)}}, 200, aFiles, aNotes,
                                          strError));
        EXPECT_TRUE(aNotes.empty());
        EXPECT_EQ(aFiles[0].aData.size(), c.nData);
        EXPECT_EQ(aFiles[0].aSamples.size(), c.nSamples);
        // The words of each run follow the run before.
        std::uint64_t nWord = 0;
        for (const CDataPlan& data : aFiles[0].aData)
        {
            EXPECT_EQ(data.nWordAt, nWord);
            nWord += data.nFrames;
        }
    }
}
