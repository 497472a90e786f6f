// SoundFont 2 banks built byte by byte, read into instruments.
#include "Sf2Reader.h"
#include "Sf2TestBank.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
using namespace test;

enum : std::uint16_t
{
    kStartOfs = 0,
    kLoopStartOfs = 2,
    kLoopEndOfs = 3,
    kPan = 17,
    kKeys = 43,
    kVels = 44,
    kAtten = 48,
    kCoarse = 51,
    kFine = 52,
    kModes = 54,
    kRoot = 58,
};

Sf2Sample Sample(const char* szName, std::vector<std::int16_t> aWords)
{
    Sf2Sample s;
    s.strName = szName;
    s.aWords = std::move(aWords);
    return s;
}

std::uint16_t Signed(int n)
{
    return static_cast<std::uint16_t>(n);
}

// Two presets: "Piano" with two velocity layers under a global zone (one
// 16-bit sample with a loop, one 24-bit sample with an overriding root key)
// and a zone outside the preset's keys; "Pad" playing a stereo pair.
Sf2Bank MakeTestBank()
{
    Sf2Bank bank;
    Sf2Sample soft = Sample("Soft", Sf2Ramp(64, 11));
    soft.nCorrection = -7;
    soft.nLoopStart = 8;
    soft.nLoopEnd = 40;
    Sf2Sample loud = Sample("Loud", Sf2Ramp(64, -300));
    loud.nPitch = 62;
    loud.aLow.assign(64, 0xFF); // the low bytes are dropped, never rounded up
    loud.nLoopStart = 8;
    loud.nLoopEnd = 40;
    loud.nRate = 44100;
    Sf2Sample left = Sample("PadL", Sf2Ramp(48, 1000));
    left.nPitch = 57;
    left.nType = 4;
    left.nLink = 3;
    left.nLoopStart = 4;
    left.nLoopEnd = 40;
    Sf2Sample right = Sample("PadR", Sf2Ramp(48, -1000));
    right.nPitch = 57;
    right.nType = 2;
    right.nLink = 2;
    right.nLoopStart = 4;
    right.nLoopEnd = 40;
    bank.aSamples = {soft, loud, left, right};
    bank.aInstruments = {{"Layers",
                          {{{{kKeys, Sf2Range(36, 84)}, {kAtten, 60}}, -1},
                           {{{kVels, Sf2Range(0, 63)}, {kFine, 12}, {kModes, 1}}, 0},
                           {{{kVels, Sf2Range(64, 127)}, {kRoot, 64}, {kCoarse, Signed(-1)}}, 1},
                           {{{kKeys, Sf2Range(90, 100)}}, 0}}},
                         {"PadInst",
                          {{{{kPan, Signed(-500)}, {kModes, 3}, {kLoopEndOfs, Signed(-2)}}, 2},
                           {{{kPan, 500}, {kModes, 3}, {kLoopEndOfs, Signed(-2)}}, 3}}}};
    bank.aPresets = {{"Pad", 1, 0, {{{{kFine, 5}}, 1}}},
                     {"Piano", 0, 0, {{{{kAtten, 20}}, -1}, {{{kKeys, Sf2Range(0, 88)}}, 0}}}};
    return bank;
}

std::vector<std::int16_t> Interleave(const std::vector<std::int16_t>& aL,
                                     const std::vector<std::int16_t>& aR)
{
    std::vector<std::int16_t> a;
    for (std::size_t n = 0; n < aL.size(); ++n)
        a.insert(a.end(), {aL[n], aR[n]});
    return a;
}

CInstrumentSet ReadBank(const TempDir& dir, const Sf2Bank& bank)
{
    const std::string strPath = dir / "bank.sf2";
    WriteFileBytes(strPath, MakeSf2(bank));
    return ReadSf2File(strPath);
}

