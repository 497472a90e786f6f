// The Info runner: what KRZ files hold, as text, with the outcome of their
// checks; the front end prints the text and shows the outcome.
#pragma once

#include "COutcome.h"

#include <string>
#include <vector>

// Appends FormatKrzFileInfo of each file to strText, the files separated
// by an empty line. A disk image (ImageKrzFiles.h) gives a line per KRZ
// file on it (path, size) and then each one's text. A refusal when a file fails its checks (its
// text says which) or cannot be read (a note with the file error's message, Stop, in the order of
// the files).
COutcome RunInfoFiles(const std::vector<std::string>& aFiles, std::string& strText);
