#include "DiskImageTestUtil.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace test
{

std::string FindTool(const std::string& strName)
{
    for (const char* szDir : {"/usr/sbin", "/sbin", "/usr/bin", "/bin", "/usr/local/bin"})
    {
        const std::filesystem::path path = std::filesystem::path(szDir) / strName;
        if (std::filesystem::exists(path))
            return path.string();
    }
    return {};
}

std::string Quoted(const std::string& str)
{
    std::string strOut = "'";
    for (const char c : str)
        strOut += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return strOut + "'";
}

ToolResult RunTool(const std::string& strCommandLine)
{
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    ToolResult result;
    FILE* pPipe = ::popen((strCommandLine + " 2>&1").c_str(), "r");
    if (pPipe == nullptr)
        return result;
    std::array<char, 4096> ac{};
    std::size_t n = 0;
    while ((n = std::fread(ac.data(), 1, ac.size(), pPipe)) > 0)
        result.strOutput.append(ac.data(), n);
    const int nWait = ::pclose(pPipe);
    result.nStatus = WIFEXITED(nWait) ? WEXITSTATUS(nWait) : -1;
    return result;
}

bool HaveFatTools()
{
    return !FindTool("fsck.fat").empty() && !FindTool("mkfs.fat").empty() &&
           !FindTool("mformat").empty() && !FindTool("mcopy").empty();
}

std::string MtoolsImage(const std::string& strImage, std::uint64_t nOffset)
{
    return Quoted(strImage + (nOffset != 0 ? "@@" + std::to_string(nOffset) : ""));
}

std::string FsckProblems(const std::string& strImage, std::uint64_t nOffset)
{
    std::string strChecked = strImage;
    if (nOffset != 0)
    {
        strChecked = strImage + ".volume";
        const Bytes ab = ReadFileBytes(strImage);
        WriteFileBytes(strChecked, Bytes(ab.begin() + static_cast<long>(nOffset), ab.end()));
    }
    const ToolResult result = RunTool(FindTool("fsck.fat") + " -n " + Quoted(strChecked));
    if (nOffset != 0)
        std::filesystem::remove(strChecked);
    return result.nStatus == 0 ? std::string() : result.strOutput;
}

Bytes McopyOut(const std::string& strImage, const std::string& strPath, std::uint64_t nOffset)
{
    const std::string strOut = strImage + ".out";
    std::filesystem::remove(strOut);
    const ToolResult result =
        RunTool(FindTool("mcopy") + " -n -i " + MtoolsImage(strImage, nOffset) + " " +
                Quoted("::" + strPath) + " " + Quoted(strOut));
    if (result.nStatus != 0)
        return {};
    Bytes ab = ReadFileBytes(strOut);
    std::filesystem::remove(strOut);
    return ab;
}

} // namespace test
