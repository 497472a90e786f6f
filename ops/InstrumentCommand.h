// The Make command for instruments, from a face's request to one outcome:
// which inputs may go together, the option checks, the template, the
// readers (instrument files, or audio files grouped by their names) and
// the build of a library (InstrumentRunner.h). dorvane-cli turns its
// arguments into a request and shows the outcome.
#pragma once

#include "COutcome.h"
#include "InstrumentRunner.h"

#include <string>
#include <vector>

class CFeedback;

inline constexpr const char* kInstrumentMixMessage =
    "Instrument files (.sfz, .dspreset, .sf2) cannot be made into one file with audio or pool "
    "files: make them separately.";
inline constexpr const char* kInstrumentGroupMixMessage =
    "--instrument groups audio files by their names; instrument files (.sfz, .dspreset, .sf2) "
    "are made without it.";

struct SInstrumentRequest
{
    // Instrument files (.sfz, .dspreset, .sf2), or with strGroupName the
    // audio files grouped into one instrument of that name.
    std::vector<std::string> aInputs;
    std::string strGroupName;
    CMakeOptions options;
    bool bSplitSizeGiven = false;           // as SMakeRequest's
    std::vector<std::string> aTemplateDirs; // searched in order for the template
    std::string strOutput;                  // the first KRZ file to write
};

// Whether a make of these inputs is one of instruments: a group name is
// given or an input is an instrument file.
bool IsInstrumentRequest(const std::vector<std::string>& aInputs, const std::string& strGroupName);

// Runs the make. Refusals, the first that applies, in order: the options
// (CheckMakeRequestOptions), instrument files mixed with other inputs
// (kInstrumentMixMessage) or with a group name (kInstrumentGroupMixMessage),
// no template (kTemplateErrorMessage); then RunMakeInstruments' outcome. On
// success made holds one summary line per file written.
COutcome RunInstrumentCommand(const SInstrumentRequest& request, CFeedback& feedback,
                              SMadeInstruments& made);
