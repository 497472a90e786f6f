// dorvane-cli's flags are the option table's: --help lists exactly the
// table's flags of each command, and a value outside an option's range is
// a usage error with the table's message.
#include "CliRun.h"
#include "OptionTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

TEST(CliOptionFaces, HelpListsTheTablesFlags)
{
    test::TempDir dir;
    for (const char* szCommand : {"make", "pool"})
    {
        SCOPED_TRACE(szCommand);
        const auto r = test::RunCli(dir.Path(), std::string(szCommand) + " --help");
        ASSERT_EQ(r.nStatus, 0) << r.strOut;
        std::set<std::string> aListed;
        const std::regex flag("--[a-z][a-z-]*");
        for (auto it = std::sregex_iterator(r.strOut.begin(), r.strOut.end(), flag);
             it != std::sregex_iterator(); ++it)
            aListed.insert(it->str());
        aListed.erase("--help");
        aListed.erase("--output");
        // The instrument's name, like the output's, names what is made: no setting.
        aListed.erase("--instrument");
        std::set<std::string> aTable;
        for (const SOption& o : OptionTable())
            if ((o.nFaces & kFaceCli) != 0 && std::string(o.szCommand) == szCommand)
                aTable.insert(o.szFlag);
        EXPECT_EQ(aListed, aTable) << r.strOut;
    }
}

TEST(CliOptionFaces, ValuesOutsideTheRangeAreUsageErrors)
{
    test::TempDir dir;
    struct Case
    {
        const char* szArgs;
        const char* szKey; // the option whose message is expected
    };
    const Case aCases[] = {
        {"make -o X.KRZ --max-rate 384000 a.wav", "maxRate"},
        {"make -o X.KRZ --max-rate 999 a.wav", "maxRate"},
        {"make -o X.KRZ --max-rate fast a.wav", "maxRate"},
        {"make -o X.KRZ --first-id 199 a.wav", "firstObjectID"},
        {"make -o X.KRZ --split-size 650001 a.wav", "splitKB"},
        {"make -o X.KRZ --image 1400 a.wav", "floppyKB"},
        {"split a.krz --size 0", "splitKB"},
    };
    for (const Case& c : aCases)
    {
        const auto r = test::RunCli(dir.Path(), c.szArgs);
        EXPECT_EQ(r.nStatus, 2) << c.szArgs;
        EXPECT_NE(r.strOut.find(Option(c.szKey).szRangeMessage), std::string::npos)
            << c.szArgs << "\n"
            << r.strOut;
    }
    EXPECT_TRUE(test::ListDir(dir.Path()).empty());
}
