#include "RootKey.h"

namespace
{
const char* const kNoteNames[12] = {"C ", "C#", "D ", "D#", "E ", "F ",
                                    "F#", "G ", "G#", "A ", "A#", "B "};
}

const char* NoteName(int nNote)
{
    return kNoteNames[((nNote % 12) + 12) % 12];
}

int RootKeyNote(int nRootKey)
{
    return ((nRootKey % 12) + 12) % 12;
}

int RootKeyOctave(int nRootKey)
{
    // Floor division, so that note and octave always give the key back.
    return static_cast<int>((static_cast<long long>(nRootKey) - RootKeyNote(nRootKey)) / 12);
}

std::string RootKeyText(int nNote, int nOctave)
{
    return std::string(NoteName(nNote)) + std::to_string(nOctave);
}

std::string RootKeyText(int nRootKey)
{
    return RootKeyText(RootKeyNote(nRootKey), RootKeyOctave(nRootKey));
}
