// Reading the files of a FAT12/FAT16 volume (CFatVolume): every file in
// every folder, and the bytes of one. Nothing on the volume is trusted:
// every chain is bounded by the volume, each folder is read once however
// its entries point, and a file's size must fit in its clusters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CFatVolume;

struct SFatFile
{
    std::string strPath; // from the root: "SUB/DEEP/NAME.EXT" (8.3 names as stored)
    std::uint32_t nFirstCluster = 0;
    std::uint32_t nSize = 0; // bytes
};

struct SFatListing
{
    // Each folder's files in the order of its entries, then its folders'.
    std::vector<SFatFile> aFiles;
    // A line per folder that could not be read, saying why.
    std::vector<std::string> aProblems;
};

// The files (not folders, deleted entries, long-name pieces or the volume
// label) of the root folder and every folder below it. A damaged folder
// (its chain leaves the volume, loops or meets a free cluster; it is one
// met before) is left out and named in aProblems.
SFatListing ListFatFiles(CFatVolume& volume);

// The nSize bytes of file. Throws CDiskImageRefusal when its chain is
// damaged or holds fewer clusters than its size needs; CFileException on
// read errors.
std::vector<std::uint8_t> ReadFatFile(CFatVolume& volume, const SFatFile& file);

// Whether strName ends in .KRZ, .K25 or .K26, in any case.
bool IsKrzFileName(const std::string& strName);
