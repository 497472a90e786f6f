// Name fields of KRZ objects: names in other scripts in Latin letters,
// ASCII and accented Latin as they always were, and the note that tells the
// user which names the file holds otherwise than the entries.
#include "KrzName.h"
#include "LatinTable.h"
#include "LatinText.h"
#include "TextCodec.h"
#include "WrittenNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

TEST(KrzName, OtherScriptsAreWrittenInLatinLetters)
{
    const std::pair<const char*, const char*> aCases[] = {
        {"Скрипка", "Skripka         "},
        {"СКРИПКА 2", "SKRIPKA 2       "},
        {"Bass Скрипка", "Bass Skripka    "}, // runs between Latin text
        {"Ψυχή", "Psyche          "},
        {"ΨΥΧΗ", "PSYCHE          "}, // a run goes whole: capitals stay capitals
        {"Tiếng Việt", "Tieng Viet      "},
        {"中文钢琴", "zhong wen gang q"}, // by syllable, cut at 16
        {"한국어", "hangug-eo       "},
        {"Don’t “Stop”", "Don't \"Stop\"    "},
        {"Cafe\xCC\x81", "Cafe            "}, // a combining accent goes
        {"ǅ", "Dz              "},
        // What the transform leaves alone is '_' as before.
        {"\xF0\x9F\x8E\xB9 keys", "_ keys          "},
        {"5 €", "5 _             "},
        // Up to U+017F the bytes are those they always were.
        {"Glöckchen Übung", "Glockchen Ubung "},
        {"Straße Æ Œ ×", "Stra_e _ _ _    "},
        {"Plain ASCII ~!", "Plain ASCII ~!  "},
    };
    for (const auto& [szName, szField] : aCases)
        EXPECT_EQ(KrzNameField(szName), szField) << szName;
}

// The page's build writes names from a table instead of ICU: for every
// character the table holds, alone and beside others of the table, it must
// give what ICU gives; characters it lacks that ICU changes are reported.
TEST(LatinTable, AgreesWithIcuOnTheCharactersItHolds)
{
    auto Utf8 = [](std::initializer_list<char32_t> acp)
    {
        std::string str;
        for (const char32_t cp : acp)
            AppendUtf8(str, cp);
        return str;
    };
    auto Expect = [](const std::string& strRun, bool bKnown)
    {
        bool bIcuKnown = false;
        bool bTableKnown = false;
        const std::string strIcu = LatinTextOf(strRun, bIcuKnown);
        const std::string strTable = LatinTextFromTable(strRun, bTableKnown);
        EXPECT_EQ(bTableKnown, bKnown) << strRun;
        if (bKnown)
        {
            EXPECT_EQ(strTable, strIcu) << strRun;
        }
    };
    const std::vector<char32_t> acp = LatinTableCharacters();
    ASSERT_GT(acp.size(), 1000u);
    EXPECT_TRUE(std::is_sorted(acp.begin(), acp.end()));
    // Each character alone, twice, and beside characters spread over the
    // table, in both orders.
    for (std::size_t i = 0; i < acp.size(); ++i)
    {
        Expect(Utf8({acp[i]}), true);
        Expect(Utf8({acp[i], acp[i]}), true);
        for (std::size_t k = 1; k < 8; ++k)
        {
            const char32_t other = acp[(i + k * acp.size() / 8 + k) % acp.size()];
            Expect(Utf8({acp[i], other}), true);
            Expect(Utf8({other, acp[i]}), true);
        }
    }
    const std::pair<const char*, bool> aWords[] = {
        {"Скрипка", true},   {"Щука ЁЖ", true}, {"Tiếng Việt", true},   {"ピアノ", true},
        {"Հայերեն", true},   {"ქართული", true}, {"Don’t “Stop”", true}, {"Ｐｉａｎｏ", true},
        {"中文钢琴", false}, {"한국어", false}, {"Ψυχή", false},        {"Cafe\xCC\x81", false},
        {"5 €", true}, // ICU leaves € alone, as the table does
    };
    for (const auto& [szWord, bKnown] : aWords)
        Expect(szWord, bKnown);
}

// One pool of usable entries: sample, keymap and program names, Enable
// switches; the file holds the names KrzNameField gives.
struct NoteEntry
{
    const char* szSample;
    const char* szKeymap = "";
    const char* szProgram = "";
    bool bKeymap = true;
    bool bProgram = true;
    bool bValid = true;
};

TEST(WrittenNamesNote, NamesEachNameWrittenOtherwiseOnce)
{
    struct
    {
        std::vector<NoteEntry> aEntries;
        const char* szNote;
    } const aCases[] = {
        {{{"Piano"}, {"Bass", "Low", "Lows"}}, ""},
        {{{"Piano "}, {"Piano      "}}, ""}, // end spaces are the field's padding
        {{{"Скрипка"}}, "Names written otherwise: \"Скрипка\" as \"Skripka\"."},
        {{{"Скрипка"}, {"Café", "Скрипка"}},
         "Names written otherwise: \"Скрипка\" as \"Skripka\", \"Café\" as \"Cafe\"."},
        {{{"Grand Piano Sustained"}},
         "Names written otherwise: \"Grand Piano Sustained\" as \"Grand Piano Sust\"."},
        {{{"a", "Ключ", "Программа"}},
         "Names written otherwise: \"Ключ\" as \"Kluc\", \"Программа\" as \"Programma\"."},
        // Objects not written: a disabled keymap or program, an unusable entry.
        {{{"a", "Ключ", "Программа", false, false}, {"Ёж", "", "", true, true, false}}, ""},
        {{{" lead\t"}}, "Names written otherwise: \" lead\t\" as \" lead_\"."},
    };
    for (const auto& c : aCases)
    {
        CDorvane_V2Doc doc;
        WavInfoArray aWavInfo{};
        for (const NoteEntry& e : c.aEntries)
        {
            const int n = doc.m_nCount++;
            CWPoolObj& obj = doc.m_aPool[n];
            obj.m_strSampleName = e.szSample;
            obj.m_strKeymapName = e.szKeymap;
            obj.m_strProgramName = e.szProgram;
            obj.m_bKeymapEnable = e.bKeymap;
            obj.m_bProgramEnable = e.bProgram;
            aWavInfo[n].bValid = e.bValid;
        }
        EXPECT_EQ(WrittenNamesNote(doc, aWavInfo), c.szNote) << c.aEntries[0].szSample;
    }
}

} // namespace
