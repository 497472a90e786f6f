// Removes a file when the scope ends, whatever way it ends: for temporary
// files that must not outlive the operation that made them.
#pragma once

#include "CFile.h"

#include <string>
#include <utility>

class CTempFileGuard
{
  public:
    explicit CTempFileGuard(std::string strPath) : m_strPath(std::move(strPath)) {}
    ~CTempFileGuard() { CFile::RemoveQuietly(m_strPath); }
    CTempFileGuard(const CTempFileGuard&) = delete;
    CTempFileGuard& operator=(const CTempFileGuard&) = delete;

  private:
    std::string m_strPath;
};
