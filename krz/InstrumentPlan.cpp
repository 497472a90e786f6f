#include "InstrumentPlan.h"

#include "KrzFormat.h"
#include "WavReader.h" // SampleRateRefusal

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

namespace
{

constexpr int kEntry0Note = 12;

// A zone as it will be written, once its audio's size is known.
struct CZoneCut
{
    bool bUsable = false;
    std::uint64_t nFirstFrame = 0;
    std::uint64_t nFrames = 0;
    bool bLoop = false;
    std::uint64_t nLoopStart = 0;
    int nGainSteps = 0;
};

std::string ZoneLabel(const CInstrument& instrument, std::size_t nZone)
{
    std::string str =
        "Instrument \"" + instrument.strName + "\", zone " + std::to_string(nZone + 1);
    if (!instrument.aZones[nZone].strName.empty())
        str += " (\"" + instrument.aZones[nZone].strName + "\")";
    return str;
}

std::uint64_t Scaled(std::int64_t nFrame, double dScale)
{
    return static_cast<std::uint64_t>(std::llround(static_cast<double>(nFrame) * dScale));
}

// The frames, loop and gain of one zone; notes what cannot be honoured.
CZoneCut CutZone(const CInstrument& instrument, std::size_t z, const CZoneSource& source,
                 std::vector<std::string>& aNotes)
{
    const CZone& zone = instrument.aZones[z];
    const std::string strLabel = ZoneLabel(instrument, z);
    CZoneCut cut;
    const auto Drop = [&](const std::string& strWhy)
    {
        aNotes.push_back(strLabel + ": " + strWhy + "; it is not written.");
        return CZoneCut{};
    };
    if (!source.bUsable)
        return Drop("its audio cannot be read");
    if ((zone.bKeyRange && zone.nLoKey > zone.nHiKey) || zone.nLoVel > zone.nHiVel)
        return Drop("its key or velocity range holds none");
    if (zone.bKeyRange && zone.nHiKey < kEntry0Note)
        return Drop("its keys lie below note 12, which no keymap entry plays");
    if (!SampleRateRefusal(static_cast<std::uint64_t>(source.nRate)).empty())
        return Drop("its rate, " + std::to_string(source.nRate) + " Hz, cannot be written");
    // A root key of 0..127 gives a pitch within the header's 16 bits at any
    // rate a header holds (-17223..31362 cents).
    if (zone.nRootKey < 0 || zone.nRootKey > 127)
        return Drop("its root key, " + std::to_string(zone.nRootKey) + ", is no MIDI note");
    const std::uint64_t nFirst =
        Scaled(std::max<std::int64_t>(zone.audio.nStartFrame, 0), source.dFrameScale);
    std::uint64_t nEnd = zone.audio.nEndFrame < 0
                             ? source.nFrames
                             : Scaled(zone.audio.nEndFrame, source.dFrameScale);
    if (nEnd > source.nFrames)
    {
        aNotes.push_back(strLabel + ": its frames end after its audio's; cut to the audio's end.");
        nEnd = source.nFrames;
    }
    if (nFirst >= nEnd)
        return Drop("its frame range holds no frame");
    cut.bUsable = true;
    cut.nFirstFrame = nFirst;
    cut.nFrames = nEnd - nFirst;
    if (zone.loop.bOn)
    {
        const std::uint64_t nLoopStart = Scaled(zone.loop.nStart, source.dFrameScale);
        const std::uint64_t nLoopEnd = Scaled(zone.loop.nEnd + 1, source.dFrameScale);
        if (zone.loop.nStart < 0 || zone.loop.nEnd < zone.loop.nStart || nLoopEnd == 0 ||
            nLoopEnd - 1 < nLoopStart || nLoopEnd > cut.nFrames)
            aNotes.push_back(strLabel + ": its loop lies outside its frames and is ignored.");
        else
        {
            // The sampler's loop ends at the sample's end: the frames after
            // the loop are not written.
            cut.bLoop = true;
            cut.nLoopStart = nLoopStart;
            cut.nFrames = nLoopEnd;
        }
    }
    bool bSaturated = false;
    cut.nGainSteps = GainSteps(zone.dGainDb, bSaturated);
    if (bSaturated)
        aNotes.push_back(strLabel + ": its gain lies beyond -64..+63.5 dB; written as " +
                         (cut.nGainSteps < 0 ? "-64 dB." : "+63.5 dB."));
    return cut;
}

using DataKey = std::tuple<std::string, const void*, std::uint64_t, std::uint64_t, bool>;
using SampleKey = std::tuple<int, int, bool, std::uint64_t, int>;

// Adds instruments to one file while its numbers last.
class CFileFiller
{
  public:
    CFileFiller(CLibraryFilePlan& file, int nFirst) : m_file(file), m_nFirst(nFirst) {}

