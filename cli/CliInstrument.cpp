#include "CliCommands.h"

#include "CConsoleFeedback.h"
#include "InstrumentCommand.h"

bool IsInstrumentMake(const MakeOptions& options)
{
    return IsInstrumentRequest(options.aInputs, options.strInstrument);
}

int RunMakeInstrumentFiles(const MakeOptions& options, CConsoleFeedback& feedback)
{
    SInstrumentRequest request;
    request.aInputs = options.aInputs;
    request.strGroupName = options.strInstrument;
    request.options = options.make;
    request.bSplitSizeGiven = options.bSplitSizeGiven;
    request.aTemplateDirs = TemplateSearchDirs(options.strExeDir);
    request.strOutput = options.strOutput;
    SMadeInstruments made;
    const COutcome outcome = RunInstrumentCommand(request, feedback, made);
    for (const SOutcomeNote& note : outcome.Notes())
        feedback.PrintLine(note.strText);
    if (!outcome.IsOk())
        return kExitFailure;
    for (const std::string& strLine : made.aSummary)
        feedback.PrintLine(strLine);
    return kExitOk;
}
