// Paths that travel: stored paths from any machine split, the places their
// files are looked for, resolution when a pool opens and the rewrite when a
// pool is saved into another folder.
#include "PoolPaths.h"
#include "PoolEdit.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace
{
namespace fs = std::filesystem;

TEST(PoolPaths, SplitStoredPath)
{
    struct Case
    {
        const char* szStored;
        bool bAbsolute;
        bool bWindows;
        std::vector<std::string> aFolders;
        const char* szName;
    };
    const Case aCases[] = {
        {"/home/u/kick.wav", true, false, {"home", "u"}, "kick.wav"},
        {"kick.wav", false, false, {}, "kick.wav"},
        {"./drums/./kick.wav", false, false, {"drums"}, "kick.wav"},
        {"../drums/kick.wav", false, false, {"..", "drums"}, "kick.wav"},
        {"C:\\Samples\\Drums\\Kick 1.WAV", true, true, {"Samples", "Drums"}, "Kick 1.WAV"},
        {"c:/Samples/kick.wav", true, true, {"Samples"}, "kick.wav"},
        {"D:kick.wav", true, true, {}, "kick.wav"},
        {"\\\\server\\share\\kit\\kick.wav", true, true, {"kit"}, "kick.wav"},
        {"\\Samples\\kick.wav", true, true, {"Samples"}, "kick.wav"},
        {"drums\\kick.wav", false, true, {"drums"}, "kick.wav"},
        {"drums\\\\kick.wav", false, true, {"drums"}, "kick.wav"}, // doubled separator
        {"drums/", false, false, {"drums"}, ""},                   // a folder, no file
        {"C:\\", true, true, {}, ""},
        {"", false, false, {}, ""},
    };
    for (const Case& c : aCases)
    {
        const StoredPath sp = SplitStoredPath(c.szStored);
        EXPECT_EQ(sp.bAbsolute, c.bAbsolute) << c.szStored;
        EXPECT_EQ(sp.bWindows, c.bWindows) << c.szStored;
        EXPECT_EQ(sp.aFolders, c.aFolders) << c.szStored;
        EXPECT_EQ(sp.strName, c.szName) << c.szStored;
    }
}

TEST(PoolPaths, CandidatesInOrder)
{
    struct Case
    {
        const char* szStored;
        const char* szPoolDir;
        std::vector<std::string> aExpected;
    };
    const Case aCases[] = {
        // An absolute path as stored first, then by name beside the pool
        // and under the pool's folder with the stored path's last folders.
        {"/old/kit/drums/kick.wav",
         "/pools",
         {"/old/kit/drums/kick.wav", "/pools/kick.wav", "/pools/drums/kick.wav",
          "/pools/kit/drums/kick.wav", "/pools/old/kit/drums/kick.wav"}},
        // Relative: the pool's folder, then the current folder; the by-name
        // places that repeat the first are not tried twice.
        {"drums/kick.wav",
         "/pools",
         {"/pools/drums/kick.wav", "/cwd/drums/kick.wav", "/pools/kick.wav"}},
        {"drums\\kick.wav",
         "/pools",
         {"/pools/drums/kick.wav", "/cwd/drums/kick.wav", "/pools/kick.wav"}},
        {"kick.wav", "/pools", {"/pools/kick.wav", "/cwd/kick.wav"}},
        {"../kit/kick.wav",
         "/pools/a",
         {"/pools/kit/kick.wav", "/kit/kick.wav", "/pools/a/kick.wav", "/pools/a/kit/kick.wav"}},
        // Windows absolute paths cannot be opened here: by name only.
        {"C:\\Users\\Ann\\Kit\\Snare.wav",
         "/pools",
         {"/pools/Snare.wav", "/pools/Kit/Snare.wav", "/pools/Ann/Kit/Snare.wav",
          "/pools/Users/Ann/Kit/Snare.wav"}},
        {"\\\\nas\\audio\\Snare.wav", "/pools", {"/pools/Snare.wav"}},
        // No pool folder (never saved): the stored path and the current
        // folder only.
        {"kick.wav", "", {"/cwd/kick.wav"}},
        {"C:\\kick.wav", "", {}},
        {"", "/pools", {}},
        {"drums/", "/pools", {}},
        {"a/..", "/pools", {}},
    };
    for (const Case& c : aCases)
        EXPECT_EQ(PathCandidates(c.szStored, c.szPoolDir, "/cwd"), c.aExpected) << c.szStored;
}

class PoolPathsOnDisk : public ::testing::Test
{
  protected:
    void Touch(const std::string& strRelative)
    {
        const fs::path path = m_dir.Path() / strRelative;
        fs::create_directories(path.parent_path());
        test::WriteFileBytes(path.string(), {1, 2, 3});
    }
    std::string At(const std::string& strRelative) const
    {
        return (m_dir.Path() / strRelative).lexically_normal().string();
    }
    CDorvane_V2Doc& Doc(std::vector<std::string> aPaths)
    {
        m_pDoc = std::make_unique<CDorvane_V2Doc>();
        for (std::size_t i = 0; i < aPaths.size(); ++i)
            m_pDoc->m_aPool[i].m_strFileName = aPaths[i];
        m_pDoc->m_nCount = static_cast<int>(aPaths.size());
        return *m_pDoc;
    }

    test::TempDir m_dir;
    std::unique_ptr<CDorvane_V2Doc> m_pDoc;
};

TEST_F(PoolPathsOnDisk, OpeningFindsEveryFileItCan)
{
    Touch("pools/kick.wav");
    Touch("pools/drums/snare.wav");
    Touch("cwd/hat.wav");
    Touch("pools/Kit/Tom.wav");
    Touch("elsewhere/ride.wav");
    Touch("cwd/both.wav");
    Touch("pools/both.wav");
    CDorvane_V2Doc& doc = Doc({
        "kick.wav",                 // beside the pool
        "drums\\snare.wav",         // Windows relative
        "hat.wav",                  // in the current folder only
        "D:\\Music\\Kit\\Tom.wav",  // Windows absolute, found by folder and name
        At("elsewhere/ride.wav"),   // where it says: nothing recorded
        "/gone/away/kick.wav",      // found by name beside the pool
        "both.wav",                 // the pool's folder wins over the current one
        "C:\\nowhere\\missing.wav", // found nowhere
        "lost/also-missing.wav",
    });
    const std::vector<int> aMissing =
        ResolvePoolPaths(doc, At("pools/set.dvn"), m_dir.Path() / "cwd");
    const std::string aFound[] = {
        At("pools/kick.wav"),
        At("pools/drums/snare.wav"),
        At("cwd/hat.wav"),
        At("pools/Kit/Tom.wav"),
        "",
        At("pools/kick.wav"),
        At("pools/both.wav"),
        "",
        "",
    };
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(doc.m_aPool[i].m_strFoundPath, aFound[i]) << i;
    EXPECT_EQ(aMissing, (std::vector<int>{7, 8}));
    // Opening never changes what is stored.
    EXPECT_EQ(doc.m_aPool[1].m_strFileName, "drums\\snare.wav");
    EXPECT_EQ(doc.m_aPool[4].FilePath(), At("elsewhere/ride.wav"));
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(PoolPathsOnDisk, SaveAsElsewhereKeepsEntriesPointingAtTheirFiles)
{
    Touch("old/kick.wav");
    Touch("sub/kit/pad.wav");
    Touch("abs/ride.wav");
    Touch("snare.wav");
    CDorvane_V2Doc& doc = Doc({"old/kick.wav", "sub/kit/pad.wav", At("abs/ride.wav"), "missing.wav",
                               "C:\\Samples\\snare.wav"});
    ResolvePoolPaths(doc, At("set.dvn"), m_dir.Path() / "cwd");

    EXPECT_EQ(RebasePoolPaths(doc, At("sub/set.dvn")), 3);
    // Outside the new folder: absolute; inside it: relative to it; a path
    // that still leads to the file and a missing file stay as stored.
    EXPECT_EQ(doc.m_aPool[0].m_strFileName, At("old/kick.wav"));
    EXPECT_EQ(doc.m_aPool[0].m_strFoundPath, "");
    EXPECT_EQ(doc.m_aPool[1].m_strFileName, "kit/pad.wav");
    EXPECT_EQ(doc.m_aPool[1].FilePath(), At("sub/kit/pad.wav"));
    EXPECT_EQ(doc.m_aPool[2].m_strFileName, At("abs/ride.wav"));
    EXPECT_EQ(doc.m_aPool[3].m_strFileName, "missing.wav");
    EXPECT_EQ(doc.m_aPool[4].m_strFileName, At("snare.wav"));

    // Saved again into a folder from which the stored paths still lead to
    // the files: nothing is rewritten.
    CDorvane_V2Doc& same = Doc({"old/kick.wav", "sub/kit/pad.wav"});
    ResolvePoolPaths(same, At("set.dvn"), m_dir.Path() / "cwd");
    EXPECT_EQ(RebasePoolPaths(same, At("copy.dvn")), 0);
    EXPECT_EQ(same.m_aPool[0].m_strFileName, "old/kick.wav");
}

} // namespace

namespace
{

// The pool file of the entries, written without any rewriting of paths.
void WritePool(const std::vector<std::string>& aPaths, const std::string& strPoolPath)
{
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    for (const std::string& strPath : aPaths)
        AddPoolEntry(*pDoc, strPath, FileTitleOf(strPath));
    test::CRecordingFeedback feedback;
    ASSERT_TRUE(ShowAsMessages(pDoc->OnSaveDocument(strPoolPath), feedback));
}

} // namespace

// A pool whose files come from more than one folder tree (a copied project
// folder that still names the original's files) gives one message naming
// the files from outside its folder; a pool whose files lie in one place
// gives none.
TEST_F(PoolPathsOnDisk, OpeningNamesFilesFromOutsideThePoolFolder)
{
    struct Case
    {
        const char* szName;
        std::vector<std::string> aFiles;  // made before the pool opens
        std::vector<std::string> aStored; // "@" stands for the test's folder
        std::vector<int> aListed;
    };
    const Case aCases[] = {
        {"a copy whose original lost a file",
         {"old/a.wav", "copy/a.wav", "copy/b.wav"},
         {"@/old/a.wav", "@/old/b.wav"},
         {0}},
        {"a copy whose original is whole",
         {"old/a.wav", "old/b.wav", "copy/a.wav", "copy/b.wav"},
         {"@/old/a.wav", "@/old/b.wav"},
         {0, 1}},
        {"a copy with relative and absolute paths",
         {"old/kit/b.wav", "copy/a.wav", "copy/kit/b.wav"},
         {"a.wav", "@/old/kit/b.wav"},
         {1}},
        {"a library outside the pool's folder",
         {"lib/a.wav", "lib/b.wav"},
         {"@/lib/a.wav", "@/lib/b.wav"},
         {}},
        {"everything in the pool's folder",
         {"copy/a.wav", "copy/kit/b.wav"},
         {"@/copy/a.wav", "kit/b.wav"},
         {}},
        {"samples beside the pool's folder, by relative path",
         {"samples/a.wav", "copy/b.wav"},
         {"../samples/a.wav", "b.wav"},
         {}},
        {"missing files are no folder", {"copy/a.wav"}, {"@/old/a.wav", "@/gone/b.wav"}, {}},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const test::TempDir dir;
        std::vector<std::string> aStored;
        for (const std::string& strFile : c.aFiles)
        {
            fs::create_directories((dir.Path() / strFile).parent_path());
            test::WriteFileBytes(dir / strFile, {1, 2, 3});
        }
        for (std::string strStored : c.aStored)
        {
            if (strStored[0] == '@')
                strStored = dir.Path().string() + strStored.substr(1);
            aStored.push_back(strStored);
        }
        fs::create_directories(dir.Path() / "copy");
        const std::string strPool = dir / "copy/set.dvn";
        WritePool(aStored, strPool);

        auto pDoc = std::make_unique<CDorvane_V2Doc>();
        test::CRecordingFeedback feedback;
        ASSERT_TRUE(ShowAsMessages(pDoc->OnOpenDocument(strPool), feedback));
        ASSERT_EQ(feedback.m_aMessages.size(), c.aListed.empty() ? 0u : 1u);
        EXPECT_EQ(EntriesFromOutside(*pDoc, strPool), c.aListed);
        if (c.aListed.empty())
            continue;
        // What else lies in the pool's folder: other entries' files, or
        // only files of the listed names.
        const bool bAllListed = static_cast<int>(c.aListed.size()) == pDoc->m_nCount;
        EXPECT_NE(feedback.m_aMessages[0].strText.find(
                      bAllListed ? "Files of these names lie in the pool's folder too."
                                 : "The pool's other files lie in its folder."),
                  std::string::npos);
        for (int i = 0; i < pDoc->m_nCount; ++i)
        {
            const bool bListed =
                std::find(c.aListed.begin(), c.aListed.end(), i) != c.aListed.end();
            EXPECT_EQ(feedback.m_aMessages[0].strText.find(pDoc->m_aPool[i].FilePath()) !=
                          std::string::npos,
                      bListed)
                << feedback.m_aMessages[0].strText;
        }
    }
}

// With the option, a pool saved into its project folder stores the paths
// of the files inside that folder relative to it, so that the folder can
// move; without it the stored paths are what they were.
TEST_F(PoolPathsOnDisk, SavingPathsRelativeToThePoolFile)
{
    struct Case
    {
        bool bRelative;
        std::vector<std::string> aExpected; // "@" stands for the test's folder
    };
    const Case aCases[] = {
        {false, {"@/proj/a.wav", "@/proj/kit/b.wav", "@/lib/c.wav", "@/proj/gone.wav"}},
        {true, {"a.wav", "kit/b.wav", "@/lib/c.wav", "@/proj/gone.wav"}},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.bRelative);
        const test::TempDir dir;
        const std::string strRoot = dir.Path().string();
        for (const char* szFile : {"proj/a.wav", "proj/kit/b.wav", "lib/c.wav"})
        {
            fs::create_directories((dir.Path() / szFile).parent_path());
            test::WriteFileBytes(dir / szFile, {1, 2, 3});
        }
        auto pDoc = std::make_unique<CDorvane_V2Doc>();
        for (const char* szFile : {"proj/a.wav", "proj/kit/b.wav", "lib/c.wav", "proj/gone.wav"})
            AddPoolEntry(*pDoc, dir / szFile, szFile);
        pDoc->m_bRelativePaths = c.bRelative;
        test::CRecordingFeedback feedback;
        ASSERT_TRUE(ShowAsMessages(pDoc->OnSaveDocument(dir / "proj/set.dvn"), feedback));

        // The project folder moves; the pool opens with its files there.
        fs::rename(dir.Path() / "proj", dir.Path() / "moved");
        auto pOpened = std::make_unique<CDorvane_V2Doc>();
        ASSERT_TRUE(ShowAsMessages(pOpened->OnOpenDocument(dir / "moved/set.dvn"), feedback));
        for (std::size_t i = 0; i < c.aExpected.size(); ++i)
        {
            std::string strExpected = c.aExpected[i];
            if (strExpected[0] == '@')
                strExpected = strRoot + strExpected.substr(1);
            EXPECT_EQ(pOpened->m_aPool[i].m_strFileName, strExpected) << i;
        }
        if (c.bRelative)
        {
            EXPECT_EQ(pOpened->m_aPool[1].FilePath(), dir / "moved/kit/b.wav");
            EXPECT_EQ(pDoc->m_aPool[1].FilePath(), dir / "proj/kit/b.wav");
        }
    }
}

