// The pool file: its exact bytes, version 202 files, refused and damaged
// files, and saves that fail without harming the file that was there.
#include "CDorvane_V2Doc.h"
#include "PoolEdit.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace
{

using test::Bytes;

struct Record
{
    std::string strFile, strSample, strKeymap, strProgram;
    std::int32_t nLoop = 0, nRootKey = 0, nKeymapEnable = 0, nProgramEnable = 0;
};

void PutString(Bytes& ab, const std::string& str)
{
    if (str.size() < 255)
        ab.push_back(static_cast<std::uint8_t>(str.size()));
    else
    {
        ab.push_back(0xFF);
        test::PutLE16(ab, static_cast<std::uint16_t>(str.size()));
    }
    ab.insert(ab.end(), str.begin(), str.end());
}

// A pool file built byte by byte: magic, count, the given records, then
// empty records up to 100 (or none when bFill is false).
Bytes PoolBytes(int nVersion, std::int32_t nCount, const std::vector<Record>& aRecords,
                bool bFill = true)
{
    Bytes ab{0x44, 0x56, 0x4E, static_cast<std::uint8_t>(nVersion == 202 ? 0xA9 : 0xAA)};
    test::PutLE32(ab, static_cast<std::uint32_t>(nCount));
    std::vector<Record> aAll = aRecords;
    if (bFill)
        aAll.resize(MAX_POOL);
    for (const auto& r : aAll)
    {
        for (const auto* p : {&r.strFile, &r.strSample, &r.strKeymap, &r.strProgram})
            PutString(ab, *p);
        test::PutLE32(ab, static_cast<std::uint32_t>(r.nLoop));
        test::PutLE32(ab, static_cast<std::uint32_t>(r.nRootKey));
        if (nVersion == 203)
        {
            test::PutLE32(ab, static_cast<std::uint32_t>(r.nKeymapEnable));
            test::PutLE32(ab, static_cast<std::uint32_t>(r.nProgramEnable));
        }
    }
    return ab;
}

const std::vector<Record> kThree = {
    {"/w/kick.wav", "kick", "kmap", "kprog", 0, 36, 1, 0},
    {"/w/Piano Loop.wav", "Piano Loop", "", "", 1, 61, 0, 1},
    {"/w/pad.wav", "pad", "padmap", "", 0, 119, 1, 1},
};

void ExpectRecord(const CWPoolObj& e, const Record& r, bool bEnablesSet = false)
{
    EXPECT_EQ(e.m_strFileName, r.strFile);
    EXPECT_EQ(e.m_strSampleName, r.strSample);
    EXPECT_EQ(e.m_strKeymapName, r.strKeymap);
    EXPECT_EQ(e.m_strProgramName, r.strProgram);
    EXPECT_EQ(e.m_bLoop, r.nLoop);
    EXPECT_EQ(e.m_nRootKey, r.nRootKey);
    EXPECT_EQ(e.m_bKeymapEnable, bEnablesSet ? 1 : r.nKeymapEnable);
    EXPECT_EQ(e.m_bProgramEnable, bEnablesSet ? 1 : r.nProgramEnable);
}

class PoolFile : public ::testing::Test
{
  protected:
    std::string Write(const std::string& strName, const Bytes& ab)
    {
        const std::string strPath = m_dir / strName;
        // A fresh file: emptying one that holds data makes the file system
        // flush it at close, which makes the loops below slow.
        std::filesystem::remove(strPath);
        test::WriteFileBytes(strPath, ab);
        return strPath;
    }
    bool Open(const std::string& strPath)
    {
        m_feedback.m_aMessages.clear();
        return ShowAsMessages(m_pDoc->OnOpenDocument(strPath), m_feedback);
    }
    bool Save(const std::string& strPath)
    {
        m_feedback.m_aMessages.clear();
        return ShowAsMessages(m_pDoc->OnSaveDocument(strPath), m_feedback);
    }
    void ExpectOneMessage(const std::string& strText)
    {
        ASSERT_EQ(m_feedback.m_aMessages.size(), 1u);
        EXPECT_EQ(m_feedback.m_aMessages[0].strText, strText);
        EXPECT_EQ(m_feedback.m_aMessages[0].strCaption, "Dorvane V2");
        EXPECT_EQ(m_feedback.m_aMessages[0].icon, MessageIcon::Exclamation);
    }

    test::TempDir m_dir;
    test::CRecordingFeedback m_feedback;
    std::unique_ptr<CDorvane_V2Doc> m_pDoc = std::make_unique<CDorvane_V2Doc>();
};

TEST_F(PoolFile, BytesOfAOneEntryPool)
{
    m_pDoc->OnNewDocument();
    ASSERT_EQ(AddPoolEntry(*m_pDoc, "C:\\S\\A.WAV", "A.WAV"), 0);
    m_pDoc->m_aPool[0].m_strSampleName = "A";
    const std::string strPath = m_dir / "one.dvn";
    ASSERT_TRUE(Save(strPath));
    EXPECT_TRUE(m_feedback.m_aMessages.empty());
    EXPECT_FALSE(m_pDoc->IsModified());
    EXPECT_EQ(m_pDoc->GetPathName(), strPath);
    EXPECT_EQ(m_pDoc->GetTitle(), "one.dvn");

    const Bytes ab = test::ReadFileBytes(strPath);
    const Bytes abHead{0x44, 0x56, 0x4E, 0xAA, 0x01, 0x00, 0x00, 0x00, 0x0A, 0x43,
                       0x3A, 0x5C, 0x53, 0x5C, 0x41, 0x2E, 0x57, 0x41, 0x56, 0x01,
                       0x41, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x30, 0x00, 0x00,
                       0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
    ASSERT_EQ(ab.size(), 39u + 99u * 20u);
    EXPECT_EQ(Bytes(ab.begin(), ab.begin() + 39), abHead);
    // Never-used slots: four empty strings and four zero integers.
    EXPECT_EQ(Bytes(ab.begin() + 39, ab.end()), Bytes(99 * 20, 0));
    for (const auto& e : m_pDoc->m_aPool)
        EXPECT_EQ(e.m_nVersion, 203);
}

TEST_F(PoolFile, EmptyPoolsAre2008And1208Bytes)
{
    m_pDoc->OnNewDocument();
    const std::string strPath = m_dir / "empty.dvn";
    ASSERT_TRUE(Save(strPath));
    Bytes abExpected{0x44, 0x56, 0x4E, 0xAA};
    abExpected.resize(2008, 0);
    EXPECT_EQ(test::ReadFileBytes(strPath), abExpected);
    EXPECT_EQ(PoolBytes(203, 0, {}), abExpected);
    EXPECT_EQ(PoolBytes(202, 0, {}).size(), 1208u);
}

TEST_F(PoolFile, Version202OpensWithEnablesSetAndSavesAs203)
{
    const Bytes ab202 = PoolBytes(202, 3, kThree);
    ASSERT_TRUE(Open(Write("old.dvn", ab202)));
    EXPECT_TRUE(m_feedback.m_aMessages.empty());
    EXPECT_EQ(m_pDoc->m_nVersion, 202);
    EXPECT_EQ(m_pDoc->m_nCount, 3);
    EXPECT_TRUE(m_pDoc->m_bRefresh);
    for (int i = 0; i < 3; ++i)
        ExpectRecord(m_pDoc->m_aPool[i], kThree[i], true);
    for (const auto& e : m_pDoc->m_aPool)
    {
        EXPECT_EQ(e.m_bKeymapEnable, 1);
        EXPECT_EQ(e.m_bProgramEnable, 1);
        EXPECT_EQ(e.m_nVersion, 202);
    }

    const std::string strNew = m_dir / "new.dvn";
    ASSERT_TRUE(Save(strNew));
    const Bytes ab203 = test::ReadFileBytes(strNew);
    EXPECT_EQ(ab203.size(), ab202.size() + 800);
    std::vector<Record> aExpected = kThree;
    for (auto& r : aExpected)
        r.nKeymapEnable = r.nProgramEnable = 1;
    std::vector<Record> aAll = aExpected;
    aAll.resize(MAX_POOL, Record{"", "", "", "", 0, 0, 1, 1});
    EXPECT_EQ(ab203, PoolBytes(203, 3, aAll));
}

TEST_F(PoolFile, FullPoolRoundTrip)
{
    m_pDoc->OnNewDocument();
    for (int i = 0; i < MAX_POOL; ++i)
        AddPoolEntry(*m_pDoc, "/samples/s" + std::to_string(i) + ".wav", "s.wav");
    std::vector<Record> aRecords(MAX_POOL);
    for (int i = 0; i < MAX_POOL; ++i)
    {
        auto& r = aRecords[i];
        r.strFile = "/samples/s" + std::to_string(i) + ".wav";
        r.strSample =
            std::string(static_cast<std::size_t>(i % 20), static_cast<char>('a' + i % 26));
        r.strKeymap = i % 3 ? "map" : "";
        r.strProgram = "\xC3\xA9t\xC3\xA9"; // bytes are kept as they are
        r.nLoop = i % 2;
        r.nRootKey = i;
        r.nKeymapEnable = i % 3 == 0;
        r.nProgramEnable = i % 5 == 0;
        CWPoolObj& e = m_pDoc->m_aPool[i];
        e.m_strSampleName = r.strSample;
        e.m_strKeymapName = r.strKeymap;
        e.m_strProgramName = r.strProgram;
        e.m_bLoop = r.nLoop;
        e.m_nRootKey = r.nRootKey;
        e.m_bKeymapEnable = r.nKeymapEnable;
        e.m_bProgramEnable = r.nProgramEnable;
    }
    // Long strings take the longer prefixes.
    aRecords[7].strFile = m_pDoc->m_aPool[7].m_strFileName = std::string(300, 'p');
    aRecords[8].strSample = m_pDoc->m_aPool[8].m_strSampleName = std::string(70000, 'q');
    const std::string strPath = m_dir / "full.dvn";
    ASSERT_TRUE(Save(strPath));

    auto pOther = std::make_unique<CDorvane_V2Doc>();
    ASSERT_TRUE(ShowAsMessages(pOther->OnOpenDocument(strPath), m_feedback));
    EXPECT_EQ(pOther->m_nCount, 100);
    EXPECT_EQ(pOther->m_nVersion, 203);
    for (int i = 0; i < MAX_POOL; ++i)
    {
        SCOPED_TRACE(i);
        ExpectRecord(pOther->m_aPool[i], aRecords[i]);
    }
}

TEST_F(PoolFile, StringPrefixesAtTheirLimits)
{
    m_pDoc->OnNewDocument();
    AddPoolEntry(*m_pDoc, "f", "f");
    m_pDoc->m_aPool[0].m_strSampleName = std::string(255, 'x');
    m_pDoc->m_aPool[0].m_strKeymapName = std::string(254, 'y');
    const std::string strPath = m_dir / "prefix.dvn";
    ASSERT_TRUE(Save(strPath));
    const Bytes ab = test::ReadFileBytes(strPath);
    // magic, count, "f" (2 bytes), then the sample name's prefix
    ASSERT_GT(ab.size(), 12u + 3 + 255 + 1);
    EXPECT_EQ(Bytes(ab.begin() + 10, ab.begin() + 13), (Bytes{0xFF, 0xFF, 0x00}));
    EXPECT_EQ(ab[13 + 255], 0xFE);
    EXPECT_EQ(ab.size(), 2008u + 1 + 257 + 254);
}

TEST_F(PoolFile, RefusedFilesChangeNothing)
{
    Bytes abWrongMagic = PoolBytes(203, 1, kThree);
    abWrongMagic[3] = 0xAB;
    const Bytes aFiles[] = {
        abWrongMagic,
        {}, // empty file
        Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'},
        PoolBytes(203, -1, kThree),
        PoolBytes(203, 101, kThree),
        PoolBytes(202, 0x7FFFFFFF, kThree),
        PoolBytes(203, static_cast<std::int32_t>(0x80000000u), kThree),
    };
    // The document holds a pool opened before.
    const std::string strFirst = Write("first.dvn", PoolBytes(203, 2, kThree));
    for (std::size_t n = 0; n < std::size(aFiles); ++n)
    {
        SCOPED_TRACE(n);
        ASSERT_TRUE(Open(strFirst));
        m_pDoc->m_bRefresh = false;
        m_pDoc->SetModifiedFlag(true);
        EXPECT_FALSE(Open(Write("refused.dvn", aFiles[n])));
        ExpectOneMessage("Sorry, this file is not a compatible sample-pool");
        EXPECT_LT(m_pDoc->m_nVersion, 202);
        EXPECT_EQ(m_pDoc->m_nCount, 2);
        EXPECT_FALSE(m_pDoc->m_bRefresh);
        EXPECT_TRUE(m_pDoc->IsModified());
        EXPECT_EQ(m_pDoc->GetPathName(), strFirst);
        for (int i = 0; i < 3; ++i)
            ExpectRecord(m_pDoc->m_aPool[i], kThree[i]);
    }
}

// Whatever length short of the whole a file is cut to, the open fails with
// "Unexpected file format." and leaves an empty pool as after New.
TEST_F(PoolFile, FileEndingEarlyGivesAnEmptyPool)
{
    const Bytes abWhole = PoolBytes(203, 3, kThree);
    const std::string strFirst = Write("first.dvn", PoolBytes(202, 3, kThree));
    for (std::size_t nLength = 1; nLength < abWhole.size(); ++nLength)
    {
        SCOPED_TRACE(nLength);
        ASSERT_TRUE(Open(strFirst));
        m_pDoc->m_bRefresh = false;
        EXPECT_FALSE(Open(Write("cut.dvn", Bytes(abWhole.begin(), abWhole.begin() + nLength))));
        ExpectOneMessage("Unexpected file format.");
        EXPECT_EQ(m_pDoc->m_nCount, 0);
        EXPECT_TRUE(m_pDoc->m_bRefresh);
        EXPECT_FALSE(m_pDoc->IsModified());
        EXPECT_EQ(m_pDoc->GetTitle(), "Untitled");
        // What was read of the damaged file never reached the slots.
        ExpectRecord(m_pDoc->m_aPool[0], kThree[0], true);
        if (HasFatalFailure() || HasNonfatalFailure())
            break;
    }
}

TEST_F(PoolFile, StringLengthsPastTheEnd)
{
    Bytes abShort = PoolBytes(203, 1, {}, false);
    abShort.push_back(200); // 200 bytes announced, 10 there
    abShort.insert(abShort.end(), 10, 'z');
    Bytes abHuge = PoolBytes(203, 1, {}, false);
    abHuge.insert(abHuge.end(), {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0x7F, 'z'});
    Bytes abWide = PoolBytes(203, 1, {}, false);
    abWide.insert(abWide.end(), {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
    for (const Bytes& ab : {abShort, abHuge, abWide})
    {
        m_pDoc->m_nCount = 5;
        EXPECT_FALSE(Open(Write("bad.dvn", ab)));
        ExpectOneMessage("Unexpected file format.");
        EXPECT_EQ(m_pDoc->m_nCount, 0);
    }
}

TEST_F(PoolFile, ReadsTwoByteCharacterNamesAndIgnoresTrailingBytes)
{
    Bytes ab{0x44, 0x56, 0x4E, 0xAA, 1, 0, 0, 0};
    ab.insert(ab.end(), {0xFF, 0xFE, 0xFF, 0x05, 'K', 0, 0xF6, 0, 'r', 0, '.', 0, 'w', 0});
    ab.insert(ab.end(), {0xFF, 0xFE, 0xFF, 0x01, 0x3A, 0x26}); // U+263A
    ab.insert(ab.end(), {0, 0, 1, 0, 0, 0, 60, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    for (int i = 1; i < MAX_POOL; ++i)
        ab.insert(ab.end(), 20, 0);
    ab.insert(ab.end(), {'j', 'u', 'n', 'k'});
    ASSERT_TRUE(Open(Write("wide.dvn", ab)));
    EXPECT_EQ(m_pDoc->m_nCount, 1);
    EXPECT_EQ(m_pDoc->m_aPool[0].m_strFileName, "K\xC3\xB6r.w");
    EXPECT_EQ(m_pDoc->m_aPool[0].m_strSampleName, "\xE2\x98\xBA");
    EXPECT_EQ(m_pDoc->m_aPool[0].m_bLoop, 1);
    EXPECT_EQ(m_pDoc->m_aPool[0].m_nRootKey, 60);
    EXPECT_EQ(m_pDoc->m_aPool[0].m_bKeymapEnable, 1);
    EXPECT_EQ(m_pDoc->m_aPool[0].m_bProgramEnable, 0);
}

// One-byte strings written on Windows are in code page 1252; text that is
// not UTF-8 is read as that code page, UTF-8 as it is.
TEST_F(PoolFile, OneByteStringsInCodePage1252)
{
    const Bytes ab = PoolBytes(203, 1,
                               {{"C:\\Samples\\Gl\xF6"
                                 "ckchen.wav",
                                 "Gl\xF6"
                                 "ckchen \x80\x93",
                                 "Gl\xC3\xB6"
                                 "ckchen",
                                 "plain", 0, 48, 1, 1}});
    ASSERT_TRUE(Open(Write("cp1252.dvn", ab)));
    const CWPoolObj& e = m_pDoc->m_aPool[0];
    EXPECT_EQ(e.m_strFileName, "C:\\Samples\\Gl\xC3\xB6"
                               "ckchen.wav");
    EXPECT_EQ(e.m_strSampleName, "Gl\xC3\xB6"
                                 "ckchen \xE2\x82\xAC\xE2\x80\x9C");
    EXPECT_EQ(e.m_strKeymapName, "Gl\xC3\xB6"
                                 "ckchen");
    EXPECT_EQ(e.m_strProgramName, "plain");
}

TEST_F(PoolFile, SavingAfterNewKeepsTheOldRecords)
{
    const Bytes abThree = PoolBytes(203, 3, kThree);
    ASSERT_TRUE(Open(Write("three.dvn", abThree)));
    EXPECT_TRUE(m_pDoc->OnNewDocument());
    const std::string strPath = m_dir / "after-new.dvn";
    ASSERT_TRUE(Save(strPath));
    Bytes abExpected = abThree;
    abExpected[4] = 0; // count 0, the records as they were
    EXPECT_EQ(test::ReadFileBytes(strPath), abExpected);
    ASSERT_TRUE(Open(strPath));
    EXPECT_EQ(m_pDoc->m_nCount, 0);
}

TEST_F(PoolFile, OpenErrorsOfTheFileItself)
{
    ASSERT_TRUE(Open(Write("first.dvn", PoolBytes(203, 2, kThree))));
    const std::string strMissing = m_dir / "missing.dvn";
    EXPECT_FALSE(Open(strMissing));
    ExpectOneMessage(strMissing + " was not found.");
    EXPECT_FALSE(Open(m_dir.Path().string()));
    ExpectOneMessage("Access to " + m_dir.Path().string() + " was denied.");
    EXPECT_EQ(m_pDoc->m_nCount, 2);
    EXPECT_EQ(m_pDoc->GetPathName(), m_dir / "first.dvn");
}

TEST_F(PoolFile, FailedSavesLeaveTheOldFileAndNoTemporary)
{
    ASSERT_TRUE(Open(Write("pool.dvn", PoolBytes(203, 3, kThree))));
    const Bytes abOld = test::ReadFileBytes(m_dir / "pool.dvn");
    m_pDoc->m_aPool[0].m_strSampleName = "changed";
    m_pDoc->SetModifiedFlag(true);
    std::filesystem::create_directory(m_dir / "folder.dvn");
    const auto aBefore = test::ListDir(m_dir.Path());

    const std::string strNoFolder = m_dir / "none/pool.dvn";
    EXPECT_FALSE(Save(strNoFolder));
    ExpectOneMessage(strNoFolder + " could not be created because its folder does not exist.");

    EXPECT_FALSE(Save(m_dir / "folder.dvn"));
    ExpectOneMessage("Access to " + (m_dir / "folder.dvn") + " was denied.");
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "folder.dvn"));

    // A file-size limit stops the write part way, as a full disk would.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit low = old;
    low.rlim_cur = 1000;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
    const bool bSaved = Save(m_dir / "pool.dvn");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(bSaved);
    ExpectOneMessage("Disk full while accessing " + (m_dir / "pool.dvn") + ".");

    EXPECT_EQ(test::ReadFileBytes(m_dir / "pool.dvn"), abOld);
    EXPECT_EQ(test::ListDir(m_dir.Path()), aBefore);
    EXPECT_TRUE(m_pDoc->IsModified());
    EXPECT_EQ(m_pDoc->GetPathName(), m_dir / "pool.dvn");

    ASSERT_TRUE(Save(m_dir / "pool.dvn"));
    EXPECT_FALSE(m_pDoc->IsModified());
    EXPECT_EQ(test::ListDir(m_dir.Path()), aBefore);
    ASSERT_TRUE(Open(m_dir / "pool.dvn"));
    EXPECT_EQ(m_pDoc->m_aPool[0].m_strSampleName, "changed");
}

// The example pool opens with examples/ as the current folder, and every
// entry's WAV file, named by a relative path, is usable.
TEST_F(PoolFile, ExamplePoolOpensAndItsFilesAreUsable)
{
    const std::filesystem::path examples =
        std::filesystem::path(DORVANE_FIXTURES) / ".." / ".." / ".." / "examples";
    ASSERT_TRUE(std::filesystem::exists(examples / "example.dvn"));
    test::ScopedCurrentDir cd(examples);
    ASSERT_TRUE(Open("example.dvn"));
    EXPECT_EQ(m_pDoc->m_nVersion, 203);
    ASSERT_EQ(m_pDoc->m_nCount, 4);
    const char* aTypes[] = {
        "16-bit Mono PCM, 22050 Hz, 44100 Bytes",
        "16-bit Stereo PCM, 22050 Hz, 88200 Bytes",
        "8-bit Mono PCM, 11025 Hz, 3308 Bytes",
        "16-bit Mono PCM, 22050 Hz, 35280 Bytes",
    };
    int nLooping = 0;
    for (int i = 0; i < m_pDoc->m_nCount; ++i)
    {
        const CWPoolObj& e = m_pDoc->m_aPool[i];
        SCOPED_TRACE(e.m_strFileName);
        EXPECT_TRUE(std::filesystem::path(e.m_strFileName).is_relative());
        EXPECT_FALSE(e.m_strSampleName.empty());
        EXPECT_LE(e.m_strSampleName.size(), 16u);
        EXPECT_EQ(e.m_bKeymapEnable, 1);
        EXPECT_EQ(e.m_bProgramEnable, 1);
        nLooping += e.m_bLoop;
        WAVINFO info;
        test::CRecordingFeedback feedback;
        EXPECT_TRUE(ShowAsMessages(ReadWavHeader(e.m_strFileName, info), feedback));
        EXPECT_EQ(WavTypeText(info), aTypes[i]);
    }
    EXPECT_EQ(nLooping, 1);
}

} // namespace
