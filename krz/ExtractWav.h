// A 16-bit PCM WAV file in memory, with a "smpl" chunk for its root key
// and loop, made straight from the big-endian words a KRZ file stores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SWavOut
{
    int nChannels = 1;
    std::uint32_t nRate = 0; // frames per second
    // Each channel's words as the KRZ file stores them (16-bit big-endian,
    // nFrames words from apChannel[c]); apChannel[1] is used when
    // nChannels is 2. The bytes must outlive BuildWav16.
    const std::uint8_t* apChannel[2] = {nullptr, nullptr};
    std::size_t nFrames = 0;
    int nRootNote = 60; // MIDI note, 60 = middle C
    bool bLoop = false;
    std::uint32_t nLoopStart = 0; // frames from the first
    std::uint32_t nLoopEnd = 0;   // frames from the first, inclusive
};

// RIFF/WAVE: "fmt " (PCM, 16 bits), "data" (little-endian words, the
// channels interleaved), then "smpl": period in ns, the root as unity
// note, and one forward loop when bLoop.
// The file's bytes go into ab, replacing what it held (its storage is
// reused).
void BuildWav16(const SWavOut& wav, std::vector<std::uint8_t>& ab);
