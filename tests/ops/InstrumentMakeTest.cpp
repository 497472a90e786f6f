// Instruments written into KRZ files and read back: every key (notes
// 12..127) at every velocity level plays what the zones say, through the
// reader's tables and again through info's text; the sample headers carry
// root, loop, gain and frames; the words are the zones' frames. What is
// refused writes nothing.
#include "InstrumentRunner.h"
#include "InstrumentTestUtil.h"
#include "KrzReader.h"
#include "RootKey.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace
{

using namespace itest;

// The zone a note plays at a level, by the rule: of the zones holding the
// note whose velocities meet the level, the highest top velocity, the
// first on a tie; -1 for none.
int ZoneFor(const CInstrument& instrument, int nNote, int nLevel)
{
    int nBest = -1;
    for (std::size_t z = 0; z < instrument.aZones.size(); ++z)
    {
        const CZone& zone = instrument.aZones[z];
        const bool bMeets =
            std::max(zone.nLoVel, 1) <= 16 * nLevel + 15 && zone.nHiVel >= 16 * nLevel;
        if (nNote < zone.nLoKey || nNote > zone.nHiKey || !bMeets)
            continue;
        if (nBest < 0 || zone.nHiVel > instrument.aZones[nBest].nHiVel)
            nBest = static_cast<int>(z);
    }
    return nBest;
}

// What one zone's sample should be in the file.
struct ZoneFacts
{
    std::uint64_t nFrames;
    std::int64_t nLoopStart; // -1: loop off
    int nGainSteps;
    std::vector<std::int16_t> anLeft, anRight; // the words of each channel
};

// Checks the sample an entry names against its zone.
void ExpectZoneSample(const ReadBack& back, const KrzKeymapEntry& entry, const CZone& zone,
                      const ZoneFacts& facts, bool bStereo)
{
    ASSERT_TRUE(back.aSamples.count(entry.nSample)) << "sample " << entry.nSample;
    const KrzObjectInfo& sample = *back.aSamples.at(entry.nSample);
    EXPECT_EQ(entry.nSubSample, 1);
    EXPECT_EQ(entry.nTuning, std::lround(zone.dTuneCents));
    EXPECT_EQ(sample.nChannels, bStereo ? 2 : 1);
    ASSERT_EQ(sample.aSampleHeaders.size(), bStereo ? 2u : 1u);
    const KrzSampleHeaderInfo& left = sample.aSampleHeaders[0];
    EXPECT_EQ(left.nNoteNumber, zone.nRootKey);
    EXPECT_EQ(left.nEnd - left.nStart + 1, facts.nFrames);
    EXPECT_EQ(left.bLoop, facts.nLoopStart >= 0);
    if (facts.nLoopStart >= 0)
    {
        EXPECT_EQ(left.nLoopStart - left.nStart, facts.nLoopStart);
    }
    EXPECT_EQ(static_cast<std::int8_t>(back.ab[left.nFileOffset + 2]), facts.nGainSteps);
    EXPECT_EQ(back.Words(left.nStart, left.nEnd), facts.anLeft);
    if (bStereo)
    {
        const KrzSampleHeaderInfo& right = sample.aSampleHeaders[1];
        EXPECT_EQ(right.nStart, left.nEnd + 1);
        EXPECT_EQ(back.Words(right.nStart, right.nEnd), facts.anRight);
    }
}

// info's keymap text parsed back: per level, per entry, the text after
// the keys ("sample 201, tuning -5 cents", "empty").
std::array<std::array<std::string, 128>, 8> ParseInfoKeymap(const std::string& strText)
{
    std::array<std::array<std::string, 128>, 8> aLevels;
    std::istringstream in(strText);
    std::string strLine;
    std::vector<int> anLevels;
    bool bInKeymap = false;
    while (std::getline(in, strLine))
    {
        if (strLine.rfind("Keymap ", 0) == 0)
            bInKeymap = true;
        else if (strLine.empty())
            bInKeymap = false;
        if (!bInKeymap)
            continue;
        if (strLine.rfind("  velocity table ", 0) == 0)
        {
            // "  velocity table 1: levels 1-4, 6 (velocities ...)"
            anLevels.clear();
            std::string strList = strLine.substr(strLine.find(':') + 1);
            strList = strList.substr(0, strList.find('('));
            strList = strList.substr(strList.find(' ') + 1); // past "level(s)"
            std::istringstream list(strList.substr(strList.find(' ') + 1));
            std::string strRun;
            while (std::getline(list, strRun, ','))
            {
                const int nLo = std::stoi(strRun);
                const auto nDash = strRun.find('-');
                const int nHi =
                    nDash == std::string::npos ? nLo : std::stoi(strRun.substr(nDash + 1));
                for (int j = nLo; j <= nHi; ++j)
                    anLevels.push_back(j - 1);
            }
            continue;
        }
        const std::size_t nColon = strLine.find(": ");
        if (strLine.rfind("  ", 0) != 0 || nColon == std::string::npos ||
            strLine.find("entry method") != std::string::npos)
            continue;
        const std::string strKeys =
            strLine.substr(strLine.find_first_not_of(' '), nColon - strLine.find_first_not_of(' '));
        const auto Key = [](const std::string& str)
        {
            for (int n = 0; n < 12; ++n)
                if (str.compare(0, 2, NoteName(n)) == 0)
                    return n + 12 * std::stoi(str.substr(2));
            return -1;
        };
        const std::size_t nDash = strKeys.find('-', 2);
        const int nLo = Key(strKeys.substr(0, nDash));
        const int nHi = nDash == std::string::npos ? nLo : Key(strKeys.substr(nDash + 1));
        const std::vector<int> anAll = {0, 1, 2, 3, 4, 5, 6, 7};
        for (const int j : anLevels.empty() ? anAll : anLevels)
            for (int k = nLo; k <= nHi; ++k)
                aLevels[j][k] = strLine.substr(nColon + 2);
    }
    return aLevels;
}

struct InstrumentCase
{
    const char* szName;
    CInstrument instrument;
    std::vector<ZoneFacts> aFacts;
    bool bStereo = false;
    std::size_t nTables = 1;
    std::size_t nNotes = 0; // notes of the outcome
};

std::vector<std::int16_t> Channel(const Wav& wav, int nChannels, int nChannel, std::size_t nFirst,
                                  std::size_t nFrames)
{
    std::vector<std::int16_t> an;
    for (std::size_t f = nFirst; f < nFirst + nFrames; ++f)
        an.push_back(wav.anWords[f * nChannels + nChannel]);
    return an;
}

ZoneFacts Facts(const Wav& wav, int nChannels, std::size_t nFirst, std::size_t nFrames,
                std::int64_t nLoopStart = -1, int nGain = 0, bool bStereoOut = false)
{
    ZoneFacts facts{nFrames, nLoopStart, nGain, Channel(wav, nChannels, 0, nFirst, nFrames), {}};
    if (bStereoOut)
        facts.anRight = Channel(wav, nChannels, nChannels - 1, nFirst, nFrames);
    return facts;
}

// Velocity layers, key gaps, tunings and gains.
std::vector<InstrumentCase> LayerCases(const test::TempDir& dir)
{
    const Wav a = WriteWav(dir, "soft.wav", 1, 300, 1);
    const Wav b = WriteWav(dir, "loud.wav", 1, 200, 2);
    const Wav c = WriteWav(dir, "high.wav", 1, 250, 3);
    std::vector<InstrumentCase> aCases;
    {
        InstrumentCase k{"two velocity layers and a key gap", {"Layers", {}}, {}};
        k.instrument.aZones = {Zone(a.strPath, 12, 59, 1, 63, 48),
                               Zone(b.strPath, 12, 59, 64, 127, 48),
                               Zone(c.strPath, 72, 127, 1, 127, 84)};
        k.aFacts = {Facts(a, 1, 0, 300), Facts(b, 1, 0, 200), Facts(c, 1, 0, 250)};
        k.nTables = 2;
        aCases.push_back(k);
    }
    {
        InstrumentCase k{"tuned zones", {"Tuned", {}}, {}};
        k.instrument.aZones = {Zone(a.strPath, 0, 60, 1, 127, 60),
                               Zone(c.strPath, 61, 127, 1, 127, 72)};
        k.instrument.aZones[0].dTuneCents = 25.4;
        k.instrument.aZones[1].dTuneCents = -1200;
        k.aFacts = {Facts(a, 1, 0, 300), Facts(c, 1, 0, 250)};
        aCases.push_back(k);
    }
    {
        InstrumentCase k{"gains, two saturated", {"Gain", {}}, {}};
        k.instrument.aZones = {Zone(a.strPath, 0, 40, 1, 127, 36),
                               Zone(b.strPath, 41, 80, 1, 127, 60),
                               Zone(c.strPath, 81, 127, 1, 127, 90)};
        k.instrument.aZones[0].dGainDb = 6;
        k.instrument.aZones[1].dGainDb = -80;
        k.instrument.aZones[2].dGainDb = 70;
        k.aFacts = {Facts(a, 1, 0, 300, -1, 12), Facts(b, 1, 0, 200, -1, -128),
                    Facts(c, 1, 0, 250, -1, 127)};
        k.nNotes = 2;
        aCases.push_back(k);
    }
    return aCases;
}

// Loops, frame ranges, channels and data in memory.
std::vector<InstrumentCase> AudioCases(const test::TempDir& dir)
{
    const Wav a = WriteWav(dir, "soft.wav", 1, 300, 1);
    const Wav s = WriteWav(dir, "wide.wav", 2, 220, 4);
    const Wav l = WriteWav(dir, "long.wav", 1, 1000, 5);
    std::vector<InstrumentCase> aCases;
    {
        InstrumentCase k{"a looped zone and a frame range", {"Loop", {}}, {}};
        k.instrument.aZones = {Zone(l.strPath, 0, 63, 1, 127, 60),
                               Zone(l.strPath, 64, 127, 1, 127, 70)};
        k.instrument.aZones[0].loop = {true, 100, 399};
        k.instrument.aZones[1].audio.nStartFrame = 200;
        k.instrument.aZones[1].audio.nEndFrame = 700;
        k.aFacts = {Facts(l, 1, 0, 400, 100), Facts(l, 1, 200, 500)};
        aCases.push_back(k);
    }
    {
        InstrumentCase k{"mono and stereo zones make a stereo layer", {"Mixed", {}}, {}};
        k.instrument.aZones = {Zone(a.strPath, 0, 59, 1, 127, 48),
                               Zone(s.strPath, 60, 127, 1, 127, 72)};
        k.aFacts = {Facts(a, 1, 0, 300, -1, 0, true), Facts(s, 2, 20, 200, -1, 0, true)};
        k.instrument.aZones[1].audio.nStartFrame = 20;
        k.bStereo = true;
        aCases.push_back(k);
    }
    {
        // 8-bit words are (b XOR 0x80) << 8.
        test::WavSpec spec;
        spec.nChannels = 2;
        spec.nBits = 8;
        spec.abData = test::RampData(2 * 200, 9);
        Wav bytes{dir / "bytes.wav", {}};
        for (const std::uint8_t b : spec.abData)
            bytes.anWords.push_back(static_cast<std::int16_t>((b ^ 0x80) << 8));
        test::WriteFileBytes(bytes.strPath, test::MakeWav(spec));
        InstrumentCase k{"8-bit stereo, a frame range", {"Bytes", {}}, {}};
        k.instrument.aZones = {Zone(bytes.strPath, 0, 127, 1, 127, 60)};
        k.instrument.aZones[0].audio.nStartFrame = 50;
        k.instrument.aZones[0].audio.nEndFrame = 150;
        k.aFacts = {Facts(bytes, 2, 50, 100, -1, 0, true)};
        k.bStereo = true;
        aCases.push_back(k);
    }
    {
        InstrumentCase k{"data in memory", {"Memory", {}}, {}};
        CZone zone = Zone("", 0, 127, 1, 127, 60);
        auto pData = std::make_shared<std::vector<std::int16_t>>();
        for (int i = 0; i < 180; ++i)
            pData->push_back(static_cast<std::int16_t>(i * 331 - 20000));
        zone.audio.pData = pData;
        zone.audio.nChannels = 2;
        zone.audio.nRate = 32000;
        zone.audio.nStartFrame = 10;
        zone.strName = "mem";
        k.instrument.aZones = {zone};
        Wav mem{"", *pData};
        k.aFacts = {Facts(mem, 2, 10, 80, -1, 0, true)};
        k.bStereo = true;
        aCases.push_back(k);
    }
    return aCases;
}

} // namespace

