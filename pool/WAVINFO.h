// What the WAV reader (and the audio-input reader, pool/AudioInput.h)
// learnt of one entry's file. Never saved.
#pragma once

#include <cstdint>
#include <string>

struct WAVINFO
{
    bool bValid = false;             // header read and supported (PCM, 8/16 bits, 1/2 channels)
    std::int32_t nBitsPerSample = 0; // from the fmt chunk; 16 for a decoded entry
    std::int32_t nBlockAlign = 0;    // from the fmt chunk; recorded only
    std::int32_t nChannels = 0;      // from the fmt chunk
    std::int32_t nFormatTag = 0;     // from the fmt chunk; 1 is PCM
    std::int32_t nSamplesPerSec = 0; // sample rate in Hz; for a resampled entry the new rate
    std::int32_t nDataOffset = 0;    // file offset of the first sample byte
    std::int32_t nDataSize = 0;      // size field of the data chunk in bytes, as stored
    std::int32_t nRiffSize = 0;      // size field of the RIFF chunk, as stored; recorded only

    // Filled by ReadAudioHeader only; ReadWavHeader leaves them as below.

    // The sample data must be read through CAudioDecoder (the file is
    // converted or resampled); the fmt fields above then describe the
    // decoder's output: 16-bit PCM words, nChannels, nSamplesPerSec.
    bool bDecoded = false;
    // Frames the entry has in the KRZ file, after any rate change. For a
    // plain entry: its usable data bytes (UsableDataBytes) / frame size.
    std::uint64_t nFrames = 0;
    // The Type line of a decoded entry; empty for a plain one (WavTypeText).
    std::string strTypeText;
    // The file's loop, in frames of the KRZ data (scaled when resampled),
    // nLoopEnd inclusive; only read with the file-metadata option.
    bool bHasLoop = false;
    std::uint64_t nLoopStart = 0;
    std::uint64_t nLoopEnd = 0;
    // The file held a loop that lies outside its data; it was ignored.
    bool bLoopIgnored = false;
    // The file held a marker or instrument chunk that cannot be read
    // (CFileMetadata::bDamaged); it was ignored. Only read with the
    // file-metadata option.
    bool bMetadataIgnored = false;
    // The MIDI note stored in the file (WAV smpl unity note, AIFF INST base
    // note), 0..127, or -1 when none; only read with the file-metadata
    // option. The program's root key is this note - 12 (RootKeyForNewEntry).
    int nFileRootKey = -1;
};
