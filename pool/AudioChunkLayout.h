// Where the fields lie in the chunks that the metadata reader takes from
// WAV (RIFF, little-endian) and AIFF (FORM, big-endian) files. Offsets
// count from the start of the chunk, or of the chunk's body.
#pragma once

#include <cstddef>

// Every chunk: a four-character id and a 32-bit size, then the body.
inline constexpr std::size_t kChunkId = 0;
inline constexpr std::size_t kChunkSize = 4;
inline constexpr std::size_t kChunkHeaderSize = 8;
// The file's first 12 bytes: "RIFF" or "FORM", a size, then the form type
// ("WAVE", "AIFF" or "AIFC"); the first chunk follows.
inline constexpr std::size_t kFormType = 8;
inline constexpr std::size_t kFormHeaderSize = 12;

// WAV "fmt ": format tag, channels, rate, byte rate, block align, bits per
// sample.
inline constexpr std::size_t kFmtFormatTag = 0;   // u16
inline constexpr std::size_t kFmtChannels = 2;    // u16
inline constexpr std::size_t kFmtRate = 4;        // u32
inline constexpr std::size_t kFmtBlockAlign = 12; // u16
inline constexpr std::size_t kFmtBits = 14;       // u16
inline constexpr std::size_t kFmtFieldsSize = 16;

// AIFF "COMM": channels (u16), frames (u32), bits (u16), and the rate as an
// 80-bit extended float.
inline constexpr std::size_t kCommRate = 8;
inline constexpr std::size_t kCommRateSize = 10;
inline constexpr std::size_t kCommFieldsSize = 18;

// WAV "smpl": 36 bytes of fields, then 24 bytes per loop.
inline constexpr std::size_t kSmplUnityNote = 12; // u32, MIDI note
inline constexpr std::size_t kSmplLoopCount = 28; // u32
inline constexpr std::size_t kSmplFieldsSize = 36;
inline constexpr std::size_t kSmplLoopSize = 24;
inline constexpr std::size_t kSmplLoopType = 4;  // u32, 0 forward
inline constexpr std::size_t kSmplLoopStart = 8; // u32, frame
inline constexpr std::size_t kSmplLoopEnd = 12;  // u32, frame, inclusive

// AIFF "INST": base note, detune, low/high note, low/high velocity, gain
// (16 bits), then the sustain loop: play mode, begin marker, end marker (16
// bits each), and a release loop the reader does not use.
inline constexpr std::size_t kInstBaseNote = 0;      // s8
inline constexpr std::size_t kInstSustainMode = 8;   // u16, 1 forward
inline constexpr std::size_t kInstSustainBegin = 10; // u16, marker id
inline constexpr std::size_t kInstSustainEnd = 12;   // u16, marker id
inline constexpr std::size_t kInstSize = 20;

// AIFF "MARK": a u16 count, then per marker a u16 id, a u32 position and a
// Pascal string (its count byte first) padded to an even length.
inline constexpr std::size_t kMarkCountSize = 2;
inline constexpr std::size_t kMarkerId = 0;        // u16
inline constexpr std::size_t kMarkerPosition = 2;  // u32, between frames
inline constexpr std::size_t kMarkerNameCount = 6; // u8
inline constexpr std::size_t kMarkerFixedSize = 6;
