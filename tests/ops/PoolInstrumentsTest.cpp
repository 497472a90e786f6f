// Instrument zones as pool entries and back: what the window opens, shows,
// lets the user change, makes and saves.
#include "PoolInstruments.h"

#include "PoolEdit.h"

#include <functional>
#include <gtest/gtest.h>

namespace
{

CZone FileZone(const std::string& strPath, const std::string& strName, int nLo, int nHi)
{
    CZone zone;
    zone.audio.strPath = strPath;
    zone.nLoKey = nLo;
    zone.nHiKey = nHi;
    zone.nRootKey = nLo;
    zone.strName = strName;
    return zone;
}

CZone DataZone(const std::string& strName, int nFrames)
{
    CZone zone;
    zone.audio.pData = std::make_shared<std::vector<std::int16_t>>(2 * nFrames, 7);
    zone.audio.nChannels = 2;
    zone.audio.nRate = 22050;
    zone.strName = strName;
    return zone;
}

// Two instruments: a tuned, looped, ranged one with a name longer than the
// form's fields, and one whose zone lies in memory.
CInstrumentSet TwoInstruments()
{
    CInstrumentSet set;
    CInstrument strings{"Orchestral Strings Ensemble", {}};
    CZone low = FileZone("/s/low.wav", "Strings low sustain long", 5, 59);
    low.nRootKey = 5; // below C 0: shown as C 0
    low.nLoVel = 1;
    low.nHiVel = 63;
    low.dTuneCents = -12.5;
    low.dGainDb = 3;
    low.audio.nStartFrame = 100;
    low.audio.nEndFrame = 900;
    low.loop = {true, 10, 700};
    CZone high = FileZone("/s/high.wav", "Strings high", 60, 127);
    high.nLoVel = 64;
    strings.aZones = {low, high};
    CInstrument bell{"Bell", {DataZone("bell", 50)}};
    set.aInstruments = {strings, bell};
    set.aNotes = {"opcode amp_veltrack is not used", "region 3: missing sample gone.wav"};
    return set;
}

CDorvane_V2Doc OpenedPool(const CInstrumentSet& set)
{
    CDorvane_V2Doc doc;
    EXPECT_TRUE(OpenInstrumentPool(set, "/s/Bank.sf2", doc).IsOk());
    return doc;
}

} // namespace

TEST(PoolInstruments, OpenShowsEachZoneAndGivesTheSameInstrumentsBack)
{
    const CInstrumentSet set = TwoInstruments();
    CDorvane_V2Doc doc;
    doc.m_nCount = 1; // an earlier pool, replaced
    const COutcome opened = OpenInstrumentPool(set, "/s/Bank.sf2", doc);
    ASSERT_TRUE(opened.IsOk());
    // The reader's notes as one message.
    ASSERT_EQ(opened.Notes().size(), 1U);
    EXPECT_EQ(opened.Text(), "opcode amp_veltrack is not used\nregion 3: missing sample gone.wav");
    ASSERT_EQ(doc.m_nCount, 3);
    EXPECT_EQ(PoolKind(doc), EPoolKind::Zones);
    const CWPoolObj& low = doc.m_aPool[0];
    EXPECT_EQ(low.m_strFileName, "/s/low.wav");
    EXPECT_EQ(low.m_strSampleName, "Strings low sust");
    EXPECT_EQ(low.m_strKeymapName, "Orchestral Strin");
    EXPECT_EQ(low.m_strProgramName, "Orchestral Strin");
    EXPECT_EQ(low.m_nRootKey, 0);
    EXPECT_EQ(low.m_bLoop, 1);
    EXPECT_EQ(low.m_bKeymapEnable + low.m_bProgramEnable, 2);
    EXPECT_EQ(doc.m_aPool[1].m_nRootKey, 48);
    EXPECT_EQ(doc.m_aPool[2].m_strFileName, "Bank.sf2: bell");
    EXPECT_TRUE(HasZoneData(doc.m_aPool[2]));
    EXPECT_FALSE(HasZoneData(doc.m_aPool[0]));

    EXPECT_EQ(ZoneKeysText(low.m_pZone->zone), "note 5-B 3");
    EXPECT_EQ(ZoneVelocityText(low.m_pZone->zone), "1-63");
    EXPECT_EQ(ZoneDetailsText(low.m_pZone->zone),
              "Keys note 5-B 3, velocity 1-63, tuning -12.5 cents, gain +3.0 dB, frames 100-899, "
              "loop 10-700");

    // Untouched entries give the instruments as read, whole names and the
    // root below C 0 included.
    const CInstrumentSet back = InstrumentsFromPool(doc);
    ASSERT_EQ(back.aInstruments.size(), 2U);
    for (std::size_t i = 0; i < 2; ++i)
    {
        EXPECT_EQ(back.aInstruments[i].strName, set.aInstruments[i].strName);
        EXPECT_EQ(back.aInstruments[i].aZones, set.aInstruments[i].aZones);
    }
    EXPECT_TRUE(back.aNotes.empty());

    WAVINFO info;
    EXPECT_FALSE(ZoneDataInfo(doc.m_aPool[0], info));
    ASSERT_TRUE(ZoneDataInfo(doc.m_aPool[2], info));
    EXPECT_TRUE(info.bValid);
    EXPECT_EQ(info.nChannels, 2);
    EXPECT_EQ(info.nSamplesPerSec, 22050);
    EXPECT_EQ(info.nFrames, 50U);
    EXPECT_EQ(info.strTypeText, "Stereo, 16 bits, 22050 Hz, from Bank.sf2");
}

