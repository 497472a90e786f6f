// Multisample keymaps: pool entries that share a keymap name are written as
// one keymap in which every key plays the group's sample whose root key is
// nearest, and one program. Keys are numbered as root keys are (key k is
// the keymap entry k, which plays note k + 12; 48 is middle C, "C 4").
#pragma once

#include "CDorvane_V2Doc.h"
#include "PoolEdit.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Entries of a keymap (one velocity table) and the keymap object that gives
// each entry its own sample: 3 bytes per entry (u16 sample object number,
// u8 sub-sample number 1), entry method 3.
inline constexpr int kKeymapKeys = 128;
inline constexpr std::size_t kMultiKeymapLength = 440;
using MultiKeymapBytes = std::array<std::uint8_t, kMultiKeymapLength>;

// Per key 0..127: an index into the group's aEntries.
using KeySampleMap = std::array<int, kKeymapKeys>;

// One keymap to write and the entries whose samples it plays.
struct CKeymapGroup
{
    // Pool indexes in pool order; aEntries[0] is the group's first entry,
    // whose keymap number and name and whose program number, name and
    // Enable switch the group's keymap and program take.
    std::vector<int> aEntries;
    std::string strKeymapName;  // the first entry's keymap name, or its sample name when empty
    std::string strProgramName; // the first entry's program name, or its sample name when empty
    bool bProgram = false;      // the first entry's program is enabled
    bool bStereo = false;       // every entry's file has two channels
    KeySampleMap anKeySample{}; // per key, the index into aEntries of the sample it plays
};

// The name an entry's keymap gets: its keymap name, or its sample name when
// that is empty (as the build fills it in).
std::string EffectiveKeymapName(const CWPoolObj& entry);
std::string EffectiveProgramName(const CWPoolObj& entry);

// Groups the usable entries (aWavInfo[i].bValid) of 0..count-1 whose keymap
// is enabled by their effective keymap name, compared as the file holds it
// (KrzNameField: "Piano" and "Piano " are one name), each group
// in pool order, the groups ordered by their first entry. Entries with the
// keymap disabled or unusable belong to no group. No refusal is checked.
std::vector<CKeymapGroup> GroupPoolEntries(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo);

// For root keys anRootKeys (one per sample), the sample each key 0..127
// plays: the nearest root key, on a tie the lower root key, and of equal
// root keys the first. Keys below the lowest root play the lowest sample,
// keys above the highest the highest. anRootKeys must not be empty.
KeySampleMap MapKeysToSamples(const std::vector<int>& anRootKeys);

// The plan of a build with multisample keymaps: every group of
// GroupPoolEntries with its key map filled. Returns false with strError set
// (and aGroups unspecified) when a group holds two entries with the same
// root key (the message names both entries and the keymap) or holds both
// mono and stereo files (the message names the keymap).
bool PlanMultisampleGroups(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo,
                           std::vector<CKeymapGroup>& aGroups, std::string& strError);

// The 440-byte keymap object with a sample per entry: ID kKeymapTypeBase +
// nKeymapNumber, strName through KrzNameField, entry k naming sample object
// anSampleNumbers[k] (sub-sample 1). The sample number at offset 28 (unused
// with this entry method) is that of key 0.
MultiKeymapBytes BuildMultiKeymap(std::uint16_t nKeymapNumber, const std::string& strName,
                                  const std::array<std::uint16_t, kKeymapKeys>& anSampleNumbers);

// The sample object numbers of a group's keys: nFirstObjectID + the pool
// index of the entry each key plays.
std::array<std::uint16_t, kKeymapKeys> GroupSampleNumbers(const CKeymapGroup& group,
                                                          int nFirstObjectID);

// A run of keys that play the same sample.
struct CKeyRange
{
    int nLowKey = 0;
    int nHighKey = 0;
    int nValue = 0; // what the keys play (an index or a sample number)
};

// The runs of equal values in anValues (key k = anValues[k]), low to high.
std::vector<CKeyRange> KeyRanges(const std::vector<int>& anValues);
// "C 0-E 2", or "C 4" for a single key; key names as RootKeyText gives them.
std::string KeyRangeText(int nLowKey, int nHighKey);
