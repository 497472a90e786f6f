#include "PoolRunner.h"

#include "CDorvane_V2Doc.h"
#include "CFile.h"
#include "CFileException.h"
#include "MakeRunner.h"
#include "PoolEdit.h"
#include "PoolPaths.h"

#include <filesystem>
#include <memory>
#include <system_error>

namespace
{

// Entries as Add makes them, one per audio file, each stored by its full
// path. A file that is not there, or the output itself, is refused before
// anything is written.
COutcome AddAudioFiles(CDorvane_V2Doc& doc, const std::vector<std::string>& aInputs,
                       const std::string& strOutput)
{
    if (aInputs.size() > static_cast<std::size_t>(MAX_POOL))
        return COutcome::Refusal(kPoolFullMessage);
    for (const std::string& strPath : aInputs)
    {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(strPath, ec))
            return COutcome::FileError(CFileException(CFileException::fileNotFound, strPath));
        if (CFile::SameFile(strOutput, strPath))
            return COutcome::Refusal(SameFileMessage(strOutput, strPath), MessageIcon::Stop,
                                     strOutput);
        AddPoolEntry(doc, CFile::FullPath(strPath), FileTitleOf(strPath));
    }
    return {};
}

} // namespace

COutcome RunSavePool(const std::vector<std::string>& aInputs, const std::string& strOutput,
                     bool bRelativePaths, int& nCount)
{
    nCount = 0;
    if (strOutput.empty())
        return COutcome::Refusal(kNoPoolNameMessage, MessageIcon::Stop);
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    CDorvane_V2Doc& doc = *pDoc;
    doc.OnNewDocument();
    COutcome outcome;
    if (aInputs.size() == 1 && LooksLikePoolFile(aInputs[0]))
    {
        outcome = doc.OnOpenDocument(aInputs[0]);
        if (!outcome.IsOk())
            return outcome;
        // As Save As: entries whose stored paths would not lead to their
        // files from the new pool's folder get paths that do. A pool saved
        // over itself is read whole before it is replaced.
        RebasePoolPaths(doc, strOutput);
    }
    else if (COutcome added = AddAudioFiles(doc, aInputs, strOutput); !added.IsOk())
    {
        return added;
    }
    doc.m_bRelativePaths = bRelativePaths;
    outcome.Append(doc.OnSaveDocument(strOutput));
    if (outcome.IsOk())
        nCount = doc.m_nCount;
    return outcome;
}