TEST(PoolInstruments, EditsOfTheShownFieldsReachTheZones)
{
    struct Case
    {
        const char* szName;
        std::function<void(CDorvane_V2Doc&)> fnEdit;
        std::function<void(CInstrumentSet&)> fnExpect; // applied to the set as read
    };
    const Case aCases[] = {
        {"sample name", [](CDorvane_V2Doc& d) { d.m_aPool[1].m_strSampleName = "Violins"; },
         [](CInstrumentSet& s) { s.aInstruments[0].aZones[1].strName = "Violins"; }},
        {"root key", [](CDorvane_V2Doc& d) { d.m_aPool[1].m_nRootKey = 50; },
         [](CInstrumentSet& s) { s.aInstruments[0].aZones[1].nRootKey = 62; }},
        {"loop off", [](CDorvane_V2Doc& d) { d.m_aPool[0].m_bLoop = 0; },
         [](CInstrumentSet& s) { s.aInstruments[0].aZones[0].loop.bOn = false; }},
        {"loop on without loop points stays off",
         [](CDorvane_V2Doc& d) { d.m_aPool[1].m_bLoop = 1; }, [](CInstrumentSet&) {}},
        {"instrument name from its first entry",
         [](CDorvane_V2Doc& d) { d.m_aPool[0].m_strKeymapName = "Strings"; },
         [](CInstrumentSet& s) { s.aInstruments[0].strName = "Strings"; }},
        {"a later entry's keymap name is not the instrument's",
         [](CDorvane_V2Doc& d) { d.m_aPool[1].m_strKeymapName = "Other"; }, [](CInstrumentSet&) {}},
        {"the file where it was found",
         [](CDorvane_V2Doc& d)
         {
             d.m_aPool[0].m_strFoundPath = "/t/low.wav";
             d.m_aPool[2].m_strFoundPath = "/t/bell.wav"; // no file: the data stays
         },
         [](CInstrumentSet& s) { s.aInstruments[0].aZones[0].audio.strPath = "/t/low.wav"; }},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        CInstrumentSet expected = TwoInstruments();
        CDorvane_V2Doc doc = OpenedPool(expected);
        c.fnEdit(doc);
        c.fnExpect(expected);
        const CInstrumentSet back = InstrumentsFromPool(doc);
        ASSERT_EQ(back.aInstruments.size(), 2U);
        for (std::size_t i = 0; i < 2; ++i)
        {
            EXPECT_EQ(back.aInstruments[i].strName, expected.aInstruments[i].strName);
            EXPECT_EQ(back.aInstruments[i].aZones, expected.aInstruments[i].aZones);
        }
    }
}

TEST(PoolInstruments, ZonesMoveWithTheirEntriesAndLeaveWithThem)
{
    CDorvane_V2Doc doc = OpenedPool(TwoInstruments());
    WavInfoArray aInfo{};
    ASSERT_TRUE(DeletePoolEntry(doc, aInfo, 0));
    ASSERT_EQ(doc.m_nCount, 2);
    ASSERT_TRUE(doc.m_aPool[0].m_pZone);
    EXPECT_EQ(doc.m_aPool[0].m_pZone->zone.strName, "Strings high");
    EXPECT_TRUE(HasZoneData(doc.m_aPool[1]));
    // The slot vacated and the slot Add fills hold no zone.
    EXPECT_FALSE(doc.m_aPool[2].m_pZone);
    doc.m_nCount = 1; // the data entry's slot is taken by a new file
    ASSERT_EQ(AddPoolEntry(doc, "/s/a.wav", "a.wav"), 1);
    EXPECT_FALSE(doc.m_aPool[1].m_pZone);
    EXPECT_EQ(PoolKind(doc), EPoolKind::Mixed);
    const CInstrumentSet back = InstrumentsFromPool(doc);
    ASSERT_EQ(back.aInstruments.size(), 1U);
    EXPECT_EQ(back.aInstruments[0].aZones.size(), 1U);
}

