// dorvane-cli end to end: the program is run as a user would run it.
#include "ByteOrder.h"
#include "CDorvane_V2Doc.h"
#include "CliRun.h"
#include "KrzBuilder.h"
#include "PoolEdit.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sys/wait.h>

using test::Bytes;

namespace
{

using test::RunCli;

test::WavSpec Spec(int nChannels, int nBits, std::size_t nBytes)
{
    test::WavSpec spec;
    spec.nChannels = static_cast<std::uint16_t>(nChannels);
    spec.nBits = static_cast<std::uint16_t>(nBits);
    spec.abData = test::RampData(nBytes, static_cast<std::uint8_t>(nChannels * 3 + nBits));
    return spec;
}

void MakeWavs(const test::TempDir& dir)
{
    test::WriteFileBytes(dir / "piano.wav", test::MakeWav(Spec(1, 16, 30000)));
    test::WriteFileBytes(dir / "strings.wav", test::MakeWav(Spec(2, 8, 20000)));
    test::WriteFileBytes(dir / "pad.wav", test::MakeWav(Spec(2, 16, 40000)));
}

} // namespace

TEST(Cli, MakeFromWavFilesEqualsTheEngine)
{
    test::TempDir dir;
    MakeWavs(dir);
    const auto r =
        RunCli(dir.Path(), "make -o OUT.KRZ --first-id 300 piano.wav strings.wav pad.wav");
    ASSERT_EQ(r.nStatus, 0) << r.strOut;
    // Not a terminal: no status line, only what was written.
    EXPECT_EQ(r.strOut, "Wrote OUT.KRZ: 3 samples, 3 keymaps, 3 programs, 111780 bytes\n");

    CDorvane_V2Doc doc;
    WavInfoArray aWavInfo{};
    test::CRecordingFeedback feedback;
    for (const char* szName : {"piano.wav", "strings.wav", "pad.wav"})
    {
        const int n = AddPoolEntry(doc, szName, szName);
        ShowAsMessages(ReadWavHeader(dir / szName, aWavInfo[n]), feedback);
        doc.m_aPool[n].m_strFileName = dir / szName;
    }
    TemplateBytes abTemplate{};
    const Bytes abTemplateFile = test::ReadFileBytes(DORVANE_TEST_TEMPLATE);
    std::copy_n(abTemplateFile.begin(), abTemplate.size(), abTemplate.begin());
    BuildKrzFile(doc, aWavInfo, 300, abTemplate, dir / "ENGINE.KRZ", feedback);
    EXPECT_EQ(test::ReadFileBytes(dir / "OUT.KRZ"), test::ReadFileBytes(dir / "ENGINE.KRZ"));
    EXPECT_EQ(bo::LoadBE16(&test::ReadFileBytes(dir / "OUT.KRZ")[36]), 0x9800 + 300);
}

TEST(Cli, UnusableEntriesFailUnlessSkipped)
{
    test::TempDir dir;
    MakeWavs(dir);
    test::WavSpec spec24 = Spec(1, 24, 300);
    test::WriteFileBytes(dir / "deep.wav", test::MakeWav(spec24));

    auto r = RunCli(dir.Path(), "make -o OUT.KRZ piano.wav deep.wav");
    EXPECT_EQ(r.nStatus, 1);
    EXPECT_EQ(r.strOut, "Error in file: deep.wav\n24-bit files are currently not supported.\n" +
                            std::string(kConvertHint) + "\n");
    EXPECT_FALSE(test::FileExists(dir / "OUT.KRZ"));

    r = RunCli(dir.Path(), "make -o OUT.KRZ --skip-unusable piano.wav deep.wav");
    EXPECT_EQ(r.nStatus, 0) << r.strOut;
    const Bytes ab = test::ReadFileBytes(dir / "OUT.KRZ");
    EXPECT_EQ(ab.size(), 32u + 96 + 184 + 280 + 4 + 30000);
}

