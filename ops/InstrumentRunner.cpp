#include "InstrumentRunner.h"

#include "CAtomicFile.h"
#include "CFeedback.h"
#include "CFileException.h"
#include "COutputSet.h"
#include "InstrumentWriter.h"
#include "MakeOptionsCheck.h"

#include <filesystem>

namespace
{

SOutcomeNote Text(const std::string& strText)
{
    return {strText, kAppTitle, MessageIcon::None, {}};
}

std::string Count(std::uint64_t n, const char* szOne, const char* szMany)
{
    return std::to_string(n) + " " + (n == 1 ? szOne : szMany);
}

std::string SummaryLine(const SMadeInstruments& made, std::size_t i)
{
    const KrzBuildSummary& build = made.aBuilds[i];
    std::string str = "Wrote " + made.aFiles[i];
    if (i > 0)
        str += " (the object numbers of " + made.aFiles[i - 1] + " ran out)";
    return str + ": " + Count(made.anInstruments[i], "instrument", "instruments") + ", " +
           Count(build.nSamples, "sample", "samples") + ", " +
           Count(build.nKeymaps, "keymap", "keymaps") + ", " +
           Count(build.nPrograms, "program", "programs") + ", " +
           Count(build.nBytes, "byte", "bytes") +
           (made.anParts[i] > 0 ? ", " + Count(made.anParts[i], "part", "parts") : "");
}

// Every instrument of the sets, with the readers' notes added to outcome;
// false (outcome refused) when a reader refused its file.
bool GatherInstruments(const std::vector<CInstrumentSet>& aSets, std::vector<CInstrument>& aAll,
                       COutcome& outcome)
{
    for (const CInstrumentSet& set : aSets)
    {
        for (const std::string& strNote : set.aNotes)
            outcome.Note(Text(strNote));
        if (!set.strRefusal.empty())
        {
            outcome.Refuse(Text(set.strRefusal));
            return false;
        }
        aAll.insert(aAll.end(), set.aInstruments.begin(), set.aInstruments.end());
    }
    return true;
}

// Writes every file, with its parts or images as asked, and commits them
// together unless outcome was refused on the way.
void WriteFiles(const std::vector<CLibraryFilePlan>& aFiles, const CInstrumentInputs& inputs,
                const CMakeOptions& options, TemplateBytes& abTemplate, CFeedback& feedback,
                COutputSet& outputs, SMadeInstruments& made, COutcome& outcome)
{
    for (std::size_t i = 0; i < aFiles.size(); ++i)
    {
        CAtomicFile& krz = outputs.Create(made.aFiles[i], false);
        made.aBuilds.push_back(
            WriteInstrumentKrz(aFiles[i], inputs, abTemplate, krz.File(), feedback));
        made.anInstruments.push_back(static_cast<int>(aFiles[i].aInstruments.size()));
        // Finished here, so that only one file is open at a time.
        int nParts = 0;
        WriteOutputParts(made.aFiles[i], krz, options, feedback, outputs, nParts, outcome);
        made.anParts.push_back(nParts);
        if (!outcome.IsOk())
            return;
    }
    outputs.Commit();
}

} // namespace

std::string LibraryFileName(const std::string& strOutput, int nFile)
{
    if (nFile <= 1)
        return strOutput;
    const std::filesystem::path path(strOutput);
    const std::string strExt = path.extension().string();
    return strOutput.substr(0, strOutput.size() - strExt.size()) + "-" + std::to_string(nFile) +
           strExt;
}

COutcome RunMakeInstruments(const std::vector<CInstrumentSet>& aSets, const CMakeOptions& options,
                            TemplateBytes& abTemplate, const std::string& strOutput,
                            const std::vector<std::string>& aOtherInputs, CFeedback& feedback,
                            SMadeInstruments& made)
{
    made = SMadeInstruments{};
    if (const std::string strRange = CheckMakeOptions(options); !strRange.empty())
        return COutcome::Refusal(strRange);
    COutcome outcome;
    // Options of the pool's entries that the zones decide themselves.
    if (options.bMultisample)
        outcome.Note(Text(kInstrumentMultisampleNote));
    if (options.audio.bFileMetadata)
        outcome.Note(Text(kInstrumentMetadataNote));
    std::vector<CInstrument> aInstruments;
    if (!GatherInstruments(aSets, aInstruments, outcome))
        return outcome;
    try
    {
        std::vector<std::string> aNotes;
        const CInstrumentInputs inputs = ReadInstrumentInputs(aInstruments, options.audio, aNotes);
        std::vector<CLibraryFilePlan> aFiles;
        std::string strError;
        const bool bPlanned = PlanInstrumentLibrary(
            aInstruments, inputs.aSources, options.nFirstObjectID, aFiles, aNotes, strError);
        for (const std::string& strNote : aNotes)
            outcome.Note(Text(strNote));
        if (!bPlanned)
        {
            outcome.Refuse(Text(strError));
            return outcome;
        }
        if (aFiles.size() == 1 && aFiles[0].aInstruments.empty())
        {
            outcome.Refuse(Text(kNoInstrumentMessage));
            return outcome;
        }
        // Every output is known and checked before the first is written.
        COutputSet outputs;
        for (const std::string& strInput : aOtherInputs)
            outputs.AddInput(strInput);
        for (const CInstrument& instrument : aInstruments)
            for (const CZone& zone : instrument.aZones)
                outputs.AddInput(zone.audio.strPath);
        for (std::size_t i = 0; i < aFiles.size(); ++i)
        {
            made.aFiles.push_back(LibraryFileName(strOutput, static_cast<int>(i) + 1));
            outputs.AddOutput(made.aFiles.back());
            PlanOutputParts(made.aFiles.back(), options, outputs);
        }
        if (const std::string strRefusal = outputs.CheckPlan(); !strRefusal.empty())
        {
            outcome.Refuse({strRefusal, kAppTitle, MessageIcon::None, strOutput});
            return outcome;
        }
        WriteFiles(aFiles, inputs, options, abTemplate, feedback, outputs, made, outcome);
        if (!outcome.IsOk())
            return outcome;
    }
    catch (const CFileException& e)
    {
        outcome.Append(COutcome::FileError(e));
        return outcome;
    }
    catch (const COutputRefusal& e)
    {
        outcome.Refuse({e.what(), kAppTitle, MessageIcon::None, strOutput});
        return outcome;
    }
    for (std::size_t i = 0; i < made.aFiles.size(); ++i)
        made.aSummary.push_back(SummaryLine(made, i));
    feedback.SetStatusText("Ready");
    feedback.ProgressSetPos(0);
    return outcome;
}
