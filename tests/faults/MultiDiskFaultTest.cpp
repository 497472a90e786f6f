// Split and Join under faults: a disk that fills (a file-size limit and a
// real small tmpfs) and a folder that cannot be written. A failed split
// must leave an earlier series of the same name whole, a failed join the
// earlier destination; neither may leave a temporary file.
#include "FaultSupport.h"
#include "KrzJoin.h"
#include "KrzSplit.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using test::Bytes;

namespace
{

constexpr int kPartKB = 1; // P = 1024 payload bytes per part
constexpr std::uint64_t kPage = 4096;

// A KRZ-like source of nLength bytes with sample-data offset 32.
Bytes Source(std::size_t nLength, std::uint8_t nSeed)
{
    Bytes ab = test::RampData(nLength, nSeed);
    ab[4] = ab[5] = ab[6] = 0;
    ab[7] = 32;
    return ab;
}

// The source split now: parts of 1056, 1060, 1060 and 136 bytes.
const Bytes kNewSource = Source(32 + 3 * 1024 + 100, 7);
// The earlier series of the same name, from another source: 1056, 1060 and
// 536 bytes.
const Bytes kEarlierSource = Source(32 + 2 * 1024 + 500, 99);

fault::Operation Split(const std::string& strSource, const std::string& strBase)
{
    return [=](test::CRecordingFeedback& feedback, std::string&)
    { feedback.Record(SplitKrzFile(strSource, strBase, kPartKB, feedback)); };
}

fault::Operation Join(const std::string& strFirst, const std::string& strDest)
{
    return [=](test::CRecordingFeedback& feedback, std::string&)
    { feedback.Record(JoinKrzFiles(strFirst, strDest)); };
}

// src/ holds both sources, parts/ the earlier series PIANO.KRZ01..03.
struct SplitScene
{
    explicit SplitScene(const test::TempDir& dir, const std::string& strPartsDir)
        : strSource(dir / "src/NEW.KRZ"), strBase(strPartsDir + "/PIANO.KRZ")
    {
        std::filesystem::create_directories(dir / "src");
        std::filesystem::create_directories(strPartsDir);
        test::WriteFileBytes(strSource, kNewSource);
        test::WriteFileBytes(dir / "src/OLD.KRZ", kEarlierSource);
        const auto outcome = fault::Run(Split(dir / "src/OLD.KRZ", strBase));
        EXPECT_EQ(outcome.strError, "");
        EXPECT_EQ(test::ListDir(strPartsDir).size(), 3u);
    }
    std::string strSource;
    std::string strBase;
};

// The parts the new source gives without faults, by name.
fault::Snapshot ReferenceParts()
{
    test::TempDir dir;
    test::WriteFileBytes(dir / "NEW.KRZ", kNewSource);
    std::filesystem::create_directory(dir / "parts");
    EXPECT_EQ(fault::Run(Split(dir / "NEW.KRZ", dir / "parts/PIANO.KRZ")).strError, "");
    return fault::TakeSnapshot(dir / "parts");
}

std::string DiskFull(const std::string& strPath)
{
    return "Disk full while accessing " + strPath + ".";
}

// The series the join reads, in parts/: nine parts of a 9248-byte source.
const Bytes kJoinSource = Source(32 + 9 * 1024, 21);
// What an earlier join left at the destination.
const Bytes kEarlierJoin(3000, 0x3C);

struct JoinScene
{
    JoinScene(const test::TempDir& dir, const std::string& strDestDir)
        : strFirst(dir / "parts/PIANO.KRZ01"), strDest(strDestDir + "/JOINED.KRZ")
    {
        std::filesystem::create_directories(dir / "parts");
        std::filesystem::create_directories(strDestDir);
        test::WriteFileBytes(dir / "SRC.KRZ", kJoinSource);
        EXPECT_EQ(fault::Run(Split(dir / "SRC.KRZ", dir / "parts/PIANO.KRZ")).strError, "");
        EXPECT_EQ(test::ListDir(dir / "parts").size(), 9u);
        test::WriteFileBytes(strDest, kEarlierJoin);
    }
    std::string strFirst;
    std::string strDest;
};

Bytes ReferenceJoin()
{
    test::TempDir dir;
    JoinScene scene(dir, dir / "out");
    EXPECT_EQ(fault::Run(Join(scene.strFirst, scene.strDest)).strError, "");
    return test::ReadFileBytes(scene.strDest);
}

} // namespace

