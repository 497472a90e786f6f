#include "ImageRunner.h"

#include "CFatVolume.h"
#include "CFileException.h"
#include "FloppyImage.h"
#include "NoteCollector.h"

#include <functional>

namespace
{

// Runs a step that says whether it succeeded and speaks in message boxes:
// its messages become the outcome's notes, a file error its refusal.
COutcome RunStep(CFeedback& feedback, const std::function<bool(CFeedback&)>& fnStep)
{
    CNoteCollector collector(feedback);
    bool bOk = false;
    try
    {
        bOk = fnStep(collector);
    }
    catch (const CFileException& e)
    {
        COutcome failed = collector.Outcome();
        failed.Append(COutcome::FileError(e));
        return failed;
    }
    COutcome outcome = collector.Outcome();
    if (!bOk)
        outcome.Fail();
    return outcome;
}

} // namespace

COutcome RunImages(const std::vector<std::string>& aFiles, int nImageKB, CFeedback& feedback)
{
    if (FloppyGeometry(nImageKB) == nullptr)
        return COutcome::Refusal(kFloppySizeMessage, MessageIcon::Stop);
    feedback.SetStatusText("Writing floppy images...");
    COutcome outcome = RunStep(feedback, [&](CFeedback& collector)
                               { return MakeFileImages(aFiles, nImageKB, collector); });
    feedback.SetStatusText("Ready");
    return outcome;
}

COutcome RunPutFiles(const std::string& strImage, const std::vector<std::string>& aFiles,
                     const std::string& strFolder, bool bReplace, CFeedback& feedback)
{
    COutcome outcome =
        RunStep(feedback, [&](CFeedback& collector)
                { return PutIntoDiskImage(strImage, aFiles, strFolder, bReplace, collector); });
    feedback.ProgressSetPos(0);
    feedback.SetStatusText("Ready");
    return outcome;
}
