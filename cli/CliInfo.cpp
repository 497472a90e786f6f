#include "CliCommands.h"

#include "CConsoleFeedback.h"
#include "CFileException.h"
#include "KrzReader.h"

#include <cstdio>

int RunInfo(const std::vector<std::string>& aFiles, CConsoleFeedback& feedback)
{
    int nStatus = kExitOk;
    bool bFirst = true;
    for (const auto& strPath : aFiles)
    {
        if (!bFirst)
            std::fputs("\n", stdout);
        bFirst = false;
        try
        {
            const KrzFileInfo info = ReadKrzFile(strPath);
            std::fputs(FormatKrzFileInfo(info).c_str(), stdout);
            if (!info.IsValid())
                nStatus = kExitFailure;
        }
        catch (const CFileException& e)
        {
            feedback.MessageBox(e.GetErrorMessage(), kAppTitle, MessageIcon::Stop);
            nStatus = kExitFailure;
        }
    }
    std::fflush(stdout);
    return nStatus;
}
