// The KRZ files of a disk image, for Extract and Info: a floppy image or a
// FAT12/FAT16 disk image, raw or with a partition table (its first
// partition), opened for reading only.
#pragma once

#include "CFatVolume.h"
#include "CFile.h"
#include "CImageIO.h"
#include "FatFiles.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CImageKrzFiles
{
  public:
    // Opens the image and lists its KRZ files. Throws CFileException when
    // it cannot be read, CDiskImageRefusal when it holds no FAT12/FAT16
    // volume that can be read.
    explicit CImageKrzFiles(const std::string& strPath);

    // The files named .KRZ, .K25 or .K26 (any case), in every folder.
    const std::vector<SFatFile>& Files() const { return m_aFiles; }
    // Folders that could not be read, a line each (ListFatFiles).
    const std::vector<std::string>& Problems() const { return m_aProblems; }
    int FatBits() const { return m_volume.FatBits(); }
    // The file's bytes (ReadFatFile's refusals).
    std::vector<std::uint8_t> Read(const SFatFile& file) { return ReadFatFile(m_volume, file); }

  private:
    CFile m_file;
    CFileImageIO m_io;
    CFatVolume m_volume;
    std::vector<SFatFile> m_aFiles;
    std::vector<std::string> m_aProblems;
};

// Whether the file at strPath starts with a KRZ file's four magic bytes
// (CFileException when it cannot be read).
bool StartsAsKrzFile(const std::string& strPath);

// strPath as a disk image: the image, or nullptr with strRefusal saying
// why it is not one that can be read; strRefusal is empty when the file
// looks like no disk image at all (neither a FAT boot sector nor a
// partition table: no 55 AA signature ending its first sector).
std::unique_ptr<CImageKrzFiles> OpenKrzImage(const std::string& strPath, std::string& strRefusal);

// Whether strName names the image's file: its path in the image
// ("SUB/NAME.KRZ", a leading '/' allowed) or, for a name without a '/',
// its file name; in any case.
bool ImageFileNamed(const SFatFile& file, const std::string& strName);
