// The pool runner: writes a pool file from audio files or from another
// pool file, and returns the outcome; the front end shows it.
#pragma once

#include "COutcome.h"

#include <string>
#include <vector>

inline constexpr const char* kNoPoolNameMessage = "The pool file to write has no name.";

// Writes strOutput (which must be named: kNoPoolNameMessage, Stop, else):
// from audio files (each an entry as Add makes it, stored by its full path;
// more than MAX_POOL, a missing file or the output itself among them is
// refused before anything is written), or from one pool file, opened as
// the window opens it and saved again as Save As saves it (the same file
// may be both). With bRelativePaths, files inside the output's folder are
// stored relative to it. nCount is the number of entries written.
COutcome RunSavePool(const std::vector<std::string>& aInputs, const std::string& strOutput,
                     bool bRelativePaths, int& nCount);
