// An instrument from audio files grouped by their names. A file name
// (without folder and extension) is cut into words at "_", "-", " ", ".",
// ",", "+" and brackets:
// - the root key is the last word that is a note name (C4 = 60, "C#4",
//   "Db4", "c4", "C-1" = 0); when no word is one, the last word that is a
//   whole number 0..127 ("Kick 36");
// - the velocity layer is the last word after the root's that is "v1",
//   "v2", ... (up to three digits) or a dynamic ppp, pp, p, mp, mf, f, ff,
//   fff (any case); words before the root's are names ("F Horn C4").
// Layers are ordered softest first: files with no layer word, then the
// dynamics, then v1, v2, ... by number; they split velocities 1..127
// evenly, the softest lowest. Standard library only.
#pragma once

#include "CInstrument.h"

#include <string>
#include <vector>

// One instrument named strName from aPaths, its zones ordered by layer,
// then root. Key ranges are left to the builder (bKeyRange false: nearest
// root; nLoKey and nHiKey are the root). A file whose name holds no note
// is left out with a note, and so is a file with the root and layer of an
// earlier one. No usable file is a refusal (with the notes).
CInstrumentSet GroupFilesByName(const std::string& strName, const std::vector<std::string>& aPaths);
