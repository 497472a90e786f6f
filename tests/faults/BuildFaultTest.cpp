// Make File under faults: a disk that fills at every stage of the build (a
// file-size limit and a real small tmpfs), an output folder that cannot be
// written, and WAV files that vanish or shrink after their headers were
// read. Every failure must end with its message, leave the earlier output
// as it was and leave no temporary file; the command line once as well.
#include "CDorvane_V2Doc.h"
#include "FaultSupport.h"
#include "KrzBuilder.h"
#include "KrzReader.h"
#include "PoolEdit.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using test::Bytes;

namespace
{

// The pool: a 16-bit mono entry, a 16-bit stereo entry and an 8-bit mono
// entry, all with keymap and program. Sample data: 6000 + 2 * 8000 + 2 *
// 3000 bytes; objects: the header, 96 + 184 + 280, 128 + 184 + 280, 96 + 184
// + 280, the end mark. Each word goes straight to its place: the piano's at
// 1748, the strings' left channel at 7748 and right at 15748, the organ's at
// 23748.
constexpr std::uint64_t kDataBytes = 28000;
constexpr std::uint64_t kObjectBytes = 32 + 560 + 592 + 560 + 4;
constexpr std::uint64_t kOutputBytes = kObjectBytes + kDataBytes;

struct WavFile
{
    const char* szName;
    int nChannels, nBits;
    std::size_t nDataBytes;
};
constexpr WavFile kWavs[] = {
    {"piano.wav", 1, 16, 6000},
    {"strings.wav", 2, 16, 16000},
    {"organ.wav", 1, 8, 3000},
};

Bytes WavBytes(const WavFile& wav)
{
    test::WavSpec spec;
    spec.nChannels = static_cast<std::uint16_t>(wav.nChannels);
    spec.nBits = static_cast<std::uint16_t>(wav.nBits);
    spec.abData =
        test::RampData(wav.nDataBytes, static_cast<std::uint8_t>(wav.nBits + wav.nChannels));
    return test::MakeWav(spec);
}

// A build's inputs: WAV files in wav/, the pool with their headers read, the
// template, and an output in strOutDir that already holds an earlier build.
class CBuild
{
  public:
    explicit CBuild(const test::TempDir& dir, const std::string& strOutDir)
        : m_strWavDir(dir / "wav"), m_strOutput(strOutDir + "/OUT.KRZ")
    {
        std::filesystem::create_directories(m_strWavDir);
        std::filesystem::create_directories(strOutDir);
        const Bytes abTemplate = test::ReadFileBytes(DORVANE_TEST_TEMPLATE);
        std::copy_n(abTemplate.begin(), m_abTemplate.size(), m_abTemplate.begin());
        m_doc.OnNewDocument();
        test::CRecordingFeedback feedback;
        for (const auto& wav : kWavs)
        {
            const std::string strPath = Wav(wav.szName);
            test::WriteFileBytes(strPath, WavBytes(wav));
            const int n = AddPoolEntry(m_doc, strPath, wav.szName);
            ShowAsMessages(ReadWavHeader(strPath, m_aWavInfo[n]), feedback);
        }
    }

    std::string Wav(const std::string& strName) const { return m_strWavDir + "/" + strName; }
    const std::string& Output() const { return m_strOutput; }

    // The operation as the window and the command line run it.
    fault::Operation Operation()
    {
        return [this](test::CRecordingFeedback& feedback, std::string&)
        { BuildKrzFile(m_doc, m_aWavInfo, 200, m_abTemplate, m_strOutput, feedback); };
    }

    // Reads the header of a WAV file again, as the window does after Open.
    void RereadHeader(int nIndex)
    {
        test::CRecordingFeedback feedback;
        ShowAsMessages(ReadWavHeader(m_doc.m_aPool[nIndex].m_strFileName, m_aWavInfo[nIndex]), feedback);
    }

