// The chunk walk that the WAV header reader and the file-metadata reader
// share: RIFF (little-endian sizes) and AIFF (big-endian sizes) files are
// series of chunks, each an id of four characters, a 32-bit size and a body
// padded to an even length.
#pragma once

#include <cstdint>

class CFile;

// Whether the 4 bytes at p are szTag.
bool IsChunkTag(const std::uint8_t* p, const char* szTag);

// Whether the 4 bytes at p are printable ASCII, as every chunk id is.
bool IsPrintableChunkId(const std::uint8_t* p);

// True when a chunk starts at nPos of file (nLength bytes): a printable id
// and a size that fits in the file. The data chunk's size is not held to
// that: a file cut short or written without seeking back still has its
// data. Moves the file's position; throws CFileException as CFile does.
bool StartsChunk(CFile& file, std::uint64_t nPos, std::uint64_t nLength, bool bBigEndian);

// Where the chunk after the one whose body starts at nBody with size nSize
// begins. A chunk of odd size is followed by a pad byte; some writers
// leave it out: the position without it is taken only when that one, and
// not the padded one, starts a chunk.
std::uint64_t NextChunkPos(CFile& file, std::uint64_t nBody, std::uint32_t nSize,
                           std::uint64_t nLength, bool bBigEndian);
