#include "JoinRunner.h"

#include "CCancel.h"
#include "CFileException.h"
#include "MultiDiskCommands.h"

COutcome RunJoinFiles(const std::string& strFirst, const std::string& strDest, CFeedback& feedback)
{
    try
    {
        return JoinCommand(strFirst, strDest, feedback);
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