  private:
    std::string m_strWavDir;
    std::string m_strOutput;
    CDorvane_V2Doc m_doc;
    WavInfoArray m_aWavInfo{};
    TemplateBytes m_abTemplate{};
};

const Bytes kEarlierOutput(3000, 0x5E); // what an earlier build left

std::string DiskFull(const std::string& strPath)
{
    return "Disk full while accessing " + strPath + ".";
}

// The stage a failure happened in, by the last status text the build set:
// none while the header and the objects are written, "Working on <WAV>"
// while an entry's data is.
std::string Working(const CBuild& build, int nEntry)
{
    return "Working on " + build.Wav(kWavs[nEntry].szName);
}

// What a build without faults writes, to compare with.
Bytes Reference()
{
    test::TempDir dir;
    CBuild build(dir, dir / "out");
    const auto outcome = fault::Run(build.Operation());
    EXPECT_EQ(outcome.strError, "");
    return test::ReadFileBytes(build.Output());
}

} // namespace

// The sizes the cases below rely on.
TEST(BuildFault, ReferenceBuildIsValidAndAsLongAsCounted)
{
    const Bytes ab = Reference();
    ASSERT_EQ(ab.size(), kOutputBytes);
    const KrzFileInfo info = ReadKrzData(ab.data(), ab.size());
    EXPECT_TRUE(info.IsValid()) << FormatKrzFileInfo(info);
    EXPECT_EQ(info.header.nSampleDataOffset, kObjectBytes);
}

// A file-size limit makes the first write past it fail with EFBIG, which
// the file layer reports as a full disk: at every stage of the build.
TEST(BuildFault, DiskFillsAtEveryStage)
{
    struct Case
    {
        const char* szStage;
        rlim_t nLimit;
        int nLastEntry; // -1: before the first entry's data
    };
    const Case aCases[] = {
        {"the header", 20, -1},
        {"the objects", 500, -1},
        {"the first entry's sample data", 4000, 0},
        {"the stereo entry's left channel", 10000, 1},
        {"the stereo entry's right channel", 18000, 1},
        {"the last entry's sample data", 25000, 2},
        {"the last byte", kOutputBytes - 1, 2},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szStage);
        test::TempDir dir;
        CBuild build(dir, dir / "out");
        test::WriteFileBytes(build.Output(), kEarlierOutput);
        const auto before = fault::TakeSnapshot(dir / "out");

        fault::ChildSetup setup;
        setup.nFileSizeLimit = c.nLimit;
        const auto outcome = fault::RunInChild(setup, build.Operation());
        ASSERT_FALSE(outcome.bSkipped) << outcome.strSkipReason;

        EXPECT_EQ(outcome.strError, DiskFull(build.Output()));
        const std::string strStage = c.nLastEntry < 0 ? "" : Working(build, c.nLastEntry);
        EXPECT_EQ(outcome.LastStatus(), strStage);
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir / "out")));
    }
}

// The limit at exactly the output's size: nothing fails, and the result is
// the build without a limit.
TEST(BuildFault, DiskJustLargeEnough)
{
    const Bytes abReference = Reference();
    test::TempDir dir;
    CBuild build(dir, dir / "out");
    test::WriteFileBytes(build.Output(), kEarlierOutput);
    fault::ChildSetup setup;
    setup.nFileSizeLimit = kOutputBytes;
    const auto outcome = fault::RunInChild(setup, build.Operation());
    ASSERT_FALSE(outcome.bSkipped) << outcome.strSkipReason;
    EXPECT_EQ(outcome.strError, "");
    EXPECT_EQ(outcome.LastStatus(), Working(build, 2));
    EXPECT_TRUE(fault::SameFiles({{"OUT.KRZ", abReference}}, fault::TakeSnapshot(dir / "out")));
}

