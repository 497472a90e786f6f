// The name fields of KRZ objects: 16 characters of printable ASCII.
#pragma once

#include <cstdint>
#include <string>

// The name field's text for a name held as UTF-8: letters with accents or
// umlauts up to U+017F become the plain letter (ö as o, É as E); runs of
// characters from U+0180 on (other scripts, punctuation, symbols) are
// written in Latin letters (LatinTextOf: "Скрипка" as "Skripka"); any
// other character outside printable ASCII, before or after that (and every
// byte that is not UTF-8), becomes '_'; cut after 16 characters and filled
// with spaces to 16. Names equal as written are one name to the sampler.
std::string KrzNameField(const std::string& strName);
// The same, with bAllKnown false when a character could not be written as
// the native build writes it (LatinTextOf: only the page's build).
std::string KrzNameField(const std::string& strName, bool& bAllKnown);

// Writes KrzNameField(strName) into the name field of the object at pObject.
void StoreKrzName(std::uint8_t* pObject, const std::string& strName);
