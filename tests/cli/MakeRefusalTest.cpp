// dorvane-cli make reaches the engine's refusals and notes: each once, in
// the order the engine runs its steps, as lines on stderr.
#include "CDorvane_V2Doc.h"
#include "CliRun.h"
#include "FloppyImage.h"
#include "MakeCommand.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(CliMake, RefusesOnceAndNotesInOrder)
{
    const std::string strMissing = "Error in file: gone.wav\nThe file was not found.\n";
    struct Case
    {
        const char* szName;
        const char* szArgs;
        std::string strOut; // all that is printed, up to the summary line
        int nStatus;
    } aCases[] = {
        {"part asked for does not fit the image",
         "--image 720 --split --split-size 1400 piano.wav",
         PartTooLargeMessage(1400, 720, MaxFloppyPartKB(*FloppyGeometry(720))) + "\n", 1},
        {"empty pool file", "empty.dvn", std::string(kEmptyPoolMessage) + "\n", 1},
        {"unusable entry", "gone.wav piano.wav", strMissing, 1},
        {"nothing usable", "--skip-unusable gone.wav", strMissing + kNothingUsableMessage + "\n",
         1},
        {"header messages before the split's", "--skip-unusable --split gone.wav piano.wav",
         strMissing + "The source-file is smaller than the maximum filesize\nWrote OUT.KRZ: ", 0},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        test::WavSpec spec;
        spec.abData = test::RampData(3000);
        test::WriteFileBytes(dir / "piano.wav", test::MakeWav(spec));
        CDorvane_V2Doc doc;
        doc.OnNewDocument();
        ASSERT_TRUE(doc.OnSaveDocument(dir / "empty.dvn").IsOk());

        const auto r = test::RunCli(dir.Path(), std::string("make -o OUT.KRZ ") + c.szArgs);
        EXPECT_EQ(r.nStatus, c.nStatus);
        EXPECT_EQ(r.strOut.substr(0, c.strOut.size()), c.strOut);
        EXPECT_EQ(test::FileExists(dir / "OUT.KRZ"), c.nStatus == 0);
    }
}
