#include "CliCommands.h"

#include "CConsoleFeedback.h"
#include "InfoRunner.h"

#include <cstdio>

int RunInfo(const std::vector<std::string>& aFiles, CConsoleFeedback& feedback)
{
    std::string strText;
    const COutcome outcome = RunInfoFiles(aFiles, strText);
    std::fputs(strText.c_str(), stdout);
    std::fflush(stdout);
    for (const SOutcomeNote& note : outcome.Notes())
        feedback.PrintLine(note.strText);
    return outcome.IsOk() ? kExitOk : kExitFailure;
}
