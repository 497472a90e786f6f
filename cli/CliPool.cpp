#include "CConsoleFeedback.h"
#include "CDorvane_V2Doc.h"
#include "CFile.h"
#include "CFileException.h"
#include "CliCommands.h"
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
bool AddAudioFiles(CDorvane_V2Doc& doc, const PoolOptions& options, CFeedback& feedback)
{
    if (options.aInputs.size() > static_cast<std::size_t>(MAX_POOL))
    {
        feedback.MessageBox(kPoolFullMessage, kAppTitle, MessageIcon::None);
        return false;
    }
    for (const std::string& strPath : options.aInputs)
    {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(strPath, ec))
        {
            const CFileException e(CFileException::fileNotFound, strPath);
            feedback.MessageBox(e.GetErrorMessage(), kAppTitle, MessageIcon::Stop);
            return false;
        }
        if (CFile::SameFile(options.strOutput, strPath))
        {
            feedback.MessageBox(SameFileMessage(options.strOutput, strPath), kAppTitle,
                                MessageIcon::Stop);
            return false;
        }
        AddPoolEntry(doc, CFile::FullPath(strPath), FileTitleOf(strPath));
    }
    return true;
}

} // namespace

int RunPool(const PoolOptions& options, CConsoleFeedback& feedback)
{
    if (options.strOutput.empty())
    {
        feedback.MessageBox("The pool file to write has no name.", kAppTitle, MessageIcon::Stop);
        return kExitUsage;
    }
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    CDorvane_V2Doc& doc = *pDoc;
    doc.OnNewDocument();
    if (options.aInputs.size() == 1 && LooksLikePoolFile(options.aInputs[0]))
    {
        if (!doc.OnOpenDocument(options.aInputs[0], feedback))
            return kExitFailure;
        // As Save As: entries whose stored paths would not lead to their
        // files from the new pool's folder get paths that do. A pool saved
        // over itself is read whole before it is replaced.
        RebasePoolPaths(doc, options.strOutput);
    }
    else if (!AddAudioFiles(doc, options, feedback))
    {
        return kExitFailure;
    }
    doc.m_bRelativePaths = options.bRelativePaths;
    if (!doc.OnSaveDocument(options.strOutput, feedback))
        return kExitFailure;
    const int nCount = doc.m_nCount;
    feedback.PrintLine("Wrote " + options.strOutput + ": " + std::to_string(nCount) +
                       (nCount == 1 ? " entry" : " entries"));
    return kExitOk;
}
