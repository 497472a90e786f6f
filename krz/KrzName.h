// The name fields of KRZ objects: 16 characters of printable ASCII.
#pragma once

#include <cstdint>
#include <string>

// The name field's text for a name held as UTF-8: letters with accents or
// umlauts become the plain letter (ö as o, É as E), any other character
// outside printable ASCII (and every byte that is not UTF-8) becomes '_';
// cut after 16 characters and filled with spaces to 16.
std::string KrzNameField(const std::string& strName);

// Writes KrzNameField(strName) into the name field of the object at pObject.
void StoreKrzName(std::uint8_t* pObject, const std::string& strName);
