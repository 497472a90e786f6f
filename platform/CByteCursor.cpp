#include "CByteCursor.h"

#include "ByteOrder.h"

#include <string>

namespace
{

[[noreturn]] void ThrowEnd(std::size_t nPos, std::size_t nCount, std::size_t nSize)
{
    throw CByteCursorEnd("a read of " + std::to_string(nCount) + " bytes at " +
                         std::to_string(nPos) + " passes the end of " + std::to_string(nSize) +
                         " bytes");
}

} // namespace

CByteCursor& CByteCursor::Seek(std::size_t nPos)
{
    if (nPos > m_ab.size())
        ThrowEnd(nPos, 0, m_ab.size());
    m_nPos = nPos;
    return *this;
}

CByteCursor& CByteCursor::Skip(std::size_t nCount)
{
    Next(nCount);
    return *this;
}

CByteCursor CByteCursor::From(std::size_t nPos) const
{
    CByteCursor cur = At(nPos);
    return cur.Take(cur.Remaining());
}

CByteCursor CByteCursor::Take(std::size_t nCount)
{
    const std::uint8_t* p = Next(nCount);
    return CByteCursor(std::span<const std::uint8_t>(p, nCount));
}

const std::uint8_t* CByteCursor::Next(std::size_t nCount)
{
    // Compared as a count left, so that no sum can wrap around.
    if (!Fits(nCount))
        ThrowEnd(m_nPos, nCount, m_ab.size());
    const std::uint8_t* p = m_ab.data() + m_nPos;
    m_nPos += nCount;
    return p;
}

std::uint8_t CByteCursor::U8()
{
    return *Next(1);
}

std::uint16_t CByteCursor::BE16()
{
    return bo::LoadBE16(Next(2));
}

std::uint32_t CByteCursor::BE32()
{
    return bo::LoadBE32(Next(4));
}

std::uint16_t CByteCursor::LE16()
{
    return bo::LoadLE16(Next(2));
}

std::uint32_t CByteCursor::LE32()
{
    return bo::LoadLE32(Next(4));
}

std::span<const std::uint8_t> CByteCursor::Bytes(std::size_t nCount)
{
    const std::uint8_t* p = Next(nCount);
    return {p, nCount};
}
