#include "CFileException.h"

#include <cerrno>

namespace
{

const char* CauseTemplate(CFileException::Cause cause)
{
    switch (cause)
    {
    case CFileException::fileNotFound:
        return "%1 was not found.";
    case CFileException::badPath:
        return "%1 contains an invalid path.";
    case CFileException::tooManyOpenFiles:
        return "%1 could not be opened because there are too many open files.";
    case CFileException::accessDenied:
        return "Access to %1 was denied.";
    case CFileException::invalidFile:
        return "An invalid file handle was associated with %1.";
    case CFileException::removeCurrentDir:
        return "%1 could not be removed because it is the current directory.";
    case CFileException::directoryFull:
        return "%1 could not be created because the directory is full.";
    case CFileException::badSeek:
        return "Seek failed on %1";
    case CFileException::hardIO:
        return "A hardware I/O error was reported while accessing %1.";
    case CFileException::sharingViolation:
        return "A sharing violation occurred while accessing %1.";
    case CFileException::lockViolation:
        return "A locking violation occurred while accessing %1.";
    case CFileException::diskFull:
        return "Disk full while accessing %1.";
    case CFileException::endOfFile:
        return "An attempt was made to access %1 past its end.";
    case CFileException::folderNotFound:
        return "%1 could not be created because its folder does not exist.";
    case CFileException::fileChanged:
        return "%1 has changed since it was read: nothing was written.";
    case CFileException::none:
    case CFileException::genericException:
        break;
    }
    return "An unknown error occurred while accessing %1.";
}

} // namespace

std::string FileErrorText(CFileException::Cause cause, const std::string& strFileName)
{
    std::string strText = CauseTemplate(cause);
    const std::string strName = strFileName.empty() ? "an unnamed file" : strFileName;
    const auto nPos = strText.find("%1");
    if (nPos != std::string::npos)
        strText.replace(nPos, 2, strName);
    return strText;
}

CFileException::CFileException(Cause cause, std::string strFileName, int nOsError)
    : m_cause(cause), m_strFileName(std::move(strFileName)), m_lOsError(nOsError),
      m_strWhat(FileErrorText(cause, m_strFileName))
{
}

std::string CFileException::GetErrorMessage() const
{
    return FileErrorText(m_cause, m_strFileName);
}

CFileException::Cause CFileException::OsErrorToCause(int nOsError)
{
    switch (nOsError)
    {
    case 0:
        return none;
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return accessDenied;
    case EBADF:
        return invalidFile;
    case ESPIPE:
        return badSeek;
    case EIO:
    case ENXIO:
    case ENODEV:
        return hardIO;
    case ETXTBSY:
    case EBUSY: // a file or device another user holds
        return sharingViolation;
    case ENOLCK:
    case EDEADLK:
        return lockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return diskFull;
    default:
        return genericException;
    }
}

void CFileException::ThrowOsError(int nOsError, const std::string& strFileName)
{
    throw CFileException(OsErrorToCause(nOsError), strFileName, nOsError);
}
