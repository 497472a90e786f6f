// SoundFont 2 banks (.sf2), read with libinstpatch: each preset becomes an
// instrument, each of its zones a zone with the sample data in memory.
#pragma once

#include "CInstrument.h"

#include <string>

// Reads the bank strPath: one instrument per preset, named as the preset.
// Where the build has no SoundFont reader (the page) this is a refusal
// saying so.
CInstrumentSet ReadSf2File(const std::string& strPath);
