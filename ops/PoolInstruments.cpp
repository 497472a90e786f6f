#include "PoolInstruments.h"

#include "PoolEdit.h"
#include "RootKey.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

namespace
{
// The form's root key runs from C 0 to B 9: pool keys 0..119.
constexpr int kHighestPoolKey = 12 * 9 + 11;

int ShownRootKey(const CZone& zone)
{
    return std::clamp(zone.nRootKey - 12, 0, kHighestPoolKey);
}

std::string ShownName(const std::string& strName)
{
    return CutToChars(strName, kNameFieldChars);
}

bool HasLoopPoints(const CZone& zone)
{
    return zone.loop.nEnd > zone.loop.nStart;
}

// The File column of audio held in memory: no folder, no separator that
// would make a folder of part of the name.
std::string DataFileText(const std::string& strSource, const std::string& strZone)
{
    std::string str = std::filesystem::path(strSource).filename().string() + ": " + strZone;
    std::replace(str.begin(), str.end(), '/', '_');
    std::replace(str.begin(), str.end(), '\\', '_');
    return str;
}

CWPoolObj ZoneEntry(const CInstrument& instrument, int nInstrument, const CZone& zone,
                    const std::string& strSource)
{
    CWPoolObj entry;
    auto pZone = std::make_shared<CPoolZone>();
    pZone->zone = zone;
    pZone->nInstrument = nInstrument;
    pZone->strInstrument = instrument.strName;
    pZone->strSource = strSource;
    entry.m_strFileName =
        zone.audio.strPath.empty() ? DataFileText(strSource, zone.strName) : zone.audio.strPath;
    entry.m_strSampleName = ShownName(zone.strName);
    entry.m_strKeymapName = ShownName(instrument.strName);
    entry.m_strProgramName = entry.m_strKeymapName;
    entry.m_bLoop = zone.loop.bOn ? 1 : 0;
    entry.m_nRootKey = ShownRootKey(zone);
    entry.m_bKeymapEnable = 1;
    entry.m_bProgramEnable = 1;
    entry.m_pZone = std::move(pZone);
    return entry;
}

std::string NoteText(int nNote)
{
    return nNote >= 12 ? RootKeyText(nNote - 12) : "note " + std::to_string(nNote);
}

std::string RangeText(int nLow, int nHigh, std::string (*pfnText)(int))
{
    return nLow == nHigh ? pfnText(nLow) : pfnText(nLow) + "-" + pfnText(nHigh);
}

std::string NumberText(int n)
{
    return std::to_string(n);
}

std::string DecimalText(double d, const char* szUnit)
{
    char ach[32];
    std::snprintf(ach, sizeof ach, "%+.1f %s", d, szUnit);
    return ach;
}

// The zones of every instrument of set.
int ZoneCount(const CInstrumentSet& set)
{
    int n = 0;
    for (const CInstrument& instrument : set.aInstruments)
        n += static_cast<int>(instrument.aZones.size());
    return n;
}
} // namespace

bool IsZoneEntry(const CWPoolObj& entry)
{
    return entry.m_pZone != nullptr;
}

bool HasZoneData(const CWPoolObj& entry)
{
    return entry.m_pZone && entry.m_pZone->zone.audio.strPath.empty();
}

EPoolKind PoolKind(const CDorvane_V2Doc& doc)
{
    const int nCount = std::clamp(doc.m_nCount, 0, MAX_POOL);
    int nZones = 0;
    for (int i = 0; i < nCount; ++i)
        nZones += IsZoneEntry(doc.m_aPool[i]) ? 1 : 0;
    if (nCount == 0)
        return EPoolKind::Empty;
    if (nZones == 0)
        return EPoolKind::Files;
    return nZones == nCount ? EPoolKind::Zones : EPoolKind::Mixed;
}

