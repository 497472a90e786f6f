// Text in other scripts as Latin letters, for names that must be ASCII:
// the name fields of KRZ objects, 8.3 names on disk images.
#pragma once

#include <string>

// The UTF-8 text strRun (characters from U+0180 on: other scripts,
// punctuation, symbols) in Latin letters, as ICU's transform
// "Any-Latin; Latin-ASCII" gives it: "Скрипка" as "Skripka", "Ψυχή" as
// "Psyche", a curly quote as "'". Characters the transform leaves alone
// (symbols, emoji) come back unchanged; combining accents go.
//
// The native build asks ICU. The page's build (WebAssembly, without ICU)
// looks each character up in a table generated from ICU for the scripts
// whose transform goes character by character; sets bAllKnown to false when
// strRun holds a character that the table lacks and ICU would change (it
// comes back unchanged). The native build always sets it to true.
std::string LatinTextOf(const std::string& strRun, bool& bAllKnown);
