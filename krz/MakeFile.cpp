#include "MakeFile.h"

#include "CFeedback.h"
#include "CFile.h"
#include "FloppyImage.h"
#include "KrzSplit.h"
#include "Multisample.h"
#include "SampleRateCheck.h"

#include <cctype>
#include <filesystem>
#include <sys/stat.h>

namespace
{

// The names of parts that a split of strOutput could write and that exist
// now: the output's name followed by two or more digits, in its folder.
std::vector<std::string> ExistingPartNames(const std::string& strOutput)
{
    std::vector<std::string> aNames;
    const std::filesystem::path output(CFile::FullPath(strOutput));
    const std::string strStem = output.filename().string();
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(output.parent_path(), ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
    {
        const std::string strName = it->path().filename().string();
        if (strName.size() < strStem.size() + 2 || strName.compare(0, strStem.size(), strStem) != 0)
            continue;
        bool bDigits = true;
        for (std::size_t i = strStem.size(); i < strName.size(); ++i)
            bDigits = bDigits && std::isdigit(static_cast<unsigned char>(strName[i]));
        if (bDigits)
            aNames.push_back(it->path().string());
    }
    return aNames;
}

} // namespace

std::string FindOutputInput(const CDorvane_V2Doc& doc, const std::string& strOutput,
                            const std::vector<std::string>& aOtherInputs)
{
    std::vector<std::string> aInputs = aOtherInputs;
    for (int i = 0; i < doc.m_nCount && i < MAX_POOL; ++i)
        aInputs.push_back(doc.m_aPool[i].FilePath());
    std::vector<std::string> aOutputs = ExistingPartNames(strOutput);
    aOutputs.insert(aOutputs.begin(), strOutput);
    for (const std::string& strOut : aOutputs)
        for (const std::string& strIn : aInputs)
            if (CFile::SameFile(strOut, strIn))
                return strIn;
    return {};
}

bool MakeKrzFile(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, const CMakeOptions& options,
                 TemplateBytes& abTemplate, const std::string& strOutput,
                 const std::vector<std::string>& aOtherInputs, CFeedback& feedback,
                 CMakeResult& result)
{
    result = CMakeResult{};
    const std::string strInput = FindOutputInput(doc, strOutput, aOtherInputs);
    if (!strInput.empty())
    {
        feedback.MessageBox(SameFileMessage(strOutput, strInput), kAppTitle, MessageIcon::None);
        feedback.SetStatusText("Ready");
        return false;
    }
    // A rate no sample header can hold is refused before anything is written.
    if (const std::string strRate = UnwritableRateMessage(doc, aWavInfo); !strRate.empty())
    {
        feedback.MessageBox(strRate, kAppTitle, MessageIcon::None);
        feedback.SetStatusText("Ready");
        return false;
    }
    // Multisample keymaps: a group that cannot be built is refused before
    // anything is written.
    std::vector<CKeymapGroup> aGroups;
    KrzBuildExtras extras;
    extras.audio = options.audio;
    if (options.bMultisample)
    {
        std::string strError;
        if (!PlanMultisampleGroups(doc, aWavInfo, aGroups, strError))
        {
            feedback.MessageBox(strError, kAppTitle, MessageIcon::None);
            feedback.SetStatusText("Ready");
            return false;
        }
        extras.pGroups = &aGroups;
    }
    result.build = BuildKrzFile(doc, aWavInfo, options.nFirstObjectID, abTemplate, strOutput,
                                feedback, extras);
    if (options.nFloppyKB != 0)
    {
        if (!MakeOutputImages(strOutput, options.bSplit, options.nMaxSplitKB, options.nFloppyKB,
                              feedback, result.nParts))
            return false;
    }
    else if (options.bSplit)
    {
        feedback.SetStatusText("Splitting...");
        result.nParts = SplitKrzFile(strOutput, strOutput, options.nMaxSplitKB, feedback);
    }
    feedback.SetStatusText("Ready");
    feedback.ProgressSetPos(0);
    return true;
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
