// Dispatch of instrument files by extension.
#include "InstrumentFile.h"

#include <gtest/gtest.h>

TEST(InstrumentFile, KnowsItsExtensionsInAnyCase)
{
    const struct
    {
        const char* szPath;
        bool bInstrument;
    } aCases[] = {{"a/b.sfz", true},     {"B.SFZ", true},   {"x.dspreset", true},
                  {"x.DsPreset", true},  {"bank.sf2", true}, {"bank.SF2", true},
                  {"piano.wav", false},  {"sfz", false},     {"a.sfz/b.wav", false}};
    for (const auto& c : aCases)
        EXPECT_EQ(IsInstrumentPath(c.szPath), c.bInstrument) << c.szPath;
}

TEST(InstrumentFile, RefusesOtherFiles)
{
    const CInstrumentSet set = ReadInstrumentFile("piano.wav");
    EXPECT_TRUE(set.aInstruments.empty());
    EXPECT_NE(set.strRefusal.find("piano.wav"), std::string::npos);
}
