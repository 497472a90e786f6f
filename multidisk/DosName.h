// 8.3 names of files on DOS volumes: up to 8 characters of name and up to
// 3 of extension, in capitals, from the characters DOS allows.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// The 8.3 name under which a KRZ file or one of its parts is stored: the
// file name of strPath (its folder dropped) in capitals, with characters
// DOS does not allow in names (space, '.', '+', ',', ';', '=', '[', ']',
// control and non-ASCII bytes) left out and the rest cut to 8 characters;
// "KRZ" when nothing is left. The extension is the file's own in capitals
// when it is KRZ, K25 or K26; a part's extension (KRZ01, K2512, ...) gives
// the extension of the file it was split from; any other extension gives
// KRZ, the sampler reading files by extension. Returned as "NAME.EXT".
std::string KrzDosName(const std::string& strPath);

// The 8.3 name under which put stores a file it is given: the name part as
// KrzDosName makes it, and the file's own extension in capitals with the
// characters DOS does not allow left out, cut to 3 characters (lead.aiff
// as LEAD.AIF, pad.wav as PAD.WAV, a file without one as NAME); letters of
// other scripts and accented ones first in Latin letters (LatinTextOf:
// Скрипка.wav as SKRIPKA.WAV, Glöckchen.wav as GLOCKCHE.WAV); a part of a
// KRZ file keeps the whole file's extension (PIANO.KRZ01 as PIANO.KRZ).
// Returns an empty string when no character of the name part is left,
// except for a sampler file, which gets KrzDosName's name.
std::string OwnDosName(const std::string& strPath);

// A folder's 8.3 name from a name the user typed: capitals, characters DOS
// does not allow left out, name cut to 8 and extension to 3 characters.
// Returns an empty string when no character is left of the name part.
std::string FolderDosName(const std::string& strName);

// The 8.3 names of the folders, from the root, of the folder that put
// copies into, from the path the user typed ("sounds/bass" or
// "sounds\\bass" as SOUNDS, BASS; each through FolderDosName, in Latin
// letters as OwnDosName has them; separators at
// either end or doubled are no folder). Empty, with strWhyNot set, when a
// folder's name has no character a DOS name may hold ("..", "+++", "/").
std::vector<std::string> PutFolderPath(const std::string& strFolder, std::string& strWhyNot);

// The 11 bytes of a directory entry's name field for "NAME.EXT" (name and
// extension each padded with spaces). The names above are ASCII, so none
// starts with the E5 byte that marks a deleted entry.
std::string DirEntryName(const std::string& strDosName);

// The name part of "NAME.EXT" (the volume label of a floppy image).
std::string DosBaseName(const std::string& strDosName);

// The time t (local time) as a directory entry holds it: the date (years
// from 1980, 1980..2107 at most, month, day) and the time (hours, minutes,
// seconds / 2), each a 16-bit field.
struct SDosDateTime
{
    std::uint16_t nDate = 0;
    std::uint16_t nTime = 0;
};
SDosDateTime DosDateTime(std::time_t t);
