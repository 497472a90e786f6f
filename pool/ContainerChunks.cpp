#include "ContainerChunks.h"

#include "ByteOrder.h"
#include "CFile.h"
#include "FileMetadata.h" // kMaxMetadataChunks
#include "RiffChunks.h"

#include <algorithm>
#include <cstring>

namespace
{

bool IsSoundChunk(const std::uint8_t* pId, bool bAiff)
{
    if (bAiff)
        return IsChunkTag(pId, "COMM") || IsChunkTag(pId, "FVER") || IsChunkTag(pId, "SSND");
    return IsChunkTag(pId, "fmt ") || IsChunkTag(pId, "fact") || IsChunkTag(pId, "data");
}

} // namespace

std::uint64_t ExtendedToWhole(const std::uint8_t* p)
{
    const unsigned nSignExp = bo::LoadBE16(p);
    const std::uint64_t nMantissa =
        (static_cast<std::uint64_t>(bo::LoadBE32(p + 2)) << 32) | bo::LoadBE32(p + 6);
    if ((nSignExp & 0x8000) != 0 || nMantissa == 0)
        return 0; // negative, zero (or a NaN's sign)
    const int nExp = static_cast<int>(nSignExp & 0x7FFF) - 16383;
    if (nExp < 0)
        return 0;
    if (nExp >= 32)
        return std::uint64_t{1} << 32;
    return nMantissa >> (63 - nExp);
}

CContainerLayout ReadContainerLayout(CFile& file)
{
    CContainerLayout layout;
    std::uint8_t abHead[12];
    file.SeekToBegin();
    if (file.Read(abHead, 12) != 12)
        return layout;
    const bool bRiff = IsChunkTag(abHead, "RIFF") && IsChunkTag(abHead + 8, "WAVE");
    const bool bAiff = IsChunkTag(abHead, "FORM") &&
                       (IsChunkTag(abHead + 8, "AIFF") || IsChunkTag(abHead + 8, "AIFC"));
    if (!bRiff && !bAiff)
        return layout;
    layout.bChunked = true;
    layout.bAiff = bAiff;
    const std::uint64_t nLength = file.GetLength();
    std::uint64_t nPos = 12;
    for (int nChunks = 0; nChunks < kMaxMetadataChunks && nPos + 8 <= nLength; ++nChunks)
    {
        std::uint8_t ab[8];
        file.Seek(static_cast<std::int64_t>(nPos), CFile::begin);
        if (file.Read(ab, 8) != 8 || !IsPrintableChunkId(ab))
            break;
        const std::uint32_t nSize = bAiff ? bo::LoadBE32(ab + 4) : bo::LoadLE32(ab + 4);
        if (!IsSoundChunk(ab, bAiff))
            layout.aHidden.push_back(nPos);
        if (bAiff && IsChunkTag(ab, "COMM") && !layout.nAiffRate && nSize >= 18)
        {
            // channels (16 bits), frames (32), bits (16), rate (80)
            std::uint8_t abComm[18];
            if (file.Read(abComm, 18) == 18)
                layout.nAiffRate = ExtendedToWhole(abComm + 8);
        }
        // The walk ends at the sound data: a step of the walk that went
        // astray after it must never touch a byte of the sound.
        if (IsChunkTag(ab, bAiff ? "SSND" : "data"))
            break;
        nPos = NextChunkPos(file, nPos + 8, nSize, nLength, bAiff);
    }
    return layout;
}

void HideChunks(const CContainerLayout& layout, std::uint64_t nPos, std::uint8_t* pBuf,
                std::size_t nCount)
{
    // The ids lie in rising order: start at the first that can overlap.
    const auto itFirst =
        std::lower_bound(layout.aHidden.begin(), layout.aHidden.end(), nPos >= 3 ? nPos - 3 : 0);
    for (auto it = itFirst; it != layout.aHidden.end() && *it < nPos + nCount; ++it)
    {
        const std::uint64_t nId = *it;
        for (std::uint64_t i = 0; i < 4; ++i)
            if (nId + i >= nPos && nId + i < nPos + nCount)
                pBuf[nId + i - nPos] = static_cast<std::uint8_t>(kHiddenChunkId[i]);
    }
}