    // The sample objects the zones would add to the file.
    int NewSamples(const std::vector<std::pair<DataKey, SampleKey>>& aKeys) const;
    bool Fits(int nNewSamples) const
    {
        return m_nFirst + static_cast<int>(m_file.aSamples.size()) + nNewSamples - 1 <=
                   kMaxObjectNumber &&
               m_nFirst + static_cast<int>(m_file.aInstruments.size()) <= kMaxObjectNumber;
    }
    bool Empty() const { return m_file.aInstruments.empty(); }
    // The sample object number of a zone, added when new.
    std::uint16_t Sample(const DataKey& dataKey, SampleKey sampleKey, const CDataPlan& data,
                         CSamplePlan sample);
    CLibraryFilePlan& File() { return m_file; }
    int First() const { return m_nFirst; }

  private:
    CLibraryFilePlan& m_file;
    int m_nFirst;
    std::map<DataKey, int> m_aData;
    std::map<SampleKey, int> m_aSample;
};

int CFileFiller::NewSamples(const std::vector<std::pair<DataKey, SampleKey>>& aKeys) const
{
    std::map<DataKey, int> aData = m_aData;
    std::map<SampleKey, int> aSample = m_aSample;
    int nNew = 0;
    for (auto [dataKey, sampleKey] : aKeys)
    {
        const auto itData = aData.emplace(dataKey, static_cast<int>(aData.size())).first;
        std::get<0>(sampleKey) = itData->second;
        nNew += aSample.emplace(sampleKey, 0).second ? 1 : 0;
    }
    return nNew;
}

std::uint16_t CFileFiller::Sample(const DataKey& dataKey, SampleKey sampleKey,
                                  const CDataPlan& data, CSamplePlan sample)
{
    const auto [itData, bNewData] = m_aData.emplace(dataKey, static_cast<int>(m_file.aData.size()));
    if (bNewData)
        m_file.aData.push_back(data);
    std::get<0>(sampleKey) = itData->second;
    const auto [itSample, bNew] =
        m_aSample.emplace(sampleKey, static_cast<int>(m_file.aSamples.size()));
    if (bNew)
    {
        sample.nData = itData->second;
        sample.nNumber = static_cast<std::uint16_t>(m_nFirst + itSample->second);
        m_file.aSamples.push_back(sample);
    }
    return m_file.aSamples[itSample->second].nNumber;
}

struct CPlayedZones
{
    ZoneLevelTables aZoneTables;
    std::vector<int> anPlayed; // the zones some entry plays, in order
    std::vector<CZoneCut> aCuts;
    bool bStereo = false;
};

// Cuts and maps every zone of one instrument; notes the zones left out.
CPlayedZones MapInstrument(const CInstrument& instrument, const std::vector<CZoneSource>& aSources,
                           std::vector<std::string>& aNotes)
{
    CPlayedZones played;
    std::vector<bool> abUsable(instrument.aZones.size(), false);
    for (std::size_t z = 0; z < instrument.aZones.size(); ++z)
    {
        played.aCuts.push_back(CutZone(instrument, z, aSources[z], aNotes));
        abUsable[z] = played.aCuts[z].bUsable;
    }
    played.aZoneTables = MapZonesToKeys(instrument.aZones, abUsable);
    std::vector<bool> abPlayed(instrument.aZones.size(), false);
    for (const ZoneKeyTable& table : played.aZoneTables)
        for (const int z : table)
            if (z >= 0)
                abPlayed[z] = true;
    for (std::size_t z = 0; z < instrument.aZones.size(); ++z)
    {
        if (abUsable[z] && !abPlayed[z])
            aNotes.push_back(ZoneLabel(instrument, z) +
                             ": louder or earlier zones take every key and velocity it covers; it "
                             "is not written.");
        if (!abPlayed[z])
            continue;
        played.anPlayed.push_back(static_cast<int>(z));
        played.bStereo = played.bStereo || aSources[z].nChannels == 2;
    }
    return played;
}

std::pair<DataKey, SampleKey> ZoneKeys(const CZone& zone, const CZoneCut& cut, bool bStereo)
{
    return {
        DataKey{zone.audio.strPath, zone.audio.pData.get(), cut.nFirstFrame, cut.nFrames, bStereo},
        SampleKey{0, zone.nRootKey, cut.bLoop, cut.nLoopStart, cut.nGainSteps}};
}

// Adds one mapped instrument to the file: its samples, its keymap.
void AddInstrument(const CInstrument& instrument, const std::vector<CZoneSource>& aSources,
                   const CPlayedZones& played, CFileFiller& filler)
{
    std::vector<std::uint16_t> anNumber(instrument.aZones.size(), 0);
    for (const int z : played.anPlayed)
    {
        const CZone& zone = instrument.aZones[z];
        const CZoneCut& cut = played.aCuts[z];
        CDataPlan data;
        data.audio = zone.audio;
        data.nSourceChannels = aSources[z].nChannels;
        data.bStereo = played.bStereo;
        data.nFirstFrame = cut.nFirstFrame;
        data.nFrames = cut.nFrames;
        CSamplePlan sample;
        sample.nRootNote = zone.nRootKey;
        sample.bLoop = cut.bLoop;
        sample.nLoopStart = cut.nLoopStart;
        sample.nGainSteps = cut.nGainSteps;
        sample.nRate = aSources[z].nRate;
        sample.strName = zone.strName.empty() ? instrument.strName : zone.strName;
        const auto [dataKey, sampleKey] = ZoneKeys(zone, cut, played.bStereo);
        anNumber[z] = filler.Sample(dataKey, sampleKey, data, sample);
    }
    std::array<KeymapTable, kKeymapLevels> aLevels{};
    for (int j = 0; j < kKeymapLevels; ++j)
        for (int k = 0; k < kKeymapKeys; ++k)
        {
            const int z = played.aZoneTables[j][k];
            // An entry that plays nothing still names a sample of the file.
            CKeymapEntry& entry = aLevels[j][k];
            entry.nSample = anNumber[played.anPlayed.front()];
            if (z < 0)
                continue;
            const double dCents = std::round(instrument.aZones[z].dTuneCents);
            entry.nSample = anNumber[z];
            entry.nSubSample = 1;
            entry.nTuning = static_cast<std::int16_t>(std::clamp(dCents, -32768.0, 32767.0));
        }
    CInstrumentPlan plan;
    plan.nNumber = static_cast<std::uint16_t>(filler.First() + filler.File().aInstruments.size());
    plan.strName = instrument.strName;
    plan.bStereo = played.bStereo;
    plan.keymap = MakeInstrumentKeymap(aLevels);
    filler.File().aInstruments.push_back(std::move(plan));
}

void PlaceData(CLibraryFilePlan& file)
{
    file.nDataBytes = 0;
    for (CDataPlan& data : file.aData)
    {
        data.nWordAt = file.nDataBytes / 2;
        file.nDataBytes += data.Bytes();
    }
}

} // namespace

