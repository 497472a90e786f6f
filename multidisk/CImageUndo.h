// The bytes a change in place overwrites, kept so that the change can be
// taken back: each range is read from the image before it is written, and
// Restore writes every kept range back. A put the user stops leaves its
// image byte for byte as it was (its FAT and folders are written only after
// the data, so the data clusters are all there is to take back).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CImageIO;

class CImageUndo
{
  public:
    // bKeep false keeps nothing (and costs nothing): Restore does nothing.
    CImageUndo(CImageIO& io, bool bKeep) : m_io(io), m_bKeep(bKeep) {}

    // Reads and keeps the nCount bytes at nOffset, which are about to be
    // overwritten. Throws CFileException as CImageIO::ReadAt does.
    void Keep(std::uint64_t nOffset, std::uint64_t nCount);
    // Writes every kept range back, the last kept first, and syncs. Never
    // throws: it runs while another failure unwinds, which is the one to
    // report; a range that cannot be written back is left as it is.
    void Restore() noexcept;

  private:
    struct SRange
    {
        std::uint64_t nOffset;
        std::vector<std::uint8_t> ab;
    };
    CImageIO& m_io;
    bool m_bKeep;
    std::vector<SRange> m_aRanges;
};
