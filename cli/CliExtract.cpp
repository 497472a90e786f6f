#include "CliCommands.h"

#include "CConsoleFeedback.h"
#include "ExtractRunner.h"

int RunExtractCommand(const std::vector<std::string>& aSources, const std::string& strOutDir,
                      CConsoleFeedback& feedback)
{
    const COutcome outcome = RunExtract(aSources, strOutDir, feedback);
    for (const SOutcomeNote& note : outcome.Notes())
        feedback.PrintLine(note.strText);
    return outcome.IsOk() ? kExitOk : kExitFailure;
}
