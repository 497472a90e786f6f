// Root keys: a key number is note index + 12 * octave; its text is the
// two-character note name followed by the octave ("%s%d"): 48 is "C 4".
#pragma once

#include <string>

inline constexpr int kDefaultRootKey = 48;

// The twelve note names, "C " to "B "; index 0..11.
const char* NoteName(int nNote);
// Note index 0..11 and octave of a key; any key, negative ones included,
// gives a note index within the twelve names.
int RootKeyNote(int nRootKey);
int RootKeyOctave(int nRootKey);
// "%s%d" of the note name and the octave.
std::string RootKeyText(int nNote, int nOctave);
std::string RootKeyText(int nRootKey);
