#include "MakeFile.h"

#include "MakeOptionsCheck.h"

#include "CAtomicFile.h"
#include "CCancel.h"
#include "CFeedback.h"
#include "CFile.h"
#include "COutputSet.h"
#include "FloppyImage.h"
#include "KrzSplit.h"
#include "Multisample.h"
#include "SampleRateCheck.h"

#include <cctype>
#include <filesystem>

namespace
{

// The names in strOutput's folder that a split of it (parts: the output's
// name followed by two or more digits) or floppy images of it or of its
// parts (followed by ".img") could write and that exist now, spelt as
// strOutput followed by the rest of the name.
std::vector<std::string> ExistingOutputNames(const std::string& strOutput, bool bImages)
{
    std::vector<std::string> aNames;
    const std::filesystem::path output(CFile::FullPath(strOutput));
    const std::string strStem = output.filename().string();
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(output.parent_path(), ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
    {
        const std::string strName = it->path().filename().string();
        if (strName.size() <= strStem.size() || strName.compare(0, strStem.size(), strStem) != 0)
            continue;
        std::string strRest = strName.substr(strStem.size());
        const bool bImage =
            strRest.size() >= 4 && strRest.compare(strRest.size() - 4, 4, ".img") == 0;
        if (bImage && !bImages)
            continue;
        const std::string strDigits = bImage ? strRest.substr(0, strRest.size() - 4) : strRest;
        bool bDigits = strDigits.size() >= 2 || (bImage && strDigits.empty());
        for (char c : strDigits)
            bDigits = bDigits && std::isdigit(static_cast<unsigned char>(c));
        if (bDigits)
            aNames.push_back(strOutput + strRest);
    }
    return aNames;
}

} // namespace

void PlanMakeOutputs(const CDorvane_V2Doc& doc, const std::string& strOutput,
                     const std::vector<std::string>& aOtherInputs, const CMakeOptions& options,
                     COutputSet& outputs)
{
    for (const std::string& strInput : aOtherInputs)
        outputs.AddInput(strInput);
    for (int i = 0; i < doc.m_nCount && i < MAX_POOL; ++i)
        outputs.AddInput(doc.m_aPool[i].FilePath());
    outputs.AddOutput(strOutput);
    PlanOutputParts(strOutput, options, outputs);
}

void PlanOutputParts(const std::string& strOutput, const CMakeOptions& options, COutputSet& outputs)
{
    if (strOutput.empty())
        return;
    // How many parts are written is known once the file is built. A name
    // that does not exist yet cannot be an input, and cannot be another
    // output unless it is spelt as one (checked again as each is created):
    // so the names that exist are what must be checked now.
    const bool bImages = options.nFloppyKB != 0;
    if (bImages)
        outputs.AddOutput(strOutput + ".img");
    if (!options.bSplit && !bImages)
        return;
    for (const std::string& strName : ExistingOutputNames(strOutput, bImages))
        if (!outputs.IsPlanned(strName))
            outputs.AddOutput(strName);
}

namespace
{

// Writes the KRZ file and, as asked, its parts or its floppy images as
// uncommitted files of outputs. Adds to outcome a refusal when an image
// could not be made, and a note when the file is too small to split.
void WriteMakeOutputs(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo,
                      const CMakeOptions& options, TemplateBytes& abTemplate,
                      const std::string& strOutput, const KrzBuildExtras& extras,
                      CFeedback& feedback, COutputSet& outputs, CMakeResult& result,
                      COutcome& outcome)
{
    CAtomicFile& krz = outputs.Create(strOutput, false);
    result.build =
        BuildKrzInto(doc, aWavInfo, options.nFirstObjectID, abTemplate, krz, feedback, extras);
    WriteOutputParts(strOutput, krz, options, feedback, outputs, result.nParts, outcome);
}

} // namespace

void WriteOutputParts(const std::string& strOutput, CAtomicFile& krz, const CMakeOptions& options,
                      CFeedback& feedback, COutputSet& outputs, int& nParts, COutcome& outcome)
{
    // The parts and images are cut from the file not yet committed.
    krz.Finish();
    if (options.nFloppyKB != 0)
        return WriteOutputImages(strOutput, krz.TemporaryPath(), options.bSplit,
                                 options.nMaxSplitKB, options.nFloppyKB, feedback, outputs, nParts,
                                 outcome);
    if (options.bSplit)
    {
        feedback.SetStatusText("Splitting...");
        nParts = SplitKrzInto(strOutput, krz.TemporaryPath(), strOutput, options.nMaxSplitKB,
                              feedback, outputs, outcome);
    }
}

COutcome MakeKrzFile(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, const CMakeOptions& options,
                     TemplateBytes& abTemplate, const std::string& strOutput,
                     const std::vector<std::string>& aOtherInputs, CFeedback& feedback,
                     CMakeResult& result)
{
    result = CMakeResult{};
    const auto Refuse = [&](const std::string& strMessage, const std::string& strFile)
    {
        feedback.SetStatusText("Ready");
        return COutcome::Refusal(strMessage, MessageIcon::None, strFile);
    };
    // Whatever face calls, every value lies in its option's one range.
    if (const std::string strRange = CheckMakeOptions(options); !strRange.empty())
        return Refuse(strRange, {});
    // Every output is known and checked before the first is written.
    COutputSet outputs;
    PlanMakeOutputs(doc, strOutput, aOtherInputs, options, outputs);
    const std::string strRefusal = outputs.CheckPlan();
    if (!strRefusal.empty())
        return Refuse(strRefusal, strOutput);
    // A rate no sample header can hold is refused before anything is written.
    if (const std::string strRate = UnwritableRateMessage(doc, aWavInfo); !strRate.empty())
        return Refuse(strRate, {});
    // Multisample keymaps: a group that cannot be built is refused before
    // anything is written.
    std::vector<CKeymapGroup> aGroups;
    KrzBuildExtras extras;
    extras.audio = options.audio;
    if (options.bMultisample)
    {
        std::string strError;
        if (!PlanMultisampleGroups(doc, aWavInfo, aGroups, strError))
            return Refuse(strError, {});
        extras.pGroups = &aGroups;
    }
    // The KRZ file, its parts and its images replace the files of their
    // names together, once all are written: a failure at any of them leaves
    // every earlier file as it was (the set removes its temporary files).
    COutcome outcome;
    try
    {
        WriteMakeOutputs(doc, aWavInfo, options, abTemplate, strOutput, extras, feedback, outputs,
                         result, outcome);
        if (!outcome.IsOk())
            return outcome;
        StopIfCancelled(feedback);
        outputs.Commit();
    }
    catch (const COutputRefusal& e)
    {
        outcome.Append(Refuse(e.what(), strOutput));
        return outcome;
    }
    feedback.SetStatusText("Ready");
    feedback.ProgressSetPos(0);
    return outcome;
}

std::string MakeSummaryText(const std::string& strOutput, const CMakeResult& result)
{
    const auto Count = [](std::uint64_t n, const char* szOne, const char* szMany)
    { return std::to_string(n) + " " + (n == 1 ? szOne : szMany); };
    std::string str = "Wrote " + strOutput + ": " +
                      Count(result.build.nSamples, "sample", "samples") + ", " +
                      Count(result.build.nKeymaps, "keymap", "keymaps") + ", " +
                      Count(result.build.nPrograms, "program", "programs") + ", " +
                      Count(result.build.nBytes, "byte", "bytes");
    if (result.nParts > 0)
        str += ", " + Count(result.nParts, "part", "parts");
    return str;
}
