// DecentSampler presets (.dspreset, XML): groups of samples with key and
// velocity ranges, root, tuning, volume, start/end and loop.
#pragma once

#include "CInstrument.h"

#include <string>

// Reads the preset strPath into one instrument named after the file
// (without its extension); sample paths are taken relative to the preset's
// folder. Samples that are missing, out of range or played on key release
// are left out with a note, attributes and elements not used are listed
// once; a file that cannot be read is a refusal. The page's build refuses
// every preset (it has no XML library).
CInstrumentSet ReadDsPresetFile(const std::string& strPath);
