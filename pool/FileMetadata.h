// The root key and the loop that an audio file stores, and a note name in a
// file's title.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The most chunks (or AIFF markers) the metadata reader walks; honest files
// have a handful.
inline constexpr int kMaxMetadataChunks = 65536;

struct CFileMetadata
{
    // MIDI note 0..127 stored in the file, -1 when none: the WAV "smpl"
    // chunk's unity note or the AIFF "INST" chunk's base note.
    int nRootKey = -1;
    // The first forward loop: the first loop of type 0 in the "smpl" chunk,
    // or the AIFF sustain loop when its play mode is 1 (forward) and both
    // its markers exist. Frames in the file's own rate; nLoopEnd inclusive
    // (an AIFF end marker lies after the last looped frame, so it gives
    // marker - 1). Not checked against the file's length: see
    // CheckLoop. A loop whose end lies before its start is not a loop.
    bool bHasLoop = false;
    std::uint64_t nLoopStart = 0;
    std::uint64_t nLoopEnd = 0;
    // An AIFF "MARK" chunk whose markers do not fit in it (fewer whole
    // markers than its count, or a name running past its end) or an "INST"
    // chunk shorter than its 20 bytes: it cannot be read and was ignored
    // whole (no markers; no base note or loop).
    bool bDamaged = false;
};

// Reads the metadata of the WAV (RIFF/WAVE) or AIFF/AIFC (FORM) file
// strPath. Other files, files that cannot be read and damaged chunks give
// what was found before the damage, or nothing. Never throws.
CFileMetadata ReadFileMetadata(const std::string& strPath);

// Whether a loop fits data of nFrames frames: start <= end < nFrames.
bool LoopFits(const CFileMetadata& metadata, std::uint64_t nFrames);

// The last note name in strTitle as a root key (note index + 12 * octave,
// C4 = 48, shown "C 4"), or none. A note name is a letter A-G (either
// case), an optional '#' or 'b', and an octave -1..9, standing as a word of
// its own: the characters before and after it are not letters or digits
// (so "Bass", "abc4", "C45" and "C4x" hold none, "Piano_C#3.wav" and
// "F#-1" hold one). Flats and sharps may cross the octave: Cb4 is 47, B#3
// is 48. A name whose key falls outside -12..119 (Cb-1, B#9) is not one.
std::optional<int> RootKeyFromTitle(const std::string& strTitle);

// The program's root key for a MIDI note number (MIDI 60 is key 48, "C 4").
inline int RootKeyFromMidiNote(int nMidiNote)
{
    return nMidiNote - 12;
}
