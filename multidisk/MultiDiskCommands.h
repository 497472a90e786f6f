// The Split and Join commands as both the window and the command line run
// them on existing files: the default destination, the status texts and the
// progress frame around the split and the join.
#pragma once

#include "COutcome.h"

#include <string>

class CFeedback;

// The status text while a file is worked on: "Splitting PIANO.KRZ...".
std::string WorkingText(const char* szVerb, const std::string& strPath);

// The join's destination when none is given: the first part's name
// followed by "J".
std::string DefaultJoinDestination(const std::string& strFirst);

// Splits strSource into parts named after strDest (the source when empty):
// "Splitting <name>...", the split, then "Ready". Returns SplitKrzFile's
// outcome and parts written (0: no split). Throws CFileException as
// SplitKrzFile does, and COperationCancelled when feedback's user asks to
// stop.
COutcome SplitCommand(const std::string& strSource, const std::string& strDest, int nMaxSplitKB,
                      CFeedback& feedback, int* pnParts = nullptr);

// Joins the series that starts at strFirst into strDest (or the default
// destination): "Joining <name>...", the bar at 1 of 0..2 while it runs, then
// at 0 and "Ready". Returns JoinKrzFiles's outcome. Throws CFileException
// as JoinKrzFiles does, and COperationCancelled when feedback's user asks
// to stop.
COutcome JoinCommand(const std::string& strFirst, const std::string& strDest, CFeedback& feedback);
