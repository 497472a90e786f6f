#include "SplitRunner.h"

#include "CCancel.h"
#include "CFileException.h"
#include "MultiDiskCommands.h"
#include "OptionTable.h"

COutcome RunSplitFile(const std::string& strSource, const std::string& strDest, int nMaxSplitKB,
                      CFeedback& feedback, int& nParts)
{
    nParts = 0;
    if (const std::string strRange = CheckOptionValue(Option("splitKB"), nMaxSplitKB);
        !strRange.empty())
        return COutcome::Refusal(strRange, MessageIcon::Stop);
    try
    {
        return SplitCommand(strSource, strDest, nMaxSplitKB, feedback, &nParts);
    }
    catch (const CFileException& e)
    {
        return COutcome::FileError(e);
    }
    catch (const COperationCancelled&)
    {
        return COutcome::Cancelled();
    }
}
