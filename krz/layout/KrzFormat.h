// The layout of the KRZ file, of its split parts and of the object
// template: sizes, offsets, type bases, flag bits and the pitch formula. The
// builder, the split, the join and the reader all take them from here. All
// numbers in a KRZ file and in a part header are big-endian.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

// The template file: a 32-byte file header and six ready-made objects.
inline constexpr std::size_t kTemplateSize = 1248;
inline constexpr std::size_t kKrzHeaderSize = 32;
inline constexpr std::size_t kEndMarkSize = 4;

// File header fields. Bytes 8..15 are zero in a whole file; in a part they
// hold the data length (part 1) or the bytes still to come after the part
// (later parts), and the part number.
inline constexpr std::size_t kHdrDataOffset = 4;  // u32 sample-data offset; its low 24 bits count
inline constexpr std::size_t kHdrDataLength = 8;  // u32, parts only
inline constexpr std::size_t kHdrPartNumber = 12; // u32, parts only; 1 marks a first part
inline constexpr std::size_t kHdrOsVersion = 16;  // u32, version x 100
inline constexpr char kKrzMagic[4] = {'P', 'R', 'A', 'M'}; // bytes 0..3
// Part 1 starts with the file's 32-byte header; every later part with a
// 36-byte one whose sample-data offset is 36 and whose bytes 32..35 are 0.
inline constexpr std::size_t kPart1HeaderSize = 32;
inline constexpr std::size_t kLaterPartHeaderSize = 36;
// The sample-data offset field of a later part: its payload begins right
// after its header.
inline constexpr std::uint32_t kLaterPartDataOffset = kLaterPartHeaderSize;

struct TemplateRegion
{
    std::size_t nOffset; // offset in the template
    std::size_t nLength; // length of the object in bytes
};

inline constexpr TemplateRegion kFileHeader{0, 32};
inline constexpr TemplateRegion kMonoSample{32, 96};
inline constexpr TemplateRegion kMonoKeymap{128, 184};
inline constexpr TemplateRegion kMonoProgram{312, 280};
inline constexpr TemplateRegion kStereoSample{592, 128};
inline constexpr TemplateRegion kStereoKeymap{720, 184};
inline constexpr TemplateRegion kStereoProgram{904, 280};
// Bytes 1184..1247 are loaded with the rest and never used.

// Object IDs: type base (type << 10) + object number (below 1024).
inline constexpr std::uint16_t kSampleTypeBase = 0x9800;  // type 38
inline constexpr std::uint16_t kKeymapTypeBase = 0x9400;  // type 37
inline constexpr std::uint16_t kProgramTypeBase = 0x9000; // type 36

// Offsets within every object.
inline constexpr std::size_t kObjBlockLength = 0; // s32, minus the object's length
inline constexpr std::size_t kObjId = 4;          // u16
inline constexpr std::size_t kObjSize = 6;        // u16
// u16: the object's data begins this many bytes after the field's start;
// the name fills the space before it.
inline constexpr std::size_t kObjDataDistance = 8;
inline constexpr std::size_t kObjName = 10;       // 16 characters, space-filled
inline constexpr std::size_t kObjNameLength = 16;

// Offsets within a sample object: the sample headers (32 bytes each).
inline constexpr std::size_t kSampleHeader1 = 40;
inline constexpr std::size_t kSampleHeader2 = 72; // stereo only: right channel
inline constexpr std::size_t kSampleHeaderSize = 32;

// Offsets within a sample header.
inline constexpr std::size_t kShRootKey = 0;    // u8: root key + 12
inline constexpr std::size_t kShFlags = 1;      // u8: 0x70 loop on, 0xF0 loop off
inline constexpr std::size_t kShVolume = 2;     // s8: volume adjust, 0.5 dB steps
inline constexpr std::size_t kShPitch = 4;      // s16: maximum pitch in cents
inline constexpr std::size_t kShStart = 8;      // u32 start word
inline constexpr std::size_t kShAltStart = 12;  // u32 = start
inline constexpr std::size_t kShLoopStart = 16; // u32 = start
inline constexpr std::size_t kShEnd = 20;       // u32 end word, inclusive
inline constexpr std::size_t kShPeriod = 28;    // u32 sample period in ns
inline constexpr std::uint8_t kLoopOnFlags = 0x70;
inline constexpr std::uint8_t kLoopOffFlags = 0xF0;

