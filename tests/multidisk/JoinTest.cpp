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
    std::uint32_t nOffset = 600;
};

void PrintTo(const RoundTripCase& c, std::ostream* os)
{
    *os << c.szName;
}

class JoinRoundTripTest : public ::testing::TestWithParam<RoundTripCase>
{
};

// join(split(S)) is S byte for byte: a whole file has bytes 8..15 zero.
TEST_P(JoinRoundTripTest, GivesBackTheSource)
{
    const RoundTripCase& c = GetParam();
    TempDir dir;
    Bytes abSource = MakeSource(c.nLength, c.nOffset);
    std::fill(abSource.begin() + 8, abSource.begin() + 16, 0);
    WriteFileBytes(dir / "SRC.KRZ", abSource);
    CNullFeedback null;
    SplitKrzFile(dir / "SRC.KRZ", dir / "PIANO.KRZ", c.nMaxSplitKB, null);
    CRecordingFeedback feedback;

    feedback.Record(JoinKrzFiles(dir / "PIANO.KRZ01", dir / "OUT.KRZ"));

    EXPECT_TRUE(ReadFileBytes(dir / "OUT.KRZ") == abSource);
    EXPECT_TRUE(feedback.m_aMessages.empty())
        << (feedback.m_aMessages.empty() ? "" : feedback.m_aMessages[0].strText);
    ExpectNoStatusOrProgress(feedback);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, JoinRoundTripTest,
    ::testing::Values(RoundTripCase{"SinglePart", kP + 20, 1},
                      RoundTripCase{"OnePayloadByteInPart2", 32 + kP + 1, 1},
                      RoundTripCase{"ExactMultiple", 32 + 3 * kP, 1},
                      RoundTripCase{"SeveralParts", 32 + 7 * kP + 333, 1},
                      // First part larger than the copy buffer.
                      RoundTripCase{"LargeParts", 32 + 2 * 100 * 1024 + 77, 100},
                      RoundTripCase{"Ninety-nine parts", 32 + 98 * kP + 5, 1},
                      // Three-digit names from part 100 on.
                      RoundTripCase{"Hundred and two parts", 32 + 101 * kP + 1, 1},
                      // An offset past the end: part 1 stores data length 0
                      // and the remaining-length fields alone decide.
                      RoundTripCase{"Offset past the end", 32 + 4 * kP + 9, 1, 0x7FFFFF}),
    [](const auto& info)
    {
        std::string str = info.param.szName;
        std::erase(str, '-');
        std::erase(str, ' ');
        return str;
    });

// A series that is not complete or does not belong together is refused with
// a message naming the part, and nothing is written; parts left over from
// an earlier, larger split are never appended.
TEST(JoinTest, SeriesMustBeCompleteAndContinue)
{
    enum Damage
    {
        None,
        LeftoverParts, // P.KRZ05 and P.KRZ06 from an earlier split
        RemovePart3,
        CutPart4,  // one byte short
        LongPart4, // one byte too many
        Part3Numbered7,
        Part3WrongRemaining,
        Part2FromOtherSplit, // same size, other source
        FirstPartHeaderOnly, // part 1 cut to 20 bytes
    };
    struct Case
    {
        const char* szName;
        Damage damage;
        const char* szPart; // the part the message names; nullptr: joins
        const char* szWhy;
    };
    const Case aCases[] = {
        {"complete", None, nullptr, nullptr},
        {"leftover parts are not appended", LeftoverParts, nullptr, nullptr},
        {"missing part", RemovePart3, "P.KRZ03", "is missing"},
        {"last part ends early", CutPart4, "P.KRZ04", "ends early"},
        {"last part too long", LongPart4, "P.KRZ04", "doesn't continue"},
        {"wrong part number", Part3Numbered7, "P.KRZ03", "doesn't continue"},
        {"wrong remaining length", Part3WrongRemaining, "P.KRZ03", "doesn't continue"},
        {"part of another split", Part2FromOtherSplit, "P.KRZ02", "doesn't continue"},
        {"first part without payload", FirstPartHeaderOnly, "P.KRZ01", "ends early"},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        TempDir dir;
        CNullFeedback null;
        Bytes abSource = MakeSource(32 + 3 * kP + 100, 300);
        std::fill(abSource.begin() + 8, abSource.begin() + 16, 0);
        WriteFileBytes(dir / "SRC.KRZ", abSource);
        if (c.damage == LeftoverParts || c.damage == Part2FromOtherSplit)
        {
            // An earlier split of another source under the same name.
            WriteFileBytes(dir / "OLD.KRZ", MakeSource(32 + 5 * kP + 7, 300, 9));
            SplitKrzFile(dir / "OLD.KRZ", dir / "P.KRZ", 1, null);
        }
        if (c.damage == Part2FromOtherSplit)
            std::filesystem::copy_file(dir / "P.KRZ02", dir / "OLD02");
        SplitKrzFile(dir / "SRC.KRZ", dir / "P.KRZ", 1, null);
        const auto Patch = [&](const char* szPart, std::size_t nPos, std::uint8_t nValue)
        {
            Bytes ab = ReadFileBytes(dir / szPart);
            ab.at(nPos) = nValue;
            WriteFileBytes(dir / szPart, ab);
        };
        const auto Resize = [&](const char* szPart, std::size_t nSize)
        { std::filesystem::resize_file(dir / szPart, nSize); };
        switch (c.damage)
        {
        case None:
        case LeftoverParts:
            break;
        case RemovePart3:
            std::filesystem::remove(dir / "P.KRZ03");
            break;
        case CutPart4:
            Resize("P.KRZ04", 36 + 99);
            break;
        case LongPart4:
            Resize("P.KRZ04", 36 + 101);
            break;
        case Part3Numbered7:
            Patch("P.KRZ03", 15, 7);
            break;
        case Part3WrongRemaining:
            Patch("P.KRZ03", 11, 1);
            break;
        case Part2FromOtherSplit:
            std::filesystem::rename(dir / "OLD02", dir / "P.KRZ02");
            break;
        case FirstPartHeaderOnly:
            Resize("P.KRZ01", 20);
            break;
        }
        const Bytes abOld(77, 0x5A);
        WriteFileBytes(dir / "OUT.KRZ", abOld);
        const auto aBefore = ListDir(dir.Path());
        CRecordingFeedback feedback;

        feedback.Record(JoinKrzFiles(dir / "P.KRZ01", dir / "OUT.KRZ"));

        if (!c.szPart)
        {
            EXPECT_TRUE(feedback.m_aMessages.empty());
            EXPECT_TRUE(ReadFileBytes(dir / "OUT.KRZ") == abSource);
            continue;
        }
        ASSERT_EQ(feedback.m_aMessages.size(), 1u);
        const std::string& strText = feedback.m_aMessages[0].strText;
        EXPECT_NE(strText.find(dir / c.szPart), std::string::npos) << strText;
        EXPECT_NE(strText.find(c.szWhy), std::string::npos) << strText;
        EXPECT_EQ(ReadFileBytes(dir / "OUT.KRZ"), abOld);
        EXPECT_EQ(ListDir(dir.Path()), aBefore);
    }
}

