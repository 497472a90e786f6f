// The WAV header reader: finds format, channels, rate, bits and where the
// sample bytes lie, and judges whether the file can be used.
#pragma once

#include "COutcome.h"
#include "WAVINFO.h"

#include <cstdint>
#include <string>

class CFile;

// The largest number of chunks the walk to the data chunk passes before it
// gives up; honest files have a handful.
inline constexpr int kMaxWavChunks = 65536;

// Caption of the reader's messages.
inline constexpr const char* kWavInfoCaption = "Dorvane Info";

// Reads the header of the WAV file strPath into info; a success when
// info.bValid. A file that cannot be used gets bValid false and a refusal
// with one note (caption "Dorvane Info", no icon, naming the file), the
// first that applies of:
//   "Error in file: %s\nThe file was not found." (no such file),
//   "Error in file: %s\nThis is a folder, not a file.",
//   "Error in file: %s\nThe file cannot be read: <reason>." (it exists but
//       cannot be opened or read, for example without permission),
//   "Error in file: %s\nThis is an AIFF file, not a WAV file.\n" +
//       kConvertHint (FORM/AIFF or AIFC; "a FLAC file" for fLaC),
//   "Error in file: %s\nFile is bad or non-existing..." (not RIFF/WAVE, no
//       fmt word, ends inside the fmt fields or the chunk walk, a chunk size
//       pointing past the end, no "data" chunk before the end of the file or
//       within kMaxWavChunks chunks, or not a regular file; the RIFF size is
//       recorded only and does not end the walk),
//   "Error in file: %s\n" + SampleRateRefusal(rate) (a rate of 0 or above
//       kMaxSampleRate),
//   "Error in file: %s\n%d-bit files are currently not supported.\n" +
//       kConvertHint,
//   "Error in file: %s\n%d-track files are currently not supported.",
//   "Error in file: %s\nOnly PCM wav-files are supported.\n" + kConvertHint
// with %s the path as given. Never throws a file error.
// pRefusal (when given) is told which of them applies, or None.
enum class WavRefusal
{
    None,
    NotRiffWave, // "bad": a readable file that does not start RIFF....WAVE
    Bad,         // "bad" for any of the other reasons
    BitDepth,
    Channels,
    FormatTag,
    Missing,    // no file of that name
    Folder,     // a folder of that name
    Unreadable, // the file exists but cannot be opened or read
    Rate,       // a sample rate no sample header can hold
};
COutcome ReadWavHeader(const std::string& strPath, WAVINFO& info,
                       WavRefusal* pRefusal = nullptr);

// Reads the header of the WAV file open in file as ReadWavHeader does,
// without a message; moves the file's position. Returns the refusal that
// applies, None for a usable file (info.bValid set accordingly).
WavRefusal ReadWavHeaderFrom(CFile& file, WAVINFO& info);

// The second line of the bit-depth and format refusals: the converting
// reader takes such files (the window's setting, dorvane-cli's option).
inline constexpr const char* kConvertHint =
    "The \"Convert other audio files\" setting (--convert) reads them.";

// The highest sample rate a sample header holds: its period field is the
// period in whole nanoseconds (10^9 / rate, cut), which is 0 above it.
inline constexpr std::uint64_t kMaxSampleRate = 1000000000;

// Why no sample header can hold nRate Hz (a rate of 0, or one whose period
// in whole nanoseconds is 0), naming the rate; empty when one can.
std::string SampleRateRefusal(std::uint64_t nRate);

// The entry display's format line: "16-bit Stereo PCM, 44100 Hz, 176400 Bytes",
// or "UNSUPPORTED FILETYPE !!!" for an unusable entry.
std::string WavTypeText(const WAVINFO& info);

// The most data bytes one plain entry takes: the size field of a WAV data
// chunk is 32 bits, so no WAV file declares more than 4 GiB - 1 bytes of
// data and every honest file passes.
inline constexpr std::uint64_t kMaxWavDataBytes = 0xFFFFFFFFu;

// Bytes of one sample frame of a plain 8/16-bit entry: 1 or 2 channels of
// 1 or 2 bytes.
std::uint64_t WavFrameBytes(const WAVINFO& info);

// The data bytes of a plain entry that are used: the declared data size
// (taken unsigned), but no more than the file (nFileLength bytes) holds past
// nDataOffset nor than kMaxWavDataBytes, cut to whole sample frames so that
// a stray byte never shifts later data.
std::uint64_t UsableDataBytes(const WAVINFO& info, std::uint64_t nFileLength);