COutcome OpenInstrumentPool(const CInstrumentSet& set, const std::string& strSource,
                            CDorvane_V2Doc& doc)
{
    if (!set.strRefusal.empty())
        return COutcome::Refusal(set.strRefusal);
    if (ZoneCount(set) == 0)
        return COutcome::Refusal("Sorry, " + strSource + " holds no zone that can be played.");
    std::vector<const CInstrument*> apTaken;
    int nEntries = 0;
    int nLeftOut = 0;
    std::size_t nFirstZones = 0; // zones of the first instrument left out
    for (const CInstrument& instrument : set.aInstruments)
    {
        const int nZones = static_cast<int>(instrument.aZones.size());
        if (nLeftOut == 0 && nEntries + nZones > MAX_POOL)
            nFirstZones = instrument.aZones.size();
        if (nLeftOut > 0 || nEntries + nZones > MAX_POOL)
            ++nLeftOut;
        else
            nEntries += nZones;
        apTaken.push_back(nLeftOut > 0 ? nullptr : &instrument);
    }
    if (nEntries == 0)
        return COutcome::Refusal("Sorry, the first instrument of " + strSource + " has " +
                                 std::to_string(nFirstZones) + " zones; the pool holds " +
                                 std::to_string(MAX_POOL) +
                                 ". dorvane-cli make takes the file as it is.");
    COutcome outcome;
    if (!set.aNotes.empty())
    {
        std::string strNotes;
        for (const std::string& strNote : set.aNotes)
            strNotes += (strNotes.empty() ? "" : "\n") + strNote;
        outcome.Note({strNotes, kAppTitle, MessageIcon::None, strSource});
    }
    if (nLeftOut > 0)
        outcome.Note({std::to_string(nLeftOut) + " of the " +
                          std::to_string(set.aInstruments.size()) + " instruments of " + strSource +
                          " were left out: the pool holds " + std::to_string(MAX_POOL) +
                          " zones. dorvane-cli make takes the file as it is.",
                      kAppTitle, MessageIcon::None, strSource});
    doc.OnNewDocument();
    for (std::size_t i = 0; i < apTaken.size() && apTaken[i] != nullptr; ++i)
        for (const CZone& zone : apTaken[i]->aZones)
            doc.m_aPool[doc.m_nCount++] =
                ZoneEntry(*apTaken[i], static_cast<int>(i), zone, strSource);
    return outcome;
}

CInstrumentSet InstrumentsFromPool(const CDorvane_V2Doc& doc)
{
    CInstrumentSet set;
    std::map<int, std::size_t> aPlace; // instrument number -> place in set
    const int nCount = std::clamp(doc.m_nCount, 0, MAX_POOL);
    for (int i = 0; i < nCount; ++i)
    {
        const CWPoolObj& entry = doc.m_aPool[i];
        if (!entry.m_pZone)
            continue;
        const CPoolZone& from = *entry.m_pZone;
        auto [it, bNew] = aPlace.try_emplace(from.nInstrument, set.aInstruments.size());
        if (bNew)
        {
            CInstrument instrument;
            instrument.strName = entry.m_strKeymapName == ShownName(from.strInstrument)
                                     ? from.strInstrument
                                     : entry.m_strKeymapName;
            set.aInstruments.push_back(std::move(instrument));
        }
        CZone zone = from.zone;
        if (!zone.audio.strPath.empty())
            zone.audio.strPath = entry.FilePath();
        if (entry.m_strSampleName != ShownName(zone.strName))
            zone.strName = entry.m_strSampleName;
        if (entry.m_nRootKey != ShownRootKey(zone))
            zone.nRootKey = entry.m_nRootKey + 12;
        if (HasLoopPoints(zone))
            zone.loop.bOn = entry.m_bLoop != 0;
        set.aInstruments[it->second].aZones.push_back(std::move(zone));
    }
    return set;
}

