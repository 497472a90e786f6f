// The Join runner: joins a series of parts into one KRZ file and returns
// the outcome; the front end shows it.
#pragma once

#include "COutcome.h"

#include <string>

class CFeedback;

// Joins the series that starts at strFirst into strDest (the first part's
// name followed by "J" when empty), as JoinCommand does. A refusal carries
// the join's message, or a file error's message (Stop);
// COutcome::Cancelled() when feedback's user asked to stop (nothing written).
COutcome RunJoinFiles(const std::string& strFirst, const std::string& strDest, CFeedback& feedback);