// A first name that does not end in "01" is counted on by its last two
// characters. A one-character name counts in a circle ("9" -> "0"): a series
// whose remaining lengths never reach 0 ends in a message, not in a loop.
TEST(JoinTest, OneCharacterNameDoesNotCountInCircles)
{
    TempDir dir;
    TempDir outDir;
    ScopedCurrentDir cwd(dir.Path());
    Bytes abFirst = MakePart(1, Bytes(1, 0x10), 32);
    WriteFileBytes("1", abFirst);
    std::uint32_t nNumber = 2;
    for (char ch : std::string("234567890"))
    {
        Bytes ab = MakePart(nNumber, Bytes(1, static_cast<std::uint8_t>(ch)));
        ab[11] = static_cast<std::uint8_t>(52 - nNumber++); // bytes still to come: never 0
        WriteFileBytes(std::string(1, ch), ab);
    }
    CRecordingFeedback feedback;

    feedback.Record(JoinKrzFiles("1", outDir / "OUT"));

    ASSERT_EQ(feedback.m_aMessages.size(), 1u);
    EXPECT_FALSE(FileExists(outDir / "OUT"));
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
        Part257,
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
        // Byte 15 is 1 but the part number is 257: not a first part.
        {"part 257", Part257, kNotFirst},
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
            case Part257:
                WriteFileBytes(dir / "P.KRZ01", MakePart(257, RampData(100), 32));
                break;
            }
            WriteFileBytes(dir / "P.KRZ02", MakePart(2, RampData(10)));
            const Bytes abOld(123, 0x5A);
            if (bDestExists)
                WriteFileBytes(dir / "OUT.KRZ", abOld);
            const auto aBefore = ListDir(dir.Path());
            CRecordingFeedback feedback;

            feedback.Record(JoinKrzFiles(dir / "P.KRZ01", dir / "OUT.KRZ"));

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

    feedback.Record(JoinKrzFiles("", "OUT.KRZ"));

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

    // Each destination with the part it is, named with it in the refusal;
    // nullptr: a name of the series not there yet, the join's own message.
    const std::pair<std::string, const char*> aDests[] = {
        {dir / "P.KRZ01", "P.KRZ01"},
        {dir / "P.KRZ02", "P.KRZ02"},
        {dir / "sub/../P.KRZ01", "P.KRZ01"},
        {dir / "./P.KRZ02", "P.KRZ02"},
        {dir / "link-to-2", "P.KRZ02"},
        {dir / "hard-to-1", "P.KRZ01"},
        {dir / "P.KRZ05", nullptr}, // a later name of the series, not there yet
        {dir / "P.KRZ99", nullptr},
        {"P.KRZ02", "P.KRZ02"}, // relative to the current folder
    };
    ScopedCurrentDir cwd(dir.Path());
    for (const auto& [strDest, szPart] : aDests)
    {
        SCOPED_TRACE(strDest);
        const auto aBefore = ListDir(dir.Path());
        CRecordingFeedback feedback;

        feedback.Record(JoinKrzFiles(dir / "P.KRZ01", strDest));

        ExpectOneMessage(feedback, szPart ? SameFileMessage(strDest, dir / szPart) : kDestError);
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
        feedback.Record(JoinKrzFiles(dir / "P.KRZ01", dir / szDest));
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

        feedback.Record(JoinKrzFiles(dir / "P.KRZ01", strDest));

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
        JoinKrzFiles(dir / "P.KRZ01", dir / "OUT.KRZ");
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
