// SoundFont 2 banks built byte by byte for the tests: the RIFF form with
// its INFO, sdta (smpl and, for 24-bit samples, sm24) and pdta lists.
#pragma once

#include "TestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace test
{

struct Sf2Gen
{
    std::uint16_t nId;
    std::uint16_t nAmount; // a range: low + 256 * high
};

inline std::uint16_t Sf2Range(int nLo, int nHi)
{
    return static_cast<std::uint16_t>(nLo | (nHi << 8));
}

// A zone's generators; the last one of a zone that is not global is the
// instrument (41) or sample (53) it plays, which MakeSf2 appends.
struct Sf2Zone
{
    std::vector<Sf2Gen> aGens;
    int nTarget = -1; // instrument or sample index; -1: a global zone
};

struct Sf2Sample
{
    std::string strName;
    std::vector<std::int16_t> aWords; // the upper 16 bits of each point
    std::vector<std::uint8_t> aLow;   // 24-bit samples: the low byte of each point
    std::uint32_t nRate = 22050;
    std::uint8_t nPitch = 60;
    std::int8_t nCorrection = 0;
    std::uint32_t nLoopStart = 0; // from the sample's first point
    std::uint32_t nLoopEnd = 0;   // the first point after the loop
    std::uint16_t nType = 1;      // 1 mono, 2 right, 4 left
    std::uint16_t nLink = 0;      // the other sample of a stereo pair
};

struct Sf2Instrument
{
    std::string strName;
    std::vector<Sf2Zone> aZones;
};

struct Sf2Preset
{
    std::string strName;
    std::uint16_t nProgram = 0;
    std::uint16_t nBank = 0;
    std::vector<Sf2Zone> aZones;
};

struct Sf2Bank
{
    std::vector<Sf2Preset> aPresets;
    std::vector<Sf2Instrument> aInstruments;
    std::vector<Sf2Sample> aSamples;
};

Bytes MakeSf2(const Sf2Bank& bank);

// Words that differ from each other: seed, seed + 97, ...
std::vector<std::int16_t> Sf2Ramp(std::size_t nFrames, int nSeed);

} // namespace test
