#include "CliCommands.h"

#include "CConsoleFeedback.h"
#include "ExtractRunner.h"

int RunExtractCommand(const std::vector<std::string>& aSources, const std::string& strOutDir,
                      const std::vector<std::string>& aOnly, CConsoleFeedback& feedback)
{
    const COutcome outcome = RunExtract(aSources, strOutDir, feedback, aOnly);
    for (const SOutcomeNote& note : outcome.Notes())
        feedback.PrintLine(note.strText);
    return outcome.IsOk() ? kExitOk : kExitFailure;
}
