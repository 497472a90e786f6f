// The Split runner: cuts a KRZ file into numbered parts and returns the
// outcome; the front end shows it.
#pragma once

#include "COutcome.h"

#include <string>

class CFeedback;

// Splits strSource into parts of nMaxSplitKB named after strDest (the
// source when empty), as SplitCommand does. A size outside the part size's
// range (1..650000) is refused with its range message (Stop). A success when
// parts were written (nParts); a refusal with the split's message when none
// were (the file is no larger than a part, or cannot be opened, or a part
// is an input or another part), or with a file error's message (Stop);
// COutcome::Cancelled() when feedback's user asked to stop (nothing written).
COutcome RunSplitFile(const std::string& strSource, const std::string& strDest, int nMaxSplitKB,
                      CFeedback& feedback, int& nParts);
