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

int SplitCommand(const std::string& strSource, const std::string& strDest, int nMaxSplitKB,
                 CFeedback& feedback)
{
    feedback.SetStatusText(WorkingText("Splitting", strSource));
    const int nParts =
        SplitKrzFile(strSource, strDest.empty() ? strSource : strDest, nMaxSplitKB, feedback);
    feedback.SetStatusText("Ready");
    return nParts;
}

bool JoinCommand(const std::string& strFirst, const std::string& strDest, CFeedback& feedback)
{
    feedback.SetStatusText(WorkingText("Joining", strFirst));
    feedback.ProgressSetRange(0, 2);
    feedback.ProgressSetPos(1);
    feedback.ProgressSetStep(1);
    const bool bJoined = JoinKrzFiles(
        strFirst, strDest.empty() ? DefaultJoinDestination(strFirst) : strDest, feedback);
    feedback.ProgressSetPos(0);
    feedback.SetStatusText("Ready");
    return bJoined;
}
