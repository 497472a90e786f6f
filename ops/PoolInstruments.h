// Instrument zones as pool entries and back: the window opens an instrument
// file into the pool (one entry per zone, the entries of one instrument
// sharing its name as keymap and program name) and makes the instruments
// from those entries. The pool fields an entry shows of its zone (sample
// name, instrument name, root key, loop) may be edited; the rest of the
// zone (key and velocity ranges, tuning, gain, frame range, audio held in
// memory) travels beside the entry in CWPoolObj::m_pZone, read-only.
// Standard library only.
#pragma once

#include "CDorvane_V2Doc.h"
#include "CInstrument.h"
#include "COutcome.h"
#include "WAVINFO.h"

#include <string>

// What an entry made from a zone keeps beside its pool fields.
struct CPoolZone
{
    CZone zone;                // as the reader gave it
    int nInstrument = 0;       // its instrument's place in the file read
    std::string strInstrument; // the instrument's name as read
    std::string strSource;     // the instrument file read
};

// Whether the entry was made from a zone; whether that zone's audio is
// held in memory (a SoundFont's sample data) rather than in a file.
bool IsZoneEntry(const CWPoolObj& entry);
bool HasZoneData(const CWPoolObj& entry);

enum class EPoolKind
{
    Empty,
    Files, // every entry names an audio file
    Zones, // every entry was made from a zone
    Mixed,
};
// What the first doc.m_nCount entries are.
EPoolKind PoolKind(const CDorvane_V2Doc& doc);

// Fills doc with set's zones, one entry per zone in order, after emptying
// it as New does (the path name and modified flag are the caller's). An
// entry shows: as its file, the zone's audio file, or for audio in memory
// "<file name of strSource>: <zone name>"; as sample name the zone's name,
// as keymap and program name the instrument's (each cut to 16
// characters); the zone's root key (MIDI note - 12, held within C 0..B 9)
// and loop switch; both Enable switches on. Instruments are taken whole:
// the first that no longer fits into MAX_POOL entries is left out with all
// after it, and a note names how many. Refusals, doc unchanged: the
// reader's refusal; no zone in the file; a first instrument of more than
// MAX_POOL zones. The reader's notes become one note of the outcome.
COutcome OpenInstrumentPool(const CInstrumentSet& set, const std::string& strSource,
                            CDorvane_V2Doc& doc);

// The instruments of the pool's zone entries (entries of files are passed
// over), in the order their first entries stand, each zone in pool order.
// A field the user changed replaces the zone's own (an unchanged field
// keeps the zone's whole value, such as a name longer than 16
// characters): sample name, root key (pool key + 12), loop switch (only
// for a zone with loop points), and the instrument's name from its first
// entry's keymap name. A zone from a file plays the file the entry finds
// (FilePath()). No notes: the reader's were shown when it was opened.
CInstrumentSet InstrumentsFromPool(const CDorvane_V2Doc& doc);

// The WAV facts of a zone whose audio is held in memory: usable, 16-bit,
// its channels, rate and frames, and a Type line saying where it lies.
// false (info unchanged) for any other entry.
bool ZoneDataInfo(const CWPoolObj& entry, WAVINFO& info);

// What the form and table show of a zone the pool cannot hold: "C 3-B 3"
// (or "nearest root" when the zone has no key range of its own), "1-63",
// and the details line with keys, velocities, and tuning, gain, frame
// range and loop points where the zone has them.
std::string ZoneKeysText(const CZone& zone);
std::string ZoneVelocityText(const CZone& zone);
std::string ZoneDetailsText(const CZone& zone);

// Saving a pool with zone entries: the pool file keeps each entry's file,
// names, root key and loop, not the rest of its zone, and no entry whose
// audio is held in memory. nZones: zone entries (0: nothing to ask);
// nKept: entries a save writes; strText: the question to ask (Yes saves),
// or when nKept is 0 the refusal.
struct SZoneSave
{
    int nZones = 0;
    int nKept = 0;
    std::string strText;
};
SZoneSave PlanZoneSave(const CDorvane_V2Doc& doc);
// Removes the entries a pool file cannot hold (audio held in memory),
// closing the gaps.
void DropEntriesWithoutFile(CDorvane_V2Doc& doc);