TEST(PoolInstruments, OpenRefusesWhatThePoolCannotTakeAndTakesWholeInstruments)
{
    auto zones = [](int n)
    {
        CInstrument instrument{"I", {}};
        for (int i = 0; i < n; ++i)
            instrument.aZones.push_back(FileZone("/s/z.wav", "z", 0, 127));
        return instrument;
    };
    CInstrumentSet refused;
    refused.strRefusal = "Sorry, x.sfz cannot be read.";
    CInstrumentSet empty;
    empty.aInstruments = {zones(0)};
    CInstrumentSet tooLarge;
    tooLarge.aInstruments = {zones(0), zones(MAX_POOL + 1), zones(1)};
    CInstrumentSet partly;
    partly.aInstruments = {zones(60), zones(30), zones(20), zones(1)};
    struct Case
    {
        const char* szName;
        const CInstrumentSet& set;
        bool bOk;
        int nCount;
        std::string strText;
    };
    const Case aCases[] = {
        {"the reader's refusal", refused, false, 1, "Sorry, x.sfz cannot be read."},
        {"no zone", empty, false, 1, "Sorry, /s/x.sfz holds no zone that can be played."},
        {"a first instrument larger than the pool", tooLarge, false, 1,
         "Sorry, the first instrument of /s/x.sfz has 101 zones; the pool holds 100. "
         "dorvane-cli make takes the file as it is."},
        {"the instruments after the first that does not fit are left out", partly, true, 90,
         "2 of the 4 instruments of /s/x.sfz were left out: the pool holds 100 zones. "
         "dorvane-cli make takes the file as it is."},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        CDorvane_V2Doc doc;
        ASSERT_EQ(AddPoolEntry(doc, "/s/kept.wav", "kept.wav"), 0);
        const COutcome outcome = OpenInstrumentPool(c.set, "/s/x.sfz", doc);
        EXPECT_EQ(outcome.IsOk(), c.bOk);
        EXPECT_EQ(outcome.Text(), c.strText);
        EXPECT_EQ(doc.m_nCount, c.nCount);
        if (!c.bOk)
        {
            EXPECT_EQ(doc.m_aPool[0].m_strFileName, "/s/kept.wav");
        }
    }
}

TEST(PoolInstruments, SavingKeepsWhatAPoolFileCanHold)
{
    CInstrumentSet dataOnly;
    dataOnly.aInstruments = {{"Bell", {DataZone("a", 4), DataZone("b", 4)}}};
    CDorvane_V2Doc files;
    AddPoolEntry(files, "/s/a.wav", "a.wav");
    struct Case
    {
        const char* szName;
        CDorvane_V2Doc doc;
        int nZones;
        int nKept;
        const char* szTextEnd; // "" for no question
    };
    const Case aCases[] = {
        {"files only: nothing to ask", files, 0, 1, ""},
        {"zones from files and from memory", OpenedPool(TwoInstruments()), 3, 2,
         "of the 3 entries made from instrument zones; 1 entry whose sound lies in the "
         "instrument file is left out.\n\nSave the pool anyway?"},
        {"zones from memory only: refused", OpenedPool(dataOnly), 2, 0,
         "not in audio files. Make File writes them."},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const SZoneSave save = PlanZoneSave(c.doc);
        EXPECT_EQ(save.nZones, c.nZones);
        EXPECT_EQ(save.nKept, c.nKept);
        const std::string strEnd = c.szTextEnd;
        EXPECT_TRUE(
            save.strText.size() >= strEnd.size() &&
            save.strText.compare(save.strText.size() - strEnd.size(), strEnd.size(), strEnd) == 0)
            << save.strText;
        CDorvane_V2Doc kept = c.doc;
        DropEntriesWithoutFile(kept);
        EXPECT_EQ(kept.m_nCount, c.nKept);
    }
    CDorvane_V2Doc kept = OpenedPool(TwoInstruments());
    DropEntriesWithoutFile(kept);
    EXPECT_EQ(kept.m_aPool[0].m_strFileName, "/s/low.wav");
    EXPECT_EQ(kept.m_aPool[1].m_strFileName, "/s/high.wav");
}
