// What a user is told when the KRZ file holds a name otherwise than the
// entry does: name fields take 16 characters of printable ASCII, so a name
// in another script is written in Latin letters, an accent is dropped, a
// long name is cut.
#pragma once

#include "CDorvane_V2Doc.h"
#include "PoolEdit.h"

#include <string>

// One line naming each name of the usable entries (aWavInfo[i].bValid) that
// the file holds otherwise than the entry: the sample name, and the keymap
// and program names of enabled objects (empty ones are the sample name),
// each different name once, in pool order, for example
//   Names written otherwise: "Скрипка" as "Skripka", "Café" as "Cafe".
// Spaces at the end do not count ("Piano " is written as "Piano"). Empty
// when every name is written as it is. A name that the page's build cannot
// write as the native build does is followed by a remark saying so.
std::string WrittenNamesNote(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo);
