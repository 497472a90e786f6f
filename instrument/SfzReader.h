// SFZ instrument files: a text of headers (<control> <global> <master>
// <group> <region>) and opcodes, with #define, #include and default_path.
#pragma once

#include "CInstrument.h"

#include <string>

// Reads the SFZ file strPath into one instrument named after the file
// (without its extension). Regions whose sample is missing or whose
// ranges cannot be honoured are left out with a note naming them; opcodes
// not used are noted once each. A file that cannot be read is a refusal.
CInstrumentSet ReadSfzFile(const std::string& strPath);
