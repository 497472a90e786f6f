// dorvane-cli and pool files on disk: relative paths lead to the pool's
// folder from any current folder, and the pool command writes pool files.
#include "CDorvane_V2Doc.h"
#include "CliRun.h"
#include "PoolEdit.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace
{
namespace fs = std::filesystem;
using test::Bytes;
using test::RunCli;

test::WavSpec Spec(int nChannels, std::size_t nBytes, std::uint8_t nSeed)
{
    test::WavSpec spec;
    spec.nChannels = static_cast<std::uint16_t>(nChannels);
    spec.nBits = 16;
    spec.abData = test::RampData(nBytes, nSeed);
    return spec;
}

// proj/a.wav and proj/kit/b.wav, and files of the same names but other
// sounds in other/.
void MakeProject(const test::TempDir& dir)
{
    for (const char* szFolder : {"proj/kit", "other/kit", "empty"})
        fs::create_directories(dir.Path() / szFolder);
    test::WriteFileBytes(dir / "proj/a.wav", test::MakeWav(Spec(1, 3000, 1)));
    test::WriteFileBytes(dir / "proj/kit/b.wav", test::MakeWav(Spec(2, 4000, 2)));
    test::WriteFileBytes(dir / "other/a.wav", test::MakeWav(Spec(1, 3000, 7)));
    test::WriteFileBytes(dir / "other/kit/b.wav", test::MakeWav(Spec(2, 4000, 8)));
}

std::vector<std::string> StoredPaths(const std::string& strPool)
{
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    test::CRecordingFeedback feedback;
    std::vector<std::string> aPaths;
    if (ShowAsMessages(pDoc->OnOpenDocument(strPool), feedback))
        for (int i = 0; i < pDoc->m_nCount; ++i)
            aPaths.push_back(pDoc->m_aPool[i].m_strFileName);
    return aPaths;
}

} // namespace

// A pool's relative paths lead to the pool's folder wherever make is run:
// never to files of the same names in the current folder.
TEST(CliPool, MakeReadsAPoolsFilesFromItsFolder)
{
    test::TempDir dir;
    MakeProject(dir);
    {
        auto pDoc = std::make_unique<CDorvane_V2Doc>();
        AddPoolEntry(*pDoc, "a.wav", "a.wav");
        AddPoolEntry(*pDoc, "kit/b.wav", "b.wav");
        test::CRecordingFeedback feedback;
        ASSERT_TRUE(ShowAsMessages(pDoc->OnSaveDocument(dir / "proj/set.dvn"), feedback));
    }
    auto r = RunCli(dir / "proj", "make -o ../expected.krz set.dvn");
    ASSERT_EQ(r.nStatus, 0) << r.strOut;
    const Bytes abExpected = test::ReadFileBytes(dir / "expected.krz");

    for (const char* szFolder : {"other", "empty", "other/kit"})
    {
        SCOPED_TRACE(szFolder);
        const std::string strPool = dir / "proj/set.dvn";
        r = RunCli(dir / szFolder, "make -o '" + (dir / "out.krz") + "' '" + strPool + "'");
        ASSERT_EQ(r.nStatus, 0) << r.strOut;
        EXPECT_EQ(test::ReadFileBytes(dir / "out.krz"), abExpected);
    }
}

TEST(CliPool, PoolCommandWritesPoolFiles)
{
    struct Case
    {
        const char* szArgs; // run in proj/
        int nStatus;
        const char* szPool;               // the pool file to look at, or nullptr
        std::vector<std::string> aStored; // "@" stands for proj's full path
        const char* szOut;                // a text the output holds
    };
    const Case aCases[] = {
        {"pool -o set.dvn a.wav kit/b.wav ../other/a.wav",
         0,
         "set.dvn",
         {"@/a.wav", "@/kit/b.wav", "@/../other/a.wav"},
         "Wrote set.dvn: 3 entries"},
        {"pool -o set.dvn --relative-paths a.wav kit/b.wav ../other/a.wav",
         0,
         "set.dvn",
         {"a.wav", "kit/b.wav", "@/../other/a.wav"},
         "Wrote set.dvn: 3 entries"},
        {"pool -o kit/set.dvn --relative-paths a.wav kit/b.wav",
         0,
         "kit/set.dvn",
         {"@/a.wav", "b.wav"},
         "Wrote kit/set.dvn: 2 entries"},
        // A pool saved again over itself, now with relative paths.
        {"pool -o abs.dvn --relative-paths abs.dvn",
         0,
         "abs.dvn",
         {"a.wav", "kit/b.wav"},
         "Wrote abs.dvn: 2 entries"},
        // Saved into another folder: the paths still lead to the files.
        {"pool -o ../other/moved.dvn rel.dvn",
         0,
         "../other/moved.dvn",
         {"@/a.wav", "@/kit/b.wav"},
         "2 entries"},
        {"pool -o a.wav a.wav", 1, nullptr, {}, "it is the same file as a.wav"},
        {"pool -o new.dvn a.wav gone.wav", 1, nullptr, {}, "gone.wav was not found."},
        {"pool a.wav", 2, nullptr, {}, ""},
        {"pool -o '' a.wav", 2, nullptr, {}, "The pool file to write has no name."},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szArgs);
        test::TempDir dir;
        MakeProject(dir);
        const std::string strProj = fs::canonical(dir.Path() / "proj").string();
        {
            auto pDoc = std::make_unique<CDorvane_V2Doc>();
            AddPoolEntry(*pDoc, strProj + "/a.wav", "a.wav");
            AddPoolEntry(*pDoc, strProj + "/kit/b.wav", "b.wav");
            test::CRecordingFeedback feedback;
            ASSERT_TRUE(ShowAsMessages(pDoc->OnSaveDocument(dir / "proj/abs.dvn"), feedback));
            pDoc->m_aPool[0].m_strFileName = "a.wav";
            pDoc->m_aPool[1].m_strFileName = "kit/b.wav";
            ASSERT_TRUE(ShowAsMessages(pDoc->OnSaveDocument(dir / "proj/rel.dvn"), feedback));
        }
        const Bytes abWav = test::ReadFileBytes(dir / "proj/a.wav");

        const auto r = RunCli(dir / "proj", c.szArgs);

        EXPECT_EQ(r.nStatus, c.nStatus) << r.strOut;
        EXPECT_NE(r.strOut.find(c.szOut), std::string::npos) << r.strOut;
        EXPECT_EQ(test::ReadFileBytes(dir / "proj/a.wav"), abWav);
        EXPECT_FALSE(test::FileExists(dir / "proj/new.dvn"));
        if (c.szPool == nullptr)
            continue;
        std::vector<std::string> aExpected;
        for (std::string strStored : c.aStored)
            aExpected.push_back(
                strStored[0] == '@'
                    ? fs::path(strProj + strStored.substr(1)).lexically_normal().string()
                    : strStored);
        EXPECT_EQ(StoredPaths((dir.Path() / "proj" / c.szPool).string()), aExpected);
    }
}
