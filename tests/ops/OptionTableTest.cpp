// The option table: the ranges every face takes, the keys the window keeps
// settings under, and the check Make File's settings pass through.
#include "OptionTable.h"
#include "MakeFile.h"
#include "MakeOptionsCheck.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

TEST(OptionTable, RangesHoldAtTheirEnds)
{
    struct Case
    {
        const char* szKey;
        int nValue;
        bool bValid;
    };
    const Case aCases[] = {
        {"firstObjectID", 199, false}, {"firstObjectID", 200, true}, {"firstObjectID", 900, true},
        {"firstObjectID", 901, false}, {"splitKB", 0, false},        {"splitKB", 1, true},
        {"splitKB", 650000, true},     {"splitKB", 650001, false},   {"floppyKB", 0, true},
        {"floppyKB", 720, true},       {"floppyKB", 1440, true},     {"floppyKB", 1400, false},
        {"floppyKB", -720, false},     {"maxRate", 0, true},         {"maxRate", -1, false},
        {"maxRate", 999, false},       {"maxRate", 1000, true},      {"maxRate", 192000, true},
        {"maxRate", 192001, false},    {"maxRate", 384000, false},   {"convert", 0, true},
        {"convert", 1, true},          {"convert", 2, false},        {"relativePaths", -1, false},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(std::string(c.szKey) + " " + std::to_string(c.nValue));
        const SOption& option = Option(c.szKey);
        EXPECT_EQ(IsOptionValueValid(option, c.nValue), c.bValid);
        // A refusal always says why; a value taken has no message.
        EXPECT_EQ(CheckOptionValue(option, c.nValue).empty(), c.bValid);
    }
}

// Each option is sound on its own: a key and a flag met once per command,
// a default it takes itself, a message for a value it refuses, a label for
// every face that shows one.
TEST(OptionTable, EveryOptionIsWholeAndUnique)
{
    std::set<std::string> aKeys, aFlags;
    for (const SOption& o : OptionTable())
    {
        SCOPED_TRACE(o.szKey);
        EXPECT_TRUE(aKeys.insert(o.szKey).second);
        EXPECT_TRUE(aFlags.insert(std::string(o.szCommand) + " " + o.szFlag).second);
        EXPECT_EQ(std::string(o.szFlag).rfind("--", 0), 0u);
        EXPECT_TRUE(IsOptionValueValid(o, o.nDefault));
        EXPECT_NE(std::string(o.szLabel), "");
        EXPECT_NE(std::string(o.szHelp), "");
        EXPECT_NE(o.nFaces, 0u);
        if (o.kind != EOptionKind::Flag)
        {
            EXPECT_NE(std::string(o.szRangeMessage), "");
        }
        if (o.szSwitchKey[0] != '\0')
        {
            EXPECT_TRUE(IsOptionValueValid(o, o.nProposed)) << "the value a switched field shows";
        }
        EXPECT_EQ(&Option(o.szKey), FindOption(o.szKey));
    }
    EXPECT_EQ(FindOption("noSuchOption"), nullptr);
    EXPECT_THROW(Option("noSuchOption"), std::out_of_range);
}

// Settings saved by earlier versions are read under the same keys.
TEST(OptionTable, SettingsKeysOfEarlierVersionsStay)
{
    const std::pair<const char*, const char*> aKept[] = {
        {"convert", "Options/ConvertAudio"},
        {"maxRate", "Options/SampleRateLimit"},
        {"fileMetadata", "Options/FileMetadata"},
        {"multisample", "Options/Multisample"},
        {"relativePaths", "Options/RelativePaths"}};
    std::set<std::string> aExpected;
    for (const auto& [szKey, szSettingsKey] : aKept)
    {
        EXPECT_STREQ(Option(szKey).szSettingsKey, szSettingsKey);
        aExpected.insert(szSettingsKey);
    }
    EXPECT_STREQ(Option("maxRate").szSwitchKey, "Options/LimitSampleRate");
    std::set<std::string> aSaved;
    for (const SOption& o : OptionTable())
        if (o.szSettingsKey[0] != '\0')
            aSaved.insert(o.szSettingsKey);
    EXPECT_EQ(aSaved, aExpected);
}

TEST(OptionTable, MakeOptionsOutsideTheirRangeAreRefused)
{
    struct Case
    {
        std::function<void(CMakeOptions&)> change;
        const char* szMessage;
    };
    const Case aCases[] = {
        {[](CMakeOptions&) {}, ""},
        {[](CMakeOptions& o) { o.nFirstObjectID = 901; }, "The first object ID lies in 200..900"},
        {[](CMakeOptions& o) { o.nMaxSplitKB = 0; }, "The part size lies in 1..650000 KB"},
        {[](CMakeOptions& o) { o.nFloppyKB = 1400; },
         "Floppy images are of 720 or 1440 KB (0: none)"},
        {[](CMakeOptions& o) { o.audio.nMaxRate = 384000; },
         "The sample rate limit lies in 1000..192000 Hz (0: no limit)"},
        {[](CMakeOptions& o) { o.audio.nMaxRate = 192000; }, ""},
        // The first value out of range, in the table's order, is named.
        {[](CMakeOptions& o)
         {
             o.audio.nMaxRate = 5;
             o.nMaxSplitKB = 0;
         },
         "The part size lies in 1..650000 KB"},
    };
    for (const Case& c : aCases)
    {
        CMakeOptions options;
        c.change(options);
        EXPECT_EQ(CheckMakeOptions(options), c.szMessage);
    }
}

// The page reads the table from this text: every option once, with the
// numbers the native faces use.
TEST(OptionTable, JsonHoldsEveryOption)
{
    const std::string strJson = OptionTableJson();
    ASSERT_EQ(strJson.front(), '[');
    ASSERT_EQ(strJson.back(), ']');
    for (const SOption& o : OptionTable())
    {
        const std::string strKey = std::string("\"key\":\"") + o.szKey + "\"";
        const auto nAt = strJson.find(strKey);
        ASSERT_NE(nAt, std::string::npos) << o.szKey;
        EXPECT_EQ(strJson.find(strKey, nAt + 1), std::string::npos) << o.szKey;
    }
    const auto nRate = strJson.find("\"key\":\"maxRate\"");
    const std::string strRate = strJson.substr(nRate, strJson.find('}', nRate) - nRate);
    for (const char* szField : {"\"min\":1000,", "\"max\":192000,", "\"zeroIsNone\":true,",
                                "\"faces\":[\"cli\",\"settings\",\"page\"]"})
        EXPECT_NE(strRate.find(szField), std::string::npos) << szField << " in " << strRate;
    EXPECT_NE(strJson.find("{\"value\":1440,\"label\":\"1.44 MB\"}"), std::string::npos);
}
