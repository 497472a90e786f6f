// A whole file's bytes, read-only, for as long as the object lives: the
// file mapped into memory (no copy, and pages only as they are touched),
// or, where the system cannot map it (an empty file, a device, a pipe, a
// file system without mapping), read whole into memory. Errors throw
// CFileException with the cause and the file's full path.
//
// A mapped file must not shrink while it is mapped: the system ends the
// program when it touches a page past the new end. Use it for files the
// command only reads, for the time of one command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CMappedFile
{
  public:
    // Opens, maps (or reads) and closes strPath. Throws CFileException:
    // the open's cause, or endOfFile when a read gives fewer bytes than
    // the file's length.
    explicit CMappedFile(const std::string& strPath);
    ~CMappedFile();

    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    // The file's bytes as they were when it was opened; valid until the
    // object goes.
    std::span<const std::uint8_t> Bytes() const { return {m_pData, m_nSize}; }
    // True when the bytes are the mapped file, false when they were read.
    bool IsMapped() const { return m_pMap != nullptr; }

  private:
    void* m_pMap = nullptr; // the mapping, nullptr when the bytes were read
    const std::uint8_t* m_pData = nullptr;
    std::size_t m_nSize = 0;
    std::vector<std::uint8_t> m_abRead; // the bytes when not mapped
};
