// The checks of a KRZ file that need all of its objects: the objects each
// keymap and program names exist, and every sample header's words, loop,
// period and pitch agree with each other and with the sample data.
#pragma once

#include "KrzProblems.h"

// Keymaps name sample objects of the file, programs keymaps of it. When
// bWalkCut (part 1 of a split ended before the end mark), an object that is
// not found may lie in a later part: a note, not an error.
void CheckKrzLinks(const KrzFileInfo& info, bool bWalkCut, CKrzProblems& problems);

// Every sample header of every sample object, in file order.
void CheckKrzSampleHeaders(const KrzFileInfo& info, CKrzProblems& problems);
