#include "Multisample.h"

#include "ByteOrder.h"
#include "KrzFormat.h"
#include "KrzName.h"
#include "RootKey.h"

#include <algorithm>
#include <cstdlib>

namespace
{

// Offsets of the keymap's fields from the object's first byte: its data
// begins right after the name and its terminator, as in the template.
constexpr std::size_t kKeymapData = kKeymapSampleNumber;
constexpr auto kDataDistance = static_cast<std::uint16_t>(kKeymapData - kObjDataDistance);
constexpr std::size_t kEntryMethod = kKeymapData + kKdEntryMethod;
constexpr std::size_t kEntry0Pitch = kKeymapData + kKdEntry0Pitch;
constexpr std::size_t kCentsPerEntry = kKeymapData + kKdCentsPerEntry;
constexpr std::size_t kEntriesPerLevel = kKeymapData + kKdEntryCount;
constexpr std::size_t kBytesPerEntry = kKeymapData + kKdEntryBytes;
constexpr std::size_t kLevelDistances = kKeymapData + kKdTables;
constexpr std::size_t kEntryTable = kKeymapData + kKdFieldsSize;

// A sample object number and a sub-sample number per entry: u16 + u8.
constexpr std::uint16_t kMethodSamplePerEntry = kKmSample | kKmSubSample;
constexpr std::uint16_t kEntryBytes = 3;
static_assert(kDataDistance == 20 && kEntryMethod == 30 && kLevelDistances == 40 &&
              kEntryTable == 56);

std::string EntryText(const CDorvane_V2Doc& doc, int nEntry)
{
    return "entry " + std::to_string(nEntry + 1) + " (\"" + doc.m_aPool[nEntry].m_strSampleName +
           "\")";
}

} // namespace

std::string EffectiveKeymapName(const CWPoolObj& entry)
{
    return entry.m_strKeymapName.empty() ? entry.m_strSampleName : entry.m_strKeymapName;
}

std::string EffectiveProgramName(const CWPoolObj& entry)
{
    return entry.m_strProgramName.empty() ? entry.m_strSampleName : entry.m_strProgramName;
}

std::vector<CKeymapGroup> GroupPoolEntries(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo)
{
    std::vector<CKeymapGroup> aGroups;
    // Names are compared as the file holds them (folded, transliterated,
    // cut to 16 and padded): "Piano" and "Piano " are one keymap name to
    // the sampler, and two keymaps of one name would be a fault.
    std::vector<std::string> aGroupFields;
    const int nCount = std::clamp(doc.m_nCount, 0, MAX_POOL);
    for (int i = 0; i < nCount; ++i)
    {
        const CWPoolObj& entry = doc.m_aPool[i];
        if (!aWavInfo[i].bValid || !entry.m_bKeymapEnable)
            continue;
        const std::string strName = EffectiveKeymapName(entry);
        const std::string strField = KrzNameField(strName);
        // A pool holds at most MAX_POOL entries: a linear search is cheap.
        const auto itField = std::find(aGroupFields.begin(), aGroupFields.end(), strField);
        auto it = aGroups.begin() + (itField - aGroupFields.begin());
        if (it == aGroups.end())
        {
            aGroupFields.push_back(strField);
            CKeymapGroup group;
            group.strKeymapName = strName;
            group.strProgramName = EffectiveProgramName(entry);
            group.bProgram = entry.m_bProgramEnable != 0;
            group.bStereo = aWavInfo[i].nChannels == 2;
            aGroups.push_back(std::move(group));
            it = aGroups.end() - 1;
        }
        it->aEntries.push_back(i);
    }
    for (CKeymapGroup& group : aGroups)
    {
        std::vector<int> anRootKeys;
        for (const int n : group.aEntries)
            anRootKeys.push_back(doc.m_aPool[n].m_nRootKey);
        group.anKeySample = MapKeysToSamples(anRootKeys);
    }
    return aGroups;
}

KeySampleMap MapKeysToSamples(const std::vector<int>& anRootKeys)
{
    KeySampleMap anMap{};
    for (int nKey = 0; nKey < kKeymapKeys; ++nKey)
    {
        int nBest = 0;
        for (int i = 1; i < static_cast<int>(anRootKeys.size()); ++i)
        {
            // Distances in 64 bits: a root key may be any 32-bit number.
            const long long nDist = std::llabs(static_cast<long long>(anRootKeys[i]) - nKey);
            const long long nBestDist =
                std::llabs(static_cast<long long>(anRootKeys[nBest]) - nKey);
            if (nDist < nBestDist || (nDist == nBestDist && anRootKeys[i] < anRootKeys[nBest]))
                nBest = i;
        }
        anMap[nKey] = nBest;
    }
    return anMap;
}