// A disk that fills while part n is written: the earlier series of the same
// name stays whole (no new first parts before old later ones), and no part
// or temporary file of the new series is left.
TEST(SplitFault, DiskFillsWhileAPartIsWritten)
{
    struct Case
    {
        const char* szStage;
        rlim_t nLimit;
        const char* szFailingPart; // nullptr: no failure
    };
    const Case aCases[] = {
        {"part 1", 500, "PIANO.KRZ01"},
        {"part 2, one byte more than part 1", 1058, "PIANO.KRZ02"},
        {"exactly enough", 1060, nullptr},
    };
    const fault::Snapshot reference = ReferenceParts();
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szStage);
        test::TempDir dir;
        SplitScene scene(dir, dir / "parts");
        const auto before = fault::TakeSnapshot(dir / "parts");

        fault::ChildSetup setup;
        setup.nFileSizeLimit = c.nLimit;
        const auto outcome = fault::RunInChild(setup, Split(scene.strSource, scene.strBase));
        ASSERT_FALSE(outcome.bSkipped) << outcome.strSkipReason;

        EXPECT_EQ(outcome.aMessages, std::vector<std::string>{});
        if (!c.szFailingPart)
        {
            EXPECT_EQ(outcome.strError, "");
            EXPECT_TRUE(fault::SameFiles(reference, fault::TakeSnapshot(dir / "parts")));
            continue;
        }
        EXPECT_EQ(outcome.strError, DiskFull(dir / (std::string("parts/") + c.szFailingPart)));
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir / "parts")));
    }
}

TEST(SplitFault, TmpfsFillsWhileAPartIsWritten)
{
    struct Case
    {
        const char* szStage;
        std::uint64_t nFreePages;  // each part takes one
        const char* szFailingPart; // nullptr: no failure
    };
    const Case aCases[] = {
        {"part 1", 0, "PIANO.KRZ01"},
        {"part 3", 2, "PIANO.KRZ03"},
        {"enough room", 4, nullptr},
    };
    const fault::Snapshot reference = ReferenceParts();
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szStage);
        test::TempDir dir;
        fault::CScopedTmpfs disk(dir.Path() / "disk", "256k");
        if (!disk.Mounted())
            GTEST_SKIP() << disk.WhyNot();
        SplitScene scene(dir, disk.Path().string());
        ASSERT_TRUE(fault::FillLeaving(disk.Path(), c.nFreePages * kPage));
        const auto before = fault::TakeSnapshot(disk.Path());

        const auto outcome = fault::Run(Split(scene.strSource, scene.strBase));

        if (!c.szFailingPart)
        {
            EXPECT_EQ(outcome.strError, "");
            auto expected = reference;
            expected["filler"] = before.at("filler");
            EXPECT_TRUE(fault::SameFiles(expected, fault::TakeSnapshot(disk.Path())));
            continue;
        }
        EXPECT_EQ(outcome.strError, DiskFull(disk / c.szFailingPart));
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(disk.Path())));
        EXPECT_EQ(fault::FreeBytes(disk.Path()), c.nFreePages * kPage);
    }
}

// A read-only parts folder, or a write-protected part of an earlier series
// in a folder open to writing: refused, and the earlier series stays whole.
TEST(SplitFault, WriteProtected)
{
    for (const bool bProtectPart : {false, true})
    {
        SCOPED_TRACE(bProtectPart ? "write-protected part" : "read-only folder");
        test::TempDir dir;
        SplitScene scene(dir, dir / "parts");
        fault::OpenToOthers(dir.Path());
        const auto setup =
            fault::WriteProtect(dir / "parts", bProtectPart ? scene.strBase + "01" : "");
        const auto before = fault::TakeSnapshot(dir / "parts");

        const auto outcome = fault::RunInChild(setup, Split(scene.strSource, scene.strBase));
        if (outcome.bSkipped)
            GTEST_SKIP() << outcome.strSkipReason;

        EXPECT_EQ(outcome.strError, "Access to " + scene.strBase + "01 was denied.");
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir / "parts")));
    }
}

