// Note names as instrument files and file names spell them: a letter A..G
// (any case), an optional sharp '#' or flat 'b', and an octave -1..9, with
// C4 = 60 (middle C). Standard library only.
#pragma once

#include <string_view>

// The MIDI note strText names as a whole ("c4" 60, "C#4" and "Db4" 61,
// "c-1" 0, "g9" 127), or -1 when it is no note name or lies outside
// 0..127 ("g#9", "cb-1").
int ParseNoteName(std::string_view strText);

// The MIDI note of a key value: a whole number 0..127 or a note name; -1
// when it is neither.
int ParseKey(std::string_view strText);
