// Pool entries and the document in memory: Add's defaults and sample names,
// Delete with the gap closed, entry assignment, New, and root-key texts.
#include "CDorvane_V2Doc.h"
#include "PoolEdit.h"
#include "RootKey.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

TEST(PoolEdit, SampleNameFromTitle)
{
    const std::pair<const char*, const char*> aCases[] = {
        {"Piano Loop.wav", "Piano Loop"},
        {" DRUM.WAV", "DRUM"}, // the blank goes before the extension does
        {"\tKick.wav  ", "Kick"},
        {"A.WA", "A"},
        {"A.W", "A"},
        {"    ", ""},
        {"", ""},
        {"AB.WAV", "AB"},
        // The extension, whatever its length; none: the whole title.
        {"lead.aiff", "lead"},
        {"bass.flac", "bass"},
        {"pad.aifc", "pad"},
        {"Piano .wav", "Piano "},
        {"take.2.wav", "take.2"},
        {".wav", ""},
        {"lead.", "lead"},
        {"noextension", "noextension"},
        {"Mr. Smith", "Mr. Smith"}, // a dot before a blank starts no extension
        {"Скрипка.flac", "Скрипка"},
        {"Grand Piano Sustained C4.wav", "Grand Piano Sustained C4"},
        {"  inner  gap .wav ", "inner  gap "},
    };
    for (const auto& [szTitle, szName] : aCases)
        EXPECT_EQ(SampleNameFromTitle(szTitle), szName) << '"' << szTitle << '"';
    EXPECT_EQ(SampleNameFromTitle("Grand Piano Sustained C4.wav").size(), 24u);
}

// Add's sample name fits the 16-character field, never cut inside a
// character; a character beyond U+FFFF counts two, as the field counts it.
TEST(PoolEdit, AddCutsTheNameToTheField)
{
    const std::pair<const char*, const char*> aCases[] = {
        {"Grand Piano Sustained C4.wav", "Grand Piano Sust"},
        {"exactly sixteen!.wav", "exactly sixteen!"},
        {"\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC"
         "\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC.wav",
         "\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC"
         "\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC"},
        {"fifteen chars!!\xF0\x9F\x8E\xB9.wav", "fifteen chars!!"},
        {"fourteen chars\xF0\x9F\x8E\xB9.wav", "fourteen chars\xF0\x9F\x8E\xB9"},
        {"short.wav", "short"},
    };
    for (const auto& [szTitle, szName] : aCases)
    {
        CDorvane_V2Doc doc;
        const int n = AddPoolEntry(doc, szTitle, szTitle);
        EXPECT_EQ(doc.m_aPool[n].m_strSampleName, szName) << szTitle;
    }
}

TEST(PoolEdit, FileTitleIsTheLastComponent)
{
    EXPECT_EQ(FileTitleOf("/home/u/Samples/Piano Loop.wav"), "Piano Loop.wav");
    EXPECT_EQ(FileTitleOf("kick.wav"), "kick.wav");
    EXPECT_EQ(FileTitleOf("../x/ A.WAV"), " A.WAV");
}

TEST(PoolEdit, AddSetsTheDefaults)
{
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    CWPoolObj& slot = pDoc->m_aPool[0];
    // What a slot held before must not survive into the new entry.
    slot.m_strKeymapName = "old map";
    slot.m_strProgramName = "old prog";
    slot.m_bLoop = 1;
    slot.m_nRootKey = 7;
    slot.m_nVersion = 202;

    EXPECT_EQ(AddPoolEntry(*pDoc, "/s/Piano Loop.wav", "Piano Loop.wav"), 0);
    EXPECT_EQ(pDoc->m_nCount, 1);
    EXPECT_TRUE(pDoc->IsModified());
    EXPECT_EQ(slot.m_strFileName, "/s/Piano Loop.wav");
    EXPECT_EQ(slot.m_strSampleName, "Piano Loop");
    EXPECT_EQ(slot.m_strKeymapName, "");
    EXPECT_EQ(slot.m_strProgramName, "");
    EXPECT_EQ(slot.m_bLoop, 0);
    EXPECT_EQ(slot.m_nRootKey, 48);
    EXPECT_EQ(RootKeyText(slot.m_nRootKey), "C 4");
    EXPECT_EQ(slot.m_bKeymapEnable, 1);
    EXPECT_EQ(slot.m_bProgramEnable, 1);
    EXPECT_EQ(slot.m_nVersion, 202); // a working value Add leaves alone

    // The same file again: an independent second entry.
    EXPECT_EQ(AddPoolEntry(*pDoc, "/s/Piano Loop.wav", "Piano Loop.wav"), 1);
    pDoc->m_aPool[1].m_strSampleName = "changed";
    EXPECT_EQ(pDoc->m_aPool[0].m_strSampleName, "Piano Loop");
}

