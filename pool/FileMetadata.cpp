#include "FileMetadata.h"

#include "ByteOrder.h"
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

// Walks the chunks from offset 12 and calls fn for each whole header.
// Chunks are padded to even sizes; a writer that left the pad byte out is
// followed when only the unpadded position starts a chunk, as the WAV
// header reader does.
template <class Fn> void WalkChunks(CFile& file, bool bBigEndian, Fn fn)
{
    const std::uint64_t nLength = file.GetLength();
    std::uint64_t nPos = 12;
    for (int nChunks = 0; nChunks < kMaxMetadataChunks && nPos + 8 <= nLength; ++nChunks)
    {
        const auto ab = ReadAt(file, nPos, 8);
        if (ab.size() < 8 || !IsPrintableChunkId(ab.data()))
            return;
        CChunk chunk;
        std::memcpy(chunk.szId, ab.data(), 4);
        chunk.nSize = bBigEndian ? bo::LoadBE32(ab.data() + 4) : bo::LoadLE32(ab.data() + 4);
        chunk.nBody = nPos + 8;
        fn(chunk);
        nPos = NextChunkPos(file, chunk.nBody, chunk.nSize, nLength, bBigEndian);
    }
}

// "smpl": 36 bytes of fields (the unity note at 12, the loop count at 28),
// then 24 bytes per loop (type at 4, start at 8, end at 12, inclusive).
void ReadSmpl(CFile& file, const CChunk& chunk, CFileMetadata& metadata)
{
    const auto ab = ReadAt(file, chunk.nBody, 36);
    if (ab.size() < 36 || chunk.nSize < 36)
        return;
    const std::uint32_t nUnity = bo::LoadLE32(ab.data() + 12);
    if (nUnity <= 127)
        metadata.nRootKey = static_cast<int>(nUnity);
    const std::uint32_t nLoops = bo::LoadLE32(ab.data() + 28);
    for (std::uint64_t i = 0; i < nLoops && 36 + 24 * (i + 1) <= chunk.nSize; ++i)
    {
        if (i >= static_cast<std::uint64_t>(kMaxMetadataChunks))
            return;
        const auto abLoop = ReadAt(file, chunk.nBody + 36 + 24 * i, 24);
        if (abLoop.size() < 24)
            return;
        if (bo::LoadLE32(abLoop.data() + 4) != 0) // not a forward loop
            continue;
        const std::uint32_t nStart = bo::LoadLE32(abLoop.data() + 8);
        const std::uint32_t nEnd = bo::LoadLE32(abLoop.data() + 12);
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

// "MARK": a 16-bit count, then per marker a 16-bit id, a 32-bit position
// and a Pascal string padded to an even length with its count byte.
// A chunk that cannot be read gives no markers and sets bDamaged: every
// marker, its name included, must lie within the chunk.
std::map<std::uint16_t, std::uint32_t> ReadMarkers(CFile& file, const CChunk& chunk, bool& bDamaged)
{
    std::map<std::uint16_t, std::uint32_t> aMarkers;
    const auto abCount = ReadAt(file, chunk.nBody, 2);
    if (abCount.size() < 2 || chunk.nSize < 2)
    {
        bDamaged = true;
        return aMarkers;
    }
    const unsigned nCount = bo::LoadBE16(abCount.data());
    const std::uint64_t nEnd = chunk.nBody + chunk.nSize;
    std::uint64_t nPos = chunk.nBody + 2;
    // Marker by marker, so that memory stays small whatever the sizes say.
    for (unsigned i = 0; i < nCount; ++i)
    {
        const auto ab = ReadAt(file, nPos, 7);
        // A name's count byte and its text (padded to an even length with
        // the count byte) must end within the chunk; a pad byte that the
        // chunk's last name leaves out is forgiven.
        const std::uint64_t nName = ab.size() < 7 ? 0 : 1u + ab[6];
        if (ab.size() < 7 || nPos + 6 + nName > nEnd)
        {
            bDamaged = true;
            return {};
        }
        aMarkers.emplace(bo::LoadBE16(ab.data()), bo::LoadBE32(ab.data() + 2)); // first id wins
        nPos += 6 + nName + nName % 2;
    }
    return aMarkers;
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
                       abInst = ReadAt(file, chunk.nBody, 20);
                       if (chunk.nSize < 20 || abInst.size() < 20)
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
    if (abInst.size() < 20)
        return;
    // base note, detune, low/high note, low/high velocity, gain (16 bits),
    // sustain loop: play mode, begin marker, end marker (16 bits each)
    const auto nBase = static_cast<std::int8_t>(abInst[0]);
    if (nBase >= 0)
        metadata.nRootKey = nBase;
    const std::uint16_t nMode = bo::LoadBE16(&abInst[8]);
    const auto itBegin = aMarkers.find(bo::LoadBE16(&abInst[10]));
    const auto itEnd = aMarkers.find(bo::LoadBE16(&abInst[12]));
    if (nMode != 1 || itBegin == aMarkers.end() || itEnd == aMarkers.end())
        return;
    // Markers lie between frames: the loop plays frames begin .. end - 1.
    if (itEnd->second <= itBegin->second)
        return;
    metadata.bHasLoop = true;
    metadata.nLoopStart = itBegin->second;
    metadata.nLoopEnd = itEnd->second - 1u;
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
        const auto ab = ReadAt(file, 0, 12);
        if (ab.size() < 12)
            return metadata;
        if (IsChunkTag(ab.data(), "RIFF") && IsChunkTag(ab.data() + 8, "WAVE"))
            ReadWaveMetadata(file, metadata);
        else if (IsChunkTag(ab.data(), "FORM") &&
                 (IsChunkTag(ab.data() + 8, "AIFF") || IsChunkTag(ab.data() + 8, "AIFC")))
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
