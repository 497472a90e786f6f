// The file layer: errno mapped to causes and texts, real failures of open,
// write, seek and rename, and the atomic replacement of a file.
#include "CAtomicFile.h"
#include "CFile.h"
#include "CFileException.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

using test::Bytes;

struct CauseCase
{
    int nErrno;
    CFileException::Cause cause;
};

TEST(FileException, MapsErrnoToCause)
{
    const CauseCase aCases[] = {
        {ENOENT, CFileException::fileNotFound},
        {EACCES, CFileException::accessDenied},
        {EPERM, CFileException::accessDenied},
        {EROFS, CFileException::accessDenied},
        {EISDIR, CFileException::accessDenied},
        {ENOSPC, CFileException::diskFull},
        {EDQUOT, CFileException::diskFull},
        {EFBIG, CFileException::diskFull},
        {EMFILE, CFileException::tooManyOpenFiles},
        {ENFILE, CFileException::tooManyOpenFiles},
        {ENOTDIR, CFileException::badPath},
        {ENAMETOOLONG, CFileException::badPath},
        {ELOOP, CFileException::badPath},
        {EBADF, CFileException::invalidFile},
        {EIO, CFileException::hardIO},
        {ESPIPE, CFileException::badSeek},
        {EBUSY, CFileException::sharingViolation},
        {EEXIST, CFileException::genericException},
        {0, CFileException::none},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(CFileException::OsErrorToCause(c.nErrno), c.cause) << "errno " << c.nErrno;
}

struct TextCase
{
    CFileException::Cause cause;
    const char* szText;
};

TEST(FileException, TextsFillThePathOrAnUnnamedFile)
{
    const TextCase aCases[] = {
        {CFileException::genericException, "An unknown error occurred while accessing %1."},
        {CFileException::none, "An unknown error occurred while accessing %1."},
        {CFileException::fileNotFound, "%1 was not found."},
        {CFileException::badPath, "%1 contains an invalid path."},
        {CFileException::tooManyOpenFiles,
         "%1 could not be opened because there are too many open files."},
        {CFileException::accessDenied, "Access to %1 was denied."},
        {CFileException::invalidFile, "An invalid file handle was associated with %1."},
        {CFileException::removeCurrentDir,
         "%1 could not be removed because it is the current directory."},
        {CFileException::directoryFull, "%1 could not be created because the directory is full."},
        {CFileException::badSeek, "Seek failed on %1"},
        {CFileException::hardIO, "A hardware I/O error was reported while accessing %1."},
        {CFileException::sharingViolation, "A sharing violation occurred while accessing %1."},
        {CFileException::lockViolation, "A locking violation occurred while accessing %1."},
        {CFileException::diskFull, "Disk full while accessing %1."},
        {CFileException::endOfFile, "An attempt was made to access %1 past its end."},
    };
    for (const auto& c : aCases)
    {
        for (const std::string strName : {"/tmp/x/A.KRZ", ""})
        {
            std::string strExpected = c.szText;
            strExpected.replace(strExpected.find("%1"), 2,
                                strName.empty() ? "an unnamed file" : strName);
            EXPECT_EQ(FileErrorText(c.cause, strName), strExpected);
            const CFileException e(c.cause, strName);
            EXPECT_EQ(e.GetErrorMessage(), strExpected);
            EXPECT_EQ(std::string(e.what()), strExpected);
        }
    }
}

// Runs f, which must throw CFileException, and returns the exception.
template <typename F> CFileException Catch(F f)
{
    try
    {
        f();
    }
    catch (const CFileException& e)
    {
        return e;
    }
    ADD_FAILURE() << "no CFileException";
    return CFileException();
}

TEST(File, WriteToAFullDeviceIsDiskFull)
{
    if (!test::FileExists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    CFile file("/dev/full", CFile::modeWrite);
    const Bytes ab(100, 0x55);
    const auto e = Catch([&] { file.Write(ab.data(), ab.size()); });
    EXPECT_EQ(e.m_cause, CFileException::diskFull);
    EXPECT_EQ(e.GetErrorMessage(), "Disk full while accessing /dev/full.");
}

TEST(File, RealOpenFailuresCarryCauseAndFullPath)
{
    test::TempDir dir;
    test::WriteFileBytes(dir / "plain", {1, 2, 3});
    const std::string strLong = dir / std::string(300, 'n');

    struct Case
    {
        std::string strPath;
        unsigned nFlags;
        CFileException::Cause cause;
    };
    const Case aCases[] = {
        {dir / "missing.wav", CFile::modeRead, CFileException::fileNotFound},
        {dir / "no/such/folder/out.krz", CFile::modeCreate | CFile::modeWrite,
         CFileException::fileNotFound},
        {dir / "plain/below", CFile::modeRead, CFileException::badPath},
        {strLong, CFile::modeCreate | CFile::modeWrite, CFileException::badPath},
        {dir.Path().string(), CFile::modeRead, CFileException::accessDenied},
        {dir.Path().string(), CFile::modeCreate | CFile::modeWrite, CFileException::accessDenied},
        {dir / "plain", CFile::modeCreateNew | CFile::modeWrite, CFileException::genericException},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.strPath);
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(c.strPath, c.nFlags, &error));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(error.m_cause, c.cause);
        EXPECT_EQ(error.m_strFileName, c.strPath);
        const auto e = Catch([&] { CFile thrown(c.strPath, c.nFlags); });
        EXPECT_EQ(e.m_cause, c.cause);
    }
    // An exclusive create failed without touching the file that was there.
    EXPECT_EQ(test::ReadFileBytes(dir / "plain"), (Bytes{1, 2, 3}));
}

