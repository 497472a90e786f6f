#include "ContainerChunks.h"

#include "AudioChunkLayout.h"
#include "ByteOrder.h"
#include "CByteCursor.h"
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
    std::uint8_t abHead[kFormHeaderSize];
    file.SeekToBegin();
    if (file.Read(abHead, sizeof abHead) != sizeof abHead)
        return layout;
    const std::uint8_t* pForm = abHead + kFormType;
    const bool bRiff = IsChunkTag(abHead, "RIFF") && IsChunkTag(pForm, "WAVE");
    const bool bAiff =
        IsChunkTag(abHead, "FORM") && (IsChunkTag(pForm, "AIFF") || IsChunkTag(pForm, "AIFC"));
    if (!bRiff && !bAiff)
        return layout;
    layout.bChunked = true;
    layout.bAiff = bAiff;
    const std::uint64_t nLength = file.GetLength();
    std::uint64_t nPos = kFormHeaderSize;
    for (int nChunks = 0; nChunks < kMaxMetadataChunks && nPos + kChunkHeaderSize <= nLength;
         ++nChunks)
    {
        std::uint8_t ab[kChunkHeaderSize];
        file.Seek(static_cast<std::int64_t>(nPos), CFile::begin);
        if (file.Read(ab, sizeof ab) != sizeof ab || !IsPrintableChunkId(ab))
            break;
        const CByteCursor header(ab, sizeof ab);
        const std::uint32_t nSize =
            bAiff ? header.At(kChunkSize).BE32() : header.At(kChunkSize).LE32();
        if (!IsSoundChunk(ab, bAiff))
            layout.aHidden.push_back(nPos);
        if (bAiff && IsChunkTag(ab, "COMM") && !layout.nAiffRate && nSize >= kCommFieldsSize)
        {
            std::uint8_t abComm[kCommFieldsSize];
            if (file.Read(abComm, sizeof abComm) == sizeof abComm)
                layout.nAiffRate = ExtendedToWhole(
                    CByteCursor(abComm, sizeof abComm).At(kCommRate).Bytes(kCommRateSize).data());
        }
        // The walk ends at the sound data: a step of the walk that went
        // astray after it must never touch a byte of the sound.
        if (IsChunkTag(ab, bAiff ? "SSND" : "data"))
            break;
        nPos = NextChunkPos(file, nPos + kChunkHeaderSize, nSize, nLength, bAiff);
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
