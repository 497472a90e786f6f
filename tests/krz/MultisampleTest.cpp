// Multisample keymaps: which key plays which sample, how pool entries form
// groups, the refusals, and the 440-byte keymap object byte by byte.
#include "Multisample.h"
#include "KrzFormat.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace
{

struct RangeCase
{
    const char* szName;
    std::vector<int> anRootKeys;
    std::vector<CKeyRange> aExpected; // low key, high key, index of the sample
};

void PrintTo(const RangeCase& c, std::ostream* pOs)
{
    *pOs << c.szName;
}

class KeyMapTest : public ::testing::TestWithParam<RangeCase>
{
};

TEST_P(KeyMapTest, EveryKeyPlaysTheNearestRoot)
{
    const RangeCase& c = GetParam();
    const KeySampleMap anMap = MapKeysToSamples(c.anRootKeys);
    const std::vector<CKeyRange> aRanges = KeyRanges({anMap.begin(), anMap.end()});
    ASSERT_EQ(aRanges.size(), c.aExpected.size());
    for (std::size_t i = 0; i < aRanges.size(); ++i)
    {
        EXPECT_EQ(aRanges[i].nLowKey, c.aExpected[i].nLowKey) << "range " << i;
        EXPECT_EQ(aRanges[i].nHighKey, c.aExpected[i].nHighKey) << "range " << i;
        EXPECT_EQ(aRanges[i].nValue, c.aExpected[i].nValue) << "range " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, KeyMapTest,
    ::testing::Values(RangeCase{"One", {60}, {{0, 127, 0}}},
                      // 54 lies 6 from both roots: the lower one plays it.
                      RangeCase{"TwoTieToLower", {48, 60}, {{0, 54, 0}, {55, 127, 1}}},
                      RangeCase{"TwoUnsorted", {60, 48}, {{0, 54, 1}, {55, 127, 0}}},
                      RangeCase{"Adjacent", {60, 61}, {{0, 60, 0}, {61, 127, 1}}},
                      // 26: 2 from 24 and from 28; 30: 2 from 28 and 1 from 31.
                      RangeCase{"Many", {31, 24, 28}, {{0, 26, 1}, {27, 29, 2}, {30, 127, 0}}},
                      RangeCase{"LowestAndHighestKeys", {0, 127}, {{0, 63, 0}, {64, 127, 1}}},
                      RangeCase{"RootsOutsideTheKeys", {-12, 140}, {{0, 64, 0}, {65, 127, 1}}},
                      RangeCase{"AllAboveTheKeys", {130, 200}, {{0, 127, 0}}},
                      RangeCase{"EqualRootsFirstPlays", {48, 48}, {{0, 127, 0}}}),
    [](const ::testing::TestParamInfo<RangeCase>& info) { return std::string(info.param.szName); });

// A pool built entry by entry: (sample name, keymap name, root key,
// channels; 0 channels = unusable file).
struct Entry
{
    const char* szSample;
    const char* szKeymap;
    int nRootKey;
    int nChannels = 1;
    bool bKeymap = true;
    bool bProgram = true;
    const char* szProgram = "";
};

struct Pool
{
    CDorvane_V2Doc doc;
    WavInfoArray aWavInfo{};

    explicit Pool(const std::vector<Entry>& aEntries)
    {
        for (const Entry& e : aEntries)
        {
            const int n = doc.m_nCount++;
            CWPoolObj& obj = doc.m_aPool[n];
            obj.m_strSampleName = e.szSample;
            obj.m_strKeymapName = e.szKeymap;
            obj.m_strProgramName = e.szProgram;
            obj.m_nRootKey = e.nRootKey;
            obj.m_bKeymapEnable = e.bKeymap;
            obj.m_bProgramEnable = e.bProgram;
            aWavInfo[n].bValid = e.nChannels != 0;
            aWavInfo[n].nChannels = e.nChannels;
        }
    }
};

TEST(GroupPoolEntries, EqualKeymapNamesInPoolOrder)
{
    Pool pool({{"Pno C2", "Piano", 24},
               {"Str C3", "Strings", 36, 2},
               {"Pno C4", "Piano", 48},
               {"Solo", "", 50},                  // empty keymap name: its sample name
               {"Pno C6", "Piano", 72, 1, false}, // keymap disabled: in no group
               {"Pno C7", "Piano", 84, 0},        // unusable file: in no group
               {"Str C5", "Strings", 60, 2}});
    const std::vector<CKeymapGroup> aGroups = GroupPoolEntries(pool.doc, pool.aWavInfo);
    ASSERT_EQ(aGroups.size(), 3u);
    EXPECT_EQ(aGroups[0].aEntries, (std::vector<int>{0, 2}));
    EXPECT_EQ(aGroups[0].strKeymapName, "Piano");
    EXPECT_FALSE(aGroups[0].bStereo);
    EXPECT_EQ(aGroups[1].aEntries, (std::vector<int>{1, 6}));
    EXPECT_TRUE(aGroups[1].bStereo);
    EXPECT_EQ(aGroups[2].aEntries, (std::vector<int>{3}));
    EXPECT_EQ(aGroups[2].strKeymapName, "Solo");
    // The group's key map indexes aEntries: 24 and 48 split at 36.
    EXPECT_EQ(aGroups[0].anKeySample[36], 0);
    EXPECT_EQ(aGroups[0].anKeySample[37], 1);
}

// Keymap names are compared as the file holds them: two keymaps written
// under one name would be one name to the sampler.
TEST(GroupPoolEntries, NamesEqualAsWrittenAreOneGroup)
{
    struct
    {
        const char* szFirst;
        const char* szSecond;
        std::size_t nGroups;
    } const aCases[] = {
        {"Piano", "Piano ", 1},                           // spaces at the end are padding
        {"Piano", "Piano      ", 1},                      //
        {"Piano", "piano", 2},                            // case is written
        {"Piano", " Piano", 2},                           // a space in front is written
        {"Pian\xC3\xB6", "Piano", 1},                     // accents folded
        {"Скрипка", "Skripka", 1},                        // transliterated
        {"Grand Piano Sustained", "Grand Piano Sust", 1}, // cut at 16
        {"Grand Piano Sustained", "Grand Piano Sust.", 1},
        {"Piano 1", "Piano 2", 2},
    };
    for (const auto& c : aCases)
    {
        Pool pool({{"a", c.szFirst, 24}, {"b", c.szSecond, 36}});
        const std::vector<CKeymapGroup> aGroups = GroupPoolEntries(pool.doc, pool.aWavInfo);
        EXPECT_EQ(aGroups.size(), c.nGroups)
            << '"' << c.szFirst << "\" and \"" << c.szSecond << '"';
        EXPECT_EQ(aGroups[0].strKeymapName, c.szFirst); // the first entry's name
    }
    // An empty keymap name is the sample name, compared the same way.
    Pool pool({{"Piano ", "", 24}, {"x", "Piano", 36}});
    EXPECT_EQ(GroupPoolEntries(pool.doc, pool.aWavInfo).size(), 1u);
}

TEST(PlanMultisampleGroups, FirstEntryGivesProgram)
{
    struct Case
    {
        const char* szName;
        bool bFirstProgram;
        bool bSecondProgram;
        bool bExpected;
    };
    for (const Case& c : {Case{"both on", true, true, true}, Case{"first off", false, true, false},
                          Case{"second off", true, false, true}})
    {
        Pool pool({{"Low", "Piano", 36, 1, true, c.bFirstProgram, "Grand"},
                   {"High", "Piano", 60, 1, true, c.bSecondProgram, "Other"}});
        std::vector<CKeymapGroup> aGroups;
        std::string strError;
        ASSERT_TRUE(PlanMultisampleGroups(pool.doc, pool.aWavInfo, aGroups, strError)) << strError;
        ASSERT_EQ(aGroups.size(), 1u) << c.szName;
        EXPECT_EQ(aGroups[0].bProgram, c.bExpected) << c.szName;
        EXPECT_EQ(aGroups[0].strProgramName, "Grand") << c.szName;
    }
}

TEST(PlanMultisampleGroups, EmptyProgramNameIsTheSampleName)
{
    Pool pool({{"Low", "Piano", 36}, {"High", "Piano", 60, 1, true, true, "Other"}});
    std::vector<CKeymapGroup> aGroups;
    std::string strError;
    ASSERT_TRUE(PlanMultisampleGroups(pool.doc, pool.aWavInfo, aGroups, strError));
    EXPECT_EQ(aGroups[0].strProgramName, "Low");
}

TEST(PlanMultisampleGroups, StereoGroupIsAccepted)
{
    Pool pool({{"L", "Pad", 36, 2}, {"H", "Pad", 60, 2}});
    std::vector<CKeymapGroup> aGroups;
    std::string strError;
    ASSERT_TRUE(PlanMultisampleGroups(pool.doc, pool.aWavInfo, aGroups, strError)) << strError;
    EXPECT_TRUE(aGroups[0].bStereo);
    EXPECT_TRUE(strError.empty());
}

struct RefusalCase
{
    const char* szName;
    std::vector<Entry> aEntries;
    std::vector<std::string> aMustName; // texts the message names
};

void PrintTo(const RefusalCase& c, std::ostream* pOs)
{
    *pOs << c.szName;
}

class RefusalTest : public ::testing::TestWithParam<RefusalCase>
{
};

TEST_P(RefusalTest, MessageNamesTheCulprits)
{
    const RefusalCase& c = GetParam();
    Pool pool(c.aEntries);
    std::vector<CKeymapGroup> aGroups;
    std::string strError;
    EXPECT_FALSE(PlanMultisampleGroups(pool.doc, pool.aWavInfo, aGroups, strError));
    for (const std::string& str : c.aMustName)
        EXPECT_NE(strError.find(str), std::string::npos) << strError << " lacks " << str;
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusalTest,
    ::testing::Values(
        RefusalCase{"SameRootKey",
                    {{"Other", "Bass", 48}, {"Pno A", "Piano", 48}, {"Pno B", "Piano", 48}},
                    {"\"Piano\"", "entry 2 (\"Pno A\")", "entry 3 (\"Pno B\")", "C 4"}},
        RefusalCase{"SameRootKeyStereo",
                    {{"L1", "Pad", 30, 2}, {"L2", "Pad", 40, 2}, {"L3", "Pad", 30, 2}},
                    {"\"Pad\"", "\"L1\"", "\"L3\""}},
        RefusalCase{"MonoAndStereo",
                    {{"Mono", "Mixed", 36, 1}, {"Stereo", "Mixed", 60, 2}},
                    {"keymap \"Mixed\"", "mono and stereo"}},
        RefusalCase{"StereoFirst",
                    {{"Stereo", "Mixed", 36, 2}, {"Mono", "Mixed", 60, 1}},
                    {"keymap \"Mixed\""}}),
    [](const ::testing::TestParamInfo<RefusalCase>& info)
    { return std::string(info.param.szName); });

TEST(PlanMultisampleGroups, SameRootKeyInDifferentGroupsIsFine)
{
    Pool pool({{"A", "Piano", 48},
               {"B", "Organ", 48},
               {"C", "Piano", 60, 1, false},
               {"D", "Piano", 48, 0}});
    std::vector<CKeymapGroup> aGroups;
    std::string strError;
    EXPECT_TRUE(PlanMultisampleGroups(pool.doc, pool.aWavInfo, aGroups, strError)) << strError;
    EXPECT_EQ(aGroups.size(), 2u);
}

TEST(GroupSampleNumbers, KeysNameTheirEntrysObjectNumber)
{
    Pool pool(
        {{"X", "Other", 10}, {"High", "Piano", 60}, {"Y", "Other2", 10}, {"Low", "Piano", 36}});
    const std::vector<CKeymapGroup> aGroups = GroupPoolEntries(pool.doc, pool.aWavInfo);
    ASSERT_EQ(aGroups[1].aEntries, (std::vector<int>{1, 3}));
    const auto an = GroupSampleNumbers(aGroups[1], 200);
    EXPECT_EQ(an[0], 203);
    EXPECT_EQ(an[48], 203);
    EXPECT_EQ(an[49], 201);
    EXPECT_EQ(an[127], 201);
}

// The keymap object against the format's table, byte by byte.
TEST(BuildMultiKeymap, BytesFollowTheFormat)
{
    std::array<std::uint16_t, kKeymapKeys> anSamples{};
    for (int k = 0; k < kKeymapKeys; ++k)
        anSamples[k] = k < 29 ? 200 : (k < 60 ? 0x0123 : 1023);
    const MultiKeymapBytes ab = BuildMultiKeymap(205, "Grand Piano", anSamples);

    const std::uint8_t abHead[56] = {
        0xFF, 0xFF, 0xFE, 0x48, // block length -440
        0x94, 0xCD,             // ID 0x9400 + 205
        0x01, 0xB4,             // object size 436
        0x00, 0x14,             // data distance 20
        'G',  'r',  'a',  'n',  'd',  ' ',  'P',  'i',  'a',
        'n',  'o',  ' ',  ' ',  ' ',  ' ',  ' ',  0x00, 0x00, // terminator and pad
        0x00, 0xC8,                                           // sample number: key 0's, 200
        0x00, 0x03,                                           // entry method 3
        0x00, 0x00,                                           // pitch of entry 0
        0x00, 0x64,                                           // cents per entry
        0x00, 0x7F,                                           // entries per level - 1
        0x00, 0x03,                                           // bytes per entry
        0x00, 0x10, 0x00, 0x0E, 0x00, 0x0C, 0x00, 0x0A, 0x00,
        0x08, 0x00, 0x06, 0x00, 0x04, 0x00, 0x02};
    for (std::size_t i = 0; i < sizeof abHead; ++i)
        EXPECT_EQ(ab[i], abHead[i]) << "offset " << i;
    struct EntryCase
    {
        int nKey;
        std::uint8_t hi, lo;
    };
    for (const EntryCase& e :
         {EntryCase{0, 0x00, 0xC8}, EntryCase{28, 0x00, 0xC8}, EntryCase{29, 0x01, 0x23},
          EntryCase{59, 0x01, 0x23}, EntryCase{60, 0x03, 0xFF}, EntryCase{127, 0x03, 0xFF}})
    {
        const std::size_t nAt = 56 + 3 * static_cast<std::size_t>(e.nKey);
        EXPECT_EQ(ab[nAt], e.hi) << "key " << e.nKey;
        EXPECT_EQ(ab[nAt + 1], e.lo) << "key " << e.nKey;
    }
    for (int k = 0; k < kKeymapKeys; ++k)
        EXPECT_EQ(ab[56 + 3 * k + 2], 1) << "sub-sample of key " << k;
}

TEST(BuildMultiKeymap, NameFieldIsCutAndPlain)
{
    std::array<std::uint16_t, kKeymapKeys> anSamples{};
    anSamples.fill(300);
    const MultiKeymapBytes ab = BuildMultiKeymap(1, "Flügel sehr lang und mehr", anSamples);
    EXPECT_EQ(std::string(ab.begin() + kObjName, ab.begin() + kObjName + kObjNameLength),
              "Flugel sehr lang");
    EXPECT_EQ(ab[26], 0);
    EXPECT_EQ(ab[27], 0);
}

struct TextCase
{
    int nLow, nHigh;
    const char* szText;
};

TEST(KeyRangeText, NamesKeysAsRootKeysAre)
{
    for (const TextCase& c :
         {TextCase{0, 28, "C 0-E 2"}, TextCase{48, 48, "C 4"}, TextCase{61, 127, "C#5-G 10"}})
        EXPECT_EQ(KeyRangeText(c.nLow, c.nHigh), c.szText);
}

} // namespace
