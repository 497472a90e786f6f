#include "CArchive.h"

#include "ByteOrder.h"
#include "TextCodec.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{

// UTF-16LE to the 8-bit text of this platform (UTF-8); a lone surrogate
// becomes '?', as a code-page conversion shows what it cannot map.
std::string Utf16ToText(const std::vector<std::uint8_t>& abText)
{
    std::string str;
    const std::size_t nUnits = abText.size() / 2;
    for (std::size_t i = 0; i < nUnits; ++i)
    {
        const std::uint32_t nUnit = bo::LoadLE16(&abText[2 * i]);
        if (nUnit >= 0xD800 && nUnit < 0xDC00 && i + 1 < nUnits)
        {
            const std::uint32_t nLow = bo::LoadLE16(&abText[2 * (i + 1)]);
            if (nLow >= 0xDC00 && nLow < 0xE000)
            {
                AppendUtf8(str, 0x10000 + ((nUnit - 0xD800) << 10) + (nLow - 0xDC00));
                ++i;
                continue;
            }
        }
        if (nUnit >= 0xD800 && nUnit < 0xE000)
            str += '?';
        else
            AppendUtf8(str, nUnit);
    }
    return str;
}

} // namespace

CArchive::CArchive(CFile& file, Mode mode) : m_file(file), m_mode(mode)
{
    if (mode == load)
    {
        const auto nLength = file.GetLength();
        const auto nPos = file.GetPosition();
        m_nFileLength = nLength > nPos ? nLength - nPos : 0;
    }
}

void CArchive::Flush()
{
    if (m_mode == store && m_nBufPos > 0)
    {
        m_file.Write(m_abBuf.data(), m_nBufPos);
        m_nBufPos = 0;
    }
}

void CArchive::Close()
{
    Flush();
}

void CArchive::Write(const void* pBuf, std::size_t nCount)
{
    const auto* p = static_cast<const std::uint8_t*>(pBuf);
    while (nCount > 0)
    {
        if (m_nBufPos == m_abBuf.size())
            Flush();
        const std::size_t n = std::min(nCount, m_abBuf.size() - m_nBufPos);
        std::memcpy(m_abBuf.data() + m_nBufPos, p, n);
        m_nBufPos += n;
        p += n;
        nCount -= n;
    }
}

void CArchive::ReadExact(void* pBuf, std::size_t nCount)
{
    auto* p = static_cast<std::uint8_t*>(pBuf);
    while (nCount > 0)
    {
        if (m_nBufPos == m_nBufLen)
        {
            m_nBufLen = m_file.Read(m_abBuf.data(), m_abBuf.size());
            m_nBufPos = 0;
            if (m_nBufLen == 0)
                throw CArchiveException(CArchiveException::endOfFile);
        }
        const std::size_t n = std::min(nCount, m_nBufLen - m_nBufPos);
        std::memcpy(p, m_abBuf.data() + m_nBufPos, n);
        m_nBufPos += n;
        m_nConsumed += n;
        p += n;
        nCount -= n;
    }
}

std::uint64_t CArchive::BytesRemaining() const
{
    return m_nFileLength > m_nConsumed ? m_nFileLength - m_nConsumed : 0;
}

CArchive& CArchive::operator<<(std::uint8_t n)
{
    Write(&n, 1);
    return *this;
}

CArchive& CArchive::operator<<(std::uint32_t n)
{
    std::uint8_t ab[4];
    bo::StoreLE32(ab, n);
    Write(ab, 4);
    return *this;
}

CArchive& CArchive::operator<<(std::int32_t n)
{
    return *this << static_cast<std::uint32_t>(n);
}

CArchive& CArchive::operator<<(const std::string& str)
{
    const auto nLength = static_cast<std::uint32_t>(str.size());
    if (nLength < 255)
        *this << static_cast<std::uint8_t>(nLength);
    else
    {
        *this << static_cast<std::uint8_t>(0xFF);
        std::uint8_t ab[4];
        if (nLength < 0xFFFE)
        {
            bo::StoreLE16(ab, static_cast<std::uint16_t>(nLength));
            Write(ab, 2);
        }
        else
        {
            bo::StoreLE16(ab, 0xFFFF);
            Write(ab, 2);
            *this << nLength;
        }
    }
    Write(str.data(), str.size());
    return *this;
}

std::uint16_t CArchive::ReadU16()
{
    std::uint8_t ab[2];
    ReadExact(ab, 2);
    return bo::LoadLE16(ab);
}

std::uint32_t CArchive::ReadU32()
{
    std::uint8_t ab[4];
    ReadExact(ab, 4);
    return bo::LoadLE32(ab);
}

CArchive& CArchive::operator>>(std::uint8_t& n)
{
    ReadExact(&n, 1);
    return *this;
}

CArchive& CArchive::operator>>(std::uint32_t& n)
{
    n = ReadU32();
    return *this;
}

CArchive& CArchive::operator>>(std::int32_t& n)
{
    n = static_cast<std::int32_t>(ReadU32());
    return *this;
}

std::uint32_t CArchive::ReadLongLength(bool& bWide)
{
    const std::uint16_t nWord = ReadU16();
    if (nWord == 0xFFFE)
    {
        // The wide-character marker; a second prefix of the same kind
        // follows. A second marker is not a valid string.
        if (bWide)
            throw CArchiveException(CArchiveException::badFormat);
        bWide = true;
        std::uint8_t nByte = 0;
        *this >> nByte;
        return nByte < 0xFF ? nByte : ReadLongLength(bWide);
    }
    if (nWord < 0xFFFF)
        return nWord;
    const std::uint32_t nLong = ReadU32();
    if (nLong == 0xFFFFFFFF) // a 64-bit length: no honest string is that long
        throw CArchiveException(CArchiveException::badFormat);
    return nLong;
}

CArchive& CArchive::operator>>(std::string& str)
{
    bool bWide = false;
    std::uint8_t nByte = 0;
    *this >> nByte;
    const std::uint32_t nLength = nByte < 0xFF ? nByte : ReadLongLength(bWide);
    const std::uint64_t nBytes = bWide ? 2ull * nLength : nLength;
    // Never allocate more than the file can still hold.
    if (nLength > kMaxStringLength || nBytes > BytesRemaining())
        throw CArchiveException(CArchiveException::endOfFile);
    if (bWide)
    {
        std::vector<std::uint8_t> abText(static_cast<std::size_t>(nBytes));
        ReadExact(abText.data(), abText.size());
        str = Utf16ToText(abText);
        // A character may take three bytes as 8-bit text: a text longer
        // than any string a load accepts would be saved as a pool file that
        // cannot be opened again. No name comes near this.
        if (str.size() > kMaxStringLength)
            throw CArchiveException(CArchiveException::badFormat);
    }
    else
    {
        str.assign(nLength, '\0');
        ReadExact(str.data(), nLength);
        // Pool files written on Windows hold their 8-bit strings in code
        // page 1252; text that is not UTF-8 is read as that code page.
        if (!IsValidUtf8(str))
        {
            str = Cp1252ToUtf8(str);
            if (str.size() > kMaxStringLength)
                throw CArchiveException(CArchiveException::badFormat);
        }
    }
    return *this;
}
