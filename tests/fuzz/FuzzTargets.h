// Entry points of the fuzz targets: one plain function per reader of
// outside files, taking the input bytes. The libFuzzer mains
// (fuzz_<name>.cpp) call them, and so does the replay test, which runs every
// committed corpus and regression input through the same functions.
//
// Each function feeds the bytes to the reader (through a file in a scratch
// folder of its own when the reader takes a path), then checks what the
// reader promises; a broken promise throws CFuzzFailure, which libFuzzer
// reports as a crash (an uncaught exception) and the replay test as a
// failure. Crashes, leaks and undefined behaviour are the sanitizers' part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace fuzz
{

class CFuzzFailure : public std::logic_error
{
  public:
    using std::logic_error::logic_error;
};

// ReadWavHeader on a file holding the bytes, and WavTypeText on the result.
int FuzzWavHeader(const std::uint8_t* pData, std::size_t nSize);

// Opening a pool file holding the bytes (OnOpenDocument, and so Serialize
// with a loading CArchive); a pool that opens is saved and opened again and
// must come back the same.
int FuzzPoolFile(const std::uint8_t* pData, std::size_t nSize);

// ReadKrzData on the bytes, then FormatKrzFileInfo on the result.
int FuzzKrzReader(const std::uint8_t* pData, std::size_t nSize);

// The join of a series cut from the bytes: byte 0 gives the part count
// (bits 0..2: 1 to 8 parts) and the first part's number (bits 3..4: 01, 08,
// 97 or 98, so that the counter's carry and the names after 99 are met);
// every part but the last takes a 16-bit little-endian length prefix, the
// last takes the rest. The parts are files X01, X02, ... (X:0 after X99)
// and the joined file must be the first part with bytes 12..15 cleared
// followed by every later part from its offset 36 on.
int FuzzKrzJoin(const std::uint8_t* pData, std::size_t nSize);

// The conversion of one entry's data: bytes 0..9 give the WAVINFO (channels,
// bits, data offset and data size as 32-bit little-endian), the rest is the
// WAV file. The sample-data file must grow by exactly what ChannelBytes
// promises, hold the converted words, and no right-channel file may remain.
int FuzzSampleConverter(const std::uint8_t* pData, std::size_t nSize);

// The audio-input reader: byte 0 gives the options (bit 0 converting,
// bit 1 file metadata, bits 2..3 the rate limit 0, 8000, 22050 or 48000 Hz),
// the rest is the file. ReadAudioHeader must give a usable entry without a
// message, or one message naming the file; a decoded entry's loop lies
// within its frames; CAudioDecoder then gives exactly nFrames frames or
// throws CFileException.
int FuzzAudioInput(const std::uint8_t* pData, std::size_t nSize);

// Copying a file into a FAT12/FAT16 image: byte 0 gives the plan (bit 0
// replace, bit 1 into the folder SUB/DEEP, bits 2..3 a file of 0, 1, 700 or
// 3000 bytes), the rest is the image. A refusal leaves the image as it
// was; a copy leaves a volume that reads again with no more free clusters
// (unless a file was replaced); no other exception.
int FuzzFatPut(const std::uint8_t* pData, std::size_t nSize);

// ReadDsPresetFile on a preset holding the bytes (beside it the samples
// s.wav and Samples/t.wav). A refusal names the file and gives no
// instrument; otherwise one instrument named after the file, notes naming
// the file, and zones whose ranges, root, frames and loop are within bounds
// and whose files exist.
int FuzzDsPreset(const std::uint8_t* pData, std::size_t nSize);

// ReadSf2File on a bank holding the bytes. Either a refusal naming the file
// or instruments, each with zones; notes name the file; every zone plays
// 16-bit words in memory (1 or 2 channels) with its frames and loop within
// them, and ranges and root within 0..127.
int FuzzSf2Bank(const std::uint8_t* pData, std::size_t nSize);

// ReadSfzFile on a file holding the bytes, in a folder with the samples
// a.wav and s/b.wav and the include inc.sfz. A refusal names the file and
// gives no instrument; otherwise one instrument named "in" whose zones'
// keys, velocities and root lie in 0..127 with low <= high, whose samples
// exist, whose frames run forwards and whose loops lie within them. Every
// note begins with a file's path.
int FuzzSfzFile(const std::uint8_t* pData, std::size_t nSize);

// ExtractKrz on the bytes: WAVs, SFZs and the report last, every name a
// safe file name and unique, every WAV's RIFF size right and its data no
// longer than the file.
int FuzzExtract(const std::uint8_t* pData, std::size_t nSize);

struct FuzzTarget
{
    const char* szName; // folder name under tests/fuzz/corpus and regressions
    int (*pfnRun)(const std::uint8_t*, std::size_t);
};

inline constexpr FuzzTarget kFuzzTargets[] = {
    {"wav", FuzzWavHeader}, {"pool", FuzzPoolFile},           {"krz", FuzzKrzReader},
    {"join", FuzzKrzJoin},  {"convert", FuzzSampleConverter}, {"audio", FuzzAudioInput},
    {"fat", FuzzFatPut},    {"dspreset", FuzzDsPreset},       {"sf2", FuzzSf2Bank},
    {"sfz", FuzzSfzFile},   {"extract", FuzzExtract},
};

// The scratch folder of this process (under /dev/shm when it exists, else
// the system's temporary folder), made on first use and removed at exit.
const std::string& ScratchDir();

} // namespace fuzz