bool ZoneDataInfo(const CWPoolObj& entry, WAVINFO& info)
{
    if (!HasZoneData(entry))
        return false;
    const CZoneAudio& audio = entry.m_pZone->zone.audio;
    const int nChannels = std::max(audio.nChannels, 1);
    const std::int64_t nAll =
        audio.pData ? static_cast<std::int64_t>(audio.pData->size()) / nChannels : 0;
    const std::int64_t nEnd = audio.nEndFrame < 0 ? nAll : std::min(audio.nEndFrame, nAll);
    info = WAVINFO{};
    info.bValid = true;
    info.nBitsPerSample = 16;
    info.nBlockAlign = 2 * nChannels;
    info.nChannels = nChannels;
    info.nFormatTag = 1;
    info.nSamplesPerSec = audio.nRate;
    info.nFrames = static_cast<std::uint64_t>(std::max<std::int64_t>(nEnd - audio.nStartFrame, 0));
    info.strTypeText = std::string(nChannels == 2 ? "Stereo" : "Mono") + ", 16 bits, " +
                       std::to_string(audio.nRate) + " Hz, from " +
                       std::filesystem::path(entry.m_pZone->strSource).filename().string();
    return true;
}

std::string ZoneKeysText(const CZone& zone)
{
    return zone.bKeyRange ? RangeText(zone.nLoKey, zone.nHiKey, NoteText) : "nearest root";
}

std::string ZoneVelocityText(const CZone& zone)
{
    return RangeText(zone.nLoVel, zone.nHiVel, NumberText);
}

std::string ZoneDetailsText(const CZone& zone)
{
    std::string str = "Keys " + ZoneKeysText(zone) + ", velocity " + ZoneVelocityText(zone);
    if (zone.dTuneCents != 0)
        str += ", tuning " + DecimalText(zone.dTuneCents, "cents");
    if (zone.dGainDb != 0)
        str += ", gain " + DecimalText(zone.dGainDb, "dB");
    if (zone.audio.nStartFrame != 0 || zone.audio.nEndFrame >= 0)
        str += ", frames " + std::to_string(zone.audio.nStartFrame) + "-" +
               (zone.audio.nEndFrame >= 0 ? std::to_string(zone.audio.nEndFrame - 1) : "end");
    if (HasLoopPoints(zone))
        str += ", loop " + std::to_string(zone.loop.nStart) + "-" + std::to_string(zone.loop.nEnd);
    return str;
}

SZoneSave PlanZoneSave(const CDorvane_V2Doc& doc)
{
    SZoneSave save;
    const int nCount = std::clamp(doc.m_nCount, 0, MAX_POOL);
    for (int i = 0; i < nCount; ++i)
    {
        save.nZones += IsZoneEntry(doc.m_aPool[i]) ? 1 : 0;
        save.nKept += HasZoneData(doc.m_aPool[i]) ? 0 : 1;
    }
    if (save.nZones == 0)
        return save;
    if (save.nKept == 0)
    {
        save.strText = "Sorry, a pool file cannot hold this pool: the sound of its entries lies "
                       "in the instrument file, not in audio files. Make File writes them.";
        return save;
    }
    save.strText = "A pool file keeps each entry's file, names, root key and loop switch, but "
                   "not the key and velocity ranges, tuning, gain, frame ranges and loop points "
                   "of the " +
                   std::to_string(save.nZones) + " entries made from instrument zones";
    const int nDropped = nCount - save.nKept;
    if (nDropped > 0)
        save.strText += "; " + std::to_string(nDropped) +
                        (nDropped == 1 ? " entry whose sound lies" : " entries whose sound lies") +
                        " in the instrument file is left out";
    save.strText += ".\n\nSave the pool anyway?";
    return save;
}

void DropEntriesWithoutFile(CDorvane_V2Doc& doc)
{
    WavInfoArray aUnused{};
    for (int i = std::clamp(doc.m_nCount, 0, MAX_POOL) - 1; i >= 0; --i)
        if (HasZoneData(doc.m_aPool[i]))
            DeletePoolEntry(doc, aUnused, i);
}