// An output that is the same file as one of its inputs (a WAV file, the pool
// file, the template), however it is spelt or linked, is refused before
// anything is written; so is an existing part name that is an input.
TEST(Cli, OutputThatIsAnInputIsRefused)
{
    struct Case
    {
        const char* szArgs;
        const char* szInput; // the input the message names
    };
    const Case aCases[] = {
        {"make -o piano.wav piano.wav", "piano.wav"},
        {"make -o ./sub/../pad.wav piano.wav pad.wav", "pad.wav"},
        {"make -o link.krz piano.wav strings.wav", "strings.wav"},
        {"make -o hard.krz piano.wav", "piano.wav"},
        {"make -o pool.dvn pool.dvn", "pool.dvn"},
        {"make -o dvntemp.dat piano.wav", "dvntemp.dat"},
        {"make -o OUT.KRZ --split --split-size 1 piano.wav", "piano.wav"},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szArgs);
        test::TempDir dir;
        MakeWavs(dir);
        std::filesystem::create_directory(dir / "sub");
        std::filesystem::create_symlink("strings.wav", dir / "link.krz");
        std::filesystem::create_hard_link(dir / "piano.wav", dir / "hard.krz");
        std::filesystem::create_hard_link(dir / "piano.wav", dir / "OUT.KRZ02");
        std::filesystem::copy_file(std::filesystem::path(DORVANE_CLI).parent_path() / "dvntemp.dat",
                                   dir / "dvntemp.dat");
        {
            CDorvane_V2Doc doc;
            AddPoolEntry(doc, "piano.wav", "piano.wav");
            test::CRecordingFeedback feedback;
            ASSERT_TRUE(ShowAsMessages(doc.OnSaveDocument(dir / "pool.dvn"), feedback));
        }
        std::map<std::string, Bytes> aBefore;
        for (const std::string& strName : test::ListDir(dir.Path()))
            if (!std::filesystem::is_directory(dir / strName))
                aBefore[strName] = test::ReadFileBytes(dir / strName);

        const auto r = RunCli(dir.Path(), c.szArgs);

        EXPECT_EQ(r.nStatus, 1) << r.strOut;
        EXPECT_NE(r.strOut.find(std::string(c.szInput) + ", which it is made from"),
                  std::string::npos)
            << r.strOut;
        std::map<std::string, Bytes> aAfter;
        for (const std::string& strName : test::ListDir(dir.Path()))
            if (!std::filesystem::is_directory(dir / strName))
                aAfter[strName] = test::ReadFileBytes(dir / strName);
        EXPECT_TRUE(aAfter == aBefore);
    }
}

// No usable entry: nothing is written and the exit status says so.
TEST(Cli, NothingUsableWritesNothing)
{
    test::TempDir dir;
    test::WriteFileBytes(dir / "deep.wav", test::MakeWav(Spec(1, 24, 300)));
    test::WriteFileBytes(dir / "empty.wav", test::MakeWav(Spec(1, 16, 0)));

    const auto r = RunCli(dir.Path(), "make -o OUT.KRZ --skip-unusable deep.wav empty.wav");

    EXPECT_EQ(r.nStatus, 1);
    EXPECT_NE(r.strOut.find("none of the wav-files in the sample pool can be used"),
              std::string::npos)
        << r.strOut;
    EXPECT_FALSE(test::FileExists(dir / "OUT.KRZ"));
}

