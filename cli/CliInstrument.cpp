#include "CliCommands.h"

#include "CConsoleFeedback.h"
#include "InstrumentFile.h"
#include "InstrumentRunner.h"
#include "NameGrouping.h"

#include <algorithm>

namespace
{

void ShowNotes(const COutcome& outcome, CConsoleFeedback& feedback)
{
    for (const SOutcomeNote& note : outcome.Notes())
        feedback.PrintLine(note.strText);
}

int Refused(const std::string& strText, CConsoleFeedback& feedback)
{
    feedback.PrintLine(strText);
    return kExitFailure;
}

} // namespace

bool IsInstrumentMake(const MakeOptions& options)
{
    return !options.strInstrument.empty() ||
           std::any_of(options.aInputs.begin(), options.aInputs.end(), IsInstrumentPath);
}

int RunMakeInstrumentFiles(const MakeOptions& options, CConsoleFeedback& feedback)
{
    const bool bAllInstruments =
        std::all_of(options.aInputs.begin(), options.aInputs.end(), IsInstrumentPath);
    const bool bAnyInstrument =
        std::any_of(options.aInputs.begin(), options.aInputs.end(), IsInstrumentPath);
    if (!options.strInstrument.empty() && bAnyInstrument)
        return Refused(kInstrumentGroupMixMessage, feedback);
    if (options.strInstrument.empty() && !bAllInstruments)
        return Refused(kInstrumentMixMessage, feedback);

    TemplateBytes abTemplate{};
    std::string strTemplatePath;
    if (!LoadTemplateFile(abTemplate, TemplateSearchDirs(options.strExeDir), &strTemplatePath))
        return Refused(kTemplateErrorMessage, feedback);
    std::vector<std::string> aOtherInputs{strTemplatePath};
    std::vector<CInstrumentSet> aSets;
    if (!options.strInstrument.empty())
        aSets.push_back(GroupFilesByName(options.strInstrument, options.aInputs));
    else
        for (const std::string& strPath : options.aInputs)
        {
            aSets.push_back(ReadInstrumentFile(strPath));
            aOtherInputs.push_back(strPath);
        }

    SMadeInstruments made;
    const COutcome outcome = RunMakeInstruments(aSets, options.make, abTemplate, options.strOutput,
                                                aOtherInputs, feedback, made);
    ShowNotes(outcome, feedback);
    if (!outcome.IsOk())
        return kExitFailure;
    for (const std::string& strLine : made.aSummary)
        feedback.PrintLine(strLine);
    return kExitOk;
}
