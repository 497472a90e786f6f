// An instrument from audio files of one folder grouped by their names: the
// root key from a note name in the name (C4 = 60, "C#4", "Db4"), the
// velocity layer from a suffix such as "v1".."v8" or "pp/p/mp/mf/f/ff".
#pragma once

#include "CInstrument.h"

#include <string>
#include <vector>

// One instrument named strName from aPaths. Key ranges are left to the
// builder (bKeyRange false: nearest root); velocity layers split 1..127
// evenly in the order of their suffixes. A file whose name holds no note
// is left out with a note.
CInstrumentSet GroupFilesByName(const std::string& strName, const std::vector<std::string>& aPaths);
