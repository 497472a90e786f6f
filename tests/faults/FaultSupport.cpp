#include "FaultSupport.h"

#include "CFileException.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fault
{

namespace
{

// The child's outcome travels through a pipe as length-prefixed strings.
void Put(std::string& strOut, const std::string& str)
{
    strOut += std::to_string(str.size()) + ':' + str;
}

bool Get(const std::string& strIn, std::size_t& nPos, std::string& str)
{
    const auto nColon = strIn.find(':', nPos);
    if (nColon == std::string::npos)
        return false;
    const std::size_t nLength = std::stoul(strIn.substr(nPos, nColon - nPos));
    if (nColon + 1 + nLength > strIn.size())
        return false;
    str = strIn.substr(nColon + 1, nLength);
    nPos = nColon + 1 + nLength;
    return true;
}

std::string Encode(const Outcome& outcome)
{
    std::string str;
    Put(str, outcome.bSkipped ? "1" : "0");
    Put(str, outcome.strSkipReason);
    Put(str, outcome.strError);
    Put(str, outcome.strNote);
    Put(str, std::to_string(outcome.aMessages.size()));
    for (const auto& strText : outcome.aMessages)
        Put(str, strText);
    Put(str, std::to_string(outcome.aStatus.size()));
    for (const auto& strText : outcome.aStatus)
        Put(str, strText);
    return str;
}

bool Decode(const std::string& strIn, Outcome& outcome)
{
    std::size_t nPos = 0;
    std::string strFlag, strCount;
    if (!Get(strIn, nPos, strFlag) || !Get(strIn, nPos, outcome.strSkipReason) ||
        !Get(strIn, nPos, outcome.strError) || !Get(strIn, nPos, outcome.strNote))
        return false;
    outcome.bSkipped = strFlag == "1";
    for (auto* pList : {&outcome.aMessages, &outcome.aStatus})
    {
        if (!Get(strIn, nPos, strCount))
            return false;
        pList->resize(std::stoul(strCount));
        for (auto& strText : *pList)
            if (!Get(strIn, nPos, strText))
                return false;
    }
    return nPos == strIn.size();
}

void WriteAll(int hFile, const std::string& str)
{
    std::size_t nDone = 0;
    while (nDone < str.size())
    {
        const ssize_t n = ::write(hFile, str.data() + nDone, str.size() - nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        nDone += static_cast<std::size_t>(n);
    }
}

std::string ReadAll(int hFile)
{
    std::string str;
    char ab[4096];
    for (;;)
    {
        const ssize_t n = ::read(hFile, ab, sizeof ab);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return str;
        str.append(ab, static_cast<std::size_t>(n));
    }
}

// The child's side of RunInChild; returns the outcome to send back.
Outcome RunChild(const ChildSetup& setup, const Operation& op)
{
    Outcome outcome;
    if (setup.bUnprivileged && ::geteuid() == 0)
    {
        constexpr gid_t kNobodyGroup = 65534;
        constexpr uid_t kNobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobodyGroup) != 0 || ::setuid(kNobody) != 0)
        {
            outcome.bSkipped = true;
            outcome.strSkipReason =
                std::string("cannot drop root's privileges: ") + std::strerror(errno);
            return outcome;
        }
    }
    if (!setup.strMustNotWriteFile.empty())
    {
        struct stat st;
        if (::stat(setup.strMustNotWriteFile.c_str(), &st) != 0)
        {
            outcome.bSkipped = true;
            outcome.strSkipReason = "the test file cannot be reached without root's privileges";
            return outcome;
        }
        if (::access(setup.strMustNotWriteFile.c_str(), W_OK) == 0)
        {
            outcome.bSkipped = true;
            outcome.strSkipReason = "file permissions are not enforced for this user";
            return outcome;
        }
    }
    if (!setup.strMustNotWrite.empty())
    {
        if (::access(setup.strMustNotWrite.c_str(), X_OK) != 0)
        {
            outcome.bSkipped = true;
            outcome.strSkipReason = "the test folder cannot be reached without root's privileges";
            return outcome;
        }
        const std::string strProbe = setup.strMustNotWrite + "/.probe";
        const int hProbe = ::open(strProbe.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
        if (hProbe >= 0)
        {
            ::close(hProbe);
            ::unlink(strProbe.c_str());
            outcome.bSkipped = true;
            outcome.strSkipReason = "folder permissions are not enforced for this user";
            return outcome;
        }
    }

    std::unique_ptr<CScopedFileSizeLimit> pLimit;
    if (setup.nFileSizeLimit != RLIM_INFINITY)
    {
        pLimit = std::make_unique<CScopedFileSizeLimit>(setup.nFileSizeLimit);
        if (!pLimit->Ok())
        {
            outcome.bSkipped = true;
            outcome.strSkipReason = "cannot lower the file-size limit";
            return outcome;
        }
    }
    return Run(op);
}

} // namespace

Outcome Run(const Operation& op)
{
    Outcome outcome;
    test::CRecordingFeedback feedback;
    try
    {
        op(feedback, outcome.strNote);
    }
    catch (const CFileException& e)
    {
        outcome.strError = e.GetErrorMessage();
    }
    catch (const std::exception& e)
    {
        outcome.strError = std::string("unexpected exception: ") + e.what();
    }
    for (const auto& message : feedback.m_aMessages)
        outcome.aMessages.push_back(message.strText);
    outcome.aStatus = feedback.m_aStatus;
    return outcome;
}

Outcome RunInChild(const ChildSetup& setup, const Operation& op)
{
    int aPipe[2];
    if (::pipe(aPipe) != 0)
        return Outcome{false, {}, "child died: no pipe", {}, {}, {}};
    std::fflush(nullptr); // nothing buffered is written twice
    const pid_t pid = ::fork();
    if (pid < 0)
        return Outcome{false, {}, "child died: no fork", {}, {}, {}};
    if (pid == 0)
    {
        ::close(aPipe[0]);
        WriteAll(aPipe[1], Encode(RunChild(setup, op)));
        ::close(aPipe[1]);
        ::_exit(0); // no test framework or exit handlers run in the child
    }
    ::close(aPipe[1]);
    const std::string strReport = ReadAll(aPipe[0]);
    ::close(aPipe[0]);
    int nWait = 0;
    while (::waitpid(pid, &nWait, 0) < 0 && errno == EINTR)
    {
    }
    Outcome outcome;
    if (!WIFEXITED(nWait) || WEXITSTATUS(nWait) != 0 || !Decode(strReport, outcome))
    {
        outcome = Outcome{};
        outcome.strError = "child died (wait status " + std::to_string(nWait) + ")";
    }
    return outcome;
}

CScopedFileSizeLimit::CScopedFileSizeLimit(rlim_t nBytes)
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    if (::getrlimit(RLIMIT_FSIZE, &m_old) != 0 || ::sigaction(SIGXFSZ, &ignore, &m_oldAction) != 0)
        return;
    rlimit limit = m_old;
    limit.rlim_cur = nBytes;
    m_bOk = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

CScopedFileSizeLimit::~CScopedFileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_old);
    ::sigaction(SIGXFSZ, &m_oldAction, nullptr);
}

