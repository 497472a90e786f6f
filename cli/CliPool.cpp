#include "CConsoleFeedback.h"
#include "CliCommands.h"
#include "PoolRunner.h"

int RunPool(const PoolOptions& options, CConsoleFeedback& feedback)
{
    int nCount = 0;
    const COutcome outcome =
        RunSavePool(options.aInputs, options.strOutput, options.bRelativePaths, nCount);
    for (const SOutcomeNote& note : outcome.Notes())
        feedback.PrintLine(note.strText);
    // An output without a name is a usage error, not a failure.
    if (options.strOutput.empty())
        return kExitUsage;
    if (!outcome.IsOk())
        return kExitFailure;
    feedback.PrintLine("Wrote " + options.strOutput + ": " + std::to_string(nCount) +
                       (nCount == 1 ? " entry" : " entries"));
    return kExitOk;
}
