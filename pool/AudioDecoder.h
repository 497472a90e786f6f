// Decoding an entry's audio file into 16-bit words at the output rate.
#pragma once

#include "AudioInput.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Reads an entry's sample data as 16-bit words, interleaved per frame (L R
// L R for stereo), info.nFrames frames in all. Memory is constant (blocks
// of kDecodeBlockFrames) and the result deterministic.
//
// Conversion to 16 bits, as `sox -D in -b 16 -e signed out` does it:
// integer samples are taken left-justified to 32 bits (s) and become
// (s + 0x8000) >> 16 (rounded to nearest, halves up), 32767 when that
// overflows; 32-bit float x becomes s = x * 2^31 cut toward zero, 64-bit
// float s = x * 2^31 rounded half away from zero, both clipped to 32 bits,
// then as integers; NaN is 0. Resampled data goes through libsoxr (very
// high quality, double precision, one thread) from s / 2^31 and becomes
// round(y * 32768) (halves away from zero), saturated; the resampler's
// output is cut or padded with zero frames to info.nFrames.
class CAudioDecoder
{
  public:
    // Auto: plain 8/16-bit PCM WAV files (ReadWavHeader accepts them) are
    // read from their data chunk as the sample converter reads them, the
    // others through libsndfile. Library: always through libsndfile, so
    // that both paths can be compared on plain files.
    enum class Source
    {
        Auto,
        Library,
    };

    // info is ReadAudioHeader's result for strPath with the same options.
    // Throws CFileException (naming strPath) when the file cannot be opened
    // or decoded, or the resampler cannot be set up; fileChanged when its
    // channels, output rate or frames (when info has them) are no longer
    // info's.
    CAudioDecoder(const std::string& strPath, const WAVINFO& info, const CAudioOptions& options,
                  Source source = Source::Auto);
    ~CAudioDecoder();
    CAudioDecoder(const CAudioDecoder&) = delete;
    CAudioDecoder& operator=(const CAudioDecoder&) = delete;

    // Writes up to nMaxFrames frames (nMaxFrames * nChannels words) to
    // pFrames; returns the frames written, 0 once all info.nFrames are
    // read. Throws CFileException (naming the file) when a read fails or
    // the file holds fewer frames than its header said.
    std::size_t Read(std::int16_t* pFrames, std::size_t nMaxFrames);

    class CSource; // a reader of 32-bit left-justified samples

  private:
    std::size_t ReadDirect(std::int16_t* pFrames, std::size_t nMaxFrames);
    std::size_t ReadResampled(std::int16_t* pFrames, std::size_t nMaxFrames);

    std::string m_strPath;
    std::unique_ptr<CSource> m_pSource;
    struct CResampler;
    std::unique_ptr<CResampler> m_pResampler;
    int m_nChannels = 1;
    std::uint64_t m_nFrames = 0; // frames to deliver
    std::uint64_t m_nDone = 0;   // frames delivered
};

// Frames per block of the decoder's reads.
inline constexpr std::size_t kDecodeBlockFrames = 4096;
