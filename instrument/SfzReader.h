// SFZ instrument files: a text of headers (<control> <global> <master>
// <group> <region>) and opcodes, with #define, #include and default_path.
//
// Opcodes set at a level hold for every region below it (control, then
// global, master, group, region: the later level wins, and within a level
// the later opcode); a header of a level ends the open region and clears
// what its own level and the levels below it had set. The opcodes read:
//   sample             the audio file, relative to default_path; backslashes
//                      are taken as '/', and letters' case is ignored when
//                      the name as spelt is missing; "*sine" and other
//                      generators are left out with a note
//   default_path       folder of the samples, relative to the SFZ file's
//                      folder (not an included file's)
//   lokey hikey        key range, MIDI notes 0..127 or names (c4 = 60, c#4,
//                      db4; octaves -1..9); key sets both and pitch_keycenter
//   pitch_keycenter    root key (default 60); "sample": the root the sample
//                      file stores (WAV "smpl", AIFF "INST"), shifted as a
//                      number there would be; a file storing none gives 60,
//                      with a note naming the region
//   lovel hivel        velocity range 0..127 (default 1..127)
//   tune               cents, -9600..9600
//   transpose          semitones, -127..127, added to the tuning as 100 cents
//   volume             gain in dB, -144..24
//   offset end         first and last frame played (end inclusive)
//   loop_mode          no_loop and one_shot: no loop; loop_continuous and
//                      loop_sustain: a loop. Without loop_mode a region
//                      loops when it gives loop_start or loop_end.
//   loop_start         first and last frame of the loop, counted in the
//   loop_end           file; the zone's loop counts them from offset. A loop
//                      without loop_start (loop_end) has loop.nStart
//                      (loop.nEnd) -1: the builder takes the file's own loop
//                      point, or its start (end) when it has none.
//   loopmode loopstart loopend: the same as loop_mode, loop_start, loop_end
//   note_offset        semitones (-127..127) and octaves (-10..10) added to
//   octave_offset      the keys read after them (usually set in <control>);
//                      a key shifted out of 0..127 is out of range
// Every other opcode is listed once in one note ("<file>: opcodes not
// used: a, b"), and other headers (<curve>, <effect>, ...) in another,
// their opcodes with them. Standard library only.
#pragma once

#include "CInstrument.h"

#include <string>

// Reads the SFZ file strPath into one instrument named after the file
// (without its extension). Regions whose sample is missing (only its
// existence is checked) or whose values are out of range are left out with
// a note naming the file, the region's line and its sample. A file that
// cannot be read, or that has no region to use, is a refusal (the notes
// still say why regions were left out).
CInstrumentSet ReadSfzFile(const std::string& strPath);
