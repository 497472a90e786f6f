// Byte access to a disk image, wherever it lives: an image file changed in
// place, or a floppy image built in memory before it is written out whole.
#pragma once

#include "CCopyBuffer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CFile;

class CImageIO
{
  public:
    virtual ~CImageIO() = default;
    // The image's length in bytes.
    virtual std::uint64_t Length() const = 0;
    // Reads exactly nCount bytes at nOffset; throws CFileException
    // (endOfFile) when the image ends before.
    virtual void ReadAt(std::uint64_t nOffset, void* pBuf, std::size_t nCount) = 0;
    virtual void WriteAt(std::uint64_t nOffset, const void* pBuf, std::size_t nCount) = 0;
    // Copies nCount bytes from source's position (which moves past them)
    // to the image at nOffset; throws CFileException (endOfFile, naming the
    // source) when the source ends before.
    virtual void CopyFrom(CFile& source, std::uint64_t nOffset, std::uint64_t nCount) = 0;
    // Makes everything written so far reach the disk before anything
    // written later: the steps of a change in place are ordered by it.
    virtual void Sync() = 0;
};

// An image file open for reading and writing (not owned).
class CFileImageIO : public CImageIO
{
  public:
    explicit CFileImageIO(CFile& file) : m_file(file) {}
    std::uint64_t Length() const override;
    void ReadAt(std::uint64_t nOffset, void* pBuf, std::size_t nCount) override;
    void WriteAt(std::uint64_t nOffset, const void* pBuf, std::size_t nCount) override;
    void CopyFrom(CFile& source, std::uint64_t nOffset, std::uint64_t nCount) override;
    void Sync() override;

  private:
    CFile& m_file;
    CCopyBuffer m_buffer;
};

// An image held in a byte vector of fixed length (not owned); writes past
// its end throw CFileException (diskFull).
class CMemoryImageIO : public CImageIO
{
  public:
    explicit CMemoryImageIO(std::vector<std::uint8_t>& ab) : m_ab(ab) {}
    std::uint64_t Length() const override { return m_ab.size(); }
    void ReadAt(std::uint64_t nOffset, void* pBuf, std::size_t nCount) override;
    void WriteAt(std::uint64_t nOffset, const void* pBuf, std::size_t nCount) override;
    void CopyFrom(CFile& source, std::uint64_t nOffset, std::uint64_t nCount) override;
    void Sync() override {}

  private:
    void CheckRange(std::uint64_t nOffset, std::uint64_t nCount, bool bWrite) const;
    std::vector<std::uint8_t>& m_ab;
};
