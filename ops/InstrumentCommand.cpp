#include "InstrumentCommand.h"

#include "InstrumentFile.h"
#include "KrzTemplate.h"
#include "MakeCommand.h"
#include "NameGrouping.h"

#include <algorithm>

bool IsInstrumentRequest(const std::vector<std::string>& aInputs, const std::string& strGroupName)
{
    return !strGroupName.empty() || std::any_of(aInputs.begin(), aInputs.end(), IsInstrumentPath);
}

COutcome RunInstrumentCommand(const SInstrumentRequest& request, CFeedback& feedback,
                              SMadeInstruments& made)
{
    if (COutcome checked = CheckMakeRequestOptions(request.options, request.bSplitSizeGiven);
        !checked.IsOk())
        return checked;
    const auto& aInputs = request.aInputs;
    const bool bAllInstruments = std::all_of(aInputs.begin(), aInputs.end(), IsInstrumentPath);
    const bool bAnyInstrument = std::any_of(aInputs.begin(), aInputs.end(), IsInstrumentPath);
    if (!request.strGroupName.empty() && bAnyInstrument)
        return COutcome::Refusal(kInstrumentGroupMixMessage);
    if (request.strGroupName.empty() && !bAllInstruments)
        return COutcome::Refusal(kInstrumentMixMessage);

    TemplateBytes abTemplate{};
    std::string strTemplatePath;
    if (!LoadTemplateFile(abTemplate, request.aTemplateDirs, &strTemplatePath))
        return COutcome::Refusal(kTemplateErrorMessage);
    // The template and every instrument file are inputs no output may
    // replace; the zones' audio files are added by the runner.
    std::vector<std::string> aOtherInputs{strTemplatePath};
    std::vector<CInstrumentSet> aSets;
    if (!request.strGroupName.empty())
        aSets.push_back(GroupFilesByName(request.strGroupName, aInputs));
    else
        for (const std::string& strPath : aInputs)
        {
            aSets.push_back(ReadInstrumentFile(strPath));
            aOtherInputs.push_back(strPath);
        }
    return RunMakeInstruments(aSets, request.options, abTemplate, request.strOutput, aOtherInputs,
                              feedback, made);
}
