// Adding an entry to the end of the pool and deleting one with the gap
// closed: the document side of the Add and Delete commands, shared by the
// window and the command line.
#pragma once

#include "AudioInput.h"
#include "CDorvane_V2Doc.h"
#include "WAVINFO.h"

#include <array>
#include <string>

using WavInfoArray = std::array<WAVINFO, MAX_POOL>;

// The sample name Add derives from a file's title (its name with the
// extension, without the folder): trailing, then leading white space
// removed, then the extension dropped: the last dot and what follows it,
// when that holds no white space (lead.aiff and lead.wav give "lead",
// "Piano .wav" gives "Piano ", "Mr. Smith" stays whole, ".wav" gives "").
std::string SampleNameFromTitle(const std::string& strTitle);

// The name fields of the form take 16 characters.
inline constexpr std::size_t kNameFieldChars = 16;

// The first nChars characters of a UTF-8 text, counted as the form's fields
// count them (UTF-16 units: a character beyond U+FFFF counts two), never
// ending inside a character.
std::string CutToChars(const std::string& str, std::size_t nChars);

// The file title of a path: its last component.
std::string FileTitleOf(const std::string& strPath);

// Appends an entry for strPath with Add's defaults (sample name from the
// title cut to 16 characters, empty keymap and program names, loop off, root key 48, both Enable
// flags set), raises the count and marks the document modified. Returns the
// new slot's index, or -1 (changing nothing) when the pool is full.
int AddPoolEntry(CDorvane_V2Doc& doc, const std::string& strPath, const std::string& strTitle);

// What Add takes from a file with options.bFileMetadata: the root key stored
// in the file or named in its title (RootKeyForNewEntry), and LoopSwitch on
// for a file that holds a loop. Changes nothing with the option off.
void ApplyFileMetadata(CWPoolObj& entry, const WAVINFO& info, const std::string& strTitle,
                       const CAudioOptions& options);

// Removes entry nIndex (0..count-1): later entries and their WAVINFO records
// move down by one, the vacated last slot gets empty strings, root key 48
// and zero switches (its WAVINFO stays), the count drops by one and the
// document is marked modified. Out-of-range indexes change nothing and
// return false.
bool DeletePoolEntry(CDorvane_V2Doc& doc, WavInfoArray& aWavInfo, int nIndex);
