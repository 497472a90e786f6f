#include "FileMetadata.h"

#include "AudioChunkLayout.h"
#include "CByteCursor.h"
#include "CFile.h"
#include "RiffChunks.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <vector>

namespace
{

// Reads up to nCount bytes at nPos; returns what was read (no more than
// the file holds, so that a damaged size never allocates more).
std::vector<std::uint8_t> ReadAt(CFile& file, std::uint64_t nPos, std::uint64_t nCount)
{
    const std::uint64_t nLength = file.GetLength();
    std::vector<std::uint8_t> ab(
        static_cast<std::size_t>(nPos < nLength ? std::min(nCount, nLength - nPos) : 0));
    file.Seek(static_cast<std::int64_t>(nPos), CFile::begin);
    ab.resize(file.Read(ab.data(), ab.size()));
    return ab;
}

struct CChunk
{
    char szId[5] = {};
    std::uint64_t nBody = 0; // file offset of the body
    std::uint32_t nSize = 0; // size field
};

// Walks the chunks from the first one on and calls fn for each whole
// header. Chunks are padded to even sizes; a writer that left the pad byte
// out is followed when only the unpadded position starts a chunk, as the
// WAV header reader does.
template <class Fn> void WalkChunks(CFile& file, bool bBigEndian, Fn fn)
{
    const std::uint64_t nLength = file.GetLength();
    std::uint64_t nPos = kFormHeaderSize;
    for (int nChunks = 0; nChunks < kMaxMetadataChunks && nPos + kChunkHeaderSize <= nLength;
         ++nChunks)
    {
        const auto ab = ReadAt(file, nPos, kChunkHeaderSize);
        if (ab.size() < kChunkHeaderSize || !IsPrintableChunkId(ab.data()))
            return;
        const CByteCursor header(ab);
        CChunk chunk;
        std::memcpy(chunk.szId, header.At(kChunkId).Bytes(4).data(), 4);
        chunk.nSize = bBigEndian ? header.At(kChunkSize).BE32() : header.At(kChunkSize).LE32();
        chunk.nBody = nPos + kChunkHeaderSize;
        fn(chunk);
        nPos = NextChunkPos(file, chunk.nBody, chunk.nSize, nLength, bBigEndian);
    }
}

void ReadSmpl(CFile& file, const CChunk& chunk, CFileMetadata& metadata)
{
    const auto ab = ReadAt(file, chunk.nBody, kSmplFieldsSize);
    if (ab.size() < kSmplFieldsSize || chunk.nSize < kSmplFieldsSize)
        return;
    const CByteCursor fields(ab);
    const std::uint32_t nUnity = fields.At(kSmplUnityNote).LE32();
    if (nUnity <= 127)
        metadata.nRootKey = static_cast<int>(nUnity);
    const std::uint32_t nLoops = fields.At(kSmplLoopCount).LE32();
    for (std::uint64_t i = 0;
         i < nLoops && kSmplFieldsSize + kSmplLoopSize * (i + 1) <= chunk.nSize; ++i)
    {
        if (i >= static_cast<std::uint64_t>(kMaxMetadataChunks))
            return;
        const auto abLoop =
            ReadAt(file, chunk.nBody + kSmplFieldsSize + kSmplLoopSize * i, kSmplLoopSize);
        if (abLoop.size() < kSmplLoopSize)
            return;
        const CByteCursor loop(abLoop);
        if (loop.At(kSmplLoopType).LE32() != 0) // not a forward loop
            continue;
        const std::uint32_t nStart = loop.At(kSmplLoopStart).LE32();
        const std::uint32_t nEnd = loop.At(kSmplLoopEnd).LE32();
        if (nEnd < nStart)
            return; // the first forward loop is damaged: no loop
        metadata.bHasLoop = true;
        metadata.nLoopStart = nStart;
        metadata.nLoopEnd = nEnd;
        return;
    }
}

void ReadWaveMetadata(CFile& file, CFileMetadata& metadata)
{
    bool bSeen = false;
    WalkChunks(file, false,
               [&](const CChunk& chunk)
               {
                   if (!bSeen && std::strcmp(chunk.szId, "smpl") == 0)
                   {
                       bSeen = true; // the first smpl chunk counts
                       ReadSmpl(file, chunk, metadata);
                   }
               });
}

// A chunk that cannot be read gives no markers and sets bDamaged: every
// marker, its name included, must lie within the chunk.
std::map<std::uint16_t, std::uint32_t> ReadMarkers(CFile& file, const CChunk& chunk, bool& bDamaged)
{
    std::map<std::uint16_t, std::uint32_t> aMarkers;
    const auto abCount = ReadAt(file, chunk.nBody, kMarkCountSize);
    if (abCount.size() < kMarkCountSize || chunk.nSize < kMarkCountSize)
    {
        bDamaged = true;
        return aMarkers;
    }
    const unsigned nCount = CByteCursor(abCount).BE16();
    const std::uint64_t nEnd = chunk.nBody + chunk.nSize;
    std::uint64_t nPos = chunk.nBody + kMarkCountSize;
    // Marker by marker, so that memory stays small whatever the sizes say.
    for (unsigned i = 0; i < nCount; ++i)
    {
        const auto ab = ReadAt(file, nPos, kMarkerFixedSize + 1);
        const CByteCursor marker(ab);
        // A name's count byte and its text (padded to an even length with
        // the count byte) must end within the chunk; a pad byte that the
        // chunk's last name leaves out is forgiven.
        const bool bWhole = marker.Size() == kMarkerFixedSize + 1;
        const std::uint64_t nName = bWhole ? 1u + marker.At(kMarkerNameCount).U8() : 0;
        if (!bWhole || nPos + kMarkerFixedSize + nName > nEnd)
        {
            bDamaged = true;
            return {};
        }
        aMarkers.emplace(marker.At(kMarkerId).BE16(),
                         marker.At(kMarkerPosition).BE32()); // first id wins
        nPos += kMarkerFixedSize + nName + nName % 2;
    }
    return aMarkers;
}

// The sustain loop of an INST chunk's fields, from markers between frames:
// it plays frames begin .. end - 1.
void SetSustainLoop(const CByteCursor& inst, const std::map<std::uint16_t, std::uint32_t>& aMarkers,
                    CFileMetadata& metadata)
{
    const auto nBase = static_cast<std::int8_t>(inst.At(kInstBaseNote).U8());
    if (nBase >= 0)
        metadata.nRootKey = nBase;
    const std::uint16_t nMode = inst.At(kInstSustainMode).BE16();
    const auto itBegin = aMarkers.find(inst.At(kInstSustainBegin).BE16());
    const auto itEnd = aMarkers.find(inst.At(kInstSustainEnd).BE16());
    if (nMode != 1 || itBegin == aMarkers.end() || itEnd == aMarkers.end())
        return;
    if (itEnd->second <= itBegin->second)
        return;
    metadata.bHasLoop = true;
    metadata.nLoopStart = itBegin->second;
    metadata.nLoopEnd = itEnd->second - 1u;
}

void ReadAiffMetadata(CFile& file, CFileMetadata& metadata)
{
    std::vector<std::uint8_t> abInst;
    std::map<std::uint16_t, std::uint32_t> aMarkers;
    bool bMarkSeen = false;
    bool bInstSeen = false;
    WalkChunks(file, true,
               [&](const CChunk& chunk)
               {
                   if (!bInstSeen && std::strcmp(chunk.szId, "INST") == 0)
                   {
                       bInstSeen = true;
                       abInst = ReadAt(file, chunk.nBody, kInstSize);
                       if (chunk.nSize < kInstSize || abInst.size() < kInstSize)
                       {
                           metadata.bDamaged = true;
                           abInst.clear();
                       }
                   }
                   else if (!bMarkSeen && std::strcmp(chunk.szId, "MARK") == 0)
                   {
                       bMarkSeen = true;
                       aMarkers = ReadMarkers(file, chunk, metadata.bDamaged);
                   }
               });
    if (abInst.size() == kInstSize)
        SetSustainLoop(CByteCursor(abInst), aMarkers, metadata);
}

bool IsAlnum(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

} // namespace

CFileMetadata ReadFileMetadata(const std::string& strPath)
{
    CFileMetadata metadata;
    try
    {
        CFile file;
        if (!file.Open(strPath, CFile::modeRead))
            return metadata;
        const auto ab = ReadAt(file, 0, kFormHeaderSize);
        if (ab.size() < kFormHeaderSize)
            return metadata;
        const std::uint8_t* pForm = CByteCursor(ab).At(kFormType).Bytes(4).data();
        if (IsChunkTag(ab.data(), "RIFF") && IsChunkTag(pForm, "WAVE"))
            ReadWaveMetadata(file, metadata);
        else if (IsChunkTag(ab.data(), "FORM") &&
                 (IsChunkTag(pForm, "AIFF") || IsChunkTag(pForm, "AIFC")))
            ReadAiffMetadata(file, metadata);
    }
    catch (const CFileException&)
    {
        // A read that failed ends the search; what was found stands.
    }
    return metadata;
}

bool LoopFits(const CFileMetadata& metadata, std::uint64_t nFrames)
{
    return metadata.bHasLoop && metadata.nLoopStart <= metadata.nLoopEnd &&
           metadata.nLoopEnd < nFrames;
}

std::optional<int> RootKeyFromTitle(const std::string& strTitle)
{
    // Semitones of C D E F G A B.
    static constexpr int kNatural[7] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    std::optional<int> nFound;
    const std::size_t n = strTitle.size();
    for (std::size_t i = 0; i < n; ++i)
    {
        const char cUpper =
            static_cast<char>(std::toupper(static_cast<unsigned char>(strTitle[i])));
        if (cUpper < 'A' || cUpper > 'G' || (i > 0 && IsAlnum(strTitle[i - 1])))
            continue;
        std::size_t j = i + 1;
        int nNote = kNatural[cUpper - 'A'];
        if (j < n && (strTitle[j] == '#' || strTitle[j] == 'b'))
            nNote += strTitle[j++] == '#' ? 1 : -1;
        int nOctave = 0;
        if (j + 1 < n && strTitle[j] == '-' && strTitle[j + 1] == '1')
        {
            nOctave = -1;
            j += 2;
        }
        else if (j < n && strTitle[j] >= '0' && strTitle[j] <= '9')
            nOctave = strTitle[j++] - '0';
        else
            continue;
        if (j < n && IsAlnum(strTitle[j]))
            continue;
        const int nKey = nNote + 12 * nOctave;
        if (nKey >= -12 && nKey <= 119)
            nFound = nKey;
    }
    return nFound;
}
