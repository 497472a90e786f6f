// DecentSampler presets read into one instrument each.
#include "DsPresetReader.h"
#include "DsPresetValues.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace
{
using namespace test;

std::string WritePreset(const TempDir& dir, const std::string& strName, const std::string& strXml)
{
    const std::string strPath = dir / strName;
    WriteFileBytes(strPath, Bytes(strXml.begin(), strXml.end()));
    return strPath;
}

void WriteSample(const TempDir& dir, const std::string& strRelative)
{
    const std::filesystem::path path = dir.Path() / strRelative;
    std::filesystem::create_directories(path.parent_path());
    WavSpec spec;
    spec.abData = RampData(64);
    WriteFileBytes(path.string(), MakeWav(spec));
}

TEST(DsPresetReader, InheritsAndConvertsEveryValue)
{
    TempDir dir;
    for (const char* sz : {"Samples/a.wav", "Samples/b.wav", "c.wav"})
        WriteSample(dir, sz);
    const std::string strPath = WritePreset(dir, "My Keys.dspreset", R"(<?xml version="1.0"?>
<DecentSampler minVersion="1.0">
  <ui width="100"/>
  <groups volume="-3dB" loVel="1" hiVel="127" attack="0.1">
    <group loNote="40" hiNote="50" tuning="0.25" volume="0.5">
      <sample path="Samples\a.wav" rootNote="45" start="100" end="999"
              loopStart="200" loopEnd="899" loopEnabled="true" attack="0.2"/>
      <sample path="Samples/b.wav" loVel="64" hiNote="55" tuning="-1.5" volume="-6"
              trigger="attack"/>
    </group>
    <group>
      <sample path="c.wav" loNote="60" hiNote="60" rootNote="60" loopEnabled="false"
              loopStart="5" loopEnd="2" release="1"/>
    </group>
  </groups>
</DecentSampler>)");
    const CInstrumentSet set = ReadDsPresetFile(strPath);
    ASSERT_EQ(set.strRefusal, "");
    ASSERT_EQ(set.aInstruments.size(), 1u);
    EXPECT_EQ(set.aInstruments[0].strName, "My Keys");
    const struct
    {
        const char* szFile;
        int nLoKey, nHiKey, nLoVel, nHiVel, nRoot;
        double dCents, dGainDb;
        std::int64_t nStart, nEnd;
        CZoneLoop loop;
    } aCases[] = {
        // group's keys, tuning and linear volume; frames and loop from the sample.
        {"Samples/a.wav",
         40,
         50,
         1,
         127,
         45,
         25,
         20 * std::log10(0.5),
         100,
         1000,
         {true, 100, 799}},
        {"Samples/b.wav", 40, 55, 64, 127, 60, -150, -6, 0, -1, {}},
        // <groups> gives the volume; a loop not enabled is not checked.
        {"c.wav", 60, 60, 1, 127, 60, 0, -3, 0, -1, {}},
    };
    const std::vector<CZone>& aZones = set.aInstruments[0].aZones;
    ASSERT_EQ(aZones.size(), std::size(aCases));
    for (std::size_t n = 0; n < aZones.size(); ++n)
    {
        const auto& c = aCases[n];
        const CZone& z = aZones[n];
        SCOPED_TRACE(c.szFile);
        EXPECT_EQ(z.audio.strPath, (dir.Path() / c.szFile).string());
        EXPECT_EQ(z.strName, std::filesystem::path(c.szFile).stem().string());
        EXPECT_EQ(std::vector<int>({z.nLoKey, z.nHiKey, z.nLoVel, z.nHiVel, z.nRootKey}),
                  std::vector<int>({c.nLoKey, c.nHiKey, c.nLoVel, c.nHiVel, c.nRoot}));
        EXPECT_NEAR(z.dTuneCents, c.dCents, 1e-9);
        EXPECT_NEAR(z.dGainDb, c.dGainDb, 1e-9);
        EXPECT_EQ(z.audio.nStartFrame, c.nStart);
        EXPECT_EQ(z.audio.nEndFrame, c.nEnd);
        EXPECT_EQ(z.loop, c.loop);
    }
    EXPECT_EQ(set.aNotes,
              (std::vector<std::string>{strPath + ": attributes not used: attack, release",
                                        strPath + ": elements not used: ui"}));
}

TEST(DsPresetReader, LeavesOutZonesItCannotUse)
{
    const struct
    {
        const char* szSample; // the <sample> element's attributes
        const char* szNote;   // what the note says after the zone's name
    } aCases[] = {
        {R"(path="absent.wav")", "absent.wav was not found"},
        {R"(rootNote="60")", "it names no file"},
        {R"(path="s.wav" loNote="130")", "loNote 130 lies outside 0..127"},
        {R"(path="s.wav" loNote="70" hiNote="60")", "loNote 70 lies above hiNote 60"},
        {R"(path="s.wav" hiVel="C4")", "hiVel \"C4\" is not a whole number"},
        {R"(path="s.wav" tuning="x")", "tuning \"x\""},
        {R"(path="s.wav" volume="0")", "volume \"0\""},
        {R"(path="s.wav" start="10" end="5")", "end 5 lies outside 10.."},
        {R"(path="s.wav" end="99" loopEnabled="true" loopStart="50" loopEnd="100")",
         "loopEnd 100 lies outside 50..99"},
        {R"(path="s.wav" start="20" loopEnabled="true" loopStart="10" loopEnd="30")",
         "loopStart 10 lies outside 20.."},
        {R"(path="s.wav" loopEnabled="maybe")", "loopEnabled \"maybe\""},
        {R"(path="s.wav" trigger="release")", "it plays when the key is released"},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szSample);
        TempDir dir;
        WriteSample(dir, "s.wav");
        const std::string strPath =
            WritePreset(dir, "p.dspreset",
                        std::string("<DecentSampler><groups><group><sample ") + c.szSample +
                            "/><sample path=\"s.wav\"/></group></groups></DecentSampler>");
        const CInstrumentSet set = ReadDsPresetFile(strPath);
        ASSERT_EQ(set.aInstruments.size(), 1u);
        EXPECT_EQ(set.aInstruments[0].aZones.size(), 1u); // the second sample stays
        ASSERT_EQ(set.aNotes.size(), 1u);
        EXPECT_EQ(set.aNotes[0].rfind(strPath + ": sample 1", 0), 0u) << set.aNotes[0];
        EXPECT_NE(set.aNotes[0].find(" left out: "), std::string::npos) << set.aNotes[0];
        EXPECT_NE(set.aNotes[0].find(c.szNote), std::string::npos) << set.aNotes[0];
    }
}

