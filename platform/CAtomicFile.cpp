#include "CAtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// The longest file name most file systems take, in bytes.
constexpr std::size_t kMaxNameBytes = 255;
} // namespace

CAtomicFile::CAtomicFile(const std::string& strTarget, bool bSyncOnCommit)
    : m_strTarget(CFile::FullPath(strTarget)), m_bSyncOnCommit(bSyncOnCommit)
{
    // A link is written through: the file it names is replaced, the link
    // stays. Anything else that exists and is no regular file (a device such
    // as /dev/null, a pipe) cannot be replaced by a rename, nor should it be:
    // it is written to directly.
    std::error_code ec;
    const auto status = std::filesystem::status(m_strTarget, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
        !std::filesystem::is_directory(status))
    {
        CFileException error;
        if (!m_file.Open(m_strTarget, CFile::modeWrite, &error))
            throw error;
        m_bDirect = true;
        return;
    }
    // A folder cannot be replaced by a file: refused before anything is
    // written, so that no work is done for a rename that must fail.
    if (!ec && std::filesystem::is_directory(status))
        throw CFileException(CFileException::accessDenied, m_strTarget, EISDIR);
    std::string strWritten = m_strTarget;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(m_strTarget, ec)))
    {
        const auto real = std::filesystem::weakly_canonical(m_strTarget, ec);
        if (!ec)
            strWritten = real.string();
    }
    m_strRenameTo = strWritten;
    // A rename needs leave of the folder only, so it would replace a
    // write-protected file; that file is refused as an open for writing
    // would refuse it.
    if (::faccessat(AT_FDCWD, m_strRenameTo.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        throw CFileException(CFileException::OsErrorToCause(errno), m_strTarget, errno);

    const std::filesystem::path target(strWritten);
    static std::atomic<unsigned> s_nCounter{0};
    // A name of our own in the same folder, so that the rename stays within
    // one file system and is atomic. It is created exclusively, so that no
    // file that happens to carry the name is ever emptied; on a clash the
    // next counter value is tried.
    for (int nTry = 0; nTry < 100; ++nTry)
    {
        const std::string strSuffix =
            ".dvn-" + std::to_string(::getpid()) + "-" + std::to_string(s_nCounter++);
        std::string strStem = target.filename().string();
        // A target whose name is near the limit still gets a legal name.
        if (1 + strStem.size() + strSuffix.size() > kMaxNameBytes)
            strStem.resize(kMaxNameBytes - 1 - strSuffix.size());
        m_strTemp = (target.parent_path() / ("." + strStem + strSuffix)).string();
        CFileException error;
        if (m_file.Open(m_strTemp, CFile::modeCreateNew | CFile::modeReadWrite, &error))
        {
            m_file.SetFilePath(m_strTarget);
            return;
        }
        // A new file in an existing folder is never "not found": the folder
        // is missing, which the user should be told rather than that the
        // file they meant to write was not found.
        if (error.m_lOsError == ENOENT)
            throw CFileException(CFileException::folderNotFound, m_strTarget, ENOENT);
        if (error.m_lOsError != EEXIST)
            throw CFileException(error.m_cause, m_strTarget, error.m_lOsError);
    }
    m_strTemp.clear();
    throw CFileException(CFileException::directoryFull, m_strTarget, EEXIST);
}

CAtomicFile::~CAtomicFile()
{
    if (!m_bCommitted)
    {
        m_file.Abort();
        if (!m_bDirect)
            CFile::RemoveQuietly(m_strTemp);
    }
}

void CAtomicFile::Finish()
{
    if (!m_file.IsOpen())
        return;
    // The data must be on the disk before the name points at it, or a crash
    // could leave an empty file where the old one was.
    if (m_bSyncOnCommit && !m_bDirect)
        m_file.Flush();
    m_file.Close();
}

void CAtomicFile::Commit()
{
    Finish();
    if (m_bDirect)
    {
        m_bCommitted = true;
        return;
    }
    // A file that is replaced keeps its permissions.
    struct stat st = {};
    if (::stat(m_strRenameTo.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::chmod(m_strTemp.c_str(), st.st_mode & 07777);
    try
    {
        CFile::Rename(m_strTemp, m_strRenameTo);
    }
    catch (const CFileException& e)
    {
        throw CFileException(e.m_cause, m_strTarget, e.m_lOsError);
    }
    m_bCommitted = true;
}
