// The object template "dvntemp.dat": 1248 bytes read once at start-up.
#pragma once

#include "KrzFormat.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using TemplateBytes = std::array<std::uint8_t, kTemplateSize>;

inline constexpr const char* kTemplateFileName = "dvntemp.dat";
inline constexpr const char* kTemplateErrorMessage = "ERROR: Bad or missing file 'DVNTEMP.DAT'";

// The folders searched for the template, in order: the current folder, the
// folder of the executable (strExeDir, when not empty), and the installed
// data folder.
std::vector<std::string> TemplateSearchDirs(const std::string& strExeDir);

// Loads the first 1248 bytes of the first "dvntemp.dat" found in aDirs that
// can be opened. Returns false when none can be opened or the first one
// that opens is shorter than 1248 bytes; abTemplate is then unspecified.
// *pstrLoadedPath (when given) receives the path of the file that opened.
bool LoadTemplateFile(TemplateBytes& abTemplate, const std::vector<std::string>& aDirs,
                      std::string* pstrLoadedPath = nullptr);
