// Decimal numbers of instrument files.
#include "DecimalText.h"

#include <gtest/gtest.h>

TEST(DecimalText, ReadsTheWholeTextOrNothing)
{
    const struct
    {
        const char* szText;
        bool bOk;
        double dValue;
    } aCases[] = {{"12", true, 12},  {"-3.5", true, -3.5}, {".25", true, 0.25},
                  {"1.", true, 1},   {"1e3", true, 1000},  {"2.5E-1", true, 0.25},
                  {"-0", true, 0},   {"", false, 0},       {"-", false, 0},
                  {".", false, 0},   {"1,5", false, 0},    {" 1", false, 0},
                  {"1 ", false, 0},  {"1e", false, 0},     {"1e+", false, 0},
                  {"inf", false, 0}, {"nan", false, 0},    {"0x10", false, 0},
                  {"+1", false, 0},  {"1.2.3", false, 0},  {"--1", false, 0}};
    for (const auto& c : aCases)
    {
        double d = -99;
        EXPECT_EQ(ParseDecimal(c.szText, d), c.bOk) << c.szText;
        if (c.bOk)
            EXPECT_DOUBLE_EQ(d, c.dValue) << c.szText;
    }
}
