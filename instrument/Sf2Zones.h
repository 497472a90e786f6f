// How the generators of a SoundFont 2 bank make a zone: the instrument's
// global zone under the instrument zone, the preset's global zone under the
// preset zone, and the sample's own pitch and loop. Standard library only.
#pragma once

#include "CInstrument.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The generator numbers this reader honours.
enum ESf2Generator : int
{
    kSf2StartOffset = 0,
    kSf2EndOffset = 1,
    kSf2LoopStartOffset = 2,
    kSf2LoopEndOffset = 3,
    kSf2StartCoarseOffset = 4,
    kSf2EndCoarseOffset = 12,
    kSf2KeyRange = 43,
    kSf2VelRange = 44,
    kSf2LoopStartCoarseOffset = 45,
    kSf2Attenuation = 48, // centibels
    kSf2LoopEndCoarseOffset = 50,
    kSf2CoarseTune = 51,  // semitones
    kSf2FineTune = 52,    // cents
    kSf2SampleModes = 54, // bit 0: loop (1 continuous, 3 until release)
    kSf2OverridingRootKey = 58,
    kSf2GeneratorCount = 59,
};

// Whether the reader uses generator nId (the others are listed as not used).
bool IsSf2GeneratorUsed(int nId);

// The generators one zone sets. A range generator's amount is its low byte
// (lowest key or velocity) plus 256 times its high byte.
struct CSf2Generators
{
    std::uint64_t nSet = 0; // bit n: generator n is set
    std::array<std::int16_t, kSf2GeneratorCount> anAmount{};

    bool Has(int nId) const { return (nSet >> nId) & 1; }
    int Get(int nId, int nDefault) const { return Has(nId) ? anAmount[nId] : nDefault; }
    void Set(int nId, int nAmount)
    {
        nSet |= std::uint64_t{1} << nId;
        anAmount[nId] = static_cast<std::int16_t>(nAmount);
    }
    // The zone's generators with those of the global zone where it sets none.
    CSf2Generators Over(const CSf2Generators& global) const;
};

// What the zone's sample says of itself, in frames of the sample.
struct CSf2SampleFacts
{
    std::int64_t nFrames = 0;
    std::int64_t nLoopStart = 0;
    std::int64_t nLoopEnd = 0; // the first frame after the loop
    int nOriginalKey = 60;     // 255: unpitched
    int nPitchCorrection = 0;  // cents
};

// One preset zone over one instrument zone: instrument and preset are each
// a zone's generators already laid over its global zone (Over). Fills
// zone's ranges (the intersection of both levels), root, tuning, gain,
// frames and loop (audio's data is left to the caller) and returns true;
// false when the zone cannot sound (the ranges do not meet: no note) or is
// unusable (a note in aNotes starting with strWhat). Values out of bounds
// that can be mended are mended with a note.
bool MakeSf2Zone(const CSf2Generators& instrument, const CSf2Generators& preset,
                 const CSf2SampleFacts& sample, const std::string& strWhat, CZone& zone,
                 std::vector<std::string>& aNotes);