TEST(File, ErrorsNameTheAbsolutePath)
{
    test::TempDir dir;
    test::ScopedCurrentDir cd(dir.Path());
    const auto e = Catch([] { CFile file("sub/../gone.dvn", CFile::modeRead); });
    EXPECT_EQ(e.GetErrorMessage(), dir / "gone.dvn" + " was not found.");
}

TEST(File, PermissionDenied)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores file permissions";
    test::TempDir dir;
    const std::string strPath = dir / "locked.wav";
    test::WriteFileBytes(strPath, {1});
    ::chmod(strPath.c_str(), 0);
    const auto e = Catch([&] { CFile file(strPath, CFile::modeRead); });
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    EXPECT_EQ(e.GetErrorMessage(), "Access to " + strPath + " was denied.");
}

TEST(File, TooManyOpenFiles)
{
    test::TempDir dir;
    const std::string strPath = dir / "f";
    test::WriteFileBytes(strPath, {1});
    // One failed open first: the sanitizer build checks the error's type
    // the first time it meets it, which needs free descriptors.
    CFileException warmUp;
    EXPECT_FALSE(CFile().Open(dir / "missing", CFile::modeRead, &warmUp));
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = std::min<rlim_t>(old.rlim_cur, 128);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<std::unique_ptr<CFile>> aFiles;
    CFileException error;
    for (int i = 0; i < 200; ++i)
    {
        auto pFile = std::make_unique<CFile>();
        if (!pFile->Open(strPath, CFile::modeRead, &error))
            break;
        aFiles.push_back(std::move(pFile));
    }
    aFiles.clear();
    ::setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(error.m_cause, CFileException::tooManyOpenFiles);
    EXPECT_EQ(error.GetErrorMessage(),
              strPath + " could not be opened because there are too many open files.");
}

