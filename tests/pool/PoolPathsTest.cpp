// Paths that travel: stored paths from any machine split, the places their
// files are looked for, resolution when a pool opens and the rewrite when a
// pool is saved into another folder.
#include "PoolPaths.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

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
