// The WAV header reader: finds format, channels, rate, bits and where the
// sample bytes lie, and judges whether the file can be used.
#pragma once

#include "WAVINFO.h"

#include <cstdint>
#include <string>

class CFeedback;

// The largest number of chunks the walk to the data chunk passes before it
// gives up; honest files have a handful.
inline constexpr int kMaxWavChunks = 65536;

// Caption of the reader's messages.
inline constexpr const char* kWavInfoCaption = "Dorvane Info";

// Reads the header of the WAV file strPath into info and returns
// info.bValid. A file that cannot be used gets bValid false and one message
// box (caption "Dorvane Info", no icon), the first that applies of:
//   "Error in file: %s\nFile is bad or non-existing..." (cannot be opened,
//       not RIFF/WAVE, no fmt word, ends inside the fmt fields or the chunk
//       walk, a chunk size pointing past the end, no "data" chunk before
//       the end of the file or within kMaxWavChunks chunks, or a sample
//       rate of 0; the RIFF size is recorded only and does not end the walk),
//   "Error in file: %s\n%d-bit files are currently not supported.",
//   "Error in file: %s\n%d-track files are currently not supported.",
//   "Error in file: %s\nOnly PCM wav-files are supported."
// with %s the path as given. Never throws a file error.
bool ReadWavHeader(const std::string& strPath, WAVINFO& info, CFeedback& feedback);

// The entry display's format line: "16-bit Stereo PCM, 44100 Hz, 176400 Bytes",
// or "UNSUPPORTED FILETYPE !!!" for an unusable entry.
std::string WavTypeText(const WAVINFO& info);
