// Joining a series of part files back into one KRZ file.
#pragma once

#include <string>

class CFeedback;

// The name after strName: a two-digit counter on its last two characters
// (PIANO.KRZ09 -> PIANO.KRZ10; after '9' in the tens comes ':').
std::string NextPartName(std::string strName);

// Joins the series that starts with strFirst into strDest. Reports its own
// failures by message box; throws CFileException when a read or a write
// fails.
void JoinKrzFiles(const std::string& strFirst, const std::string& strDest, CFeedback& feedback);
