// The values of a preset's <sample> attributes (with the defaults its
// <group> and <groups> give) turned into a zone's fields. Standard library
// only.
#pragma once

#include "CInstrument.h"

#include <functional>
#include <string>
#include <string_view>

// Gives an attribute's text by name, or null when neither the sample nor an
// enclosing element has it.
using DsAttributeLookup = std::function<const char*(const char*)>;

// Fills zone's keys, velocities, root, tuning, gain, frames and loop from
// the attributes: loNote/hiNote/rootNote (MIDI notes 0..127, defaults 0,
// 127, 60), loVel/hiVel (0..127), tuning (semitones, fractions allowed,
// -127..127), volume (see ParseDsVolumeDb), start/end (frames, end
// inclusive), loopEnabled ("true"/"false"), loopStart/loopEnd (frames of
// the file, loopEnd inclusive, within start..end; in the zone they count
// from start). Returns the reason the zone must be left out ("loNote 130
// lies outside 0..127"), or "" when it can be used; strWarning then says
// what was dropped from a usable zone (an enabled loop with no end).
std::string FillDsZone(const DsAttributeLookup& find, CZone& zone, std::string& strWarning);

// A volume in dB: "-3dB", "-3 db", "-3" are dB; a plain number in 0..1 is a
// linear factor (20 log10: "0.5" is -6.02 dB). False for text that is no
// finite number and for a factor of 0.
bool ParseDsVolumeDb(std::string_view text, double& dDb);