TEST_F(PoolPathsOnDisk, AFailedSaveKeepsTheStoredPaths)
{
    Touch("proj/a.wav");
    Touch("proj/kit/b.wav");
    CDorvane_V2Doc& doc = Doc({At("proj/a.wav")});
    doc.m_bRelativePaths = true;
    test::CRecordingFeedback feedback;
    // The target is a folder: the pool file cannot take its place.
    EXPECT_FALSE(ShowAsMessages(doc.OnSaveDocument(At("proj/kit")), feedback));
    EXPECT_EQ(doc.m_aPool[0].m_strFileName, At("proj/a.wav"));
    EXPECT_EQ(doc.m_aPool[0].m_strFoundPath, "");
}

// The page knows dropped files only by their places in the drop; the pool's
// entries take them in the resolver's order, so that files of one name in
// two folders go to the entries that name those folders.
TEST(PoolPaths, MatchingDroppedFiles)
{
    const std::vector<std::string> aDropped = {"/proj/kit2/snare.wav", "/proj/kit1/snare.wav",
                                               "/proj/kick.wav",       "/proj/Drums/hat.wav",
                                               "/loose.wav",           "/other/kick.wav"};
    struct Case
    {
        const char* szStored;
        const char* szPoolDir;
        int nExpected;
    };
    const Case aCases[] = {
        {"kit1/snare.wav", "/proj", 1},
        {"kit2/snare.wav", "/proj", 0},
        {"C:\\Samples\\kit1\\snare.wav", "/proj", 1}, // by its last folder
        {"/home/ann/proj/kick.wav", "/proj", 2},      // by name beside the pool
        {"kick.wav", "/proj", 2},                     // the pool's folder first
        {"kick.wav", "/other", 5},
        {"D:\\Drums\\hat.wav", "/proj", 3},
        {"loose.wav", "/", 4},
        {"snare.wav", "/proj", -1}, // not beside the pool: no guess here
        {"missing.wav", "/proj", -1},
        {"", "/proj", -1},
    };
    std::vector<std::string> aStored;
    std::vector<int> aExpected;
    for (const Case& c : aCases)
    {
        EXPECT_EQ(MatchStoredPaths({c.szStored}, c.szPoolDir, aDropped),
                  std::vector<int>{c.nExpected})
            << c.szStored << " from " << c.szPoolDir;
        if (std::string(c.szPoolDir) == "/proj")
        {
            aStored.push_back(c.szStored);
            aExpected.push_back(c.nExpected);
        }
    }
    // All at once: one answer per stored path, in order.
    EXPECT_EQ(MatchStoredPaths(aStored, "/proj", aDropped), aExpected);
}