TEST(Sf2Reader, MakesOneInstrumentPerPresetWithItsZones)
{
    TempDir dir;
    const Sf2Bank bank = MakeTestBank();
    const CInstrumentSet set = ReadBank(dir, bank);
    ASSERT_EQ(set.strRefusal, "");
    ASSERT_EQ(set.aInstruments.size(), 2u);
    // By program: Piano (0) before Pad (1).
    EXPECT_EQ(set.aInstruments[0].strName, "Piano");
    EXPECT_EQ(set.aInstruments[1].strName, "Pad");

    const struct
    {
        int nInstrument, nZone;
        const char* szName;
        int nLoKey, nHiKey, nLoVel, nHiVel, nRoot;
        double dCents, dGainDb;
        CZoneLoop loop;
        int nChannels, nRate;
        std::int64_t nEndFrame;
        std::vector<std::int16_t> aWords;
    } aCases[] = {
        // Global key range and attenuation; sample pitch correction plus fine tune.
        {0,
         0,
         "Soft",
         36,
         84,
         0,
         63,
         60,
         5,
         -8,
         {true, 8, 39},
         1,
         22050,
         64,
         bank.aSamples[0].aWords},
        // Overriding root key, coarse tune, the upper 16 bits of 24-bit points.
        {0, 1, "Loud", 36, 84, 64, 127, 64, -100, -8, {}, 1, 44100, 64, bank.aSamples[1].aWords},
        // One stereo zone; loop until release with the loop end moved back.
        {1,
         0,
         "PadL",
         0,
         127,
         0,
         127,
         57,
         5,
         0,
         {true, 4, 37},
         2,
         22050,
         48,
         Interleave(bank.aSamples[2].aWords, bank.aSamples[3].aWords)},
    };
    EXPECT_EQ(set.aInstruments[0].aZones.size(), 2u); // the zone at keys 90..100 never sounds
    EXPECT_EQ(set.aInstruments[1].aZones.size(), 1u);
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        ASSERT_LT(static_cast<std::size_t>(c.nZone), set.aInstruments[c.nInstrument].aZones.size());
        const CZone& z = set.aInstruments[c.nInstrument].aZones[c.nZone];
        EXPECT_EQ(z.strName, c.szName);
        EXPECT_EQ(std::vector<int>({z.nLoKey, z.nHiKey, z.nLoVel, z.nHiVel, z.nRootKey}),
                  std::vector<int>({c.nLoKey, c.nHiKey, c.nLoVel, c.nHiVel, c.nRoot}));
        EXPECT_DOUBLE_EQ(z.dTuneCents, c.dCents);
        EXPECT_DOUBLE_EQ(z.dGainDb, c.dGainDb);
        EXPECT_EQ(z.loop, c.loop);
        EXPECT_EQ(z.audio.strPath, "");
        EXPECT_EQ(z.audio.nChannels, c.nChannels);
        EXPECT_EQ(z.audio.nRate, c.nRate);
        EXPECT_EQ(z.audio.nStartFrame, 0);
        EXPECT_EQ(z.audio.nEndFrame, c.nEndFrame);
        ASSERT_TRUE(z.audio.pData);
        EXPECT_EQ(*z.audio.pData, c.aWords);
    }
    ASSERT_EQ(set.aNotes.size(), 1u);
    EXPECT_EQ(set.aNotes[0], dir / "bank.sf2" + ": generators not used: pan");
}

// One preset, one instrument, one 64-frame sample with a loop at 8..40;
// the case's generators go into the instrument zone.
Sf2Bank MakeOneZoneBank(const std::vector<Sf2Gen>& aGens, std::uint8_t nPitch,
                        std::uint32_t nRate = 22050)
{
    Sf2Bank bank;
    Sf2Sample s = Sample("S", Sf2Ramp(64, 3));
    s.nPitch = nPitch;
    s.nRate = nRate;
    s.nLoopStart = 8;
    s.nLoopEnd = 40;
    bank.aSamples = {s};
    bank.aInstruments = {{"I", {{aGens, 0}}}};
    bank.aPresets = {{"P", 0, 0, {{{}, 0}}}};
    return bank;
}

