// Conversion of one entry's WAV sample data into the sampler's form: 16-bit
// signed big-endian words, a stereo entry's left channel followed by its
// right channel. 16-bit samples have their bytes swapped; an unsigned 8-bit
// sample b becomes the word (b XOR 0x80, 0x00).
#pragma once

#include "AudioInput.h"
#include "WAVINFO.h"
#include "WavReader.h" // kMaxWavDataBytes, UsableDataBytes

#include <cstdint>
#include <functional>
#include <string>

class CFile;

// Bytes one channel takes in the KRZ file for nUsableBytes of WAV data:
// mono 16-bit D, mono 8-bit 2D, stereo 16-bit D/2, stereo 8-bit 2(D/2).
std::uint64_t ChannelBytes(const WAVINFO& info, std::uint64_t nUsableBytes);

// Reads nUsableBytes from offset nDataOffset of the open WAV file, converts
// them and writes each word once, straight into its place in out: the left
// (or only) channel's words from byte nLeftPos on and, for a stereo entry,
// the right channel's words right after them, from nLeftPos +
// ChannelBytes(info, nUsableBytes) on. out's position afterwards is
// unspecified. Memory use is constant whatever the data size. Throws
// CFileException; a WAV file that holds fewer bytes than nUsableBytes raises
// endOfFile on it, and more than kMaxWavDataBytes raises invalidFile before
// anything is written.
// fnWritten (when given) is told the bytes written after each block.
void ConvertSampleData(CFile& wav, const WAVINFO& info, std::uint64_t nUsableBytes, CFile& out,
                       std::uint64_t nLeftPos,
                       const std::function<void(std::uint64_t)>& fnWritten = {});

// Writes a decoded entry's nFrames frames (CAudioDecoder of strPath with
// info and audio, as 16-bit big-endian words) straight into out as
// ConvertSampleData does: the left (or only) channel from nLeftPos on, the
// right one right after it (nLeftPos + 2 * nFrames). Throws CFileException;
// a file that gives fewer frames raises endOfFile on it.
void ConvertDecodedData(const std::string& strPath, const WAVINFO& info, const CAudioOptions& audio,
                        std::uint64_t nFrames, CFile& out, std::uint64_t nLeftPos,
                        const std::function<void(std::uint64_t)>& fnWritten = {});