TEST(PoolEdit, HundredEntriesThenRefusal)
{
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    for (int i = 0; i < MAX_POOL; ++i)
        ASSERT_EQ(AddPoolEntry(*pDoc, "f" + std::to_string(i) + ".wav", "x.wav"), i);
    EXPECT_EQ(pDoc->m_nCount, 100);
    pDoc->SetModifiedFlag(false);
    EXPECT_EQ(AddPoolEntry(*pDoc, "extra.wav", "extra.wav"), -1);
    EXPECT_EQ(pDoc->m_nCount, 100);
    EXPECT_FALSE(pDoc->IsModified());
    EXPECT_EQ(pDoc->m_aPool[99].m_strFileName, "f99.wav");

    // A count that is out of range in memory is never used as an index.
    pDoc->m_nCount = -3;
    EXPECT_EQ(AddPoolEntry(*pDoc, "x.wav", "x.wav"), -1);
}

// A pool of nCount entries whose fields and WAVINFO records tell their slot.
std::unique_ptr<CDorvane_V2Doc> MakePool(int nCount, WavInfoArray& aInfo)
{
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    for (int i = 0; i < nCount; ++i)
    {
        const std::string s = std::to_string(i);
        AddPoolEntry(*pDoc, "/w/" + s + ".wav", s + ".wav");
        CWPoolObj& e = pDoc->m_aPool[i];
        e.m_strSampleName = "smp" + s;
        e.m_strKeymapName = "map" + s;
        e.m_strProgramName = "prog" + s;
        e.m_bLoop = i % 2;
        e.m_nRootKey = 40 + i;
        e.m_bKeymapEnable = i % 2;
        e.m_bProgramEnable = 1 - i % 2;
        aInfo[i] = WAVINFO{};
        aInfo[i].bValid = true;
        aInfo[i].nDataSize = 1000 + i;
        aInfo[i].nDataOffset = 44 + i;
    }
    pDoc->SetModifiedFlag(false);
    return pDoc;
}

void ExpectEntryOf(const CDorvane_V2Doc& doc, const WavInfoArray& aInfo, int nSlot, int nWas)
{
    SCOPED_TRACE(testing::Message() << "slot " << nSlot << " from " << nWas);
    const std::string s = std::to_string(nWas);
    const CWPoolObj& e = doc.m_aPool[nSlot];
    EXPECT_EQ(e.m_strFileName, "/w/" + s + ".wav");
    EXPECT_EQ(e.m_strSampleName, "smp" + s);
    EXPECT_EQ(e.m_strKeymapName, "map" + s);
    EXPECT_EQ(e.m_strProgramName, "prog" + s);
    EXPECT_EQ(e.m_bLoop, nWas % 2);
    EXPECT_EQ(e.m_nRootKey, 40 + nWas);
    EXPECT_EQ(e.m_bKeymapEnable, nWas % 2);
    EXPECT_EQ(e.m_bProgramEnable, 1 - nWas % 2);
    EXPECT_EQ(aInfo[nSlot].nDataSize, 1000 + nWas);
    EXPECT_EQ(aInfo[nSlot].nDataOffset, 44 + nWas);
}

void ExpectVacated(const CDorvane_V2Doc& doc, int nSlot)
{
    const CWPoolObj& e = doc.m_aPool[nSlot];
    EXPECT_EQ(e.m_strFileName, "");
    EXPECT_EQ(e.m_strSampleName, "");
    EXPECT_EQ(e.m_strKeymapName, "");
    EXPECT_EQ(e.m_strProgramName, "");
    EXPECT_EQ(e.m_nRootKey, 48);
    EXPECT_EQ(e.m_bLoop, 0);
    EXPECT_EQ(e.m_bKeymapEnable, 0);
    EXPECT_EQ(e.m_bProgramEnable, 0);
}

TEST(PoolEdit, DeleteInTheMiddleMovesEntriesAndWavInfo)
{
    WavInfoArray aInfo{};
    auto pDoc = MakePool(5, aInfo);
    ASSERT_TRUE(DeletePoolEntry(*pDoc, aInfo, 1));
    EXPECT_EQ(pDoc->m_nCount, 4);
    EXPECT_TRUE(pDoc->IsModified());
    ExpectEntryOf(*pDoc, aInfo, 0, 0);
    for (int i = 1; i < 4; ++i)
        ExpectEntryOf(*pDoc, aInfo, i, i + 1);
    ExpectVacated(*pDoc, 4);
    // The vacated slot's WAVINFO record is left as it was.
    EXPECT_EQ(aInfo[4].nDataSize, 1004);
}

