// A 16-bit PCM WAV file in memory, with a "smpl" chunk for its root key
// and loop.
#pragma once

#include <cstdint>
#include <vector>

struct SWavOut
{
    int nChannels = 1;
    std::uint32_t nRate = 0;            // frames per second
    std::vector<std::int16_t> anFrames; // interleaved, nChannels words per frame
    int nRootNote = 60;                 // MIDI note, 60 = middle C
    bool bLoop = false;
    std::uint32_t nLoopStart = 0; // frames from the first
    std::uint32_t nLoopEnd = 0;   // frames from the first, inclusive
};

// RIFF/WAVE: "fmt " (PCM, 16 bits), "data" (little-endian words), then
// "smpl": period in ns, the root as unity note, and one forward loop when
// bLoop.
std::vector<std::uint8_t> BuildWav16(const SWavOut& wav);
