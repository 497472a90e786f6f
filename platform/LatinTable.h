// The table of names in Latin letters that the page's build uses in place
// of ICU (generated from ICU by resources/latin_table_gen.cpp into
// LatinTable.inc).
#pragma once

#include <string>
#include <vector>

// strRun (UTF-8) with each character the table holds replaced by its text,
// the rest unchanged; bAllKnown is false when a character the table lacks
// is one that ICU's transform changes (the native build writes it
// otherwise). For a run of characters the table holds this is what
// LatinTextOf gives in the native build.
std::string LatinTextFromTable(const std::string& strRun, bool& bAllKnown);

// The characters the table holds, in code point order.
std::vector<char32_t> LatinTableCharacters();
