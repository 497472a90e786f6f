// libsndfile opened on a file Dorvane holds open itself: the chunks of a
// RIFF/WAVE or FORM/AIFF(C) file that do not describe the sound are hidden
// from the library (ContainerChunks.h), so that damaged markers or
// instrument chunks never move where it finds the sound.
#pragma once

#include "ContainerChunks.h"

#include <sndfile.h>

#include <memory>
#include <string>

class CSndfileHandle
{
  public:
    CSndfileHandle();
    ~CSndfileHandle();
    CSndfileHandle(CSndfileHandle&&) noexcept;
    CSndfileHandle& operator=(CSndfileHandle&&) noexcept;

    // The library's handle; nullptr when the file could not be read.
    SNDFILE* get() const;
    explicit operator bool() const { return get() != nullptr; }
    // The file's chunk layout (bChunked false for other files).
    const CContainerLayout& Layout() const;

    struct CState;

  private:
    friend CSndfileHandle OpenSndfile(const std::string&, SF_INFO&);
    std::unique_ptr<CState> m_pState;
};

// Opens strPath for reading and fills sfinfo. RIFF/WAVE and FORM/AIFF(C)
// files are read through the library's virtual I/O on one open file, with
// the hidden chunks' ids replaced; other files are opened by path. Never
// throws; a file that cannot be opened or read gives an empty handle.
CSndfileHandle OpenSndfile(const std::string& strPath, SF_INFO& sfinfo);
