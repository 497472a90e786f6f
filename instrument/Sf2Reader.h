// SoundFont 2 banks (.sf2), read with libinstpatch: each preset becomes an
// instrument, each of its zones a zone with the sample data in memory.
#pragma once

#include "CInstrument.h"

#include <string>

// Reads the bank strPath: one instrument per preset (by bank, then
// program), named as the preset; one zone per preset zone and instrument
// zone whose ranges meet, a stereo pair as one two-channel zone. Zones and
// presets that cannot be played are left out with a note; generators not
// used are listed once. A bank with no playable preset is a refusal. Where
// the build has no SoundFont reader (the page) this is a refusal saying so.
CInstrumentSet ReadSf2File(const std::string& strPath);
