#include "SplitRunner.h"

#include "CFileException.h"
#include "MultiDiskCommands.h"
#include "NoteCollector.h"

COutcome RunSplitFile(const std::string& strSource, const std::string& strDest, int nMaxSplitKB,
                      CFeedback& feedback, int& nParts)
{
    nParts = 0;
    CNoteCollector collector(feedback);
    try
    {
        nParts = SplitCommand(strSource, strDest, nMaxSplitKB, collector);
    }
    catch (const CFileException& e)
    {
        COutcome failed = collector.Outcome();
        failed.Append(COutcome::FileError(e));
        return failed;
    }
    COutcome outcome = collector.Outcome();
    // The split writes parts or says why it wrote none.
    if (nParts == 0)
        outcome.Fail();
    return outcome;
}
