// Tools for the fault tests: an operation run in a child process under a
// lowered file-size limit or without root's privileges, a small tmpfs that
// really fills, a snapshot of a folder to compare before and after, and the
// command line run under a file-size limit.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fault
{

// What an operation reported: the message of the CFileException that ended
// it (empty if none did), its message boxes and status texts, and whatever
// else its test noted.
struct Outcome
{
    bool bSkipped = false; // the child could not set up what was asked
    std::string strSkipReason;
    std::string strError;
    std::vector<std::string> aMessages;
    std::vector<std::string> aStatus;
    std::string strNote;

    std::string LastStatus() const { return aStatus.empty() ? "" : aStatus.back(); }
};

// How the child is set up before it runs the operation.
struct ChildSetup
{
    // Writes that make a regular file longer than this fail with EFBIG
    // (SIGXFSZ ignored); RLIM_INFINITY leaves the limit alone.
    rlim_t nFileSizeLimit = RLIM_INFINITY;
    // When running as root: become user and group 65534 first. If the child
    // then cannot enter strMustNotWrite (a folder above it is closed to
    // others), or can still create a file in it (permissions are not
    // enforced), the outcome is skipped.
    bool bUnprivileged = false;
    std::string strMustNotWrite;
    // Likewise for a file: skipped if the child cannot reach it or could
    // open it for writing.
    std::string strMustNotWriteFile;
};

// The operation: reports go to the feedback; it may note facts in strNote
// for the parent to check. A CFileException it throws becomes strError.
using Operation = std::function<void(test::CRecordingFeedback& feedback, std::string& strNote)>;

// Runs op in this process and returns what it reported.
Outcome Run(const Operation& op);

// Runs op in a forked child set up as asked and returns what it reported.
// The limit lives in the child only and is restored before it ends, so the
// test process never runs under it. A child that dies is reported in
// strError as "child died".
Outcome RunInChild(const ChildSetup& setup, const Operation& op);

// Lowers the file-size limit of this process while the object lives and
// ignores SIGXFSZ meanwhile; both are restored by the destructor.
class CScopedFileSizeLimit
{
  public:
    explicit CScopedFileSizeLimit(rlim_t nBytes);
    ~CScopedFileSizeLimit();
    CScopedFileSizeLimit(const CScopedFileSizeLimit&) = delete;
    CScopedFileSizeLimit& operator=(const CScopedFileSizeLimit&) = delete;
    bool Ok() const { return m_bOk; }

  private:
    rlimit m_old{};
    struct sigaction m_oldAction
    {
    };
    bool m_bOk = false;
};

// A tmpfs of the given size mounted on a new folder while the object lives;
// unmounted (lazily if busy) by the destructor. Mounting needs root and a
// system that permits it: Mounted() tells, WhyNot() says why not.
class CScopedTmpfs
{
  public:
    CScopedTmpfs(const std::filesystem::path& path, const std::string& strSize);
    ~CScopedTmpfs();
    CScopedTmpfs(const CScopedTmpfs&) = delete;
    CScopedTmpfs& operator=(const CScopedTmpfs&) = delete;

    bool Mounted() const { return m_bMounted; }
    const std::string& WhyNot() const { return m_strWhyNot; }
    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& strName) const { return (m_path / strName).string(); }

  private:
    std::filesystem::path m_path;
    bool m_bMounted = false;
    std::string m_strWhyNot;
};

// Lets every user read the files and enter the folders under folder (as an
// ordinary umask would have made them), so that an operation run without
// root's privileges reaches its inputs.
void OpenToOthers(const std::filesystem::path& folder);

// Keeps an ordinary user from writing where an operation writes: makes
// folder read-only or, given file (one in that folder), opens the folder to
// writing and write-protects the file, which a rename alone would replace.
// Returns the setup that runs the operation as that user, skipped where the
// permissions are not enforced. Call it after OpenToOthers.
ChildSetup WriteProtect(const std::filesystem::path& folder, const std::string& strFile = {});

// Bytes free for writing on the file system that holds path.
std::uint64_t FreeBytes(const std::filesystem::path& path);

// Writes a file named "filler" into folder so that exactly nFreeBytes stay
// free on its file system (a multiple of the file system's block size);
// false when it cannot.
bool FillLeaving(const std::filesystem::path& folder, std::uint64_t nFreeBytes);

// Every entry of a folder (not recursive) with its bytes; folders have an
// empty content. Two snapshots are equal when the same names hold the same
// bytes: no file added, removed or changed.
using Snapshot = std::map<std::string, test::Bytes>;
Snapshot TakeSnapshot(const std::filesystem::path& folder);
// Success when both hold the same names with the same bytes; otherwise
// says which names were added, removed or changed.
::testing::AssertionResult SameFiles(const Snapshot& expected, const Snapshot& actual);

// Runs the program szProgram with the arguments in folder strDir under the
// file-size limit (SIGXFSZ ignored) and returns its exit status (-1 when it
// did not exit) and what it wrote to stdout and stderr together.
struct ProgramResult
{
    int nStatus = -1;
    std::string strOutput;
};
ProgramResult RunProgram(const std::string& strDir, const std::string& strProgram,
                         const std::vector<std::string>& aArgs, rlim_t nFileSizeLimit);

} // namespace fault
