#include "CImageIO.h"

#include "CFile.h"

#include <cstring>

std::uint64_t CFileImageIO::Length() const
{
    return m_file.GetLength();
}

void CFileImageIO::ReadAt(std::uint64_t nOffset, void* pBuf, std::size_t nCount)
{
    m_file.Seek(static_cast<std::int64_t>(nOffset), CFile::begin);
    if (m_file.Read(pBuf, nCount) != nCount)
        throw CFileException(CFileException::endOfFile, m_file.GetFilePath());
}

void CFileImageIO::WriteAt(std::uint64_t nOffset, const void* pBuf, std::size_t nCount)
{
    m_file.Seek(static_cast<std::int64_t>(nOffset), CFile::begin);
    m_file.Write(pBuf, nCount);
}

void CFileImageIO::CopyFrom(CFile& source, std::uint64_t nOffset, std::uint64_t nCount)
{
    m_file.Seek(static_cast<std::int64_t>(nOffset), CFile::begin);
    if (m_buffer.Copy(source, m_file, nCount) != nCount)
        throw CFileException(CFileException::endOfFile, source.GetFilePath());
}

void CFileImageIO::Sync()
{
    m_file.Flush();
}

void CMemoryImageIO::CheckRange(std::uint64_t nOffset, std::uint64_t nCount, bool bWrite) const
{
    if (nOffset > m_ab.size() || nCount > m_ab.size() - nOffset)
        throw CFileException(bWrite ? CFileException::diskFull : CFileException::endOfFile);
}

void CMemoryImageIO::ReadAt(std::uint64_t nOffset, void* pBuf, std::size_t nCount)
{
    CheckRange(nOffset, nCount, false);
    std::memcpy(pBuf, m_ab.data() + nOffset, nCount);
}

void CMemoryImageIO::WriteAt(std::uint64_t nOffset, const void* pBuf, std::size_t nCount)
{
    CheckRange(nOffset, nCount, true);
    std::memcpy(m_ab.data() + nOffset, pBuf, nCount);
}

void CMemoryImageIO::CopyFrom(CFile& source, std::uint64_t nOffset, std::uint64_t nCount)
{
    CheckRange(nOffset, nCount, true);
    if (source.Read(m_ab.data() + nOffset, nCount) != nCount)
        throw CFileException(CFileException::endOfFile, source.GetFilePath());
}
