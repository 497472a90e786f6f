#include "KrzJoin.h"

#include "CFileException.h"
#include "KrzSplit.h"
#include "MultiDiskTestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace test;

namespace
{

constexpr std::size_t kP = 1024; // nMaxSplitKB = 1
const char* const kDestError = "FILE ERROR: Can't open destination File...";
const char* const kSourceError = "FILE ERROR: Can't open Source File...";
const char* const kNotFirst = "Sorry, the source-file isn't the first file of a multi-disk file.";

// A part file: a header of nHeader bytes with the part number in bytes
// 12..15 (and byte 0 = nTag), then the payload.
Bytes MakePart(std::uint32_t nNumber, const Bytes& abPayload, std::size_t nHeader = 36,
               std::uint8_t nTag = 0x4B)
{
    Bytes ab(nHeader, 0);
    ab[0] = nTag;
    ab[12] = static_cast<std::uint8_t>(nNumber >> 24);
    ab[13] = static_cast<std::uint8_t>(nNumber >> 16);
    ab[14] = static_cast<std::uint8_t>(nNumber >> 8);
    ab[15] = static_cast<std::uint8_t>(nNumber);
    ab.insert(ab.end(), abPayload.begin(), abPayload.end());
    return ab;
}

Bytes Concat(std::initializer_list<Bytes> aParts)
{
    Bytes ab;
    for (const Bytes& abPart : aParts)
        ab.insert(ab.end(), abPart.begin(), abPart.end());
    return ab;
}

// The join reports only by message box: never status text or progress.
void ExpectNoStatusOrProgress(const CRecordingFeedback& feedback)
{
    EXPECT_TRUE(feedback.m_aStatus.empty());
    EXPECT_TRUE(feedback.m_aRanges.empty());
    EXPECT_TRUE(feedback.m_aPositions.empty());
}

void ExpectOneMessage(const CRecordingFeedback& feedback, const std::string& strText)
{
    ASSERT_EQ(feedback.m_aMessages.size(), 1u);
    EXPECT_EQ(feedback.m_aMessages[0].strText, strText);
    EXPECT_EQ(feedback.m_aMessages[0].strCaption, kAppTitle);
    EXPECT_EQ(feedback.m_aMessages[0].icon, MessageIcon::None);
}

TEST(JoinTest, NextPartNameCountsOnTheLastTwoCharacters)
{
    const std::pair<const char*, const char*> aCases[] = {
        {"PIANO.KRZ01", "PIANO.KRZ02"},
        {"PIANO.KRZ09", "PIANO.KRZ10"},
        {"PIANO.KRZ19", "PIANO.KRZ20"},
        {"PIANO.KRZ99", "PIANO.KRZ:0"},
        {"/d/PIANO.KRZ57", "/d/PIANO.KRZ58"},
        // A last letter is above '9': it becomes '0' and the one before it
        // is increased; nothing carries further.
        {"PIANO.KRZ", "PIANO.KS0"},
        {"PIANO.KS0", "PIANO.KS1"},
        {"A9", "B0"},
        {"7", "8"},
        {"9", "0"},
        {"", ""},
    };
    for (const auto& [szIn, szOut] : aCases)
        EXPECT_EQ(NextPartName(szIn), szOut) << szIn;
}

struct RoundTripCase
{
    const char* szName;
    std::size_t nLength;
    int nMaxSplitKB;
};

void PrintTo(const RoundTripCase& c, std::ostream* os)
{
    *os << c.szName;
}

class JoinRoundTripTest : public ::testing::TestWithParam<RoundTripCase>
{
};

// join(split(S)) is S with bytes 8..11 holding part 1's data length and
// bytes 12..15 zero.
TEST_P(JoinRoundTripTest, GivesBackTheSource)
{
    const RoundTripCase& c = GetParam();
    TempDir dir;
    const std::uint32_t nOffset = 600;
    Bytes abSource = MakeSource(c.nLength, nOffset);
    WriteFileBytes(dir / "SRC.KRZ", abSource);
    CNullFeedback null;
    SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", c.nMaxSplitKB, null);
    CRecordingFeedback feedback;

    JoinKrzFiles(dir / "PIANO.KRZ01", dir / "OUT.KRZ", feedback);

    const std::uint32_t nDataLength = static_cast<std::uint32_t>(c.nLength - nOffset);
    Bytes abExpected = abSource;
    for (int i = 0; i < 4; ++i)
    {
        abExpected[8 + i] = static_cast<std::uint8_t>(nDataLength >> (24 - 8 * i));
        abExpected[12 + i] = 0;
    }
    EXPECT_TRUE(ReadFileBytes(dir / "OUT.KRZ") == abExpected);
    EXPECT_TRUE(feedback.m_aMessages.empty());
    ExpectNoStatusOrProgress(feedback);
}

INSTANTIATE_TEST_SUITE_P(Sizes, JoinRoundTripTest,
                         ::testing::Values(RoundTripCase{"SinglePart", kP + 20, 1},
                                           RoundTripCase{"OnePayloadByteInPart2", 32 + kP + 1, 1},
                                           RoundTripCase{"ExactMultiple", 32 + 3 * kP, 1},
                                           RoundTripCase{"SeveralParts", 32 + 7 * kP + 333, 1},
                                           // First part larger than the copy buffer.
                                           RoundTripCase{"LargeParts", 32 + 2 * 100 * 1024 + 77,
                                                         100},
                                           RoundTripCase{"Ninety-nine parts", 32 + 98 * kP + 5, 1}),
                         [](const auto& info)
                         {
                             std::string str = info.param.szName;
                             std::erase(str, '-');
                             std::erase(str, ' ');
                             return str;
                         });

TEST(JoinTest, StopsAfterPart99)
{
    TempDir dir;
    const Bytes abSource = MakeSource(32 + 100 * kP + 1, 32);
    WriteFileBytes(dir / "SRC.KRZ", abSource);
    CNullFeedback null;
    SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", 1, null);
    ASSERT_TRUE(FileExists(dir / "PIANO.KRZ101"));
    CRecordingFeedback feedback;

    JoinKrzFiles(dir / "PIANO.KRZ01", dir / "OUT.KRZ", feedback);

    EXPECT_EQ(ReadFileBytes(dir / "OUT.KRZ").size(), 32 + 99 * kP);
    EXPECT_TRUE(feedback.m_aMessages.empty());
}

TEST(JoinTest, SeriesShapes)
{
    const Bytes ab1 = RampData(50, 1), ab2 = RampData(70, 2), ab3 = RampData(90, 3);
    struct Case
    {
        const char* szName;
        std::vector<std::pair<const char*, Bytes>> aFiles;
        Bytes abExpected;
    };
    const Case aCases[] = {
        {"single part: its bytes 12..15 cleared",
         {{"P.KRZ01", MakePart(1, ab1, 32)}},
         MakePart(0, ab1, 32)},
        {"a missing middle part ends the join",
         {{"P.KRZ01", MakePart(1, ab1, 32)},
          {"P.KRZ02", MakePart(2, ab2)},
          {"P.KRZ04", MakePart(4, ab3)}},
         Concat({MakePart(0, ab1, 32), ab2})},
        {"a part shorter than 36 bytes adds nothing",
         {{"P.KRZ01", MakePart(1, ab1, 32)},
          {"P.KRZ02", Bytes(20, 0xEE)},
          {"P.KRZ03", MakePart(3, ab3)}},
         Concat({MakePart(0, ab1, 32), ab3})},
        {"later headers are not looked at",
         {{"P.KRZ01", MakePart(1, ab1, 32)}, {"P.KRZ02", MakePart(77, ab2, 36, 0x00)}},
         Concat({MakePart(0, ab1, 32), ab2})},
        {"first part of fewer bytes than a header but 16 or more",
         {{"P.KRZ01", MakePart(1, {}, 16)}, {"P.KRZ02", MakePart(2, ab2)}},
         Concat({MakePart(0, {}, 16), ab2})},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        TempDir dir;
        for (const auto& [szName, ab] : c.aFiles)
            WriteFileBytes(dir / szName, ab);
        CRecordingFeedback feedback;

        JoinKrzFiles(dir / "P.KRZ01", dir / "OUT.KRZ", feedback);

        EXPECT_EQ(ReadFileBytes(dir / "OUT.KRZ"), c.abExpected);
        EXPECT_TRUE(feedback.m_aMessages.empty());
        ExpectNoStatusOrProgress(feedback);
    }
}

// A later part whose byte 15 is 1 (part 257) is taken as a first part, and
// the count goes on from its name.
TEST(JoinTest, StartsFromAnyPartWhoseByte15Is1)
{
    TempDir dir;
    const Bytes ab1 = RampData(40, 5), ab2 = RampData(30, 6);
    WriteFileBytes(dir / "P.KRZ57", MakePart(257, ab1));
    WriteFileBytes(dir / "P.KRZ58", MakePart(258, ab2));
    CRecordingFeedback feedback;

    JoinKrzFiles(dir / "P.KRZ57", dir / "OUT.KRZ", feedback);

    EXPECT_EQ(ReadFileBytes(dir / "OUT.KRZ"), Concat({MakePart(0, ab1), ab2}));
}

// A one-character name counts in a circle ("9" -> "0"): the join ends when
// the counter comes back to the first name instead of running forever.
TEST(JoinTest, OneCharacterNameDoesNotCountInCircles)
{
    TempDir dir;
    TempDir outDir;
    ScopedCurrentDir cwd(dir.Path());
    WriteFileBytes("1", MakePart(1, Bytes(3, 0x10), 32));
    for (char ch : std::string("0234567890"))
        WriteFileBytes(std::string(1, ch), MakePart(2, Bytes(1, static_cast<std::uint8_t>(ch))));
    CRecordingFeedback feedback;

    JoinKrzFiles("1", outDir / "OUT", feedback);

    EXPECT_EQ(ReadFileBytes(outDir / "OUT"),
              Concat({MakePart(0, Bytes(3, 0x10), 32),
                      Bytes{'2', '3', '4', '5', '6', '7', '8', '9', '0'}}));
}

// Refusals create no destination and leave an existing one as it was.
TEST(JoinTest, RefusalsLeaveNoOrTheOldDestination)
{
    enum Setup
    {
        NoFirstPart,
        NotAFirstPart,
        TooShortFirstPart,
        FirstIsFolder,
    };
    struct Case
    {
        const char* szName;
        Setup setup;
        const char* szMessage;
    };
    const Case aCases[] = {
        {"first part missing", NoFirstPart, kSourceError},
        {"first part is a folder", FirstIsFolder, kSourceError},
        {"byte 15 is not 1", NotAFirstPart, kNotFirst},
        {"fewer than 16 bytes", TooShortFirstPart, kNotFirst},
    };
    for (const Case& c : aCases)
    {
        for (bool bDestExists : {false, true})
        {
            SCOPED_TRACE(std::string(c.szName) + (bDestExists ? ", old destination" : ""));
            TempDir dir;
            switch (c.setup)
            {
            case NoFirstPart:
                break;
            case FirstIsFolder:
                std::filesystem::create_directory(dir / "P.KRZ01");
                break;
            case NotAFirstPart:
                WriteFileBytes(dir / "P.KRZ01", MakePart(2, RampData(100)));
                break;
            case TooShortFirstPart:
                WriteFileBytes(dir / "P.KRZ01", Bytes(15, 1));
                break;
            }
            WriteFileBytes(dir / "P.KRZ02", MakePart(2, RampData(10)));
            const Bytes abOld(123, 0x5A);
            if (bDestExists)
                WriteFileBytes(dir / "OUT.KRZ", abOld);
            const auto aBefore = ListDir(dir.Path());
            CRecordingFeedback feedback;

            JoinKrzFiles(dir / "P.KRZ01", dir / "OUT.KRZ", feedback);

            ExpectOneMessage(feedback, c.szMessage);
            ExpectNoStatusOrProgress(feedback);
            EXPECT_EQ(ListDir(dir.Path()), aBefore);
            if (bDestExists)
            {
                EXPECT_EQ(ReadFileBytes(dir / "OUT.KRZ"), abOld);
            }
        }
    }
}

TEST(JoinTest, EmptyFirstNameCreatesNothing)
{
    TempDir dir;
    ScopedCurrentDir cwd(dir.Path());
    CRecordingFeedback feedback;

    JoinKrzFiles("", "OUT.KRZ", feedback);

    ExpectOneMessage(feedback, kSourceError);
    EXPECT_TRUE(ListDir(dir.Path()).empty());
}

// A destination that is one of the parts would replace a part the user
// still has: it is refused before anything is written.
TEST(JoinTest, DestinationInTheSeriesIsRefused)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "sub");
    const Bytes abPart1 = MakePart(1, RampData(40, 1), 32);
    const Bytes abPart2 = MakePart(2, RampData(40, 2));
    WriteFileBytes(dir / "P.KRZ01", abPart1);
    WriteFileBytes(dir / "P.KRZ02", abPart2);
    std::filesystem::create_symlink(dir / "P.KRZ02", dir / "link-to-2");
    std::filesystem::create_hard_link(dir / "P.KRZ01", dir / "hard-to-1");

    const std::string aDests[] = {
        dir / "P.KRZ01",   dir / "P.KRZ02",   dir / "sub/../P.KRZ01",
        dir / "./P.KRZ02", dir / "link-to-2", dir / "hard-to-1",
        dir / "P.KRZ05", // a later name of the series, not there yet
        dir / "P.KRZ99",
        "P.KRZ02", // relative to the current folder
    };
    ScopedCurrentDir cwd(dir.Path());
    for (const std::string& strDest : aDests)
    {
        SCOPED_TRACE(strDest);
        const auto aBefore = ListDir(dir.Path());
        CRecordingFeedback feedback;

        JoinKrzFiles(dir / "P.KRZ01", strDest, feedback);

        ExpectOneMessage(feedback, kDestError);
        EXPECT_EQ(ReadFileBytes(dir / "P.KRZ01"), abPart1);
        EXPECT_EQ(ReadFileBytes(dir / "P.KRZ02"), abPart2);
        EXPECT_EQ(ListDir(dir.Path()), aBefore);
    }

    // Names outside the series are accepted: the base name, the series
    // after part 99.
    for (const char* szDest : {"P.KRZ", "P.KRZ:0", "P.KRZ100"})
    {
        SCOPED_TRACE(szDest);
        CRecordingFeedback feedback;
        JoinKrzFiles(dir / "P.KRZ01", dir / szDest, feedback);
        EXPECT_TRUE(feedback.m_aMessages.empty());
        EXPECT_EQ(ReadFileBytes(dir / szDest),
                  Concat({MakePart(0, RampData(40, 1), 32), RampData(40, 2)}));
    }
}