// A real file system that fills: a 256 KiB tmpfs holding the earlier output
// and a filler file that leaves only a few pages free.
TEST(BuildFault, TmpfsFillsAtEveryStage)
{
    constexpr std::uint64_t kPage = 4096;
    struct Case
    {
        const char* szStage;
        std::uint64_t nFreePages;
        int nLastEntry; // as above; 4: no failure
    };
    // The output's temporary file is the only file written: 2 pages after
    // the first entry, 4 after the stereo entry's left channel, 6 after its
    // right one, 8 in the end. No room is needed beyond the output itself.
    const Case aCases[] = {
        {"the header", 0, -1},
        {"the stereo entry's left channel", 3, 1},
        {"the last entry", 6, 2},
        {"exactly the output's room", 8, 4},
    };
    const Bytes abReference = Reference();
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szStage);
        test::TempDir dir;
        fault::CScopedTmpfs disk(dir.Path() / "disk", "256k");
        if (!disk.Mounted())
            GTEST_SKIP() << disk.WhyNot();
        CBuild build(dir, disk.Path().string());
        test::WriteFileBytes(build.Output(), kEarlierOutput);
        ASSERT_TRUE(fault::FillLeaving(disk.Path(), c.nFreePages * kPage));
        const auto before = fault::TakeSnapshot(disk.Path());

        const auto outcome = fault::Run(build.Operation());

        if (c.nLastEntry > 3)
        {
            EXPECT_EQ(outcome.strError, "");
            auto expected = before;
            expected["OUT.KRZ"] = abReference;
            EXPECT_TRUE(fault::SameFiles(expected, fault::TakeSnapshot(disk.Path())));
            continue;
        }
        EXPECT_EQ(outcome.strError, DiskFull(build.Output()));
        const std::string strStage = c.nLastEntry < 0 ? "" : Working(build, c.nLastEntry);
        EXPECT_EQ(outcome.LastStatus(), strStage);
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(disk.Path())));
        EXPECT_EQ(fault::FreeBytes(disk.Path()), c.nFreePages * kPage);
    }
}

// Where the build writes but the user may not: a read-only output folder,
// or a write-protected file in a folder open to writing, either the output
// (a rename would replace it). Each is refused as an open for writing would refuse it, named in
// the message, and left as it was. Root ignores permissions, so the build
// runs as an ordinary user in a child process.
TEST(BuildFault, WriteProtected)
{
    for (const char* szProtected : {"", "OUT.KRZ"})
    {
        SCOPED_TRACE(*szProtected ? szProtected : "read-only folder");
        test::TempDir dir;
        CBuild build(dir, dir / "out");
        test::WriteFileBytes(build.Output(), kEarlierOutput);
        std::string strProtected;
        if (*szProtected)
        {
            strProtected = dir / (std::string("out/") + szProtected);
            test::WriteFileBytes(strProtected, kEarlierOutput);
            std::filesystem::permissions(build.Output(), std::filesystem::perms(0666));
        }
        fault::OpenToOthers(dir.Path());
        const auto setup = fault::WriteProtect(dir / "out", strProtected);
        const auto before = fault::TakeSnapshot(dir / "out");

        const auto outcome = fault::RunInChild(setup, build.Operation());
        if (outcome.bSkipped)
            GTEST_SKIP() << outcome.strSkipReason;

        const std::string strRefused = *szProtected ? strProtected : build.Output();
        EXPECT_EQ(outcome.strError, "Access to " + strRefused + " was denied.");
        if (!*szProtected) // nothing at all is begun
        {
            EXPECT_EQ(outcome.aStatus, std::vector<std::string>{});
        }
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir / "out")));
    }
}

