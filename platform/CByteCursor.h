// A bounded reader over a span of bytes: every field of a file the program
// did not write itself is taken through one, so that no read can reach past
// the bytes that were read in. Reading past the end throws CByteCursorEnd
// and leaves the position where it was.
//
// It throws rather than keeping an error flag: a reader states the bounds
// it expects (Fits, Remaining) and gives its own message when they are not
// met; a read past the end that gets through anyway is a fault of the
// reader, and an exception stops it there instead of letting it go on with
// zeros that look like data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

class CByteCursorEnd : public std::out_of_range
{
  public:
    using std::out_of_range::out_of_range;
};

class CByteCursor
{
  public:
    CByteCursor() = default;
    explicit CByteCursor(std::span<const std::uint8_t> ab) : m_ab(ab) {}
    // The n bytes at p; none when p is null.
    CByteCursor(const std::uint8_t* p, std::size_t n) : m_ab(p, p ? n : 0) {}

    std::size_t Size() const { return m_ab.size(); }
    // The offset of the next byte read, from the span's start.
    std::size_t Pos() const { return m_nPos; }
    std::size_t Remaining() const { return m_ab.size() - m_nPos; }
    // Whether nCount more bytes can be read from the position.
    bool Fits(std::size_t nCount) const { return nCount <= Remaining(); }
    // Whether nCount bytes can be read at nPos.
    bool FitsAt(std::size_t nPos, std::size_t nCount) const
    {
        return nPos <= m_ab.size() && nCount <= m_ab.size() - nPos;
    }

    // Moves to nPos (0..Size(), the end included).
    CByteCursor& Seek(std::size_t nPos);
    CByteCursor& Skip(std::size_t nCount);
    // A copy of this cursor at nPos: cur.At(kField).BE16().
    CByteCursor At(std::size_t nPos) const { return CByteCursor(*this).Seek(nPos); }
    // A cursor over the bytes from nPos to the end, its offsets counting
    // from nPos: a region whose fields have offsets of their own.
    CByteCursor From(std::size_t nPos) const;
    // A cursor over the nCount bytes at the position (its offsets count
    // from there); this one moves past them.
    CByteCursor Take(std::size_t nCount);

    std::uint8_t U8();
    std::uint16_t BE16();
    std::uint32_t BE32();
    std::uint16_t LE16();
    std::uint32_t LE32();
    // The next nCount bytes, as a view into the span.
    std::span<const std::uint8_t> Bytes(std::size_t nCount);

  private:
    // The next nCount bytes; the position moves past them.
    const std::uint8_t* Next(std::size_t nCount);

    std::span<const std::uint8_t> m_ab;
    std::size_t m_nPos = 0;
};
