// One object of a KRZ file, taken apart: its ID, size and name, and what
// its kind holds (a sample's headers, the samples a keymap plays, the
// keymaps of a program's layers). Every field is read through a bounded
// cursor over the object's bytes; a field the object does not hold is a
// problem, never a read past its end.
#pragma once

#include "CByteCursor.h"
#include "KrzProblems.h"

// The object at nPos of the file, whose bytes (its whole block length, at
// least the 28 bytes of an object's framing) bytes holds; problems found
// are added to problems.
KrzObjectInfo ReadKrzObject(std::uint64_t nPos, CByteCursor bytes, CKrzProblems& problems);
