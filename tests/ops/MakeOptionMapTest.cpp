// The map between the option table's keys and Make File's options: every
// option Make File takes reaches its own field, and no other.
#include "MakeOptionMap.h"
#include "OptionTable.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// A value the option takes that differs from its default.
int OtherValue(const SOption& option)
{
    if (option.kind == EOptionKind::Flag)
        return option.nDefault == 0 ? 1 : 0;
    if (option.kind == EOptionKind::Choice)
        return option.aChoices.back().nValue;
    return option.nMax != option.nDefault ? option.nMax : option.nMin;
}

} // namespace

TEST(MakeOptionMap, EveryMakeOptionRoundTripsThroughItsOwnField)
{
    for (const SOption& option : OptionTable())
    {
        SCOPED_TRACE(option.szKey);
        CMakeOptions options;
        const bool bField = MakeOptionValue(options, option.szKey).has_value();
        // Every option that changes what Make File writes is one of its fields.
        const bool bMake = std::string(option.szCommand) == "make";
        EXPECT_TRUE(bField || !bMake || !option.bChangesBytes);
        // Another command's option is never Make File's.
        EXPECT_TRUE(bMake || !bField);
        if (!bField)
        {
            EXPECT_FALSE(SetMakeOption(options, option.szKey, OtherValue(option)));
            EXPECT_EQ(MakeOptionValue(options, option.szKey), std::nullopt);
            continue;
        }
        // A default CMakeOptions holds the table's default.
        EXPECT_EQ(MakeOptionValue(options, option.szKey), option.nDefault);
        const int nValue = OtherValue(option);
        ASSERT_TRUE(SetMakeOption(options, option.szKey, nValue));
        EXPECT_EQ(MakeOptionValue(options, option.szKey), nValue);
        // The value went to this option's field alone.
        for (const SOption& other : OptionTable())
        {
            if (&other != &option && MakeOptionValue(options, other.szKey).has_value())
            {
                EXPECT_EQ(MakeOptionValue(options, other.szKey), other.nDefault) << other.szKey;
            }
        }
    }
}

TEST(MakeOptionMap, KeysOutsideMakeFileChangeNothing)
{
    const char* aKeys[] = {"skipUnusable", "relativePaths", "", "FirstObjectID", "nosuchkey"};
    for (const char* szKey : aKeys)
    {
        SCOPED_TRACE(szKey);
        CMakeOptions options;
        EXPECT_FALSE(SetMakeOption(options, szKey, 1));
        EXPECT_EQ(MakeOptionValue(options, szKey), std::nullopt);
        EXPECT_EQ(options.nFirstObjectID, kDefaultFirstObjectID);
        EXPECT_FALSE(options.bSplit || options.bMultisample || options.audio.bConvert);
    }
}