TEST(File, ReadWriteSeekAndLength)
{
    test::TempDir dir;
    const std::string strPath = dir / "data.bin";
    const Bytes ab = test::RampData(10000);
    {
        CFile file(strPath, CFile::modeCreate | CFile::modeWrite);
        file.Write(ab.data(), ab.size());
        EXPECT_EQ(file.GetPosition(), ab.size());
        file.Flush();
        file.Close();
        file.Close(); // a second close does nothing
    }
    CFile file(strPath, CFile::modeRead);
    EXPECT_EQ(file.GetLength(), ab.size());
    EXPECT_EQ(file.Seek(9990, CFile::begin), 9990u);
    Bytes abRead(64);
    EXPECT_EQ(file.Read(abRead.data(), abRead.size()), 10u); // short only at the end
    EXPECT_TRUE(std::equal(abRead.begin(), abRead.begin() + 10, ab.end() - 10));
    EXPECT_EQ(file.Read(abRead.data(), abRead.size()), 0u);
    EXPECT_EQ(file.Seek(100, CFile::end), 10100u); // past the end is allowed
    EXPECT_EQ(file.Read(abRead.data(), 4), 0u);
    EXPECT_EQ(file.Seek(-4, CFile::end), 9996u);
    EXPECT_EQ(file.Seek(-2, CFile::current), 9994u);
    EXPECT_EQ(file.SeekToBegin(), 0u);

    const auto eSeek = Catch([&] { file.Seek(-1, CFile::begin); });
    EXPECT_EQ(eSeek.m_cause, CFileException::badSeek);
    EXPECT_EQ(eSeek.GetErrorMessage(), "Seek failed on " + strPath);

    // Writing to a file opened for reading fails with a file error.
    const auto eWrite = Catch([&] { file.Write(ab.data(), 1); });
    EXPECT_EQ(eWrite.m_strFileName, strPath);

    file.Close();
    const auto eClosed = Catch([&] { file.Read(abRead.data(), 1); });
    EXPECT_EQ(eClosed.m_cause, CFileException::invalidFile);

    // modeCreate empties an existing file.
    CFile again(strPath, CFile::modeCreate | CFile::modeReadWrite);
    EXPECT_EQ(again.GetLength(), 0u);
}

TEST(File, RemoveRenameAndExists)
{
    test::TempDir dir;
    const std::string strA = dir / "a", strB = dir / "b";
    test::WriteFileBytes(strA, {7});
    EXPECT_TRUE(CFile::Exists(strA));
    EXPECT_FALSE(CFile::Exists(dir.Path().string())); // a folder is no file
    CFile::Rename(strA, strB);
    EXPECT_FALSE(CFile::Exists(strA));
    EXPECT_EQ(test::ReadFileBytes(strB), Bytes{7});
    CFile::Remove(strB);
    EXPECT_FALSE(test::FileExists(strB));

    EXPECT_EQ(Catch([&] { CFile::Remove(strB); }).m_cause, CFileException::fileNotFound);
    test::WriteFileBytes(strA, {7});
    const auto e = Catch([&] { CFile::Rename(strA, dir / "none/b"); });
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(e.m_strFileName, dir / "none/b");
    CFile::RemoveQuietly(dir / "never-there");
}

TEST(File, NamedPipeWithoutWriterDoesNotHang)
{
    test::TempDir dir;
    const std::string strPath = dir / "pipe.wav";
    ASSERT_EQ(::mkfifo(strPath.c_str(), 0600), 0);
    CFile file(strPath, CFile::modeRead);
    std::uint8_t ab[4];
    EXPECT_EQ(file.Read(ab, 4), 0u);
}

