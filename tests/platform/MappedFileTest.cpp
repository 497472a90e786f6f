// A whole file's bytes read-only: mapped where the system can, read where
// it cannot, the same bytes either way, and errors naming the file.
#include "CMappedFile.h"
#include "CFileException.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace
{

using test::Bytes;

struct SMapCase
{
    const char* szName;
    Bytes abContent;
    bool bMapped; // an empty file cannot be mapped and is read
};

TEST(MappedFile, GivesTheWholeFileMappedOrRead)
{
    const test::TempDir dir;
    const SMapCase aCases[] = {
        {"one byte", Bytes{0x5a}, true},
        {"a page and a byte", test::RampData(4097, 3), true},
        {"a megabyte", test::RampData(1 << 20, 7), true},
        {"empty", Bytes{}, false},
    };
    for (const SMapCase& c : aCases)
    {
        const std::string strPath = dir / c.szName;
        test::WriteFileBytes(strPath, c.abContent);
        const CMappedFile file(strPath);
        EXPECT_EQ(file.IsMapped(), c.bMapped) << c.szName;
        EXPECT_EQ(Bytes(file.Bytes().begin(), file.Bytes().end()), c.abContent) << c.szName;
    }
}

TEST(MappedFile, BytesOutliveTheFileBeingRemovedOrRewritten)
{
    // The joined series of a split file is mapped from a temporary file
    // that is removed while its bytes are still read.
    const test::TempDir dir;
    const std::string strPath = dir / "joined.krz";
    const Bytes ab = test::RampData(70000, 5);
    test::WriteFileBytes(strPath, ab);
    const CMappedFile file(strPath);
    std::filesystem::remove(strPath);
    test::WriteFileBytes(strPath, Bytes(ab.size(), 0));
    EXPECT_EQ(Bytes(file.Bytes().begin(), file.Bytes().end()), ab);
}

TEST(MappedFile, ReadsWhatCannotBeMapped)
{
    // A pipe opens (without waiting for a writer), has no length and
    // cannot be mapped: it gives no bytes rather than failing.
    const test::TempDir dir;
    const std::string strFifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(strFifo.c_str(), 0600), 0);
    const CMappedFile file(strFifo);
    EXPECT_FALSE(file.IsMapped());
    EXPECT_TRUE(file.Bytes().empty());
}

TEST(MappedFile, ErrorsCarryCauseAndFullPath)
{
    const test::TempDir dir;
    struct SErrorCase
    {
        std::string strPath;
        CFileException::Cause cause;
    };
    const SErrorCase aCases[] = {
        {dir / "missing.krz", CFileException::fileNotFound},
        {dir / "missing/x.krz", CFileException::fileNotFound},
    };
    for (const SErrorCase& c : aCases)
    {
        try
        {
            const CMappedFile file(c.strPath);
            ADD_FAILURE() << c.strPath << " opened";
        }
        catch (const CFileException& e)
        {
            EXPECT_EQ(e.m_cause, c.cause) << c.strPath;
            EXPECT_EQ(e.m_strFileName, c.strPath);
        }
    }
}

} // namespace