bool PlanMultisampleGroups(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo,
                           std::vector<CKeymapGroup>& aGroups, std::string& strError)
{
    aGroups = GroupPoolEntries(doc, aWavInfo);
    for (const CKeymapGroup& group : aGroups)
    {
        const std::string strKeymap = "keymap \"" + group.strKeymapName + "\"";
        for (std::size_t i = 0; i < group.aEntries.size(); ++i)
        {
            const int nEntry = group.aEntries[i];
            if ((aWavInfo[nEntry].nChannels == 2) != group.bStereo)
            {
                strError = "The " + strKeymap +
                           " mixes mono and stereo samples; a keymap plays either one kind or "
                           "the other.";
                return false;
            }
            for (std::size_t j = 0; j < i; ++j)
            {
                const int nOther = group.aEntries[j];
                if (doc.m_aPool[nOther].m_nRootKey != doc.m_aPool[nEntry].m_nRootKey)
                    continue;
                strError = "In the " + strKeymap + ", " + EntryText(doc, nOther) + " and " +
                           EntryText(doc, nEntry) + " have the same root key, " +
                           RootKeyText(doc.m_aPool[nEntry].m_nRootKey) + ".";
                return false;
            }
        }
    }
    strError.clear();
    return true;
}

MultiKeymapBytes BuildMultiKeymap(std::uint16_t nKeymapNumber, const std::string& strName,
                                  const std::array<std::uint16_t, kKeymapKeys>& anSampleNumbers)
{
    MultiKeymapBytes ab{};
    bo::StoreBE32(ab.data() + kObjBlockLength,
                  static_cast<std::uint32_t>(-static_cast<std::int32_t>(kMultiKeymapLength)));
    bo::StoreBE16(ab.data() + kObjId, static_cast<std::uint16_t>(kKeymapTypeBase + nKeymapNumber));
    // From offset 4 to the end; 436 is even, so no byte is added.
    bo::StoreBE16(ab.data() + kObjSize, static_cast<std::uint16_t>(kMultiKeymapLength - 4));
    bo::StoreBE16(ab.data() + kObjDataDistance, kDataDistance);
    StoreKrzName(ab.data(), strName);

    bo::StoreBE16(ab.data() + kKeymapSampleNumber, anSampleNumbers[0]);
    bo::StoreBE16(ab.data() + kEntryMethod, kMethodSamplePerEntry);
    bo::StoreBE16(ab.data() + kEntry0Pitch, 0);
    bo::StoreBE16(ab.data() + kCentsPerEntry, 100);
    bo::StoreBE16(ab.data() + kEntriesPerLevel, kKeymapKeys - 1);
    bo::StoreBE16(ab.data() + kBytesPerEntry, kEntryBytes);
    // Every velocity level points at the one table: each distance runs from
    // its own field to offset 56.
    for (std::size_t j = 0; j < kKdVelocityLevels; ++j)
    {
        const std::size_t nField = kLevelDistances + 2 * j;
        bo::StoreBE16(ab.data() + nField, static_cast<std::uint16_t>(kEntryTable - nField));
    }
    for (int k = 0; k < kKeymapKeys; ++k)
    {
        std::uint8_t* pEntry = ab.data() + kEntryTable + kEntryBytes * static_cast<std::size_t>(k);
        bo::StoreBE16(pEntry, anSampleNumbers[k]);
        // Sub-sample 1: the mono header, or a stereo sample's left/right pair.
        pEntry[2] = 1;
    }
    return ab;
}

std::array<std::uint16_t, kKeymapKeys> GroupSampleNumbers(const CKeymapGroup& group,
                                                          int nFirstObjectID)
{
    std::array<std::uint16_t, kKeymapKeys> an{};
    for (int k = 0; k < kKeymapKeys; ++k)
        an[k] = static_cast<std::uint16_t>(nFirstObjectID + group.aEntries[group.anKeySample[k]]);
    return an;
}

std::vector<CKeyRange> KeyRanges(const std::vector<int>& anValues)
{
    std::vector<CKeyRange> aRanges;
    for (int k = 0; k < static_cast<int>(anValues.size()); ++k)
    {
        if (!aRanges.empty() && aRanges.back().nValue == anValues[k])
            aRanges.back().nHighKey = k;
        else
            aRanges.push_back({k, k, anValues[k]});
    }
    return aRanges;
}

std::string KeyRangeText(int nLowKey, int nHighKey)
{
    if (nLowKey == nHighKey)
        return RootKeyText(nLowKey);
    return RootKeyText(nLowKey) + "-" + RootKeyText(nHighKey);
}
