// The file layer's one error type: a cause and the full path of the file the
// failing operation worked on (empty where it is not known).
#pragma once

#include <exception>
#include <string>

class CFileException : public std::exception
{
public:
    enum Cause
    {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
        folderNotFound, // a file cannot be created: its folder does not exist
        // The file is no longer what it was when it was planned for (its
        // header, size or modification time differ): it is not read on.
        fileChanged,
    };

    explicit CFileException(Cause cause = none, std::string strFileName = {}, int nOsError = 0);

    // Maps an errno value onto a cause.
    static Cause OsErrorToCause(int nOsError);

    // Throws the error for errno value nOsError on the named file.
    [[noreturn]] static void ThrowOsError(int nOsError, const std::string& strFileName);

    // The user's message for this error: the cause's text with %1 replaced
    // by the file's path, or by "an unnamed file" when there is none.
    std::string GetErrorMessage() const;

    const char* what() const noexcept override { return m_strWhat.c_str(); }

    Cause m_cause;
    std::string m_strFileName;
    int m_lOsError;

private:
    std::string m_strWhat;
};

// The text of a cause with %1 filled by strFileName or "an unnamed file".
std::string FileErrorText(CFileException::Cause cause, const std::string& strFileName);
