// dorvane-cli extract: the folder it writes, its exit status and messages.
#include "CliRun.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(CliExtract, WritesAFolderPerFileAndFailsOnWhatItCannotRead)
{
    test::TempDir dir;
    test::WavSpec spec;
    spec.abData = test::RampData(2000);
    test::WriteFileBytes(dir / "piano.wav", test::MakeWav(spec));
    ASSERT_EQ(test::RunCli(dir.Path(), "make -o OUT.KRZ piano.wav").nStatus, 0);
    test::WriteFileBytes(dir / "TEXT.KRZ", test::Bytes{'x'});
    const struct
    {
        const char* szArgs;
        int nStatus;
        const char* szOut; // expected output, or nullptr to skip the check
    } aCases[] = {
        {"extract OUT.KRZ", 2, nullptr},
        {"extract -o out", 2, nullptr},
        {"extract OUT.KRZ -o out", 0, ""},
        {"extract TEXT.KRZ -o bad", 1, "ERROR: TEXT.KRZ is not a KRZ file.\n"},
        {"extract OUT.KRZ -o piano.wav", 1, "ERROR: piano.wav is a file, not a folder.\n"},
    };
    for (const auto& c : aCases)
    {
        const auto r = test::RunCli(dir.Path(), c.szArgs);
        EXPECT_EQ(r.nStatus, c.nStatus) << c.szArgs << "\n" << r.strOut;
        if (c.szOut != nullptr)
            EXPECT_EQ(r.strOut, c.szOut) << c.szArgs;
    }
    EXPECT_EQ(test::ListDir(dir.Path() / "out" / "OUT"),
              (std::vector<std::string>{"piano.sfz", "piano.wav", "report.txt"}));
    EXPECT_FALSE(test::FileExists(dir / "bad"));
}