TEST(JoinTest, DestinationThatCannotBeCreated)
{
    TempDir dir;
    WriteFileBytes(dir / "P.KRZ01", MakePart(1, RampData(40), 32));
    std::filesystem::create_directory(dir / "folder");
    for (const std::string& strDest :
         {dir / "nodir/OUT.KRZ", dir / "folder", dir / "folder/", std::string()})
    {
        SCOPED_TRACE(strDest);
        const auto aBefore = ListDir(dir.Path());
        CRecordingFeedback feedback;

        JoinKrzFiles(dir / "P.KRZ01", strDest, feedback);

        ExpectOneMessage(feedback, kDestError);
        EXPECT_EQ(ListDir(dir.Path()), aBefore);
        EXPECT_TRUE(ListDir(dir / "folder").empty());
    }
}

TEST(JoinTest, FailingWriteRaisesAndKeepsTheOldDestination)
{
    TempDir dir;
    WriteFileBytes(dir / "P.KRZ01", MakePart(1, RampData(3000), 32));
    WriteFileBytes(dir / "P.KRZ02", MakePart(2, RampData(3000)));
    const Bytes abOld(200, 0x33);
    WriteFileBytes(dir / "OUT.KRZ", abOld);
    CNullFeedback feedback;
    try
    {
        ScopedFileSizeLimit limit(4000);
        JoinKrzFiles(dir / "P.KRZ01", dir / "OUT.KRZ", feedback);
        ADD_FAILURE() << "no CFileException";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
        EXPECT_EQ(e.m_strFileName, dir / "OUT.KRZ");
    }
    EXPECT_EQ(ReadFileBytes(dir / "OUT.KRZ"), abOld);
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"OUT.KRZ", "P.KRZ01", "P.KRZ02"}));
}

} // namespace