TEST(DsPresetReader, RefusesWhatIsNoPreset)
{
    TempDir dir;
    const struct
    {
        const char* szName;
        const char* szText;
        const char* szReason;
    } aCases[] = {
        {"broken.dspreset", "<DecentSampler><groups>", "not a readable preset"},
        {"other.dspreset", "<Instrument/>", "<Instrument>"},
        {"empty.dspreset", "", "not a readable preset"},
    };
    for (const auto& c : aCases)
    {
        const std::string strPath = WritePreset(dir, c.szName, c.szText);
        const CInstrumentSet set = ReadDsPresetFile(strPath);
        EXPECT_TRUE(set.aInstruments.empty()) << c.szName;
        EXPECT_EQ(set.strRefusal.rfind(strPath + ": ", 0), 0u) << set.strRefusal;
        EXPECT_NE(set.strRefusal.find(c.szReason), std::string::npos) << set.strRefusal;
    }
    EXPECT_NE(ReadDsPresetFile(dir / "absent.dspreset").strRefusal, "");
}

TEST(DsPresetValues, ReadsVolumesInDbOrAsFactors)
{
    const struct
    {
        const char* szText;
        bool bOk;
        double dDb;
    } aCases[] = {
        {"-3dB", true, -3},   {"-3 db", true, -3}, {" +2DB ", true, 2},
        {"-3", true, -3},     {"1", true, 0},      {"0.5", true, 20 * std::log10(0.5)},
        {"0dB", true, 0},     {"2", true, 2},      {"0", false, 0},
        {"dB", false, 0},     {"", false, 0},      {"nan", false, 0},
        {"inf dB", false, 0}, {"-3dBx", false, 0}, {"0x10", false, 0},
    };
    for (const auto& c : aCases)
    {
        double dDb = 99;
        EXPECT_EQ(ParseDsVolumeDb(c.szText, dDb), c.bOk) << c.szText;
        if (c.bOk)
        {
            EXPECT_NEAR(dDb, c.dDb, 1e-12) << c.szText;
        }
    }
}

} // namespace
