#include "KrzSplit.h"

#include "CFileException.h"
#include "MultiDiskTestUtil.h"

#include <gtest/gtest.h>

#include <tuple>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

using namespace test;

namespace
{

struct SplitCase
{
    const char* szName;
    std::size_t nLength;
    std::uint32_t nDataOffset;
    int nMaxSplitKB;
    std::vector<std::size_t> anPartSizes;
    std::vector<std::uint32_t> anDataLengths;
    int nProgressMax;
};

void PrintTo(const SplitCase& c, std::ostream* os)
{
    *os << c.szName;
}

class SplitLayoutTest : public ::testing::TestWithParam<SplitCase>
{
};

// Checks every header field of every part against the source, and that the
// payloads in order are exactly the source from offset 32 on.
TEST_P(SplitLayoutTest, PartsCarryHeadersAndTheWholeSource)
{
    const SplitCase& c = GetParam();
    TempDir dir;
    const Bytes abSource = MakeSource(c.nLength, c.nDataOffset);
    WriteFileBytes(dir / "SRC.KRZ", abSource);
    CRecordingFeedback feedback;

    feedback.Record(SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", c.nMaxSplitKB, feedback));

    EXPECT_TRUE(feedback.m_aMessages.empty());
    EXPECT_TRUE(feedback.m_aStatus.empty());
    const std::size_t nParts = c.anPartSizes.size();
    std::vector<std::string> aExpectedFiles{"SRC.KRZ"};
    Bytes abPayloads;
    for (std::size_t i = 0; i < nParts; ++i)
    {
        const int n = static_cast<int>(i) + 1;
        const std::string strName = PartName("PIANO.KRZ", n);
        aExpectedFiles.push_back(strName);
        SCOPED_TRACE(strName);
        const Bytes abPart = ReadFileBytes(dir / strName);
        ASSERT_EQ(abPart.size(), c.anPartSizes[i]);
        EXPECT_TRUE(std::equal(abPart.begin(), abPart.begin() + 4, abSource.begin()));
        EXPECT_TRUE(std::equal(abPart.begin() + 16, abPart.begin() + 32, abSource.begin() + 16));
        EXPECT_EQ(BE32At(abPart, 4), n == 1 ? BE32At(abSource, 4) : 36u);
        EXPECT_EQ(BE32At(abPart, 8), c.anDataLengths[i]);
        EXPECT_EQ(BE32At(abPart, 12), static_cast<std::uint32_t>(n));
        const std::size_t nHeader = n == 1 ? 32 : 36;
        if (n > 1)
        {
            EXPECT_EQ(BE32At(abPart, 32), 0u);
        }
        abPayloads.insert(abPayloads.end(), abPart.begin() + nHeader, abPart.end());
    }
    EXPECT_TRUE(abPayloads == Bytes(abSource.begin() + 32, abSource.end()));
    // No temporary file is left beside the parts, and no further part.
    std::sort(aExpectedFiles.begin(), aExpectedFiles.end());
    EXPECT_EQ(ListDir(dir.Path()), aExpectedFiles);

    using Range = std::pair<int, int>;
    EXPECT_EQ(feedback.m_aRanges, std::vector<Range>{Range(0, c.nProgressMax)});
    EXPECT_EQ(feedback.m_nStep, 1);
    // Position 1 once part 1 is written, n while part n is written, 0 at the end.
    std::vector<int> anPositions;
    for (std::size_t n = 1; n <= nParts; ++n)
        anPositions.push_back(static_cast<int>(n));
    anPositions.push_back(0);
    EXPECT_EQ(feedback.m_aPositions, anPositions);
}

constexpr std::size_t kP = 1024; // nMaxSplitKB = 1

INSTANTIATE_TEST_SUITE_P(
    Lengths, SplitLayoutTest,
    ::testing::Values(
        SplitCase{"OneByteOverP", kP + 1, 100, 1, {kP + 1}, {kP + 1 - 100}, 2},
        SplitCase{"PPlusHeader", kP + 32, 100, 1, {kP + 32}, {kP + 32 - 100}, 2},
        SplitCase{"OnePayloadByteInPart2", 32 + kP + 1, 40, 1, {kP + 32, 37}, {kP - 7, 0}, 2},
        SplitCase{
            "ExactlyTwoFullParts", 32 + 2 * kP, 40, 1, {kP + 32, kP + 36}, {2 * kP - 8, 0}, 3},
        SplitCase{
            "ThreeParts", 32 + 2 * kP + 5, 40, 1, {kP + 32, kP + 36, 41}, {2 * kP - 3, 5, 0}, 3},
        SplitCase{"TwoKBParts",
                  32 + 5 * 2048 + 7,
                  32,
                  2,
                  {2048 + 32, 2048 + 36, 2048 + 36, 2048 + 36, 2048 + 36, 43},
                  {5 * 2048 + 7, 3 * 2048 + 7, 2 * 2048 + 7, 2048 + 7, 7, 0},
                  6},
        SplitCase{"ThreeMillionBytesAt1400KB",
                  3000000,
                  59236,
                  1400,
                  {1433632, 1433636, 132804},
                  {2940764, 132768, 0},
                  3}),
    [](const auto& info) { return std::string(info.param.szName); });

TEST(SplitTest, RefusesSourcesItCannotSplit)
{
    enum Kind
    {
        File,
        Missing,
        Folder,
    };
    struct Case
    {
        const char* szName;
        Kind kind;
        std::size_t nLength;
        const char* szMessage;
    };
    const char* szTooSmall = "The source-file is smaller than the maximum filesize";
    const char* szCannotOpen = "ERROR: Can't open Split Source-File...";
    const Case aCases[] = {
        {"exactly P", File, kP, szTooSmall},   {"shorter than P", File, 40, szTooSmall},
        {"empty", File, 0, szTooSmall},        {"missing", Missing, 0, szCannotOpen},
        {"a folder", Folder, 0, szCannotOpen},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        TempDir dir;
        if (c.kind == Folder)
            std::filesystem::create_directory(dir / "SRC.KRZ");
        else if (c.kind == File)
            WriteFileBytes(dir / "SRC.KRZ", MakeSource(c.nLength, 32));
        CRecordingFeedback feedback;

        feedback.Record(SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", 1, feedback));

        ASSERT_EQ(feedback.m_aMessages.size(), 1u);
        EXPECT_EQ(feedback.m_aMessages[0].strText, c.szMessage);
        EXPECT_EQ(feedback.m_aMessages[0].strCaption, kAppTitle);
        EXPECT_EQ(feedback.m_aMessages[0].icon, MessageIcon::None);
        EXPECT_TRUE(feedback.m_aRanges.empty());
        EXPECT_TRUE(feedback.m_aPositions.empty());
        EXPECT_FALSE(FileExists(dir / "PIANO.KRZ01"));
    }
}

TEST(SplitTest, PartSizeOutsideItsRangeIsACallersFault)
{
    TempDir dir;
    WriteFileBytes(dir / "SRC.KRZ", MakeSource(5000, 32));
    CRecordingFeedback feedback;
    for (int nKB : {0, -1, kMaxSplitKB + 1})
        EXPECT_THROW(SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", nKB, feedback),
                     std::invalid_argument);
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"SRC.KRZ"});
}

TEST(SplitTest, DataLengthUsesBytes5To7AndNeverGoesNegative)
{
    struct Case
    {
        const char* szName;
        std::uint32_t nOffsetField; // bytes 4..7 as stored
        std::uint32_t nDataLength;
    };
    const std::size_t nLength = 3000;
    const Case aCases[] = {
        {"byte 4 is not read", 0x7F000100, nLength - 0x100},
        {"offset zero", 0, nLength},
        {"offset at the end", nLength, 0},
        {"offset beyond the end", 0x00FFFFFF, 0},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        TempDir dir;
        WriteFileBytes(dir / "SRC.KRZ", MakeSource(nLength, c.nOffsetField));
        CRecordingFeedback feedback;
        feedback.Record(SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", 1, feedback));
        const Bytes abPart1 = ReadFileBytes(dir / "PIANO.KRZ01");
        EXPECT_EQ(BE32At(abPart1, 4), c.nOffsetField);
        EXPECT_EQ(BE32At(abPart1, 8), c.nDataLength);
    }
}

TEST(SplitTest, PartNames)
{
    const std::pair<int, const char*> aCases[] = {
        {1, "PIANO.KRZ01"},  {9, "PIANO.KRZ09"},    {10, "PIANO.KRZ10"},
        {99, "PIANO.KRZ99"}, {100, "PIANO.KRZ100"}, {1234, "PIANO.KRZ1234"},
    };
    for (const auto& [n, szName] : aCases)
        EXPECT_EQ(PartName("PIANO.KRZ", n), szName);
    EXPECT_EQ(PartName("/a/b/PIANO", 2), "/a/b/PIANO02");
}

TEST(SplitTest, PartsFrom100OnHaveThreeDigits)
{
    TempDir dir;
    // 1 + 100 parts after part 1: the last holds one payload byte.
    WriteFileBytes(dir / "SRC.KRZ", MakeSource(32 + 100 * kP + 1, 32));
    CRecordingFeedback feedback;
    feedback.Record(SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", 1, feedback));

    EXPECT_EQ(ListDir(dir.Path()).size(), 1u + 101u);
    EXPECT_EQ(ReadFileBytes(dir / "PIANO.KRZ99").size(), kP + 36);
    const Bytes ab100 = ReadFileBytes(dir / "PIANO.KRZ100");
    EXPECT_EQ(ab100.size(), kP + 36);
    EXPECT_EQ(BE32At(ab100, 12), 100u);
    EXPECT_EQ(ReadFileBytes(dir / "PIANO.KRZ101").size(), 37u);
    EXPECT_EQ(feedback.m_aRanges.back().second, 101);
}

TEST(SplitTest, ReplacesPartsAndLeavesStaleHigherParts)
{
    TempDir dir;
    const Bytes abSource = MakeSource(32 + kP + 10, 32);
    WriteFileBytes(dir / "SRC.KRZ", abSource);
    WriteFileBytes(dir / "PIANO.KRZ02", Bytes(5000, 0x11));
    WriteFileBytes(dir / "PIANO.KRZ07", Bytes(7, 0x77));
    CNullFeedback feedback;

    SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", 1, feedback);
    const Bytes abFirst1 = ReadFileBytes(dir / "PIANO.KRZ01");
    const Bytes abFirst2 = ReadFileBytes(dir / "PIANO.KRZ02");
    EXPECT_EQ(abFirst2.size(), 46u);
    EXPECT_EQ(ReadFileBytes(dir / "PIANO.KRZ07"), Bytes(7, 0x77));

    // The same split again gives byte-identical parts.
    SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", 1, feedback);
    EXPECT_EQ(ReadFileBytes(dir / "PIANO.KRZ01"), abFirst1);
    EXPECT_EQ(ReadFileBytes(dir / "PIANO.KRZ02"), abFirst2);
    EXPECT_EQ(ReadFileBytes(dir / "SRC.KRZ"), abSource);
}

// A part that would replace the source (its name, or a link to it under a
// part's name) is refused before anything is written.
TEST(SplitTest, PartThatIsTheSourceIsRefused)
{
    enum Kind
    {
        Named,
        SymbolicLink,
        HardLink,
    };
    for (const auto& [kind, szSource, szPart] : {std::tuple{Named, "PIANO.KRZ01", "PIANO.KRZ01"},
                                                 std::tuple{Named, "PIANO.KRZ03", "PIANO.KRZ03"},
                                                 std::tuple{SymbolicLink, "SRC.KRZ", "PIANO.KRZ02"},
                                                 std::tuple{HardLink, "SRC.KRZ", "PIANO.KRZ03"}})
    {
        SCOPED_TRACE(szPart);
        TempDir dir;
        const Bytes abSource = MakeSource(32 + 2 * kP + 3, 32);
        WriteFileBytes(dir / szSource, abSource);
        if (kind == SymbolicLink)
            std::filesystem::create_symlink(dir / szSource, dir / szPart);
        if (kind == HardLink)
            std::filesystem::create_hard_link(dir / szSource, dir / szPart);
        const auto aBefore = ListDir(dir.Path());
        CRecordingFeedback feedback;

        feedback.Record(SplitKrzFile(dir / szSource, dir / "PIANO.KRZ", 1, feedback));

        ASSERT_EQ(feedback.m_aMessages.size(), 1u);
        EXPECT_EQ(feedback.m_aMessages[0].strText, SameFileMessage(dir / szPart, dir / szSource));
        EXPECT_EQ(ListDir(dir.Path()), aBefore);
        EXPECT_EQ(ReadFileBytes(dir / szSource), abSource);
    }
}

TEST(SplitTest, FailingWriteRaisesAndKeepsTheEarlierPart)
{
    TempDir dir;
    WriteFileBytes(dir / "SRC.KRZ", MakeSource(32 + 2 * kP, 32));
    const Bytes abOld(300, 0x42);
    WriteFileBytes(dir / "PIANO.KRZ01", abOld);
    CNullFeedback feedback;
    try
    {
        ScopedFileSizeLimit limit(600);
        SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", 1, feedback);
        ADD_FAILURE() << "no CFileException";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
        EXPECT_EQ(e.m_strFileName, dir / "PIANO.KRZ01");
    }
    EXPECT_EQ(ReadFileBytes(dir / "PIANO.KRZ01"), abOld);
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"PIANO.KRZ01", "SRC.KRZ"}));
}

