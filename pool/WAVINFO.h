// What the WAV reader learnt of one entry's file. Never saved.
#pragma once

#include <cstdint>

struct WAVINFO
{
    bool bValid = false;              // header read and supported (PCM, 8/16 bits, 1/2 channels)
    std::int32_t nBitsPerSample = 0;  // from the fmt chunk
    std::int32_t nBlockAlign = 0;     // from the fmt chunk; recorded only
    std::int32_t nChannels = 0;       // from the fmt chunk
    std::int32_t nFormatTag = 0;      // from the fmt chunk; 1 is PCM
    std::int32_t nSamplesPerSec = 0;  // sample rate in Hz
    std::int32_t nDataOffset = 0;     // file offset of the first sample byte
    std::int32_t nDataSize = 0;       // size field of the data chunk in bytes, as stored
    std::int32_t nRiffSize = 0;       // size field of the RIFF chunk, as stored; recorded only
};