// A disk that fills during the join: in the first part, in a later one, at
// the last byte; the limit at exactly the joined size is enough.
TEST(JoinFault, DiskFillsDuringTheJoin)
{
    struct Case
    {
        const char* szStage;
        rlim_t nLimit;
        bool bFails;
    };
    const Case aCases[] = {
        {"the first part", 500, true},
        {"a later part", 5000, true},
        {"the last byte", kJoinSource.size() - 1, true},
        {"exactly enough", kJoinSource.size(), false},
    };
    const Bytes abReference = ReferenceJoin();
    ASSERT_EQ(abReference.size(), kJoinSource.size());
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szStage);
        test::TempDir dir;
        JoinScene scene(dir, dir / "out");
        const auto beforeOut = fault::TakeSnapshot(dir / "out");
        const auto beforeParts = fault::TakeSnapshot(dir / "parts");

        fault::ChildSetup setup;
        setup.nFileSizeLimit = c.nLimit;
        const auto outcome = fault::RunInChild(setup, Join(scene.strFirst, scene.strDest));
        ASSERT_FALSE(outcome.bSkipped) << outcome.strSkipReason;

        EXPECT_EQ(outcome.aMessages, std::vector<std::string>{});
        EXPECT_TRUE(fault::SameFiles(beforeParts, fault::TakeSnapshot(dir / "parts")));
        if (!c.bFails)
        {
            EXPECT_EQ(outcome.strError, "");
            EXPECT_TRUE(
                fault::SameFiles({{"JOINED.KRZ", abReference}}, fault::TakeSnapshot(dir / "out")));
            continue;
        }
        EXPECT_EQ(outcome.strError, DiskFull(scene.strDest));
        EXPECT_TRUE(fault::SameFiles(beforeOut, fault::TakeSnapshot(dir / "out")));
    }
}

TEST(JoinFault, TmpfsFillsDuringTheJoin)
{
    struct Case
    {
        const char* szStage;
        std::uint64_t nFreePages; // the joined file takes three
        bool bFails;
    };
    const Case aCases[] = {
        {"no room", 0, true},
        {"room for part of it", 2, true},
        {"enough room", 3, false},
    };
    const Bytes abReference = ReferenceJoin();
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szStage);
        test::TempDir dir;
        fault::CScopedTmpfs disk(dir.Path() / "disk", "256k");
        if (!disk.Mounted())
            GTEST_SKIP() << disk.WhyNot();
        JoinScene scene(dir, disk.Path().string());
        ASSERT_TRUE(fault::FillLeaving(disk.Path(), c.nFreePages * kPage));
        const auto before = fault::TakeSnapshot(disk.Path());

        const auto outcome = fault::Run(Join(scene.strFirst, scene.strDest));

        if (!c.bFails)
        {
            EXPECT_EQ(outcome.strError, "");
            auto expected = before;
            expected["JOINED.KRZ"] = abReference;
            EXPECT_TRUE(fault::SameFiles(expected, fault::TakeSnapshot(disk.Path())));
            continue;
        }
        EXPECT_EQ(outcome.strError, DiskFull(scene.strDest));
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(disk.Path())));
        EXPECT_EQ(fault::FreeBytes(disk.Path()), c.nFreePages * kPage);
    }
}

// The join has its own message for a destination it cannot create: in a
// read-only folder, or write-protected in a folder open to writing.
TEST(JoinFault, WriteProtected)
{
    for (const bool bProtectDest : {false, true})
    {
        SCOPED_TRACE(bProtectDest ? "write-protected destination" : "read-only folder");
        test::TempDir dir;
        JoinScene scene(dir, dir / "out");
        fault::OpenToOthers(dir.Path());
        const auto setup = fault::WriteProtect(dir / "out", bProtectDest ? scene.strDest : "");
        const auto before = fault::TakeSnapshot(dir / "out");

        const auto outcome = fault::RunInChild(setup, Join(scene.strFirst, scene.strDest));
        if (outcome.bSkipped)
            GTEST_SKIP() << outcome.strSkipReason;

        EXPECT_EQ(outcome.strError, "");
        EXPECT_EQ(outcome.aMessages,
                  std::vector<std::string>{"FILE ERROR: Can't open destination File..."});
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir / "out")));
    }
}
