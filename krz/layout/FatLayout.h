// The layout of a FAT12/FAT16 volume as the disk images hold it: the boot
// sector and its parameter block, the partition table of a disk's first
// sector, and the 32-byte directory entry. The floppy image writer and the
// reader that copies files into an image take them from here. All numbers
// are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kFatBootSectorSize = 512;

// The boot sector: a jump, a name, and the parameter block.
inline constexpr std::size_t kBsJump = 0;                // 3 bytes
inline constexpr std::size_t kBsOemName = 3;             // 8 characters; "EXFAT   " on exFAT
inline constexpr std::size_t kBpbBytesPerSector = 11;    // u16
inline constexpr std::size_t kBpbSectorsPerCluster = 13; // u8, a power of two
inline constexpr std::size_t kBpbReservedSectors = 14;   // u16, the boot sector included
inline constexpr std::size_t kBpbFatCount = 16;          // u8
inline constexpr std::size_t kBpbRootEntries = 17;       // u16; 0 on FAT32
inline constexpr std::size_t kBpbTotalSectors16 = 19;    // u16; 0: see kBpbTotalSectors32
inline constexpr std::size_t kBpbMedia = 21;             // u8, 0xF0 or above
inline constexpr std::size_t kBpbFatSectors = 22;        // u16; 0 on FAT32
inline constexpr std::size_t kBpbSectorsPerTrack = 24;   // u16
inline constexpr std::size_t kBpbHeads = 26;             // u16
inline constexpr std::size_t kBpbTotalSectors32 = 32;    // u32
// The extended fields of a FAT12/FAT16 boot sector.
inline constexpr std::size_t kBsDriveNumber = 36;  // u8, 0 for a floppy
inline constexpr std::size_t kBsExtSignature = 38; // u8, 0x29: the next three are present
inline constexpr std::size_t kBsSerial = 39;       // u32
inline constexpr std::size_t kBsLabel = 43;        // 11 characters
inline constexpr std::size_t kBsFsType = 54;       // 8 characters
inline constexpr std::size_t kBsBootCode = 62;
inline constexpr std::uint8_t kBsExtSignatureValue = 0x29;
// The last two bytes of a boot sector or a partition table's sector.
inline constexpr std::size_t kBsSignature = 510;
inline constexpr std::uint8_t kBsSignature0 = 0x55;
inline constexpr std::uint8_t kBsSignature1 = 0xAA;

// A partition table in a disk's first sector: four entries of 16 bytes;
// the first sector's number counts sectors of 512 bytes.
inline constexpr std::size_t kMbrPartitionTable = 446;
inline constexpr std::size_t kPartType = 4;        // u8
inline constexpr std::size_t kPartFirstSector = 8; // u32
inline constexpr std::uint64_t kMbrSectorBytes = 512;

// A directory entry.
inline constexpr std::size_t kDirEntrySize = 32;
inline constexpr std::size_t kDirName = 0; // 11 characters, 8 + 3, space-filled
inline constexpr std::size_t kDirNameLength = 11;
inline constexpr std::size_t kDirAttr = 11;         // u8
inline constexpr std::size_t kDirCreateTenths = 13; // u8
inline constexpr std::size_t kDirCreateTime = 14;   // u16
inline constexpr std::size_t kDirCreateDate = 16;   // u16
inline constexpr std::size_t kDirAccessDate = 18;   // u16
inline constexpr std::size_t kDirWriteTime = 22;    // u16
inline constexpr std::size_t kDirWriteDate = 24;    // u16
inline constexpr std::size_t kDirFirstCluster = 26; // u16
inline constexpr std::size_t kDirFileSize = 28;     // u32
// The first name byte of a deleted entry; 0 marks the end of the entries.
inline constexpr std::uint8_t kDirDeleted = 0xE5;

// Attribute bits; all four low bits together mark a piece of a long name.
inline constexpr std::uint8_t kAttrReadOnly = 0x01;
inline constexpr std::uint8_t kAttrVolumeLabel = 0x08;
inline constexpr std::uint8_t kAttrFolder = 0x10;
inline constexpr std::uint8_t kAttrArchive = 0x20;
inline constexpr std::uint8_t kAttrLongName = 0x0F;
