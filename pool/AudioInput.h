// Audio input beyond plain 8/16-bit PCM WAV files: other formats read with
// libsndfile and converted to 16-bit words, rates above a limit resampled
// with libsoxr, and the root key and loop stored in a file.
//
// Plain 8/16-bit PCM WAV files (those ReadWavHeader accepts) keep going
// through ReadWavHeader and the sample converter, so their words never
// change, unless their rate is above the limit.
#pragma once

#include "COutcome.h"
#include "WAVINFO.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CFeedback;

struct CAudioOptions
{
    // Read the files libsndfile reads (PCM of 8 to 32 bits, 32/64-bit
    // float, WAVE_FORMAT_EXTENSIBLE, AIFF, AIFC, FLAC, ...) with one or two
    // channels, and convert them to 16-bit words.
    bool bConvert = false;
    // Resample files whose rate is above this (Hz) to this; 0: no limit.
    int nMaxRate = 0;
    // Read the root key and loop stored in the files.
    bool bFileMetadata = false;

    bool operator==(const CAudioOptions&) const = default;
};

// The sample rate limits dorvane-cli and the page take, in Hz (0: none).
inline constexpr int kMinRateLimit = 1000;
inline constexpr int kMaxRateLimit = 192000;
inline constexpr const char* kRateLimitRangeMessage =
    "The sample rate limit lies in 1000..192000 Hz (0: no limit)";

// Whether nHz is 0 or lies in kMinRateLimit..kMaxRateLimit.
constexpr bool IsRateLimitInRange(int nHz)
{
    return nHz == 0 || (nHz >= kMinRateLimit && nHz <= kMaxRateLimit);
}

// The largest number of frames a decoded entry has: its 16-bit words fit
// in a WAV data chunk's 32-bit size (as plain entries do). Longer input is
// cut to it.
std::uint64_t MaxDecodedFrames(int nChannels);

// The frames nInFrames become when resampled from nInRate to nOutRate:
// round(nInFrames * nOutRate / nInRate), halves rounded up. Exact integer
// arithmetic.
std::uint64_t ResampledFrames(std::uint64_t nInFrames, int nInRate, int nOutRate);

// Whether a file at nRate is resampled under options.
bool NeedsResampling(int nRate, const CAudioOptions& options);

// Whether libsndfile and libsoxr are built in. The page's engine
// (emscripten) is built without them (DORVANE_NO_AUDIO_LIBS): there
// ReadAudioHeader refuses every file that NeedsAudioLibraries names, a
// file the plain reader refuses with the plain reader's message, one that
// needs resampling with "Error in file: <path>\n<rate> Hz is above the rate
// limit, and this build cannot resample."; plain files and the file
// metadata work as in the native build.
#ifdef DORVANE_NO_AUDIO_LIBS
inline constexpr bool kAudioLibrariesBuilt = false;
#else
inline constexpr bool kAudioLibrariesBuilt = true;
#endif

// Whether ReadAudioHeader with the audio libraries reads strPath through
// them under options: a file the plain reader accepts whose rate is above
// the limit, or, with bConvert, a file the plain reader refuses for its bit
// depth or format tag, or that is not RIFF/WAVE. Never throws.
bool NeedsAudioLibraries(const std::string& strPath, const CAudioOptions& options);

// Reads the header of the audio file strPath into info and returns
// info.bValid; an unusable file gets one message box, as ReadWavHeader
// gives it.
// - Every option off: exactly ReadWavHeader (plus info.nFrames).
// - A file ReadWavHeader accepts is a plain entry (bDecoded false) unless
//   its rate is above options.nMaxRate (> 0): then it is decoded and
//   resampled.
// - With bConvert, a file ReadWavHeader refuses only for its bit depth or
//   its format tag, or that is not RIFF/WAVE at all, is opened with
//   libsndfile (OpenSndfile: the chunks of RIFF and AIFF files that do not
//   describe the sound are hidden from it, so that the sound starts at the
//   first frame of its data whatever markers precede it): a rate no sample
//   header holds (for AIFF the rate as stored) gives "Error in file:
//   <path>\n" + SampleRateRefusal; one or two channels are decoded; more
//   give "Error in file: <path>\n<N>-track files are currently not
//   supported."; a file libsndfile cannot read, or without one whole frame,
//   gives "Error in file: <path>\nFile is bad or non-existing...". Every
//   other refusal is ReadWavHeader's, without its kConvertHint line when
//   bConvert is on.
// A decoded entry has nBitsPerSample 16, nFormatTag 1, nBlockAlign
// 2 * nChannels, nSamplesPerSec the output rate, nDataOffset 0, nDataSize
// the output bytes (2 * nChannels * nFrames, cut to 32 bits), strTypeText
// set; nFrames is the file's frames, or ResampledFrames of them, at most
// MaxDecodedFrames. A resampling that would leave no frame is a bad file.
// With bFileMetadata, the file's root key (nFileRootKey) and loop are read
// (ReadFileMetadata); a loop is kept when it fits the file's frames and is
// then given in output frames: start round(s * out / in), end
// round((e + 1) * out / in) - 1, both within the output (halves up); a loop
// that does not fit sets bLoopIgnored instead; a marker or instrument chunk
// that cannot be read sets bMetadataIgnored.
// Never throws a file error. A success when the file can be used; else a
// refusal with the file's message (caption kWavInfoCaption, naming it).
COutcome ReadAudioHeader(const std::string& strPath, WAVINFO& info, const CAudioOptions& options);

// The note for a file whose marker or instrument chunk cannot be read
// (WAVINFO::bMetadataIgnored): "the markers or instrument stored in <name>
// cannot be read and are ignored".
std::string MetadataIgnoredText(const std::string& strName);

// The root key Add gives a new entry: with options.bFileMetadata, the
// file's stored note (info.nFileRootKey, as RootKeyFromMidiNote), else the
// last note name in strTitle (RootKeyFromTitle), else kDefaultRootKey (48,
// "C 4"); without the option always kDefaultRootKey.
int RootKeyForNewEntry(const WAVINFO& info, const std::string& strTitle,
                       const CAudioOptions& options);