TEST(MakeInstruments, EveryKeyAndLevelPlaysItsZone)
{
    test::TempDir dir;
    TemplateBytes abTemplate = LoadTemplate();
    std::vector<InstrumentCase> aCases = LayerCases(dir);
    for (const InstrumentCase& c : AudioCases(dir))
        aCases.push_back(c);
    for (const InstrumentCase& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const std::string strOut = dir / "OUT.KRZ";
        test::CRecordingFeedback feedback;
        SMadeInstruments made;
        const COutcome outcome = RunMakeInstruments({{{c.instrument}, {}, {}}}, {}, abTemplate,
                                                    strOut, {}, feedback, made);
        ASSERT_TRUE(outcome.IsOk()) << outcome.Text();
        EXPECT_EQ(outcome.Notes().size(), c.nNotes) << outcome.Text();
        ASSERT_EQ(made.aFiles, std::vector<std::string>{strOut});

        const ReadBack back(strOut);
        EXPECT_TRUE(back.info.IsValid()) << FormatKrzFileInfo(back.info);
        ASSERT_NE(back.pKeymap, nullptr);
        ASSERT_NE(back.pProgram, nullptr);
        ASSERT_EQ(back.pProgram->aLayers.size(), 1u);
        EXPECT_EQ(back.pProgram->aLayers[0].bStereo, c.bStereo);
        EXPECT_EQ(back.pProgram->aLayers[0].nKeymap, back.pKeymap->nNumber);
        EXPECT_EQ(back.pKeymap->aTables.size(), c.nTables);
        ASSERT_EQ(back.pKeymap->anLevelTables.size(), 8u);
        const auto aInfo = ParseInfoKeymap(FormatKrzFileInfo(back.info));
        for (int j = 0; j < 8; ++j)
            for (int nNote = 12; nNote <= 127; ++nNote)
            {
                SCOPED_TRACE("note " + std::to_string(nNote) + ", level " + std::to_string(j));
                const KrzKeymapEntry& entry =
                    back.pKeymap->aTables[back.pKeymap->anLevelTables[j]][nNote - 12];
                const int z = ZoneFor(c.instrument, nNote, j);
                const std::string& strInfo = aInfo[j][nNote - 12];
                if (z < 0)
                {
                    EXPECT_EQ(entry.nSubSample, 0);
                    EXPECT_EQ(strInfo, "empty");
                    continue;
                }
                ExpectZoneSample(back, entry, c.instrument.aZones[z], c.aFacts[z], c.bStereo);
                // info names the same sample and tuning.
                const long nCents = std::lround(c.instrument.aZones[z].dTuneCents);
                std::string strWant = "sample " + std::to_string(entry.nSample);
                if (nCents != 0)
                    strWant += ", tuning " + std::string(nCents > 0 ? "+" : "") +
                               std::to_string(nCents) + " cents";
                EXPECT_EQ(strInfo, strWant);
            }
    }
}

