// Runs programs as a user would, for the command-line tests.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace test
{

struct CliResult
{
    int nStatus;
    std::string strOut; // stdout and stderr together
};

// Runs a shell command line in folder strDir.
inline CliResult RunShell(const std::string& strDir, const std::string& strCommand)
{
    const std::string strFull = "cd '" + strDir + "' && " + strCommand + " 2>&1";
    CliResult result{-1, {}};
    std::FILE* pPipe = ::popen(strFull.c_str(), "r");
    std::array<char, 4096> ab{};
    std::size_t n;
    while ((n = std::fread(ab.data(), 1, ab.size(), pPipe)) > 0)
        result.strOut.append(ab.data(), n);
    const int nWait = ::pclose(pPipe);
    result.nStatus = WIFEXITED(nWait) ? WEXITSTATUS(nWait) : -1;
    return result;
}

// Runs dorvane-cli with the arguments (already quoted) in folder strDir.
inline CliResult RunCli(const std::string& strDir, const std::string& strArgs)
{
    return RunShell(strDir, "'" + std::string(DORVANE_CLI) + "' " + strArgs);
}

} // namespace test
