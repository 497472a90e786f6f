// An instrument's keymap: which zone each key plays at each of the
// keymap's 8 velocity levels, the distinct entry tables that makes, and
// the keymap object holding them. Keys are keymap entries 0..127: entry k
// plays MIDI note k + 12 (notes 0..11 cannot be mapped). Level j covers
// velocities 16j..16j+15 (level 0 the softest).
#pragma once

#include "CInstrument.h"
#include "Multisample.h" // kKeymapKeys

#include <array>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kKeymapLevels = 8;

// Per entry, the index of the zone it plays, -1 for none.
using ZoneKeyTable = std::array<int, kKeymapKeys>;
using ZoneLevelTables = std::array<ZoneKeyTable, kKeymapLevels>;

// The zones each entry plays at each level, of the zones whose abUsable
// flag is set. A zone meets level j when its velocity range (nLoVel 0
// taken as 1) shares a velocity with 16j..16j+15. For each entry, of the
// zones with bKeyRange that hold its note (entries 116..127, notes above
// 127, take note 127) and meet the level, the one with the highest nHiVel
// plays it (the first in order on a tie). An entry no such zone holds
// plays, of the zones without bKeyRange that meet the level, the nearest
// root (MapKeysToSamples over nRootKey - 12) among the zones of the highest
// nHiVel; with none, nothing.
ZoneLevelTables MapZonesToKeys(const std::vector<CZone>& aZones, const std::vector<bool>& abUsable);

// One entry of an instrument keymap's table.
struct CKeymapEntry
{
    std::uint16_t nSample = 0;   // sample object number
    std::uint8_t nSubSample = 0; // 1: the first header (a stereo object's pair); 0 plays nothing
    std::int16_t nTuning = 0;    // cents, written only when the keymap holds tunings

    bool operator==(const CKeymapEntry&) const = default;
};
using KeymapTable = std::array<CKeymapEntry, kKeymapKeys>;

struct CInstrumentKeymap
{
    std::vector<KeymapTable> aTables;              // distinct, in the order levels first play them
    std::array<int, kKeymapLevels> anLevelTable{}; // per level, the index of its table
    bool bTuning = false;                          // entries hold an s16 tuning (method 0x13)
};

// The keymap of tables: each level's table once (levels whose tables are
// equal share one), bTuning when any entry's tuning is not 0.
CInstrumentKeymap MakeInstrumentKeymap(const std::array<KeymapTable, kKeymapLevels>& aLevels);

// The keymap object: ID kKeymapTypeBase + nNumber, the name through
// KrzNameField; entry method 3 (u16 sample number, u8 sub-sample) or with
// bTuning 0x13 (s16 tuning first); the tables one after another from
// offset 56, level field j holding 16 - 2j + t * table size for its table
// t. The sample number at offset 28 (unused with these methods) is the
// first table's entry 0's.
std::vector<std::uint8_t> BuildInstrumentKeymap(std::uint16_t nNumber, const std::string& strName,
                                                const CInstrumentKeymap& keymap);
