// A file written under a temporary name beside its target and renamed over
// the target only when complete, so that a failed write never destroys the
// file that was there. Errors name the target, the file the user chose. A
// target that is a link is written through (the file it names is replaced);
// one that is a device or a pipe is written directly.
#pragma once

#include "CFile.h"

#include <string>

class CAtomicFile
{
  public:
    // Creates the temporary file in the target's folder, exclusively (an
    // existing file is never emptied); throws CFileException (naming the
    // target) when it cannot be created (folderNotFound when the folder
    // does not exist), and accessDenied at once for a
    // target that is a folder, which no file can replace, or an existing
    // file this process may not write (write-protected). bSyncOnCommit:
    // make the data reach the disk before the rename (for documents; outputs
    // that can be made again from their sources skip it, as it multiplies
    // their time).
    explicit CAtomicFile(const std::string& strTarget, bool bSyncOnCommit = true);
    // Removes the temporary file unless Commit() has run.
    ~CAtomicFile();

    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    CFile& File() { return m_file; }
    const std::string& TargetPath() const { return m_strTarget; }
    const std::string& TemporaryPath() const { return m_strTemp; }

    // Ends the writing without replacing the target yet: makes the data
    // reach the disk (when asked to) and closes the temporary file. Throws
    // CFileException (naming the target) on failure. For files that must
    // replace their targets together: each is finished when written, so
    // that no more than one is open, and all are committed at the end.
    void Finish();

    // Finishes the file if that has not been done, gives the temporary file
    // the permissions of the file it replaces (if any) and renames it over
    // the target. Throws CFileException (naming the target) on failure; the
    // temporary file is then removed by the destructor.
    void Commit();

  private:
    std::string m_strTarget;
    std::string m_strTemp;
    CFile m_file;
    std::string m_strRenameTo; // the target, with a final link resolved
    bool m_bSyncOnCommit;
    bool m_bDirect = false; // writing straight to a device or pipe
    bool m_bCommitted = false;
};
