#include "CAtomicFile.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <unistd.h>

CAtomicFile::CAtomicFile(const std::string& strTarget) : m_strTarget(CFile::FullPath(strTarget))
{
    const std::filesystem::path target(m_strTarget);
    static std::atomic<unsigned> s_nCounter{0};
    // A name of our own in the same folder, so that the rename stays within
    // one file system and is atomic; O_EXCL-like retry on a name clash.
    for (int nTry = 0; nTry < 100; ++nTry)
    {
        const auto strName = "." + target.filename().string() + ".dvn-" +
                             std::to_string(::getpid()) + "-" + std::to_string(s_nCounter++);
        m_strTemp = (target.parent_path() / strName).string();
        if (CFile::Exists(m_strTemp))
            continue;
        CFileException error;
        if (!m_file.Open(m_strTemp, CFile::modeCreate | CFile::modeReadWrite, &error))
        {
            error.m_strFileName = m_strTarget;
            throw CFileException(error.m_cause, m_strTarget, error.m_lOsError);
        }
        m_file.SetFilePath(m_strTarget);
        return;
    }
    throw CFileException(CFileException::directoryFull, m_strTarget, EEXIST);
}

CAtomicFile::~CAtomicFile()
{
    if (!m_bCommitted)
    {
        m_file.Abort();
        CFile::RemoveQuietly(m_strTemp);
    }
}

void CAtomicFile::Commit()
{
    m_file.Close();
    CFile::Rename(m_strTemp, m_strTarget);
    m_bCommitted = true;
}
