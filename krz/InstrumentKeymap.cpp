#include "InstrumentKeymap.h"

#include "ByteOrder.h"
#include "KrzFormat.h"
#include "KrzName.h"

#include <algorithm>

namespace
{

constexpr int kVelocitiesPerLevel = 16;
// The first note a keymap entry plays and the highest note a keyboard sends.
constexpr int kEntry0Note = 12;
constexpr int kTopNote = 127;

bool MeetsLevel(const CZone& zone, int nLevel)
{
    const int nLo = std::max(zone.nLoVel, 1);
    const int nHi = std::max(zone.nHiVel, nLo);
    return nLo <= kVelocitiesPerLevel * nLevel + kVelocitiesPerLevel - 1 &&
           nHi >= kVelocitiesPerLevel * nLevel;
}

// The table of one level: zones with key ranges first, the nearest roots
// of the loudest layer without them for the entries left.
ZoneKeyTable MapLevel(const std::vector<CZone>& aZones, const std::vector<bool>& abUsable,
                      int nLevel)
{
    ZoneKeyTable anTable;
    anTable.fill(-1);
    int nRootLayerHiVel = -1;
    for (std::size_t z = 0; z < aZones.size(); ++z)
    {
        const CZone& zone = aZones[z];
        if (!abUsable[z] || !MeetsLevel(zone, nLevel))
            continue;
        if (!zone.bKeyRange)
        {
            nRootLayerHiVel = std::max(nRootLayerHiVel, zone.nHiVel);
            continue;
        }
        for (int k = 0; k < kKeymapKeys; ++k)
        {
            const int nNote = std::min(k + kEntry0Note, kTopNote);
            if (nNote < zone.nLoKey || nNote > zone.nHiKey)
                continue;
            // The louder layer wins; of equal ones the first zone stays.
            if (anTable[k] < 0 || zone.nHiVel > aZones[anTable[k]].nHiVel)
                anTable[k] = static_cast<int>(z);
        }
    }
    if (nRootLayerHiVel < 0)
        return anTable;
    std::vector<int> anLayer;
    std::vector<int> anRootKeys;
    for (std::size_t z = 0; z < aZones.size(); ++z)
        if (abUsable[z] && !aZones[z].bKeyRange && MeetsLevel(aZones[z], nLevel) &&
            aZones[z].nHiVel == nRootLayerHiVel)
        {
            anLayer.push_back(static_cast<int>(z));
            anRootKeys.push_back(aZones[z].nRootKey - kEntry0Note);
        }
    const KeySampleMap anNearest = MapKeysToSamples(anRootKeys);
    for (int k = 0; k < kKeymapKeys; ++k)
        if (anTable[k] < 0)
            anTable[k] = anLayer[anNearest[k]];
    return anTable;
}

} // namespace

ZoneLevelTables MapZonesToKeys(const std::vector<CZone>& aZones, const std::vector<bool>& abUsable)
{
    ZoneLevelTables aTables;
    for (int j = 0; j < kKeymapLevels; ++j)
        aTables[j] = MapLevel(aZones, abUsable, j);
    return aTables;
}

CInstrumentKeymap MakeInstrumentKeymap(const std::array<KeymapTable, kKeymapLevels>& aLevels)
{
    CInstrumentKeymap keymap;
    for (int j = 0; j < kKeymapLevels; ++j)
    {
        const auto it = std::find(keymap.aTables.begin(), keymap.aTables.end(), aLevels[j]);
        keymap.anLevelTable[j] = static_cast<int>(it - keymap.aTables.begin());
        if (it == keymap.aTables.end())
            keymap.aTables.push_back(aLevels[j]);
        for (const CKeymapEntry& entry : aLevels[j])
            keymap.bTuning = keymap.bTuning || entry.nTuning != 0;
    }
    return keymap;
}

std::vector<std::uint8_t> BuildInstrumentKeymap(std::uint16_t nNumber, const std::string& strName,
                                                const CInstrumentKeymap& keymap)
{
    const std::size_t nData = kKeymapSampleNumber;
    const std::size_t nEntryBytes = keymap.bTuning ? 5 : 3;
    const std::size_t nTableBytes = nEntryBytes * kKeymapKeys;
    const std::size_t nTables = nData + kKdFieldsSize;
    const std::size_t nUsed = nTables + nTableBytes * keymap.aTables.size();
    // The object size counts from offset 4 to the end rounded up to an even
    // offset; the block is padded to a multiple of 4.
    const std::size_t nLength = (nUsed + 3) / 4 * 4;
    std::vector<std::uint8_t> ab(nLength, 0);
    bo::StoreBE32(ab.data() + kObjBlockLength,
                  static_cast<std::uint32_t>(-static_cast<std::int32_t>(nLength)));
    bo::StoreBE16(ab.data() + kObjId, static_cast<std::uint16_t>(kKeymapTypeBase + nNumber));
    bo::StoreBE16(ab.data() + kObjSize, static_cast<std::uint16_t>((nUsed + 1) / 2 * 2 - 4));
    bo::StoreBE16(ab.data() + kObjDataDistance,
                  static_cast<std::uint16_t>(nData - kObjDataDistance));
    StoreKrzName(ab.data(), strName);

    const std::uint16_t nMethod =
        static_cast<std::uint16_t>(kKmSample | kKmSubSample | (keymap.bTuning ? kKmTuning16 : 0));
    std::uint8_t* pData = ab.data() + nData;
    bo::StoreBE16(pData + kKdSampleNumber,
                  keymap.aTables.empty() ? 0 : keymap.aTables[0][0].nSample);
    bo::StoreBE16(pData + kKdEntryMethod, nMethod);
    bo::StoreBE16(pData + kKdEntry0Pitch, 0);
    bo::StoreBE16(pData + kKdCentsPerEntry, 100);
    bo::StoreBE16(pData + kKdEntryCount, kKeymapKeys - 1);
    bo::StoreBE16(pData + kKdEntryBytes, static_cast<std::uint16_t>(nEntryBytes));
    for (int j = 0; j < kKeymapLevels; ++j)
    {
        // Each distance counts from its own field.
        const std::size_t nField = kKdTables + 2 * static_cast<std::size_t>(j);
        const std::size_t nTable =
            kKdFieldsSize + nTableBytes * static_cast<std::size_t>(keymap.anLevelTable[j]);
        bo::StoreBE16(pData + nField, static_cast<std::uint16_t>(nTable - nField));
    }
    std::uint8_t* p = ab.data() + nTables;
    for (const KeymapTable& table : keymap.aTables)
        for (const CKeymapEntry& entry : table)
        {
            if (keymap.bTuning)
            {
                bo::StoreBE16(p, static_cast<std::uint16_t>(entry.nTuning));
                p += 2;
            }
            bo::StoreBE16(p, entry.nSample);
            p[2] = entry.nSubSample;
            p += 3;
        }
    return ab;
}
