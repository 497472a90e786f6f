// Extract's disk image sources: each KRZ file on the image taken out as a
// KRZ file of its own would be.
#include "CCancel.h"
#include "CFeedback.h"
#include "ExtractSteps.h"
#include "ImageKrzFiles.h"

namespace
{

SOutcomeNote ImageRefusal(const std::string& strImage, const std::string& strWhy)
{
    return {"ERROR: " + strImage + ": " + strWhy + ".", kAppTitle, MessageIcon::Exclamation,
            strImage};
}

// Whether run.aOnly asks for file (and marks the names that do).
bool Wanted(const SFatFile& file, SExtractRun& run)
{
    if (run.aOnly.empty())
        return true;
    bool bWanted = false;
    for (std::size_t i = 0; i < run.aOnly.size(); ++i)
        if (ImageFileNamed(file, run.aOnly[i]))
            bWanted = run.abOnlyFound[i] = true;
    return bWanted;
}

} // namespace

bool ExtractFromImage(const std::string& strSource, SExtractRun& run, CFeedback& feedback,
                      COutcome& outcome)
{
    std::string strRefusal;
    const std::unique_ptr<CImageKrzFiles> pImage = OpenKrzImage(strSource, strRefusal);
    if (!pImage)
    {
        if (strRefusal.empty())
            return false;
        outcome.Refuse(ImageRefusal(strSource, strRefusal));
        return true;
    }
    for (const std::string& strProblem : pImage->Problems())
        outcome.Refuse(ImageRefusal(strSource, strProblem));
    if (pImage->Files().empty())
        outcome.Refuse(ImageRefusal(strSource, "the image holds no KRZ file"));
    for (const SFatFile& file : pImage->Files())
    {
        if (!Wanted(file, run))
            continue;
        StopIfCancelled(feedback);
        const std::string strLabel = strSource + ":/" + file.strPath;
        feedback.SetStatusText("Extracting " + strLabel + "...");
        std::vector<std::uint8_t> ab;
        try
        {
            ab = pImage->Read(file);
        }
        catch (const CDiskImageRefusal& e)
        {
            outcome.Refuse(ImageRefusal(strLabel, e.what()));
            continue;
        }
        bool bFirstPart = false;
        std::string strWhy = KrzBytesRefusal(ab, strLabel, bFirstPart);
        if (strWhy.empty() && bFirstPart)
            strWhy = "ERROR: " + strLabel +
                     " is the first part of a multi-disk file: copy its parts off their disks "
                     "and extract the first part.";
        if (!strWhy.empty())
        {
            outcome.Refuse({strWhy, kAppTitle, MessageIcon::Exclamation, strSource});
            continue;
        }
        outcome.Append(ExtractKrzBytes(ab, strLabel, file.strPath, run, feedback));
    }
    return true;
}
