// Helpers shared by the split and join tests: KRZ-like sources, part-header
// fields, and a file-size limit that makes writes fail without relying on
// folder permissions (which root ignores).
#pragma once

#include "TestSupport.h"

#include <csignal>
#include <cstdint>
#include <string>
#include <sys/resource.h>

namespace test
{

// A source of nLength bytes whose bytes 4..7 hold nDataOffset big-endian and
// whose bytes 8..15 hold 0xA5, so that the split's own values stand out; the
// rest is a ramp.
inline Bytes MakeSource(std::size_t nLength, std::uint32_t nDataOffset, std::uint8_t nSeed = 3)
{
    Bytes ab = RampData(nLength, nSeed);
    if (nLength >= 16)
    {
        ab[4] = static_cast<std::uint8_t>(nDataOffset >> 24);
        ab[5] = static_cast<std::uint8_t>(nDataOffset >> 16);
        ab[6] = static_cast<std::uint8_t>(nDataOffset >> 8);
        ab[7] = static_cast<std::uint8_t>(nDataOffset);
        for (int i = 8; i < 16; ++i)
            ab[i] = 0xA5;
    }
    return ab;
}

inline std::uint32_t BE32At(const Bytes& ab, std::size_t nPos)
{
    return (std::uint32_t{ab.at(nPos)} << 24) | (std::uint32_t{ab.at(nPos + 1)} << 16) |
           (std::uint32_t{ab.at(nPos + 2)} << 8) | std::uint32_t{ab.at(nPos + 3)};
}

// While it lives, no regular file of this process may grow beyond nBytes:
// a write past the limit fails with EFBIG (its signal ignored).
class ScopedFileSizeLimit
{
  public:
    explicit ScopedFileSizeLimit(rlim_t nBytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = nBytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

  private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace test
