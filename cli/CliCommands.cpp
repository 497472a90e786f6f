#include "CliCommands.h"

#include "CConsoleFeedback.h"
#include "FloppyImage.h"
#include "ImageRunner.h"
#include "JoinRunner.h"
#include "KrzSplit.h"
#include "MakeRunner.h"
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

// The floppy image size and a part size asked for that does not fit it
// are refused before anything is built.
COutcome CheckImageOptions(const MakeOptions& options)
{
    if (options.make.nFloppyKB == 0)
        return {};
    const SFloppyGeometry* pGeometry = FloppyGeometry(options.make.nFloppyKB);
    if (pGeometry == nullptr)
        return COutcome::Refusal(kFloppySizeMessage, MessageIcon::Stop);
    if (options.make.bSplit && options.bSplitSizeGiven &&
        options.make.nMaxSplitKB > MaxFloppyPartKB(*pGeometry))
        return COutcome::Refusal("A part of " + std::to_string(options.make.nMaxSplitKB) +
                                     " KB does not fit on a " +
                                     std::to_string(options.make.nFloppyKB) +
                                     " KB floppy image: the part size is at most " +
                                     std::to_string(MaxFloppyPartKB(*pGeometry)) + " KB",
                                 MessageIcon::Stop);
    return {};
}

} // namespace

int RunMake(const MakeOptions& options, CConsoleFeedback& feedback)
{
    if (const COutcome checked = CheckImageOptions(options); !checked.IsOk())
        return Shown(checked, feedback);
    if (IsInstrumentMake(options))
        return RunMakeInstrumentFiles(options, feedback);
    TemplateBytes abTemplate{};
    std::string strTemplatePath;
    if (!LoadTemplateFile(abTemplate, TemplateSearchDirs(options.strExeDir), &strTemplatePath))
        return Shown(COutcome::Refusal(kTemplateErrorMessage), feedback);

    SMakePool pool;
    pool.aOtherInputs.push_back(strTemplatePath);
    if (Shown(LoadMakePool(options.aInputs, pool), feedback) != kExitOk)
        return kExitFailure;
    const CAudioOptions& audio = options.make.audio;
    // An entry made from a file here takes the root key and loop the file
    // holds, as Add does; a pool's entries keep theirs.
    ShowOutcome(ReadEntryHeaders(pool, audio, !pool.bPoolFile, true), feedback);
    if (pool.nUnusable > 0 && !options.bSkipUnusable)
        return kExitFailure;
    // A file without a single sample is no result: say so rather than write
    // a header and an end mark and report success.
    if (pool.nUnusable == pool.pDoc->m_nCount)
        return Shown(COutcome::Refusal(kNothingUsableMessage), feedback);

    SMadeFile made;
    const COutcome outcome =
        RunMakeFile(*pool.pDoc, *pool.pWavInfo, options.make, abTemplate, options.strOutput,
                    options.strOutput, pool.aOtherInputs, feedback, made);
    ShowOutcome(outcome, feedback);
    if (!outcome.IsOk())
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
