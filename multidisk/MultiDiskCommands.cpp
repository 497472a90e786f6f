#include "MultiDiskCommands.h"

#include "CFeedback.h"
#include "KrzJoin.h"
#include "KrzSplit.h"

#include <filesystem>

std::string WorkingText(const char* szVerb, const std::string& strPath)
{
    const std::string strName = std::filesystem::path(strPath).filename().string();
    return std::string(szVerb) + (strName.empty() ? "" : " " + strName) + "...";
}

std::string DefaultJoinDestination(const std::string& strFirst)
{
    return strFirst + "J";
}

COutcome SplitCommand(const std::string& strSource, const std::string& strDest, int nMaxSplitKB,
                      CFeedback& feedback, int* pnParts)
{
    feedback.SetStatusText(WorkingText("Splitting", strSource));
    COutcome outcome = SplitKrzFile(strSource, strDest.empty() ? strSource : strDest, nMaxSplitKB,
                                    feedback, pnParts);
    feedback.SetStatusText("Ready");
    return outcome;
}

COutcome JoinCommand(const std::string& strFirst, const std::string& strDest, CFeedback& feedback)
{
    feedback.SetStatusText(WorkingText("Joining", strFirst));
    feedback.ProgressSetRange(0, 2);
    feedback.ProgressSetPos(1);
    feedback.ProgressSetStep(1);
    COutcome outcome = JoinKrzFiles(
        strFirst, strDest.empty() ? DefaultJoinDestination(strFirst) : strDest, &feedback);
    feedback.ProgressSetPos(0);
    feedback.SetStatusText("Ready");
    return outcome;
}
