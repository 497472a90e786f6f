#include "Sf2Zones.h"

#include <algorithm>

namespace
{
constexpr int kUsed[] = {kSf2StartOffset,
                         kSf2EndOffset,
                         kSf2LoopStartOffset,
                         kSf2LoopEndOffset,
                         kSf2StartCoarseOffset,
                         kSf2EndCoarseOffset,
                         kSf2KeyRange,
                         kSf2VelRange,
                         kSf2LoopStartCoarseOffset,
                         kSf2Attenuation,
                         kSf2LoopEndCoarseOffset,
                         kSf2CoarseTune,
                         kSf2FineTune,
                         kSf2SampleModes,
                         kSf2OverridingRootKey};

struct CRange
{
    int nLo = 0, nHi = 127;
};

// A range generator's bounds; a bound above 127 is cut to 127 with a note,
// a range whose low bound lies above its high one is false.
bool ReadRange(const CSf2Generators& gens, int nId, const char* szWhat, const std::string& strWhat,
               CRange& range, std::vector<std::string>& aNotes)
{
    if (!gens.Has(nId))
        return true;
    const int nAmount = static_cast<std::uint16_t>(gens.anAmount[nId]);
    range = {nAmount & 0xFF, nAmount >> 8};
    if (range.nLo > range.nHi)
    {
        aNotes.push_back(strWhat + " left out: its " + szWhat + " range " +
                         std::to_string(range.nLo) + ".." + std::to_string(range.nHi) +
                         " is empty");
        return false;
    }
    if (range.nHi > 127)
    {
        aNotes.push_back(strWhat + ": its " + szWhat + " range " + std::to_string(range.nLo) +
                         ".." + std::to_string(range.nHi) + " goes above 127; cut to 127");
        range.nLo = std::min(range.nLo, 127);
        range.nHi = 127;
    }
    return true;
}

// The ranges of both levels met; false (no note) when they do not meet.
bool MakeRanges(const CSf2Generators& instrument, const CSf2Generators& preset,
                const std::string& strWhat, CZone& zone, std::vector<std::string>& aNotes)
{
    CRange aRanges[4];
    if (!ReadRange(instrument, kSf2KeyRange, "key", strWhat, aRanges[0], aNotes) ||
        !ReadRange(preset, kSf2KeyRange, "preset key", strWhat, aRanges[1], aNotes) ||
        !ReadRange(instrument, kSf2VelRange, "velocity", strWhat, aRanges[2], aNotes) ||
        !ReadRange(preset, kSf2VelRange, "preset velocity", strWhat, aRanges[3], aNotes))
        return false;
    zone.nLoKey = std::max(aRanges[0].nLo, aRanges[1].nLo);
    zone.nHiKey = std::min(aRanges[0].nHi, aRanges[1].nHi);
    zone.nLoVel = std::max(aRanges[2].nLo, aRanges[3].nLo);
    zone.nHiVel = std::min(aRanges[2].nHi, aRanges[3].nHi);
    zone.bKeyRange = true;
    return zone.nLoKey <= zone.nHiKey && zone.nLoVel <= zone.nHiVel;
}

int RootKey(const CSf2Generators& instrument, const CSf2SampleFacts& sample,
            const std::string& strWhat, std::vector<std::string>& aNotes)
{
    // An overriding root key of -1 is the common way of writing "none".
    const int nOverride = instrument.Get(kSf2OverridingRootKey, -1);
    if (nOverride >= 0 && nOverride <= 127)
        return nOverride;
    if (nOverride > 127)
        aNotes.push_back(strWhat + ": its overriding root key " + std::to_string(nOverride) +
                         " lies above 127; the sample's key is taken");
    if (sample.nOriginalKey >= 0 && sample.nOriginalKey <= 127)
        return sample.nOriginalKey;
    if (sample.nOriginalKey != 255) // 255 marks a sample without pitch
        aNotes.push_back(strWhat + ": the sample's key " + std::to_string(sample.nOriginalKey) +
                         " lies above 127; C4 (60) is taken");
    return 60;
}

std::int64_t Offset(const CSf2Generators& gens, int nFine, int nCoarse)
{
    return gens.Get(nFine, 0) + std::int64_t{32768} * gens.Get(nCoarse, 0);
}

// The frames played and the loop within them.
bool MakeFrames(const CSf2Generators& instrument, const CSf2SampleFacts& sample,
                const std::string& strWhat, CZone& zone, std::vector<std::string>& aNotes)
{
    const std::int64_t nStart = Offset(instrument, kSf2StartOffset, kSf2StartCoarseOffset);
    const std::int64_t nEnd =
        sample.nFrames + Offset(instrument, kSf2EndOffset, kSf2EndCoarseOffset);
    if (nStart < 0 || nEnd > sample.nFrames || nStart >= nEnd)
    {
        aNotes.push_back(strWhat + " left out: its frames " + std::to_string(nStart) + ".." +
                         std::to_string(nEnd) + " do not lie within the sample's " +
                         std::to_string(sample.nFrames));
        return false;
    }
    zone.audio.nStartFrame = nStart;
    zone.audio.nEndFrame = nEnd;
    zone.loop = {};
    if ((instrument.Get(kSf2SampleModes, 0) & 1) == 0)
        return true;
    const std::int64_t nLoopStart =
        sample.nLoopStart + Offset(instrument, kSf2LoopStartOffset, kSf2LoopStartCoarseOffset);
    const std::int64_t nLoopEnd =
        sample.nLoopEnd + Offset(instrument, kSf2LoopEndOffset, kSf2LoopEndCoarseOffset);
    if (nLoopStart < nStart || nLoopEnd > nEnd || nLoopStart >= nLoopEnd)
    {
        aNotes.push_back(strWhat + ": its loop " + std::to_string(nLoopStart) + ".." +
                         std::to_string(nLoopEnd) + " does not lie within its frames " +
                         std::to_string(nStart) + ".." + std::to_string(nEnd) +
                         "; the loop is left off");
        return true;
    }
    zone.loop = {true, nLoopStart - nStart, nLoopEnd - 1 - nStart};
    return true;
}
} // namespace

bool IsSf2GeneratorUsed(int nId)
{
    return std::find(std::begin(kUsed), std::end(kUsed), nId) != std::end(kUsed);
}

CSf2Generators CSf2Generators::Over(const CSf2Generators& global) const
{
    CSf2Generators result = global;
    for (int nId = 0; nId < kSf2GeneratorCount; ++nId)
        if (Has(nId))
            result.Set(nId, anAmount[nId]);
    return result;
}

bool MakeSf2Zone(const CSf2Generators& instrument, const CSf2Generators& preset,
                 const CSf2SampleFacts& sample, const std::string& strWhat, CZone& zone,
                 std::vector<std::string>& aNotes)
{
    if (!MakeRanges(instrument, preset, strWhat, zone, aNotes))
        return false;
    if (!MakeFrames(instrument, sample, strWhat, zone, aNotes))
        return false;
    zone.nRootKey = RootKey(instrument, sample, strWhat, aNotes);
    // Tuning and attenuation of the preset level add to the instrument's.
    zone.dTuneCents = 100.0 * (instrument.Get(kSf2CoarseTune, 0) + preset.Get(kSf2CoarseTune, 0)) +
                      instrument.Get(kSf2FineTune, 0) + preset.Get(kSf2FineTune, 0) +
                      sample.nPitchCorrection;
    zone.dGainDb = -(instrument.Get(kSf2Attenuation, 0) + preset.Get(kSf2Attenuation, 0)) / 10.0;
    return true;
}
