#include "CFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

std::string CFile::FullPath(const std::string& strPath)
{
    if (strPath.empty())
        return strPath;
    std::error_code ec;
    auto path = std::filesystem::absolute(strPath, ec);
    if (ec)
        return strPath;
    return path.lexically_normal().string();
}

CFile::CFile(const std::string& strPath, unsigned nOpenFlags)
{
    CFileException error;
    if (!Open(strPath, nOpenFlags, &error))
        throw error;
}

CFile::~CFile()
{
    Abort();
}

CFile::CFile(CFile&& other) noexcept
    : m_hFile(std::exchange(other.m_hFile, -1)), m_strFilePath(std::move(other.m_strFilePath))
{
}

CFile& CFile::operator=(CFile&& other) noexcept
{
    if (this != &other)
    {
        Abort();
        m_hFile = std::exchange(other.m_hFile, -1);
        m_strFilePath = std::move(other.m_strFilePath);
    }
    return *this;
}

bool CFile::Open(const std::string& strPath, unsigned nOpenFlags, CFileException* pError)
{
    Abort();
    m_strFilePath = FullPath(strPath);

    // O_NONBLOCK only for the open itself: a named pipe without a writer
    // would otherwise hold the open (and the program) forever.
    int nFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (nOpenFlags & modeReadWrite)
        nFlags |= O_RDWR;
    else if (nOpenFlags & modeWrite)
        nFlags |= O_WRONLY;
    else
        nFlags |= O_RDONLY;
    if (nOpenFlags & modeCreateNew)
        nFlags |= O_CREAT | O_EXCL;
    else if (nOpenFlags & modeCreate)
        nFlags |= O_CREAT | O_TRUNC;

    int nError = 0;
    if (strPath.empty())
        nError = ENOENT;
    else
    {
        do
            m_hFile = ::open(strPath.c_str(), nFlags, 0666);
        while (m_hFile < 0 && errno == EINTR);
        if (m_hFile < 0)
            nError = errno;
        else
        {
            // A folder opens for reading here but is no file: refuse it as
            // the file systems that forbid it do.
            struct stat st = {};
            if (::fstat(m_hFile, &st) == 0 && S_ISDIR(st.st_mode))
            {
                ::close(m_hFile);
                m_hFile = -1;
                nError = EISDIR;
            }
            else
            {
                const int nFdFlags = ::fcntl(m_hFile, F_GETFL);
                if (nFdFlags >= 0)
                    ::fcntl(m_hFile, F_SETFL, nFdFlags & ~O_NONBLOCK);
            }
        }
    }
    if (nError != 0)
    {
        if (pError)
            *pError = CFileException(CFileException::OsErrorToCause(nError), m_strFilePath, nError);
        return false;
    }
    return true;
}

std::size_t CFile::Read(void* pBuf, std::size_t nCount)
{
    if (m_hFile < 0)
        throw CFileException(CFileException::invalidFile, m_strFilePath, EBADF);
    auto* p = static_cast<char*>(pBuf);
    std::size_t nDone = 0;
    while (nDone < nCount)
    {
        const ssize_t n = ::read(m_hFile, p + nDone, nCount - nDone);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            CFileException::ThrowOsError(errno, m_strFilePath);
        }
        if (n == 0)
            break;
        nDone += static_cast<std::size_t>(n);
    }
    return nDone;
}

void CFile::Write(const void* pBuf, std::size_t nCount)
{
    if (m_hFile < 0)
        throw CFileException(CFileException::invalidFile, m_strFilePath, EBADF);
    const auto* p = static_cast<const char*>(pBuf);
    std::size_t nDone = 0;
    while (nDone < nCount)
    {
        const ssize_t n = ::write(m_hFile, p + nDone, nCount - nDone);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            CFileException::ThrowOsError(errno, m_strFilePath);
        }
        if (n == 0) // wrote fewer bytes than asked: the disk is full
            throw CFileException(CFileException::diskFull, m_strFilePath, ENOSPC);
        nDone += static_cast<std::size_t>(n);
    }
}

std::uint64_t CFile::Seek(std::int64_t nOffset, SeekPosition from)
{
    if (m_hFile < 0)
        throw CFileException(CFileException::invalidFile, m_strFilePath, EBADF);
    const int nWhence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
    const off_t nPos = ::lseek(m_hFile, static_cast<off_t>(nOffset), nWhence);
    if (nPos < 0)
        throw CFileException(CFileException::badSeek, m_strFilePath, errno);
    return static_cast<std::uint64_t>(nPos);
}

std::uint64_t CFile::GetPosition() const
{
    if (m_hFile < 0)
        throw CFileException(CFileException::invalidFile, m_strFilePath, EBADF);
    const off_t nPos = ::lseek(m_hFile, 0, SEEK_CUR);
    if (nPos < 0)
        throw CFileException(CFileException::badSeek, m_strFilePath, errno);
    return static_cast<std::uint64_t>(nPos);
}

std::uint64_t CFile::GetLength() const
{
    if (m_hFile < 0)
        throw CFileException(CFileException::invalidFile, m_strFilePath, EBADF);
    struct stat st = {};
    if (::fstat(m_hFile, &st) != 0)
        CFileException::ThrowOsError(errno, m_strFilePath);
    return static_cast<std::uint64_t>(st.st_size);
}

void CFile::Flush()
{
    if (m_hFile < 0)
        throw CFileException(CFileException::invalidFile, m_strFilePath, EBADF);
    // Devices and pipes cannot be synchronised; that is no failure.
    if (::fsync(m_hFile) != 0 && errno != EINVAL && errno != EROFS)
        CFileException::ThrowOsError(errno, m_strFilePath);
}

void CFile::Close()
{
    if (m_hFile < 0)
        return;
    const int hFile = std::exchange(m_hFile, -1);
    if (::close(hFile) != 0 && errno != EINTR)
        CFileException::ThrowOsError(errno, m_strFilePath);
}

void CFile::Abort() noexcept
{
    if (m_hFile >= 0)
    {
        ::close(m_hFile);
        m_hFile = -1;
    }
}

void CFile::Remove(const std::string& strPath)
{
    if (::unlink(strPath.c_str()) != 0)
        CFileException::ThrowOsError(errno, FullPath(strPath));
}

void CFile::RemoveQuietly(const std::string& strPath) noexcept
{
    if (!strPath.empty())
        ::unlink(strPath.c_str());
}

void CFile::Rename(const std::string& strOld, const std::string& strNew)
{
    if (::rename(strOld.c_str(), strNew.c_str()) != 0)
        CFileException::ThrowOsError(errno, FullPath(strNew));
}

bool CFile::SameFile(const std::string& strA, const std::string& strB)
{
    struct stat a, b;
    if (strA.empty() || strB.empty() || ::stat(strA.c_str(), &a) != 0 ||
        ::stat(strB.c_str(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool CFile::Exists(const std::string& strPath)
{
    CFile file;
    return file.Open(strPath, modeRead);
}
