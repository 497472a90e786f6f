// A file opened by path, read and written in bytes. Every failure raises
// CFileException with the cause and the file's full path. Files are closed
// by Close() or, ignoring errors, by the destructor. There is no mandatory
// sharing on this platform, so "unshared" opens are ordinary opens.
#pragma once

#include "CFileException.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

class CFile
{
  public:
    enum OpenFlags : unsigned
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000, // create, or empty an existing file
        // Create a new file; fail (a generic error, errno EEXIST) when the
        // name exists already, instead of emptying what is there.
        modeCreateNew = 0x2000,
    };

    enum SeekPosition
    {
        begin,
        current,
        end,
    };

    CFile() = default;
    // Opens at once; throws CFileException on failure.
    CFile(const std::string& strPath, unsigned nOpenFlags);
    ~CFile();

    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    CFile(CFile&& other) noexcept;
    CFile& operator=(CFile&& other) noexcept;

    // Opens the file; returns false and fills *pError (if given) on failure.
    bool Open(const std::string& strPath, unsigned nOpenFlags, CFileException* pError = nullptr);

    // Reads up to nCount bytes; returns fewer only at the end of the file.
    std::size_t Read(void* pBuf, std::size_t nCount);
    // Writes all nCount bytes; a write that writes fewer counts as disk full.
    void Write(const void* pBuf, std::size_t nCount);
    // Moves the position; returns the new position from the start. Moving
    // past the end is allowed (a later read returns nothing).
    std::uint64_t Seek(std::int64_t nOffset, SeekPosition from);
    std::uint64_t SeekToBegin() { return Seek(0, begin); }
    std::uint64_t SeekToEnd() { return Seek(0, end); }
    std::uint64_t GetPosition() const;
    std::uint64_t GetLength() const;
    // Makes what was written reach the disk (a write error the system held
    // back is reported here, as disk full or a hardware error).
    void Flush();
    // Closes the file; throws when the system reports a failure (for
    // example a delayed write error).
    void Close();
    // Closes without reporting errors; for clean-up paths.
    void Abort() noexcept;

    bool IsOpen() const { return m_hFile >= 0; }
    // The system's handle of the open file, -1 when closed; for system
    // calls that work on two files at once.
    int GetHandle() const { return m_hFile; }
    // The full path the file was opened with; errors carry this path.
    const std::string& GetFilePath() const { return m_strFilePath; }
    // Changes the path that errors carry (a temporary file reports the
    // name of the file it will become).
    void SetFilePath(std::string strPath) { m_strFilePath = std::move(strPath); }

    // Deletes a file by path; throws CFileException on failure.
    static void Remove(const std::string& strPath);
    // Deletes a file and ignores a failure; for clean-up paths.
    static void RemoveQuietly(const std::string& strPath) noexcept;
    // Renames (and replaces) atomically within one folder.
    static void Rename(const std::string& strOld, const std::string& strNew);
    // True when a file of that path exists and can be opened for reading.
    static bool Exists(const std::string& strPath);
    // True when both paths name one existing file: the same device and
    // inode after following symbolic links, whatever the spelling (hard
    // links included). False when either cannot be looked up.
    static bool SameFile(const std::string& strA, const std::string& strB);
    // The absolute form of a path, as error messages show it.
    static std::string FullPath(const std::string& strPath);

  private:
    int m_hFile = -1;
    std::string m_strFilePath;
};
