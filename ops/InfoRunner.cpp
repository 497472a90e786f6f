#include "InfoRunner.h"

#include "CFileException.h"
#include "KrzReader.h"

COutcome RunInfoFiles(const std::vector<std::string>& aFiles, std::string& strText)
{
    COutcome outcome;
    bool bFirst = true;
    for (const auto& strPath : aFiles)
    {
        if (!bFirst)
            strText += "\n";
        bFirst = false;
        try
        {
            const KrzFileInfo info = ReadKrzFile(strPath);
            strText += FormatKrzFileInfo(info);
            if (!info.IsValid())
                outcome.Fail();
        }
        catch (const CFileException& e)
        {
            outcome.Append(COutcome::FileError(e));
        }
    }
    return outcome;
}
