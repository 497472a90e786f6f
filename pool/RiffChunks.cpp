#include "RiffChunks.h"

#include "ByteOrder.h"
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
    if (nPos + 8 > nLength)
        return false;
    std::uint8_t ab[8];
    file.Seek(static_cast<std::int64_t>(nPos), CFile::begin);
    if (file.Read(ab, 8) != 8 || !IsPrintableChunkId(ab))
        return false;
    const std::uint32_t nSize = bBigEndian ? bo::LoadBE32(ab + 4) : bo::LoadLE32(ab + 4);
    return IsChunkTag(ab, "data") || nPos + 8 + nSize <= nLength;
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
