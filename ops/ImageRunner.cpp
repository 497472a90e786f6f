#include "ImageRunner.h"

#include "CCancel.h"
#include "CFatVolume.h"
#include "CFeedback.h"
#include "CFileException.h"
#include "FloppyImage.h"

#include <functional>

namespace
{

// Runs a step: its outcome, or a file error as its refusal.
COutcome RunStep(const std::function<COutcome()>& fnStep)
{
    try
    {
        return fnStep();
    }
    catch (const CFileException& e)
    {
        return COutcome::FileError(e);
    }
    catch (const COperationCancelled&)
    {
        return COutcome::Cancelled();
    }
}

} // namespace

COutcome RunImages(const std::vector<std::string>& aFiles, int nImageKB, CFeedback& feedback)
{
    if (FloppyGeometry(nImageKB) == nullptr)
        return COutcome::Refusal(kFloppySizeMessage, MessageIcon::Stop);
    feedback.SetStatusText("Writing floppy images...");
    COutcome outcome = RunStep([&] { return MakeFileImages(aFiles, nImageKB); });
    feedback.SetStatusText("Ready");
    return outcome;
}

COutcome RunPutFiles(const std::string& strImage, const std::vector<std::string>& aFiles,
                     const std::string& strFolder, bool bReplace, CFeedback& feedback)
{
    COutcome outcome =
        RunStep([&] { return PutIntoDiskImage(strImage, aFiles, strFolder, bReplace, feedback); });
    feedback.ProgressSetPos(0);
    feedback.SetStatusText("Ready");
    return outcome;
}
