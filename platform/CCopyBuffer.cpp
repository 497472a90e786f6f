#include "CCopyBuffer.h"

#include "CFile.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <unistd.h>

CCopyBuffer::CCopyBuffer(std::size_t nSize) : m_nSize(nSize) {}

bool CCopyBuffer::KernelCopy(CFile& source, CFile& dest, std::uint64_t nMax, std::uint64_t& nCopied)
{
#if defined(__linux__)
    while (nCopied < nMax)
    {
        const auto nWant =
            static_cast<std::size_t>(std::min<std::uint64_t>(1u << 30, nMax - nCopied));
        const ssize_t n =
            ::copy_file_range(source.GetHandle(), nullptr, dest.GetHandle(), nullptr, nWant, 0);
        if (n > 0)
        {
            nCopied += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0) // the end of source
            return true;
        if (errno == EINTR)
            continue;
        if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)
        {
            // The system checks the destination's room before it looks for
            // the end of the source: a destination that reached its size
            // limit with the last byte fails the call that would only have
            // found the end. The copy is complete then.
            const int nError = errno;
            if (source.GetPosition() >= source.GetLength())
                return true;
            CFileException::ThrowOsError(nError, dest.GetFilePath());
        }
        // Not possible between these files (other file systems, old kernels):
        // the buffered copy goes on from where this stopped and reports any
        // real failure with the right file's name.
        return false;
    }
    return true;
#else
    (void)source;
    (void)dest;
    (void)nMax;
    (void)nCopied;
    return false;
#endif
}

std::uint64_t CCopyBuffer::Copy(CFile& source, CFile& dest, std::uint64_t nMax)
{
    std::uint64_t nCopied = 0;
    if (KernelCopy(source, dest, nMax, nCopied))
        return nCopied;
    if (!m_ab) // only the buffered copy needs the buffer
        m_ab = std::make_unique<std::uint8_t[]>(m_nSize);
    while (nCopied < nMax)
    {
        const auto nWant =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_nSize, nMax - nCopied));
        // CFile::Read returns fewer bytes than asked only at the end of the
        // file, so a short read ends the copy.
        const std::size_t nGot = source.Read(m_ab.get(), nWant);
        if (nGot > 0)
            dest.Write(m_ab.get(), nGot);
        nCopied += nGot;
        if (nGot < nWant)
            break;
    }
    return nCopied;
}

std::uint64_t CCopyBuffer::CopyToEnd(CFile& source, CFile& dest)
{
    return Copy(source, dest, std::numeric_limits<std::uint64_t>::max());
}
