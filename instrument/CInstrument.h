// An instrument as the readers of instrument files (SFZ, DecentSampler
// presets, SoundFont 2 banks, files grouped by their names) give it and as
// one builder writes it: a named list of zones. Standard library only.
//
// Keys here are MIDI note numbers (60 is C4, middle C). The KRZ keymap
// numbers keys from note 12 (keymap entry k plays note k + 12, so a pool's
// root key is the note - 12): the builder converts; notes 0..11 cannot be
// mapped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Where a zone's sound comes from: frames of an audio file on disk (read
// through the audio input, so every kind Add takes), or words already in
// memory (a SoundFont's sample data).
struct CZoneAudio
{
    // The audio file, absolute or as the instrument file named it, resolved
    // by the reader. Empty when aData is used.
    std::string strPath;
    // 16-bit words, interleaved when nChannels is 2; used when strPath is
    // empty. Shared: several zones may play one recording.
    std::shared_ptr<const std::vector<std::int16_t>> pData;
    int nChannels = 0; // 1 or 2; for a file, filled by the reader when known (0: from the file)
    int nRate = 0;     // Hz; for a file, filled by the reader when known (0: from the file)
    // The frames the zone plays: nStartFrame .. nEndFrame - 1 of the file
    // or data; nEndFrame -1 means to the end.
    std::int64_t nStartFrame = 0;
    std::int64_t nEndFrame = -1;

    bool operator==(const CZoneAudio&) const = default;
};

// A loop in frames counted from the zone's first frame (nStartFrame),
// nEnd inclusive (the last frame played before the jump back).
struct CZoneLoop
{
    bool bOn = false;
    std::int64_t nStart = 0;
    std::int64_t nEnd = 0;

    bool operator==(const CZoneLoop&) const = default;
};

struct CZone
{
    CZoneAudio audio;
    int nLoKey = 0;    // MIDI note, 0..127, inclusive
    int nHiKey = 127;  // MIDI note, nLoKey..127, inclusive
    int nLoVel = 1;    // MIDI velocity, 0..127, inclusive (0 is taken as 1 by the builder)
    int nHiVel = 127;  // MIDI velocity, nLoVel..127, inclusive
    int nRootKey = 60; // MIDI note the recording plays unshifted
    // Key ranges given by the source (false: the builder maps keys by the
    // nearest root, as for pool multisamples).
    bool bKeyRange = true;
    double dTuneCents = 0; // fine tuning in cents (transpose folded in as 100 per semitone)
    double dGainDb = 0;    // gain in dB (negative: quieter)
    CZoneLoop loop;
    // What the source called the zone (region, sample name), for messages
    // and the sample object's name.
    std::string strName;

    bool operator==(const CZone&) const = default;
};

struct CInstrument
{
    std::string strName; // the program's and keymap's name before KrzNameField
    std::vector<CZone> aZones;
};

// What a reader found: the instruments (an SFZ or preset gives one, a
// SoundFont one per preset) and the notes for the user, in the order met:
// opcodes or fields read but not used (each listed once), zones that could
// not be honoured (a missing sample, a range out of bounds), each naming
// the file and the zone. A file that cannot be read at all is a refusal:
// strRefusal holds the message (naming the file) and aInstruments is empty.
struct CInstrumentSet
{
    std::vector<CInstrument> aInstruments;
    std::vector<std::string> aNotes;
    std::string strRefusal;
};
