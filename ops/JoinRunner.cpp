#include "JoinRunner.h"

#include "CFileException.h"
#include "MultiDiskCommands.h"
#include "NoteCollector.h"

COutcome RunJoinFiles(const std::string& strFirst, const std::string& strDest, CFeedback& feedback)
{
    CNoteCollector collector(feedback);
    bool bJoined = false;
    try
    {
        bJoined = JoinCommand(strFirst, strDest, collector);
    }
    catch (const CFileException& e)
    {
        COutcome failed = collector.Outcome();
        failed.Append(COutcome::FileError(e));
        return failed;
    }
    COutcome outcome = collector.Outcome();
    if (!bJoined)
        outcome.Fail();
    return outcome;
}