TEST(SplitTest, PartThatCannotBeCreatedRaisesNamingIt)
{
    struct Case
    {
        const char* szName;
        bool bFolderNamedPart2; // else: the base name's folder is missing
        const char* szFailingPart;
    };
    const Case aCases[] = {
        {"part 2 is a folder", true, "PIANO.KRZ02"},
        {"missing folder", false, "nodir/PIANO.KRZ01"},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        TempDir dir;
        WriteFileBytes(dir / "SRC.KRZ", MakeSource(32 + 2 * kP, 32));
        std::string strBase = dir / "PIANO.KRZ";
        if (c.bFolderNamedPart2)
        {
            std::filesystem::create_directory(dir / "PIANO.KRZ02");
            WriteFileBytes(dir / "PIANO.KRZ02/keep", Bytes(3, 1));
        }
        else
            strBase = dir / "nodir/PIANO.KRZ";
        CNullFeedback feedback;

        try
        {
            SplitKrzFile(dir / "SRC.KRZ", strBase, 1, feedback);
            ADD_FAILURE() << "no CFileException";
        }
        catch (const CFileException& e)
        {
            EXPECT_EQ(e.m_strFileName, dir / c.szFailingPart);
        }
        if (c.bFolderNamedPart2)
        {
            // The parts replace their names together or not at all: no part 1.
            EXPECT_EQ(ListDir(dir / "PIANO.KRZ02"), std::vector<std::string>{"keep"});
            EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"PIANO.KRZ02", "SRC.KRZ"}));
        }
        else
        {
            EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"SRC.KRZ"});
        }
    }
}

} // namespace
