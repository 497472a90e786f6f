// The chunk layout of a RIFF/WAVE or FORM/AIFF(C) file as the converting
// reader needs it: which chunks describe and hold the sound, and the AIFF
// sample rate as stored.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

class CFile;

// The four bytes that replace the id of a hidden chunk: no reader knows
// it, so a reader passes over the chunk by its size.
inline constexpr char kHiddenChunkId[5] = "dvn~";

struct CContainerLayout
{
    // The file is a RIFF/WAVE or FORM/AIFF/AIFC file.
    bool bChunked = false;
    bool bAiff = false;
    // File offsets (rising) of the ids of every chunk before the sound data
    // other than those that describe the sound ("fmt ", "fact"; "COMM",
    // "FVER"): markers, instrument and text chunks, damaged or not, never
    // move where the sound starts when they are hidden from the decoding
    // library.
    std::vector<std::uint64_t> aHidden;
    // The AIFF "COMM" chunk's sample rate (an 80-bit extended number), when
    // the chunk holds one; values below 1 are 0, above 2^32 are 2^32.
    std::optional<std::uint64_t> nAiffRate;
};

// Walks the chunks of the file open in file (from its start; moves its
// position). Other files give bChunked false. At most kMaxMetadataChunks
// chunks. Throws CFileException as CFile does.
CContainerLayout ReadContainerLayout(CFile& file);

// The whole part of the 80-bit extended number at p (big-endian, as AIFF
// stores its rate): 0 for values below 1, negative values and NaN; 2^32
// for values of 2^32 and more (infinity included).
std::uint64_t ExtendedToWhole(const std::uint8_t* p);

// Overwrites the ids of the hidden chunks that overlap the nCount bytes at
// pBuf, which came from file offset nPos, with kHiddenChunkId.
void HideChunks(const CContainerLayout& layout, std::uint64_t nPos, std::uint8_t* pBuf,
                std::size_t nCount);
