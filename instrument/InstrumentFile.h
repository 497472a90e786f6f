// Instrument files by their extension: ".sfz", ".dspreset", ".sf2" (any
// case).
#pragma once

#include "CInstrument.h"

#include <string>

// Whether strPath names an instrument file by its extension.
bool IsInstrumentPath(const std::string& strPath);

// Reads the instrument file strPath with the reader its extension names.
CInstrumentSet ReadInstrumentFile(const std::string& strPath);
