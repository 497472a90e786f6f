// Constants of the pool file (".dvn"): a 32-bit little-endian magic word that
// also gives the version, the entry count, then 100 slot records.
#pragma once

#include <cstdint>

inline constexpr int MAX_POOL = 100;

inline constexpr std::int32_t kPoolVersion202 = 202;
inline constexpr std::int32_t kPoolVersion203 = 203;

// Bytes 44 56 4E A9 ("DVN" and A9) and 44 56 4E AA, read as little-endian words.
inline constexpr std::uint32_t kPoolMagic202 = 0xA94E5644u;
inline constexpr std::uint32_t kPoolMagic203 = 0xAA4E5644u;
