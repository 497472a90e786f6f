#include "CCopyBuffer.h"

#include "CFile.h"

#include <algorithm>
#include <limits>

CCopyBuffer::CCopyBuffer(std::size_t nSize)
    : m_ab(std::make_unique<std::uint8_t[]>(nSize)), m_nSize(nSize)
{
}

std::uint64_t CCopyBuffer::Copy(CFile& source, CFile& dest, std::uint64_t nMax)
{
    std::uint64_t nCopied = 0;
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
