// A buffered little-endian byte stream over an open CFile, in one direction:
// storing or loading. Integers are little-endian; strings carry a length
// prefix: one byte for 0..254, FF + 16 bits for 255..65533, FF FFFF + 32 bits
// above. When loading, FF FFFE marks a string of 2-byte (UTF-16LE)
// characters, which is converted to 8-bit text (UTF-8 on this platform).
#pragma once

#include "CFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

// Raised when a load runs past the end of the file or meets a length that
// the file cannot hold.
class CArchiveException : public std::exception
{
public:
    enum Cause
    {
        none,
        endOfFile,
        badFormat,
    };
    explicit CArchiveException(Cause cause) : m_cause(cause) {}
    const char* what() const noexcept override { return "Unexpected file format."; }
    Cause m_cause;
};

class CArchive
{
public:
    enum Mode
    {
        store,
        load,
    };

    // The largest string (in bytes, or in 2-byte characters) a load
    // accepts; names and paths are far shorter. A 2-byte string must also
    // come to at most this many bytes as 8-bit text, so that whatever is
    // loaded can be stored and loaded again.
    static constexpr std::uint32_t kMaxStringLength = 1u << 20;

    CArchive(CFile& file, Mode mode);
    // Does not flush: call Close() to write what is buffered.
    ~CArchive() = default;

    bool IsStoring() const { return m_mode == store; }
    bool IsLoading() const { return m_mode == load; }
    CFile& GetFile() { return m_file; }

    // Writes what is buffered (storing); ends the archive.
    void Close();
    void Flush();

    void Write(const void* pBuf, std::size_t nCount);
    // Reads exactly nCount bytes or throws CArchiveException(endOfFile).
    void ReadExact(void* pBuf, std::size_t nCount);
    // Bytes left to load: the file's length minus what was consumed.
    std::uint64_t BytesRemaining() const;

    CArchive& operator<<(std::uint8_t n);
    CArchive& operator<<(std::int32_t n);
    CArchive& operator<<(std::uint32_t n);
    CArchive& operator<<(const std::string& str);

    CArchive& operator>>(std::uint8_t& n);
    CArchive& operator>>(std::int32_t& n);
    CArchive& operator>>(std::uint32_t& n);
    CArchive& operator>>(std::string& str);

private:
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    // Reads a length prefix after its first FF byte.
    std::uint32_t ReadLongLength(bool& bWide);

    CFile& m_file;
    Mode m_mode;
    std::array<std::uint8_t, 4096> m_abBuf{};
    std::size_t m_nBufPos = 0; // next byte to hand out (load) or to fill (store)
    std::size_t m_nBufLen = 0; // bytes held (load)
    std::uint64_t m_nConsumed = 0;
    std::uint64_t m_nFileLength = 0;
};