CScopedTmpfs::CScopedTmpfs(const std::filesystem::path& path, const std::string& strSize)
    : m_path(path)
{
    if (::geteuid() != 0)
    {
        m_strWhyNot = "mounting a tmpfs needs root";
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    const std::string strOptions = "size=" + strSize + ",mode=0755";
    if (::mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, strOptions.c_str()) != 0)
    {
        m_strWhyNot = std::string("mount -t tmpfs is not permitted here: ") + std::strerror(errno);
        return;
    }
    m_bMounted = true;
    // The cases count free room in pages of 4 KiB.
    struct statvfs st = {};
    if (::statvfs(path.c_str(), &st) != 0 || st.f_frsize != 4096)
    {
        m_strWhyNot = "the tmpfs does not count its room in blocks of 4096 bytes";
        ::umount2(path.c_str(), MNT_DETACH);
        m_bMounted = false;
    }
}

CScopedTmpfs::~CScopedTmpfs()
{
    if (m_bMounted && ::umount2(m_path.c_str(), 0) != 0)
        ::umount2(m_path.c_str(), MNT_DETACH);
}

void OpenToOthers(const std::filesystem::path& folder)
{
    using std::filesystem::perms;
    std::error_code ec;
    std::filesystem::permissions(folder, perms::others_read | perms::others_exec,
                                 std::filesystem::perm_options::add, ec);
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    {
        const perms add =
            it->is_directory() ? perms::others_read | perms::others_exec : perms::others_read;
        std::filesystem::permissions(it->path(), add, std::filesystem::perm_options::add, ec);
    }
}