TEST(Sf2Reader, MendsOrLeavesOutValuesOutOfBounds)
{
    const struct
    {
        const char* szWhat;
        std::vector<Sf2Gen> aGens;
        std::uint8_t nPitch;
        std::uint32_t nRate;
        bool bZone;
        const char* szNote; // part of the one note, naming the zone
        int nLoKey, nHiKey, nRoot;
        bool bLoop;
    } aCases[] = {
        // clang-format off
        {"root above 127", {{kRoot, 130}}, 60, 22050, true, "overriding root key 130", 0, 127, 60, false},
        {"root -1 is none", {{kRoot, Signed(-1)}}, 70, 22050, true, "", 0, 127, 70, false},
        {"unpitched sample", {}, 255, 22050, true, "", 0, 127, 60, false},
        {"sample key 200", {}, 200, 22050, true, "the sample's key 200", 0, 127, 60, false},
        {"keys cut", {{kKeys, Sf2Range(20, 130)}}, 60, 22050, true, "cut to 127", 20, 127, 60, false},
        {"empty velocities", {{kVels, Sf2Range(80, 20)}}, 60, 22050, false, "velocity range 80..20", 0, 0, 0, false},
        {"loop past the end", {{kModes, 1}, {kLoopEndOfs, 30}}, 60, 22050, true, "loop 8..70", 0, 127, 60, false},
        {"loop kept", {{kModes, 1}}, 60, 22050, true, "", 0, 127, 60, true},
        {"start past the end", {{kStartOfs, 64}}, 60, 22050, false, "frames 64..64", 0, 0, 0, false},
        {"no sample rate", {}, 60, 0, false, "sample rate is 0 Hz", 0, 0, 0, false},
        // clang-format on
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szWhat);
        TempDir dir;
        const CInstrumentSet set = ReadBank(dir, MakeOneZoneBank(c.aGens, c.nPitch, c.nRate));
        const std::string strNote = *c.szNote ? set.aNotes.at(0) : "";
        // A preset left without zones is named in a note of its own.
        EXPECT_EQ(set.aNotes.size(), (*c.szNote ? 1u : 0u) + (c.bZone ? 0u : 1u));
        EXPECT_NE(strNote.find(c.szNote), std::string::npos) << strNote;
        EXPECT_NE(strNote.find(*c.szNote ? "sample \"S\"" : ""), std::string::npos) << strNote;
        if (!c.bZone)
        {
            EXPECT_EQ(set.aNotes.back(),
                      dir / "bank.sf2" +
                          ": preset \"P\" left out: none of its zones can be played");
            EXPECT_TRUE(set.aInstruments.empty());
            EXPECT_NE(set.strRefusal, "");
            continue;
        }
        ASSERT_EQ(set.aInstruments.size(), 1u);
        ASSERT_EQ(set.aInstruments[0].aZones.size(), 1u);
        const CZone& z = set.aInstruments[0].aZones[0];
        EXPECT_EQ(std::vector<int>({z.nLoKey, z.nHiKey, z.nRootKey}),
                  std::vector<int>({c.nLoKey, c.nHiKey, c.nRoot}));
        EXPECT_EQ(z.loop.bOn, c.bLoop);
    }
}

TEST(Sf2Reader, GivesTheLibraryWarningsAsNotes)
{
    TempDir dir;
    Sf2Bank bank = MakeOneZoneBank({}, 60);
    bank.aSamples[0].nLoopStart = bank.aSamples[0].nLoopEnd = 0; // an empty loop
    testing::internal::CaptureStderr();
    const CInstrumentSet set = ReadBank(dir, bank);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(set.aInstruments.size(), 1u);
    ASSERT_EQ(set.aNotes.size(), 1u);
    EXPECT_EQ(set.aNotes[0].rfind(dir / "bank.sf2" + ": ", 0), 0u) << set.aNotes[0];
    EXPECT_NE(set.aNotes[0].find("'S'"), std::string::npos) << set.aNotes[0];
}

TEST(Sf2Reader, RefusesWhatIsNoBank)
{
    TempDir dir;
    const struct
    {
        const char* szName;
        Bytes abFile;
    } aCases[] = {
        {"empty.sf2", {}},
        {"wave.sf2", MakeWav({})},
        {"cut.sf2",
         []
         {
             Bytes ab = MakeSf2(MakeOneZoneBank({}, 60));
             ab.resize(ab.size() / 2);
             return ab;
         }()},
    };
    for (const auto& c : aCases)
    {
        WriteFileBytes(dir / c.szName, c.abFile);
        const CInstrumentSet set = ReadSf2File(dir / c.szName);
        EXPECT_TRUE(set.aInstruments.empty()) << c.szName;
        EXPECT_EQ(set.strRefusal.rfind(dir / c.szName + ": ", 0), 0u) << set.strRefusal;
    }
    EXPECT_NE(ReadSf2File(dir / "absent.sf2").strRefusal, "");
}

} // namespace