TEST(PoolEdit, DeleteTheLastAndTheOnlyEntry)
{
    WavInfoArray aInfo{};
    auto pDoc = MakePool(3, aInfo);
    ASSERT_TRUE(DeletePoolEntry(*pDoc, aInfo, 2));
    EXPECT_EQ(pDoc->m_nCount, 2);
    ExpectEntryOf(*pDoc, aInfo, 0, 0);
    ExpectEntryOf(*pDoc, aInfo, 1, 1);
    ExpectVacated(*pDoc, 2);

    WavInfoArray aOne{};
    auto pOne = MakePool(1, aOne);
    ASSERT_TRUE(DeletePoolEntry(*pOne, aOne, 0));
    EXPECT_EQ(pOne->m_nCount, 0);
    ExpectVacated(*pOne, 0);

    // A full pool loses its first entry; the last slot is vacated.
    WavInfoArray aFull{};
    auto pFull = MakePool(MAX_POOL, aFull);
    ASSERT_TRUE(DeletePoolEntry(*pFull, aFull, 0));
    EXPECT_EQ(pFull->m_nCount, 99);
    ExpectEntryOf(*pFull, aFull, 98, 99);
    ExpectVacated(*pFull, 99);
}

TEST(PoolEdit, DeleteOutOfRangeChangesNothing)
{
    WavInfoArray aInfo{};
    auto pDoc = MakePool(3, aInfo);
    for (int nIndex : {-1, 3, 99, 100, 1000})
        EXPECT_FALSE(DeletePoolEntry(*pDoc, aInfo, nIndex)) << nIndex;
    EXPECT_EQ(pDoc->m_nCount, 3);
    EXPECT_FALSE(pDoc->IsModified());
    for (int i = 0; i < 3; ++i)
        ExpectEntryOf(*pDoc, aInfo, i, i);

    auto pEmpty = std::make_unique<CDorvane_V2Doc>();
    EXPECT_FALSE(DeletePoolEntry(*pEmpty, aInfo, 0));
    EXPECT_EQ(pEmpty->m_nCount, 0);
}

TEST(PoolEntry, AssignmentKeepsTheTargetsVersion)
{
    CWPoolObj source;
    source.m_strFileName = "a";
    source.m_strSampleName = "b";
    source.m_strKeymapName = "c";
    source.m_strProgramName = "d";
    source.m_bLoop = 1;
    source.m_nRootKey = 61;
    source.m_bKeymapEnable = 0;
    source.m_bProgramEnable = 1;
    source.m_nVersion = 203;
    CWPoolObj target;
    target.m_nVersion = 202;
    target = source;
    EXPECT_EQ(target.m_nVersion, 202);
    EXPECT_EQ(target.m_strFileName, "a");
    EXPECT_EQ(target.m_strSampleName, "b");
    EXPECT_EQ(target.m_strKeymapName, "c");
    EXPECT_EQ(target.m_strProgramName, "d");
    EXPECT_EQ(target.m_bLoop, 1);
    EXPECT_EQ(target.m_nRootKey, 61);
    EXPECT_EQ(target.m_bKeymapEnable, 0);
    EXPECT_EQ(target.m_bProgramEnable, 1);
}

TEST(PoolDoc, StartAndNew)
{
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    EXPECT_EQ(pDoc->m_nCount, 0);
    for (const auto& e : pDoc->m_aPool)
    {
        EXPECT_EQ(e.m_strFileName, "");
        EXPECT_EQ(e.m_bLoop, 0); // never-used slots hold zeros
        EXPECT_EQ(e.m_nRootKey, 0);
    }
    EXPECT_EQ(pDoc->GetTitle(), "Untitled");

    WavInfoArray aInfo{};
    pDoc = MakePool(3, aInfo);
    pDoc->m_bRefresh = false;
    EXPECT_TRUE(pDoc->OnNewDocument());
    EXPECT_EQ(pDoc->m_nCount, 0);
    EXPECT_TRUE(pDoc->m_bRefresh);
    for (int i = 0; i < 3; ++i) // the slots keep the old pool, unseen
        ExpectEntryOf(*pDoc, aInfo, i, i);
}

TEST(RootKey, Texts)
{
    const std::pair<int, const char*> aCases[] = {
        {0, "C 0"},  {1, "C#0"},  {11, "B 0"},  {12, "C 1"},  {48, "C 4"},
        {61, "C#5"}, {70, "A#5"}, {119, "B 9"}, {-1, "B -1"}, {-12, "C -1"},
    };
    for (const auto& [nKey, szText] : aCases)
    {
        EXPECT_EQ(RootKeyText(nKey), szText) << nKey;
        EXPECT_EQ(RootKeyNote(nKey) + 12 * RootKeyOctave(nKey), nKey);
    }
    EXPECT_EQ(RootKeyText(0, 4), "C 4");
    EXPECT_EQ(RootKeyText(11, 9), "B 9");
    const std::string aNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ",
                                    "F#", "G ", "G#", "A ", "A#", "B "};
    // Any key, however negative or large, names one of the twelve notes.
    for (int nKey : {-2147483647 - 1, -100, -13, -5, 0, 5, 127, 2147483647})
    {
        const int nNote = RootKeyNote(nKey);
        ASSERT_GE(nNote, 0);
        ASSERT_LT(nNote, 12);
        EXPECT_EQ(NoteName(nNote), aNames[nNote]);
        EXPECT_EQ(NoteName(nKey), aNames[nNote]);
    }
}

} // namespace
