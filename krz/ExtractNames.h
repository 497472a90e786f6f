// File names for what is taken out of a KRZ file. Object names come from
// the file and may hold anything; a name made here is always one plain
// file name inside the output folder.
#pragma once

#include <set>
#include <string>

// strName made safe as a single file name: control characters, path
// separators and characters that some systems refuse (< > : " | ? *)
// become '_', trailing dots and spaces and leading spaces are dropped, and
// a name that is then empty, all dots, or a reserved device name (CON,
// PRN, AUX, NUL, COM1..9, LPT1..9, with or without an extension) becomes
// strFallback (or has '_' put before it). At most 64 characters.
std::string SafeFileName(const std::string& strName, const std::string& strFallback);

// Names unique within one folder, compared without regard to ASCII case.
class CExtractNames
{
  public:
    // strStem + strExtension, or, when that is taken, strStem + "-2",
    // "-3", ... + strExtension; the name returned is taken from then on.
    std::string Unique(const std::string& strStem, const std::string& strExtension);

  private:
    std::set<std::string> m_aTaken; // lower-cased
};