int GainSteps(double dGainDb, bool& bSaturated)
{
    const double dSteps = std::round(dGainDb * 2);
    bSaturated = !(dSteps >= -128 && dSteps <= 127);
    if (std::isnan(dSteps))
        return 0;
    return static_cast<int>(std::clamp(dSteps, -128.0, 127.0));
}

bool PlanInstrumentLibrary(const std::vector<CInstrument>& aInstruments,
                           const std::vector<std::vector<CZoneSource>>& aSources,
                           int nFirstObjectID, std::vector<CLibraryFilePlan>& aFiles,
                           std::vector<std::string>& aNotes, std::string& strError)
{
    aFiles.assign(1, CLibraryFilePlan{});
    auto pFiller = std::make_unique<CFileFiller>(aFiles.back(), nFirstObjectID);
    for (std::size_t i = 0; i < aInstruments.size(); ++i)
    {
        const CInstrument& instrument = aInstruments[i];
        const CPlayedZones played = MapInstrument(instrument, aSources[i], aNotes);
        if (played.anPlayed.empty())
        {
            aNotes.push_back("Instrument \"" + instrument.strName +
                             "\" has no zone to play; it is not written.");
            continue;
        }
        std::vector<std::pair<DataKey, SampleKey>> aKeys;
        for (const int z : played.anPlayed)
            aKeys.push_back(ZoneKeys(instrument.aZones[z], played.aCuts[z], played.bStereo));
        if (!pFiller->Fits(pFiller->NewSamples(aKeys)))
        {
            const int nAlone = CFileFiller(aFiles.back(), nFirstObjectID).NewSamples(aKeys);
            if (pFiller->Empty() || nFirstObjectID + nAlone - 1 > kMaxObjectNumber)
            {
                strError = "Instrument \"" + instrument.strName + "\" needs " +
                           std::to_string(nAlone) + " samples, more than the numbers " +
                           std::to_string(nFirstObjectID) + ".." +
                           std::to_string(kMaxObjectNumber) + " of one file hold.";
                return false;
            }
            PlaceData(aFiles.back());
            aFiles.emplace_back();
            // The vector moved: the filler follows the new last file.
            pFiller = std::make_unique<CFileFiller>(aFiles.back(), nFirstObjectID);
        }
        AddInstrument(instrument, aSources[i], played, *pFiller);
    }
    PlaceData(aFiles.back());
    if (aFiles.back().aInstruments.empty() && aFiles.size() > 1)
        aFiles.pop_back();
    strError.clear();
    return true;
}
