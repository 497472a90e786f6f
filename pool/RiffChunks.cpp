#include "RiffChunks.h"

#include "AudioChunkLayout.h"
#include "CByteCursor.h"
#include "CFile.h"

#include <cstring>

bool IsChunkTag(const std::uint8_t* p, const char* szTag)
{
    return std::memcmp(p, szTag, 4) == 0;
}

bool IsPrintableChunkId(const std::uint8_t* p)
{
    for (int i = 0; i < 4; ++i)
        if (p[i] < 0x20 || p[i] > 0x7E)
            return false;
    return true;
}

bool StartsChunk(CFile& file, std::uint64_t nPos, std::uint64_t nLength, bool bBigEndian)
{
    if (nPos + kChunkHeaderSize > nLength)
        return false;
    std::uint8_t ab[kChunkHeaderSize];
    file.Seek(static_cast<std::int64_t>(nPos), CFile::begin);
    if (file.Read(ab, sizeof ab) != sizeof ab || !IsPrintableChunkId(ab))
        return false;
    const CByteCursor header(ab, sizeof ab);
    const std::uint32_t nSize =
        bBigEndian ? header.At(kChunkSize).BE32() : header.At(kChunkSize).LE32();
    return IsChunkTag(ab, "data") || nPos + kChunkHeaderSize + nSize <= nLength;
}

std::uint64_t NextChunkPos(CFile& file, std::uint64_t nBody, std::uint32_t nSize,
                           std::uint64_t nLength, bool bBigEndian)
{
    const std::uint64_t nNext = nBody + nSize;
    if (nSize % 2 != 0 && (StartsChunk(file, nNext + 1, nLength, bBigEndian) ||
                           !StartsChunk(file, nNext, nLength, bBigEndian)))
        return nNext + 1;
    return nNext;
}