TEST(MakeInstruments, RefusalsWriteNothing)
{
    test::TempDir dir;
    TemplateBytes abTemplate = LoadTemplate();
    const Wav a = WriteWav(dir, "a.wav", 1, 100, 1);
    const CInstrument good{"Good", {Zone(a.strPath, 0, 127, 1, 127, 60)}};
    const CInstrument missing{"Gone", {Zone(dir / "gone.wav", 0, 127, 1, 127, 60)}};
    const struct
    {
        const char* szName;
        CInstrumentSet set;
        CMakeOptions options;
        std::string strOutput;
        std::string strText; // the refusal, a part of it
    } aCases[] = {
        {"a reader's refusal",
         {{}, {"a note"}, "x.sfz cannot be read"},
         {},
         "OUT.KRZ",
         "x.sfz cannot be read"},
        {"no zone to play", {{missing}, {}, {}}, {}, "OUT.KRZ", kNoInstrumentMessage},
        {"the output is a zone's file", {{good}, {}, {}}, {}, "a.wav", "same file"},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const std::string strOut = dir / c.strOutput;
        test::CRecordingFeedback feedback;
        SMadeInstruments made;
        const COutcome outcome =
            RunMakeInstruments({c.set}, c.options, abTemplate, strOut, {}, feedback, made);
        EXPECT_FALSE(outcome.IsOk());
        std::string strAll;
        for (const SOutcomeNote& note : outcome.Notes())
            strAll += note.strText + "\n";
        EXPECT_NE(strAll.find(c.strText), std::string::npos) << strAll;
        EXPECT_EQ(test::ListDir(dir.Path()), std::vector<std::string>{"a.wav"});
    }
}