ChildSetup WriteProtect(const std::filesystem::path& folder, const std::string& strFile)
{
    using std::filesystem::perms;
    ChildSetup setup;
    setup.bUnprivileged = true;
    if (strFile.empty())
    {
        std::filesystem::permissions(folder, static_cast<perms>(0555));
        setup.strMustNotWrite = folder;
    }
    else
    {
        std::filesystem::permissions(folder, static_cast<perms>(0777));
        std::filesystem::permissions(strFile, static_cast<perms>(0444));
        setup.strMustNotWriteFile = strFile;
    }
    return setup;
}

std::uint64_t FreeBytes(const std::filesystem::path& path)
{
    struct statvfs st = {};
    if (::statvfs(path.c_str(), &st) != 0)
        return 0;
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

bool FillLeaving(const std::filesystem::path& folder, std::uint64_t nFreeBytes)
{
    const std::uint64_t nFree = FreeBytes(folder);
    if (nFree < nFreeBytes)
        return false;
    const std::string strFiller = (folder / "filler").string();
    const int hFile = ::open(strFiller.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (hFile < 0)
        return false;
    const std::string strBlock(4096, '\xF1');
    std::uint64_t nLeft = nFree - nFreeBytes;
    bool bOk = true;
    while (bOk && nLeft > 0)
    {
        const std::size_t nWant = static_cast<std::size_t>(std::min<std::uint64_t>(nLeft, 4096));
        const ssize_t n = ::write(hFile, strBlock.data(), nWant);
        bOk = n > 0;
        if (bOk)
            nLeft -= static_cast<std::uint64_t>(n);
    }
    ::close(hFile);
    return bOk && FreeBytes(folder) == nFreeBytes;
}

Snapshot TakeSnapshot(const std::filesystem::path& folder)
{
    Snapshot snapshot;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        const std::string strName = entry.path().filename().string();
        snapshot[strName] =
            entry.is_regular_file() ? test::ReadFileBytes(entry.path().string()) : test::Bytes{};
    }
    return snapshot;
}

::testing::AssertionResult SameFiles(const Snapshot& expected, const Snapshot& actual)
{
    std::string strDiff;
    for (const auto& [strName, ab] : expected)
    {
        const auto it = actual.find(strName);
        if (it == actual.end())
            strDiff += " missing: " + strName + ";";
        else if (it->second != ab)
            strDiff += " changed: " + strName + " (" + std::to_string(ab.size()) + " -> " +
                       std::to_string(it->second.size()) + " bytes);";
    }
    for (const auto& [strName, ab] : actual)
        if (expected.find(strName) == expected.end())
            strDiff += " added: " + strName + " (" + std::to_string(ab.size()) + " bytes);";
    if (strDiff.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the folder differs:" << strDiff;
}

ProgramResult RunProgram(const std::string& strDir, const std::string& strProgram,
                         const std::vector<std::string>& aArgs, rlim_t nFileSizeLimit)
{
    ProgramResult result;
    int aPipe[2];
    if (::pipe(aPipe) != 0)
        return result;
    std::vector<std::string> aArgv{strProgram};
    aArgv.insert(aArgv.end(), aArgs.begin(), aArgs.end());
    std::vector<char*> apArgv;
    for (auto& str : aArgv)
        apArgv.push_back(str.data());
    apArgv.push_back(nullptr);

    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return result;
    if (pid == 0)
    {
        ::close(aPipe[0]);
        ::dup2(aPipe[1], STDOUT_FILENO);
        ::dup2(aPipe[1], STDERR_FILENO);
        ::close(aPipe[1]);
        // An ignored signal stays ignored in the program that is run.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = nFileSizeLimit;
        if (::chdir(strDir.c_str()) != 0 || ::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(127);
        ::execv(strProgram.c_str(), apArgv.data());
        ::_exit(127);
    }
    ::close(aPipe[1]);
    result.strOutput = ReadAll(aPipe[0]);
    ::close(aPipe[0]);
    int nWait = 0;
    while (::waitpid(pid, &nWait, 0) < 0 && errno == EINTR)
    {
    }
    result.nStatus = WIFEXITED(nWait) ? WEXITSTATUS(nWait) : -1;
    return result;
}

} // namespace fault