TEST(Cli, MakeFromPoolFileAndSplitThenJoin)
{
    test::TempDir dir;
    MakeWavs(dir);
    {
        CDorvane_V2Doc doc;
        for (const char* szName : {"piano.wav", "pad.wav"})
            AddPoolEntry(doc, szName, szName);
        test::CRecordingFeedback feedback;
        ASSERT_TRUE(ShowAsMessages(doc.OnSaveDocument(dir / "pool.dvn"), feedback));
    }
    auto r = RunCli(dir.Path(), "make -o OUT.KRZ --split --split-size 20 pool.dvn");
    ASSERT_EQ(r.nStatus, 0) << r.strOut;
    const Bytes abWhole = test::ReadFileBytes(dir / "OUT.KRZ");
    EXPECT_EQ(abWhole.size(), 32u + (96 + 184 + 280) + (128 + 184 + 280) + 4 + 30000 + 40000);
    EXPECT_TRUE(test::FileExists(dir / "OUT.KRZ04"));
    EXPECT_FALSE(test::FileExists(dir / "OUT.KRZ05"));

    r = RunCli(dir.Path(), "join OUT.KRZ01");
    ASSERT_EQ(r.nStatus, 0) << r.strOut;
    EXPECT_EQ(test::ReadFileBytes(dir / "OUT.KRZ01J"), abWhole);

    r = RunCli(dir.Path(), "split OUT.KRZ --dest again --size 30");
    ASSERT_EQ(r.nStatus, 0) << r.strOut;
    EXPECT_TRUE(test::FileExists(dir / "again03"));
    EXPECT_FALSE(test::FileExists(dir / "again04"));
}

TEST(Cli, FailuresAndUsage)
{
    test::TempDir dir;
    MakeWavs(dir);
    struct Case
    {
        const char* szArgs;
        int nStatus;
        const char* szOut; // expected output, or nullptr to skip the check
    };
    const Case aCases[] = {
        {"", 2, nullptr},
        {"make piano.wav", 2, nullptr},
        {"make -o X.KRZ --first-id 901 piano.wav", 2, nullptr},
        {"split piano.wav --size 0", 2, nullptr},
        {"frobnicate", 2, nullptr},
        {"--help", 0, nullptr},
        {"make -o X.KRZ missing.wav", 1,
         "Error in file: missing.wav\nThe file was not found.\n"},
        {"make -o X.KRZ /proc/self/mem", 1,
         "Error in file: /proc/self/mem\nThe file cannot be read: Input/output error.\n"},
        {"make -o no/such/folder/X.KRZ piano.wav", 1, nullptr},
        {"make -o /dev/full piano.wav", 1, "Disk full while accessing /dev/full.\n"},
        {"split missing.krz", 1, "ERROR: Can't open Split Source-File...\n"},
        {"split piano.wav", 1, "The source-file is smaller than the maximum filesize\n"},
        {"join piano.wav", 1,
         "Sorry, the source-file isn't the first file of a multi-disk file.\n"},
        {"join missing01", 1, "FILE ERROR: Can't open Source File...\n"},
    };
    for (const auto& c : aCases)
    {
        const auto r = RunCli(dir.Path(), c.szArgs);
        EXPECT_EQ(r.nStatus, c.nStatus) << c.szArgs << "\n" << r.strOut;
        if (c.szOut)
        {
            EXPECT_EQ(r.strOut, c.szOut) << c.szArgs;
        }
    }
    EXPECT_EQ(test::ListDir(dir.Path()),
              (std::vector<std::string>{"pad.wav", "piano.wav", "strings.wav"}));
}

TEST(Cli, MissingTemplateEndsWithStatus1)
{
    test::TempDir dir;
    MakeWavs(dir);
    // A copy of the program in a folder without the template.
    const std::string strCopy = dir / "dorvane-cli";
    std::filesystem::copy_file(DORVANE_CLI, strCopy);
    std::filesystem::permissions(strCopy, std::filesystem::perms::owner_all);
    const std::string strCommand =
        "cd '" + dir.Path().string() + "' && ./dorvane-cli make -o X.KRZ piano.wav 2>&1";
    std::FILE* pPipe = ::popen(strCommand.c_str(), "r");
    std::array<char, 512> ab{};
    const std::size_t n = std::fread(ab.data(), 1, ab.size(), pPipe);
    const int nWait = ::pclose(pPipe);
    EXPECT_EQ(std::string(ab.data(), n), "ERROR: Bad or missing file 'DVNTEMP.DAT'\n");
    EXPECT_EQ(WEXITSTATUS(nWait), 1);
}