// A WAV file that changes between the header read and the build. One that
// is gone, or no longer reaches its sample data, ends the build with its
// message naming the WAV file; nothing of the earlier output is lost.
TEST(BuildFault, WavFileVanishesOrLosesItsHeader)
{
    struct Case
    {
        const char* szChange;
        int nEntry;
        long nCutTo; // -1: deleted
        const char* szMessage;
    };
    const Case aCases[] = {
        {"deleted", 1, -1, "%1 was not found."},
        {"emptied", 1, 0, "An attempt was made to access %1 past its end."},
        {"cut inside its header", 2, 20, "An attempt was made to access %1 past its end."},
        {"cut before its data chunk's size", 0, 40,
         "An attempt was made to access %1 past its end."},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szChange);
        test::TempDir dir;
        CBuild build(dir, dir / "out");
        test::WriteFileBytes(build.Output(), kEarlierOutput);
        const std::string strWav = build.Wav(kWavs[c.nEntry].szName);
        if (c.nCutTo < 0)
            std::filesystem::remove(strWav);
        else
            std::filesystem::resize_file(strWav, static_cast<std::uintmax_t>(c.nCutTo));
        const auto before = fault::TakeSnapshot(dir / "out");

        const auto outcome = fault::Run(build.Operation());

        std::string strMessage = c.szMessage;
        strMessage.replace(strMessage.find("%1"), 2, strWav);
        EXPECT_EQ(outcome.strError, strMessage);
        // Every file is looked at before the first byte is written.
        EXPECT_EQ(outcome.LastStatus(), "");
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir / "out")));
    }
}

// A WAV file cut inside its sample data holds fewer bytes than its data
// chunk declares, as some files do when they are added: the build uses the
// whole frames it still holds, exactly as if the file had been that short
// when its header was read, and the sample headers match the data written.
TEST(BuildFault, WavFileCutInsideItsDataIsBuiltFromWhatItHolds)
{
    test::TempDir dir;
    CBuild shrunk(dir, dir / "out");
    const std::string strWav = shrunk.Wav("strings.wav");
    const auto nCutTo = static_cast<std::uintmax_t>(44 + 6002); // 1500 frames and 2 bytes
    std::filesystem::resize_file(strWav, nCutTo);
    const auto outcome = fault::Run(shrunk.Operation());
    ASSERT_EQ(outcome.strError, "");

    test::TempDir dirShort;
    CBuild shortFromTheStart(dirShort, dirShort / "out");
    std::filesystem::copy_file(strWav, shortFromTheStart.Wav("strings.wav"),
                               std::filesystem::copy_options::overwrite_existing);
    shortFromTheStart.RereadHeader(1);
    ASSERT_EQ(fault::Run(shortFromTheStart.Operation()).strError, "");

    const Bytes ab = test::ReadFileBytes(shrunk.Output());
    const KrzFileInfo info = ReadKrzData(ab.data(), ab.size());
    EXPECT_TRUE(info.IsValid()) << FormatKrzFileInfo(info);
    EXPECT_EQ(ab.size(), kOutputBytes - (16000 - 6000));
    EXPECT_EQ(ab, test::ReadFileBytes(shortFromTheStart.Output()));
    EXPECT_EQ(test::ListDir(dir / "out"), std::vector<std::string>{"OUT.KRZ"});
}

// The command line on a full disk: exit status 1, the disk-full text, the
// earlier output unchanged and no temporary file.
TEST(BuildFault, CommandLineMakeOnAFullDisk)
{
    test::TempDir dir;
    for (const auto& wav : kWavs)
        test::WriteFileBytes(dir / wav.szName, WavBytes(wav));
    test::WriteFileBytes(dir / "OUT.KRZ", kEarlierOutput);
    const auto before = fault::TakeSnapshot(dir.Path());

    const auto result = fault::RunProgram(
        dir.Path().string(), DORVANE_CLI,
        {"make", "-o", "OUT.KRZ", "piano.wav", "strings.wav", "organ.wav"}, kOutputBytes - 1);
    EXPECT_EQ(result.nStatus, 1);
    EXPECT_EQ(result.strOutput, DiskFull(dir / "OUT.KRZ") + "\n");
    EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir.Path())));
}
