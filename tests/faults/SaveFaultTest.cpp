// Saving the pool under faults: a disk that fills in any of the archive's
// blocks (a file-size limit and a real small tmpfs) and a folder that
// cannot be written. A failed save shows its message, returns false, keeps
// the document modified under its old name and leaves the pool file that
// was there byte for byte, with no temporary file beside it.
#include "CDorvane_V2Doc.h"
#include "FaultSupport.h"
#include "PoolEdit.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>

using test::Bytes;

namespace
{

constexpr std::uint64_t kPage = 4096;

// A pool opened from strPath (three entries), then grown to 100 entries
// with long paths, so that its file (about 9 KB) takes three blocks of the
// archive's 4 KiB buffer and more than one page.
std::unique_ptr<CDorvane_V2Doc> ChangedPool(const std::string& strPath)
{
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    pDoc->OnNewDocument();
    for (int i = 0; i < 3; ++i)
        AddPoolEntry(*pDoc, "/old/sample" + std::to_string(i) + ".wav", "sample.wav");
    test::CRecordingFeedback feedback;
    EXPECT_TRUE(ShowAsMessages(pDoc->OnSaveDocument(strPath), feedback));
    EXPECT_TRUE(ShowAsMessages(pDoc->OnOpenDocument(strPath), feedback));
    while (pDoc->m_nCount < MAX_POOL)
    {
        const std::string strName = "strings-section-" + std::to_string(pDoc->m_nCount) + ".wav";
        AddPoolEntry(*pDoc, "/recordings/orchestra/long/folder/names/" + strName, strName);
    }
    EXPECT_TRUE(pDoc->IsModified());
    return pDoc;
}

// The save as the File menu runs it; notes what it returned and the state
// the document is left in.
fault::Operation Save(CDorvane_V2Doc& doc, const std::string& strPath)
{
    return [&doc, strPath](test::CRecordingFeedback& feedback, std::string& strNote)
    {
        const bool bSaved = ShowAsMessages(doc.OnSaveDocument(strPath), feedback);
        strNote = std::string(bSaved ? "saved" : "not saved") +
                  (doc.IsModified() ? ", modified, " : ", unmodified, ") + doc.GetPathName();
    };
}

Bytes ReferencePoolFile()
{
    test::TempDir dir;
    auto pDoc = ChangedPool(dir / "POOL.DVN");
    EXPECT_EQ(fault::Run(Save(*pDoc, dir / "POOL.DVN")).strError, "");
    return test::ReadFileBytes(dir / "POOL.DVN");
}

} // namespace

TEST(SaveFault, DiskFillsInAnyBlock)
{
    const Bytes abReference = ReferencePoolFile();
    ASSERT_GT(abReference.size(), 8192u);
    ASSERT_LT(abReference.size(), 3 * kPage);
    struct Case
    {
        const char* szStage;
        rlim_t nLimit;
    };
    const Case aCases[] = {
        {"the first block", 100},
        {"the second block", 5000},
        {"the last byte", abReference.size() - 1},
        {"exactly enough", abReference.size()},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szStage);
        test::TempDir dir;
        const std::string strPool = dir / "POOL.DVN";
        auto pDoc = ChangedPool(strPool);
        const auto before = fault::TakeSnapshot(dir.Path());

        fault::ChildSetup setup;
        setup.nFileSizeLimit = c.nLimit;
        const auto outcome = fault::RunInChild(setup, Save(*pDoc, strPool));
        ASSERT_FALSE(outcome.bSkipped) << outcome.strSkipReason;

        EXPECT_EQ(outcome.strError, "");
        if (c.nLimit >= abReference.size())
        {
            EXPECT_EQ(outcome.aMessages, std::vector<std::string>{});
            EXPECT_EQ(outcome.strNote, "saved, unmodified, " + strPool);
            EXPECT_TRUE(
                fault::SameFiles({{"POOL.DVN", abReference}}, fault::TakeSnapshot(dir.Path())));
            continue;
        }
        EXPECT_EQ(outcome.aMessages,
                  std::vector<std::string>{"Disk full while accessing " + strPool + "."});
        EXPECT_EQ(outcome.strNote, "not saved, modified, " + strPool);
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir.Path())));
    }
}

TEST(SaveFault, TmpfsFills)
{
    struct Case
    {
        const char* szStage;
        std::uint64_t nFreePages; // the new file takes three
        bool bFails;
    };
    const Case aCases[] = {
        {"no room", 0, true},
        {"room for part of it", 2, true},
        {"enough room", 3, false},
    };
    const Bytes abReference = ReferencePoolFile();
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szStage);
        test::TempDir dir;
        fault::CScopedTmpfs disk(dir.Path() / "disk", "256k");
        if (!disk.Mounted())
            GTEST_SKIP() << disk.WhyNot();
        const std::string strPool = disk / "POOL.DVN";
        auto pDoc = ChangedPool(strPool);
        ASSERT_TRUE(fault::FillLeaving(disk.Path(), c.nFreePages * kPage));
        const auto before = fault::TakeSnapshot(disk.Path());

        const auto outcome = fault::Run(Save(*pDoc, strPool));

        EXPECT_EQ(outcome.strError, "");
        if (!c.bFails)
        {
            EXPECT_EQ(outcome.strNote, "saved, unmodified, " + strPool);
            auto expected = before;
            expected["POOL.DVN"] = abReference;
            EXPECT_TRUE(fault::SameFiles(expected, fault::TakeSnapshot(disk.Path())));
            continue;
        }
        EXPECT_EQ(outcome.aMessages,
                  std::vector<std::string>{"Disk full while accessing " + strPool + "."});
        EXPECT_EQ(outcome.strNote, "not saved, modified, " + strPool);
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(disk.Path())));
        EXPECT_EQ(fault::FreeBytes(disk.Path()), c.nFreePages * kPage);
    }
}

// Save and Save As where the user may not write: a read-only folder, or a
// write-protected pool file in a folder open to writing (which the rename
// alone would replace).
TEST(SaveFault, WriteProtected)
{
    struct Case
    {
        const char* szName;
        bool bProtectPool;    // else the folder is read-only
        const char* szTarget; // inside the pools folder
    };
    const Case aCases[] = {
        {"Save in a read-only folder", false, "POOL.DVN"},
        {"Save As in a read-only folder", false, "NEW.DVN"},
        {"Save over a write-protected pool file", true, "POOL.DVN"},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        std::filesystem::create_directory(dir / "pools");
        const std::string strPool = dir / "pools/POOL.DVN";
        const std::string strTarget = dir / (std::string("pools/") + c.szTarget);
        auto pDoc = ChangedPool(strPool);
        fault::OpenToOthers(dir.Path());
        const auto setup = fault::WriteProtect(dir / "pools", c.bProtectPool ? strPool : "");
        const auto before = fault::TakeSnapshot(dir / "pools");

        const auto outcome = fault::RunInChild(setup, Save(*pDoc, strTarget));
        if (outcome.bSkipped)
            GTEST_SKIP() << outcome.strSkipReason;

        EXPECT_EQ(outcome.strError, "");
        EXPECT_EQ(outcome.aMessages,
                  std::vector<std::string>{"Access to " + strTarget + " was denied."});
        EXPECT_EQ(outcome.strNote, "not saved, modified, " + strPool);
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir / "pools")));
    }
}
