// The independent readers and makers of FAT volumes the disk-image tests
// check against (dosfstools and mtools), run as child processes.
#pragma once

#include "TestSupport.h"

#include <string>

namespace test
{

struct ToolResult
{
    int nStatus = -1;
    std::string strOutput; // stdout and stderr together
};

// The full path of a tool in the usual program folders (including the
// system folders that hold fsck.fat and mkfs.fat); empty when missing.
std::string FindTool(const std::string& strName);
// Runs a shell command line; mtools is told to accept any geometry.
ToolResult RunTool(const std::string& strCommandLine);
// True when fsck.fat -n, mkfs.fat and mtools are all present.
bool HaveFatTools();
// fsck.fat -n on an image (a partition from nOffset bytes is copied out
// first, fsck.fat reading whole files); empty when clean, else its report.
std::string FsckProblems(const std::string& strImage, std::uint64_t nOffset = 0);
// The bytes mcopy reads back from ::strPath of the image.
Bytes McopyOut(const std::string& strImage, const std::string& strPath, std::uint64_t nOffset = 0);
// The mtools image argument: the file, with "@@offset" for a partition.
std::string MtoolsImage(const std::string& strImage, std::uint64_t nOffset);
std::string Quoted(const std::string& str);

} // namespace test
