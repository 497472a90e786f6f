// Cutting a KRZ file into numbered part files of at most nMaxSplitKB * 1024
// payload bytes each.
#pragma once

#include <string>

class CFeedback;

// Part n's name: the base name followed by n in "%02d" (PIANO.KRZ01, ...,
// PIANO.KRZ100).
std::string PartName(const std::string& strBase, int n);

// Splits strSource into parts named after strBase. Reports its own
// failures by message box ("ERROR: Can't open Split Source-File...", "The
// source-file is smaller than the maximum filesize"); drives the progress
// bar; throws CFileException when a part cannot be written.
void SplitKrzFile(const std::string& strSource, const std::string& strBase, int nMaxSplitKB,
                  CFeedback& feedback);
