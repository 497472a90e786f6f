// dorvane-cli extract: the folder it writes, its exit status and messages.
#include "CliRun.h"
#include "DiskImageTestUtil.h"
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

TEST(CliExtract, DiskImagesListedByInfoAndExtractedWhole)
{
    if (!test::HaveFatTools())
        GTEST_SKIP() << "dosfstools or mtools missing";
    test::TempDir dir;
    test::WavSpec spec;
    spec.abData = test::RampData(2000);
    test::WriteFileBytes(dir / "piano.wav", test::MakeWav(spec));
    ASSERT_EQ(test::RunCli(dir.Path(), "make -o OUT.KRZ piano.wav").nStatus, 0);
    const std::string strM = " -i " + test::Quoted(dir / "d.img") + " ";
    for (const std::string& strCommand :
         {test::FindTool("mkfs.fat") + " -C " + test::Quoted(dir / "d.img") + " 1440",
          test::FindTool("mmd") + strM + "::SUB",
          test::FindTool("mcopy") + strM + test::Quoted(dir / "OUT.KRZ") + " ::SUB/OUT.K26",
          test::FindTool("mcopy") + strM + test::Quoted(dir / "piano.wav") + " ::"})
        ASSERT_EQ(test::RunTool(strCommand).nStatus, 0) << strCommand;
    const std::string strSize = std::to_string(test::ReadFileBytes(dir / "OUT.KRZ").size());
    const struct
    {
        const char* szArgs;
        int nStatus;
        std::vector<std::string> aOut; // lines the output holds
    } aCases[] = {
        {"info d.img",
         0,
         {"Disk image d.img, FAT12, 1 KRZ file(s)\n  /SUB/OUT.K26  " + strSize + " bytes\n",
          "\nFile d.img:/SUB/OUT.K26, "}},
        {"extract d.img --only sub/out.k26 -o out", 0, {}},
        {"extract d.img --only OUT.KRZ -o none",
         1,
         {"ERROR: No disk image holds a KRZ file named OUT.KRZ.\n"}},
        {"info piano.wav", 1, {}},
    };
    for (const auto& c : aCases)
    {
        const auto r = test::RunCli(dir.Path(), c.szArgs);
        EXPECT_EQ(r.nStatus, c.nStatus) << c.szArgs << "\n" << r.strOut;
        for (const std::string& strLine : c.aOut)
            EXPECT_NE(r.strOut.find(strLine), std::string::npos) << c.szArgs << "\n" << r.strOut;
    }
    EXPECT_EQ(test::ListDir(dir.Path() / "out" / "OUT"),
              (std::vector<std::string>{"piano.sfz", "piano.wav", "report.txt"}));
    EXPECT_FALSE(test::FileExists(dir / "none"));
}