// Offsets within a sample object's data (from where the data distance puts
// it): base ID, header count - 1, the first header's distance from the
// data + 4, and flags whose bit 0 marks the headers as left/right pairs.
inline constexpr std::size_t kSdHeaderCount = 2;    // u16, count - 1
inline constexpr std::size_t kSdHeaderDistance = 4; // u16, from data + 4
inline constexpr std::size_t kSdFlags = 6;          // u8
inline constexpr std::size_t kSdFieldsSize = 8;
inline constexpr std::uint8_t kSdStereoFlag = 0x01;

// Offsets within a keymap object's data: the sample object every entry
// plays, the entry method (which fields each entry holds), the entry count
// - 1, the bytes per entry, and per velocity level (8 of them) the s16
// distance from that field to the level's entry table.
inline constexpr std::size_t kKdSampleNumber = 0;  // u16
inline constexpr std::size_t kKdEntryMethod = 2;   // u16
inline constexpr std::size_t kKdEntry0Pitch = 4;   // u16, the first entry's pitch
inline constexpr std::size_t kKdCentsPerEntry = 6; // u16, cents from one entry to the next
inline constexpr std::size_t kKdEntryCount = 8;    // u16, count - 1
inline constexpr std::size_t kKdEntryBytes = 10;   // u16
inline constexpr std::size_t kKdTables = 12;       // 8 x s16
inline constexpr std::size_t kKdVelocityLevels = 8;
inline constexpr std::size_t kKdFieldsSize = 28;
// Entry-method bits: each entry holds the fields whose bits are set, in
// this order: tuning (0x10 s16 or 0x08 s8), volume (0x04 s8), sample
// object number (0x02 u16), sub-sample number (0x01 u8).
inline constexpr std::uint16_t kKmTuning16 = 0x10;
inline constexpr std::uint16_t kKmTuning8 = 0x08;
inline constexpr std::uint16_t kKmVolume = 0x04;
inline constexpr std::uint16_t kKmSample = 0x02;
inline constexpr std::uint16_t kKmSubSample = 0x01;
inline constexpr std::uint16_t kKmKnownBits = 0x1F;

// Program segments, each a tag byte and its body. A layer segment's flags
// (body byte 8) and a keymap segment's two keymap numbers (body bytes 7..8,
// the second slot a stereo layer needs, and 11..12), from the tag.
inline constexpr std::uint8_t kSegLayerTag = 0x09;
inline constexpr std::uint8_t kSegKeymapTag = 0x40;
inline constexpr std::size_t kSegLayerFlags = 9; // u8
inline constexpr std::uint8_t kSegLayerStereo = 0x20;
inline constexpr std::size_t kSegKeymap2 = 8;  // u16
inline constexpr std::size_t kSegKeymap1 = 12; // u16

// Keymap: the number of its sample object. Program: its keymap's number
// (a stereo program also in the second keymap slot).
inline constexpr std::size_t kKeymapSampleNumber = 28;
inline constexpr std::size_t kProgramKeymap2 = 188; // stereo only
inline constexpr std::size_t kProgramKeymap1 = 192;

// Maximum pitch of a sample header in cents: 100 * root key + the rate term
// 1200 * log2(96000 / rate), rounded by adding 0.5 and cutting toward zero.
// Stored as a signed 16-bit value in two's complement.
inline std::int64_t KrzPitchRateTerm(std::int64_t nRate)
{
    return static_cast<std::int64_t>(std::trunc(1200.0 * std::log2(96000.0 / nRate) + 0.5));
}
inline std::int64_t KrzPitch(std::int64_t nRootKey, std::int64_t nRate)
{
    return 100 * nRootKey + KrzPitchRateTerm(nRate);
}
// The sample period in nanoseconds: 10^9 / rate, cut toward zero.
inline std::uint32_t KrzPeriod(std::int64_t nRate)
{
    return static_cast<std::uint32_t>(1000000000 / nRate);
}
