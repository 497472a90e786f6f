// A file an operation makes for its own use: created (or emptied) and opened
// for reading and writing, then closed and removed when the object ends,
// whichever way the operation ends. A name that cannot be opened throws
// CFileException from the constructor and is left alone: that file is not
// ours to remove.
#pragma once

#include "CFile.h"

#include <string>

class CTempFile : public CFile
{
  public:
    explicit CTempFile(const std::string& strPath)
        : CFile(strPath, modeCreate | modeReadWrite), m_strPath(strPath)
    {
    }
    // Closed before it is removed: a system that cannot remove an open file
    // would otherwise keep it.
    ~CTempFile()
    {
        Abort();
        RemoveQuietly(m_strPath);
    }
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;
    CTempFile(CTempFile&&) = delete;
    CTempFile& operator=(CTempFile&&) = delete;

  private:
    std::string m_strPath;
};
