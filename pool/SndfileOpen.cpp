#include "SndfileOpen.h"

#include "CFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

struct CSndfileHandle::CState
{
    CFile file;
    CContainerLayout layout;
    sf_count_t nPos = 0;
    SNDFILE* pSndfile = nullptr;
    ~CState()
    {
        if (pSndfile != nullptr)
            sf_close(pSndfile);
    }
};

namespace
{

using CState = CSndfileHandle::CState;

sf_count_t GetLength(void* pUser)
{
    struct stat st = {};
    if (::fstat(static_cast<CState*>(pUser)->file.GetHandle(), &st) != 0)
        return -1;
    return static_cast<sf_count_t>(st.st_size);
}

sf_count_t Seek(sf_count_t nOffset, int nWhence, void* pUser)
{
    auto* p = static_cast<CState*>(pUser);
    sf_count_t nNew = nOffset;
    if (nWhence == SEEK_CUR)
        nNew = p->nPos + nOffset;
    else if (nWhence == SEEK_END)
        nNew = GetLength(pUser) + nOffset;
    if (nNew < 0)
        return -1;
    p->nPos = nNew;
    return nNew;
}

// Reads at the own position with pread, so that nothing else moves it, and
// hides the chunk ids the layout names.
sf_count_t Read(void* pBuf, sf_count_t nCount, void* pUser)
{
    auto* p = static_cast<CState*>(pUser);
    auto* pBytes = static_cast<std::uint8_t*>(pBuf);
    sf_count_t nDone = 0;
    while (nDone < nCount)
    {
        const ssize_t n = ::pread(p->file.GetHandle(), pBytes + nDone,
                                  static_cast<std::size_t>(nCount - nDone), p->nPos + nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        nDone += n;
    }
    HideChunks(p->layout, static_cast<std::uint64_t>(p->nPos), pBytes,
               static_cast<std::size_t>(nDone));
    p->nPos += nDone;
    return nDone;
}

sf_count_t Write(const void*, sf_count_t, void*)
{
    return 0; // opened for reading only
}

sf_count_t Tell(void* pUser)
{
    return static_cast<CState*>(pUser)->nPos;
}

} // namespace

CSndfileHandle::CSndfileHandle() = default;
CSndfileHandle::~CSndfileHandle() = default;
CSndfileHandle::CSndfileHandle(CSndfileHandle&&) noexcept = default;
CSndfileHandle& CSndfileHandle::operator=(CSndfileHandle&&) noexcept = default;

SNDFILE* CSndfileHandle::get() const
{
    return m_pState ? m_pState->pSndfile : nullptr;
}

const CContainerLayout& CSndfileHandle::Layout() const
{
    static const CContainerLayout s_none;
    return m_pState ? m_pState->layout : s_none;
}

CSndfileHandle OpenSndfile(const std::string& strPath, SF_INFO& sfinfo)
{
    sfinfo = SF_INFO{};
    CSndfileHandle handle;
    auto pState = std::make_unique<CState>();
    try
    {
        if (!pState->file.Open(strPath, CFile::modeRead))
            return handle;
        pState->layout = ReadContainerLayout(pState->file);
    }
    catch (const CFileException&)
    {
        return handle;
    }
    if (pState->layout.bChunked)
    {
        static SF_VIRTUAL_IO s_io = {GetLength, Seek, Read, Write, Tell};
        pState->pSndfile = sf_open_virtual(&s_io, SFM_READ, &sfinfo, pState.get());
    }
    else
    {
        // Other formats are found by the library, some by the file's name.
        pState->pSndfile = sf_open(strPath.c_str(), SFM_READ, &sfinfo);
    }
    if (pState->pSndfile != nullptr)
        handle.m_pState = std::move(pState);
    return handle;
}
