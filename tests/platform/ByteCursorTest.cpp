// The bounded cursor: each read takes its bytes in the right order, and a
// read that would pass the end throws and leaves the position alone.
#include "CByteCursor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace
{

const std::vector<std::uint8_t> kBytes = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};

struct ReadCase
{
    const char* szName;
    std::size_t nAt;   // position before the read
    std::size_t nSize; // bytes the read takes
    std::function<std::uint64_t(CByteCursor&)> read;
    std::uint64_t nExpect; // the value when it fits
};

} // namespace

// Every reader at the last position where it fits, and one past it.
TEST(ByteCursor, ReadsInOrderAndRefusesPastTheEnd)
{
    const std::vector<ReadCase> aCases = {
        {"U8", 5, 1, [](CByteCursor& c) { return c.U8(); }, 0xBC},
        {"BE16", 4, 2, [](CByteCursor& c) { return c.BE16(); }, 0x9ABC},
        {"LE16", 4, 2, [](CByteCursor& c) { return c.LE16(); }, 0xBC9A},
        {"BE32", 2, 4, [](CByteCursor& c) { return c.BE32(); }, 0x56789ABC},
        {"LE32", 2, 4, [](CByteCursor& c) { return c.LE32(); }, 0xBC9A7856},
        {"Bytes", 3, 3, [](CByteCursor& c) { return c.Bytes(3)[2]; }, 0xBC},
        {"Skip", 1, 5, [](CByteCursor& c) { return c.Skip(5).Pos(); }, 6},
        {"Take", 2, 4, [](CByteCursor& c) { return c.Take(4).At(1).U8(); }, 0x78},
        // From and At leave the position where it is.
        {"From", 3, 0, [](CByteCursor& c) { return c.From(c.Pos()).At(1).BE16(); }, 0x9ABC},
        {"At", 4, 0, [](CByteCursor& c) { return c.At(0).U8(); }, 0x12},
        {"nothing at the end", 6, 0, [](CByteCursor& c) { return c.Bytes(0).size(); }, 0},
    };
    for (const ReadCase& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        CByteCursor cur(kBytes);
        cur.Seek(c.nAt);
        EXPECT_EQ(c.read(cur), c.nExpect);
        EXPECT_EQ(cur.Pos(), c.nAt + c.nSize);
        EXPECT_EQ(cur.Remaining(), kBytes.size() - c.nAt - c.nSize);

        // One byte later the same read no longer fits.
        if (c.nAt + 1 > kBytes.size())
            continue;
        cur.Seek(c.nAt + 1);
        EXPECT_EQ(cur.Fits(c.nSize), c.nSize == 0);
        if (c.nSize == 0)
            continue;
        EXPECT_THROW(c.read(cur), CByteCursorEnd);
        EXPECT_EQ(cur.Pos(), c.nAt + 1) << "a refused read leaves the position";
    }
}

// Positions and counts near the largest size_t must not wrap around into a
// read that looks in bounds.
TEST(ByteCursor, BoundsHoldForHugeCountsAndPositions)
{
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    struct Case
    {
        const char* szName;
        std::size_t nPos, nCount;
        bool bFits;
    };
    const Case aCases[] = {
        {"whole span", 0, 6, true},        {"empty at the end", 6, 0, true},
        {"one too many", 0, 7, false},     {"past the end", 7, 0, false},
        {"huge count", 2, kMax, false},    {"count that wraps the end", 2, kMax - 1, false},
        {"huge position", kMax, 1, false},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        CByteCursor cur(kBytes);
        EXPECT_EQ(cur.FitsAt(c.nPos, c.nCount), c.bFits);
        if (c.nPos <= kBytes.size())
        {
            cur.Seek(c.nPos);
            EXPECT_EQ(cur.Fits(c.nCount), c.bFits);
            if (c.bFits)
                EXPECT_NO_THROW(cur.Skip(c.nCount));
            else
                EXPECT_THROW(cur.Skip(c.nCount), CByteCursorEnd);
        }
        else
            EXPECT_THROW(cur.Seek(c.nPos), CByteCursorEnd);
    }
    // A cursor over nothing (a null pointer as well) reads nothing.
    CByteCursor none(nullptr, 5);
    EXPECT_EQ(none.Size(), 0u);
    EXPECT_THROW(none.U8(), CByteCursorEnd);
    // A cursor taken from another ends where its bytes end.
    CByteCursor whole(kBytes);
    CByteCursor part = whole.Skip(1).Take(2);
    EXPECT_EQ(part.BE16(), 0x3456);
    EXPECT_THROW(part.U8(), CByteCursorEnd);
    EXPECT_EQ(whole.U8(), 0x78) << "Take moves past the bytes it takes";
}
