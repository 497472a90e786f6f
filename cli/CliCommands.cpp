#include "CliCommands.h"

#include "CConsoleFeedback.h"
#include "ImageRunner.h"
#include "JoinRunner.h"
#include "KrzSplit.h"
#include "MakeCommand.h"
#include "SplitRunner.h"

#include <cstdio>
#include <memory>

namespace
{

// The command line shows an outcome's notes as lines on stderr, in order.
void ShowOutcome(const COutcome& outcome, CConsoleFeedback& feedback)
{
    for (const SOutcomeNote& note : outcome.Notes())
        feedback.PrintLine(note.strText);
}

// Shows the outcome; its exit status.
int Shown(const COutcome& outcome, CConsoleFeedback& feedback)
{
    ShowOutcome(outcome, feedback);
    return outcome.IsOk() ? kExitOk : kExitFailure;
}

} // namespace

int RunMake(const MakeOptions& options, CConsoleFeedback& feedback)
{
    if (IsInstrumentMake(options))
        return RunMakeInstrumentFiles(options, feedback);
    SMakeRequest request;
    request.aInputs = options.aInputs;
    request.options = options.make;
    request.bSplitSizeGiven = options.bSplitSizeGiven;
    request.aTemplateDirs = TemplateSearchDirs(options.strExeDir);
    request.bSkipUnusable = options.bSkipUnusable;
    request.bNewEntriesTakeMetadata = true;
    request.bHeaderNotes = true;
    request.strOutput = options.strOutput;
    request.strShownName = options.strOutput;
    SMadeFile made;
    if (Shown(RunMakeCommand(request, feedback, made), feedback) != kExitOk)
        return kExitFailure;
    feedback.PrintLine(made.strSummary);
    if (!made.strNames.empty())
        feedback.PrintLine(made.strNames);
    return kExitOk;
}

int RunSplit(const std::string& strSource, const std::string& strDest, int nSizeKB,
             CConsoleFeedback& feedback)
{
    int nParts = 0;
    return Shown(RunSplitFile(strSource, strDest, nSizeKB, feedback, nParts), feedback);
}

int RunJoin(const std::string& strFirst, const std::string& strDest, CConsoleFeedback& feedback)
{
    return Shown(RunJoinFiles(strFirst, strDest, feedback), feedback);
}

int RunImage(const std::vector<std::string>& aFiles, int nImageKB, CConsoleFeedback& feedback)
{
    return Shown(RunImages(aFiles, nImageKB, feedback), feedback);
}

int RunPut(const std::string& strImage, const std::vector<std::string>& aFiles,
           const std::string& strFolder, bool bReplace, CConsoleFeedback& feedback)
{
    return Shown(RunPutFiles(strImage, aFiles, strFolder, bReplace, feedback), feedback);
}
