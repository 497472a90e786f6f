// Taking a whole KRZ file apart into WAV files, SFZ files and a report,
// in memory: what the file's sound objects hold, in forms other programs
// read. The caller writes the files (one folder per KRZ file).
#pragma once

#include "ExtractWav.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SExtractedFile
{
    std::string strName; // a plain file name (SafeFileName), unique in the set
    // The file's bytes; empty for a WAV file, whose bytes ExtractedBytes
    // makes from wav when they are needed (the data of every WAV file at
    // once would double the memory an extraction takes).
    std::vector<std::uint8_t> abData;
    // A WAV file's facts; its words point into the bytes given to
    // ExtractKrz, which must outlive the extraction.
    SWavOut wav;
};

// The bytes of file into ab (what ab held is replaced; its storage is
// reused): abData, or for a WAV file BuildWav16 of its facts.
void ExtractedBytes(const SExtractedFile& file, std::vector<std::uint8_t>& ab);

struct SExtraction
{
    // The WAV files, then the SFZ files, then "report.txt".
    std::vector<SExtractedFile> aFiles;
    std::size_t nWavs = 0;
    std::size_t nSfzs = 0;
    // What could not be taken out (also in the report).
    std::size_t nSkipped = 0;
};

// The most 16-bit words the WAV files of one extraction hold together:
// kExtractWordsPerFileByte per byte of the file, and at least
// kExtractMinWordLimit. Headers may share words (several roots of one
// recording), but not without end.
inline constexpr std::uint64_t kExtractWordsPerFileByte = 8;
inline constexpr std::uint64_t kExtractMinWordLimit = std::uint64_t{1} << 20;
constexpr std::uint64_t ExtractWordLimit(std::uint64_t nFileBytes)
{
    return nFileBytes * kExtractWordsPerFileByte > kExtractMinWordLimit
               ? nFileBytes * kExtractWordsPerFileByte
               : kExtractMinWordLimit;
}

// The name of the report every extraction ends with.
inline constexpr const char* kExtractReportName = "report.txt";

// Extracts the whole KRZ file of nSize bytes at pData (part number 0; a
// split file is joined first). Nothing in the file is trusted: every
// header's words are checked against the sample data before they are read.
//
// One WAV per sample header set (a mono header, or a stereo left/right
// pair): 16-bit PCM as stored, the rate whose period the header holds (a
// common rate when one has that period, else 10^9 / period rounded), a
// "smpl" chunk with the header's root as MIDI note (60 = middle C) and,
// when looped, the loop in frames from the header's start, end inclusive
// (loop start = end is a one-word stand-in for no loop). Headers without
// data in the file (flag 0x40 clear), with period 0, or whose words lie
// outside the data are skipped and said so, as are those that would take
// the words written past ExtractWordLimit.
//
// One SFZ per program (its layers' keymaps), and one per keymap no
// program plays: a <region> per velocity range and run of keys playing
// the same header with the same tuning; level j is velocities 16j..16j+15
// and adjacent levels of one table are merged; entry i is note i + 12
// (notes above 127 are dropped). Regions carry pitch_keycenter, tune (the
// entry's cents) and volume (the header's 0.5 dB steps) when not 0, and
// the loop.
// strSource names the file in the report's first line.
SExtraction ExtractKrz(const std::uint8_t* pData, std::size_t nSize, const std::string& strSource);