TEST(AtomicFile, CommitReplacesTheTargetAndLeavesNoTemporary)
{
    test::TempDir dir;
    const std::string strTarget = dir / "pool.dvn";
    test::WriteFileBytes(strTarget, {1, 2, 3});
    ::chmod(strTarget.c_str(), 0640);
    {
        CAtomicFile file(strTarget);
        EXPECT_EQ(file.TargetPath(), strTarget);
        EXPECT_EQ(file.File().GetFilePath(), strTarget); // errors name the target
        EXPECT_NE(file.TemporaryPath(), strTarget);
        EXPECT_EQ(std::filesystem::path(file.TemporaryPath()).parent_path(), dir.Path());
        const Bytes ab{9, 8};
        file.File().Write(ab.data(), ab.size());
        EXPECT_EQ(test::ReadFileBytes(strTarget), (Bytes{1, 2, 3})); // not yet replaced
        file.Commit();
    }
    EXPECT_EQ(test::ReadFileBytes(strTarget), (Bytes{9, 8}));
    EXPECT_EQ(test::ListDir(dir.Path()), std::vector<std::string>{"pool.dvn"});
    struct stat st = {};
    ASSERT_EQ(::stat(strTarget.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // the replaced file's permissions stay
}

TEST(AtomicFile, WithoutCommitTheOldFileStays)
{
    test::TempDir dir;
    const std::string strTarget = dir / "out.krz";
    test::WriteFileBytes(strTarget, {1, 2, 3});
    {
        CAtomicFile file(strTarget);
        const Bytes ab(5000, 0);
        file.File().Write(ab.data(), ab.size());
    }
    EXPECT_EQ(test::ReadFileBytes(strTarget), (Bytes{1, 2, 3}));
    EXPECT_EQ(test::ListDir(dir.Path()), std::vector<std::string>{"out.krz"});
}

TEST(AtomicFile, MissingFolderAndFolderTarget)
{
    test::TempDir dir;
    const auto eMissing = Catch([&] { CAtomicFile file(dir / "none/out.krz"); });
    EXPECT_EQ(eMissing.m_cause, CFileException::folderNotFound);
    EXPECT_EQ(eMissing.GetErrorMessage(),
              dir / "none/out.krz" + " could not be created because its folder does not exist.");

    std::filesystem::create_directory(dir / "folder");
    test::WriteFileBytes(dir / "folder/keep", {4});
    const auto eFolder = Catch(
        [&]
        {
            CAtomicFile file(dir / "folder");
            file.Commit();
        });
    EXPECT_EQ(eFolder.m_cause, CFileException::accessDenied);
    EXPECT_EQ(eFolder.GetErrorMessage(), "Access to " + (dir / "folder") + " was denied.");
    EXPECT_EQ(test::ListDir(dir.Path()), std::vector<std::string>{"folder"});
    EXPECT_EQ(test::ReadFileBytes(dir / "folder/keep"), Bytes{4});
}

TEST(AtomicFile, TargetNameAtTheLengthLimit)
{
    test::TempDir dir;
    const std::string strTarget = dir / (std::string(251, 'k') + ".dvn");
    {
        CAtomicFile file(strTarget);
        file.File().Write("x", 1);
        file.Commit();
    }
    EXPECT_EQ(test::ReadFileBytes(strTarget), Bytes{'x'});
    EXPECT_EQ(test::ListDir(dir.Path()).size(), 1u);
}

// A file-size limit makes writes past it fail as a full disk would.
TEST(AtomicFile, WriteFailureLeavesTheOldFile)
{
    test::TempDir dir;
    const std::string strTarget = dir / "big.krz";
    test::WriteFileBytes(strTarget, {1, 2, 3});
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit low = old;
    low.rlim_cur = 4096;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
    CFileException e;
    try
    {
        CAtomicFile file(strTarget);
        const Bytes ab(10000, 0x11);
        file.File().Write(ab.data(), ab.size());
        file.Commit();
    }
    catch (const CFileException& error)
    {
        e = error;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(e.GetErrorMessage(), "Disk full while accessing " + strTarget + ".");
    EXPECT_EQ(test::ReadFileBytes(strTarget), (Bytes{1, 2, 3}));
    EXPECT_EQ(test::ListDir(dir.Path()), std::vector<std::string>{"big.krz"});
}

} // namespace

TEST(AtomicFile, LinkIsWrittenThroughAndDeviceDirectly)
{
    test::TempDir dir;
    test::WriteFileBytes(dir / "real.krz", test::Bytes{'o', 'l', 'd'});
    std::filesystem::create_symlink("real.krz", dir / "link.krz");
    {
        CAtomicFile file(dir / "link.krz");
        file.File().Write("new", 3);
        file.Commit();
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.krz"));
    EXPECT_EQ(test::ReadFileBytes(dir / "real.krz"), (test::Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(test::ListDir(dir.Path()), (std::vector<std::string>{"link.krz", "real.krz"}));

    // A device is neither replaced nor given a temporary beside it.
    CAtomicFile full("/dev/full");
    EXPECT_EQ(full.TemporaryPath(), "");
    try
    {
        full.File().Write("x", 1);
        FAIL() << "no error";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.GetErrorMessage(), "Disk full while accessing /dev/full.");
    }
    {
        CAtomicFile null("/dev/null");
        null.File().Write("x", 1);
        null.Commit();
    }
    struct stat st = {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}
