#include "Sf2Reader.h"

#include "ReaderNotes.h"
#include "Sf2Check.h"
#include "Sf2Zones.h"

#include <libinstpatch/libinstpatch.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace
{
struct CUnref
{
    void operator()(gpointer p) const
    {
        if (p)
            g_object_unref(p);
    }
};
template <typename T> using GPtr = std::unique_ptr<T, CUnref>;

using Words = std::shared_ptr<const std::vector<std::int16_t>>;

// What the reading of one bank keeps while it walks the presets.
struct CSf2Reading
{
    const std::string& strPath; // the bank, as given: every note names it
    CInstrumentSet& set;
    std::vector<std::string> aUnusedGenerators;
    bool bModulators = false;
    // Every sample (or stereo pair: left, right) read once, shared by its zones.
    std::map<std::pair<IpatchSF2Sample*, IpatchSF2Sample*>, Words> data;
};

std::string TakeString(char* sz)
{
    std::string str = sz ? sz : "";
    g_free(sz);
    return str;
}

// The generators that genarray sets, noting those the reader does not use.
CSf2Generators ReadGenerators(CSf2Reading& reading, const IpatchSF2GenArray& genarray,
                              GSList* pMods)
{
    CSf2Generators gens;
    for (int nId = 0; nId < kSf2GeneratorCount; ++nId)
    {
        if (!IPATCH_SF2_GEN_ARRAY_TEST_FLAG(&genarray, nId))
            continue;
        const IpatchSF2GenAmount& amount = genarray.values[nId];
        if (nId == kSf2KeyRange || nId == kSf2VelRange)
            gens.Set(nId, amount.range.low | (amount.range.high << 8));
        else
            gens.Set(nId, amount.sword);
        if (!IsSf2GeneratorUsed(nId))
        {
            const char* szName = ipatch_sf2_gen_get_prop_name(nId);
            const std::string strName = szName ? szName : "generator " + std::to_string(nId);
            if (std::find(reading.aUnusedGenerators.begin(), reading.aUnusedGenerators.end(),
                          strName) == reading.aUnusedGenerators.end())
                reading.aUnusedGenerators.push_back(strName);
        }
    }
    reading.bModulators = reading.bModulators || pMods != nullptr;
    return gens;
}

// Signed 16-bit mono words in the machine's order.
constexpr int kWordFormat = int{IPATCH_SAMPLE_16BIT} | int{IPATCH_SAMPLE_MONO} |
                            int{IPATCH_SAMPLE_SIGNED} | int{IPATCH_SAMPLE_ENDIAN_HOST};

// The sample's frames as 16-bit words (24-bit data keeps its upper 16 bits),
// or null with strError set.
std::shared_ptr<std::vector<std::int16_t>> ReadWords(IpatchSF2Sample* pSample,
                                                     std::string& strError)
{
    if (ipatch_item_get_flags(pSample) & IPATCH_SF2_SAMPLE_FLAG_ROM)
    {
        strError = "its sample lies in a sound card's memory, not in the bank";
        return nullptr;
    }
    const guint nFrames = ipatch_sample_get_size(IPATCH_SAMPLE(pSample), nullptr);
    auto pWords = std::make_shared<std::vector<std::int16_t>>(nFrames);
    constexpr guint kBlock = 65536;
    for (guint nAt = 0; nAt < nFrames; nAt += kBlock)
    {
        GError* pError = nullptr;
        if (!ipatch_sample_read_transform(IPATCH_SAMPLE(pSample), nAt,
                                          std::min(kBlock, nFrames - nAt), pWords->data() + nAt,
                                          kWordFormat, IPATCH_SAMPLE_UNITY_CHANNEL_MAP, &pError))
        {
            strError = std::string("its sample data cannot be read (") +
                       (pError ? pError->message : "no reason given") + ")";
            g_clear_error(&pError);
            return nullptr;
        }
    }
    return pWords;
}

// The words of a mono sample or of a stereo pair interleaved (the shorter
// side's length), read once per bank.
Words SampleWords(CSf2Reading& reading, IpatchSF2Sample* pLeft, IpatchSF2Sample* pRight,
                  std::string& strError)
{
    const auto key = std::make_pair(pLeft, pRight);
    if (const auto it = reading.data.find(key); it != reading.data.end())
        return it->second;
    auto pWords = ReadWords(pLeft, strError);
    if (pWords && pRight)
    {
        const auto pRightWords = ReadWords(pRight, strError);
        if (!pRightWords)
            return nullptr;
        const std::size_t nFrames = std::min(pWords->size(), pRightWords->size());
        auto pPair = std::make_shared<std::vector<std::int16_t>>(2 * nFrames);
        for (std::size_t n = 0; n < nFrames; ++n)
        {
            (*pPair)[2 * n] = (*pWords)[n];
            (*pPair)[2 * n + 1] = (*pRightWords)[n];
        }
        pWords = std::move(pPair);
    }
    if (pWords)
        reading.data[key] = pWords;
    return pWords;
}

struct CSf2PresetLevel
{
    std::string strPreset;
    CSf2Generators gens; // the preset zone's over the preset's global zone
};

// The right sample of izone's stereo pair when the instrument has the
// pair's other zone; null for a mono zone.
IpatchSF2Sample* StereoPartner(IpatchSF2IZone* pIZone, IpatchSF2Sample* pSample)
{
    GPtr<IpatchSF2IZone> pLink(ipatch_sf2_izone_get_stereo_link(pIZone));
    if (!pLink)
        return nullptr;
    return ipatch_sf2_sample_peek_linked(pSample);
}

void ReadInstrumentZone(CSf2Reading& reading, const CSf2PresetLevel& preset, IpatchSF2Inst* pInst,
                        const CSf2Generators& instGlobal, IpatchSF2IZone* pIZone,
                        CInstrument& instrument)
{
    GPtr<IpatchSF2Sample> pSample(ipatch_sf2_izone_get_sample(pIZone));
    if (!pSample)
        return;
    IpatchSF2Sample* pRight = nullptr;
    if (pSample->channel != IPATCH_SF2_SAMPLE_CHANNEL_MONO)
    {
        IpatchSF2Sample* pPartner = StereoPartner(pIZone, pSample.get());
        // The right zone of a pair is played by its left zone.
        if (pPartner && pSample->channel == IPATCH_SF2_SAMPLE_CHANNEL_RIGHT)
            return;
        pRight = pPartner;
    }
    const std::string strSample = TakeString(ipatch_sf2_sample_get_name(pSample.get()));
    const std::string strWhat = reading.strPath + ": preset \"" + preset.strPreset +
                                "\", instrument \"" + TakeString(ipatch_sf2_inst_get_name(pInst)) +
                                "\", sample \"" + strSample + "\"";
    const IpatchSF2Zone* pZone = IPATCH_SF2_ZONE(pIZone);
    const CSf2Generators gens =
        ReadGenerators(reading, pZone->genarray, pZone->mods).Over(instGlobal);
    CSf2SampleFacts facts;
    facts.nFrames = ipatch_sample_get_size(IPATCH_SAMPLE(pSample.get()), nullptr);
    if (pRight)
        facts.nFrames = std::min<std::int64_t>(
            facts.nFrames, ipatch_sample_get_size(IPATCH_SAMPLE(pRight), nullptr));
    facts.nLoopStart = pSample->loop_start;
    facts.nLoopEnd = pSample->loop_end;
    facts.nOriginalKey = pSample->root_note;
    facts.nPitchCorrection = pSample->fine_tune;
    CZone zone;
    if (!MakeSf2Zone(gens, preset.gens, facts, strWhat, zone, reading.set.aNotes))
        return;
    if (pSample->rate <= 0)
    {
        reading.set.aNotes.push_back(strWhat + " left out: its sample rate is " +
                                     std::to_string(pSample->rate) + " Hz");
        return;
    }
    std::string strError;
    zone.audio.pData = SampleWords(reading, pSample.get(), pRight, strError);
    if (!zone.audio.pData)
    {
        reading.set.aNotes.push_back(strWhat + " left out: " + strError);
        return;
    }
    zone.audio.nChannels = pRight ? 2 : 1;
    zone.audio.nRate = pSample->rate;
    zone.strName = strSample;
    instrument.aZones.push_back(std::move(zone));
}

void ReadPresetZone(CSf2Reading& reading, const CSf2PresetLevel& preset, IpatchSF2Inst* pInst,
                    CInstrument& instrument)
{
    const CSf2Generators instGlobal = ReadGenerators(reading, pInst->genarray, pInst->mods);
    GPtr<IpatchList> pZones(
        ipatch_container_get_children(IPATCH_CONTAINER(pInst), IPATCH_TYPE_SF2_IZONE));
    for (GList* p = pZones ? pZones->items : nullptr; p; p = p->next)
        ReadInstrumentZone(reading, preset, pInst, instGlobal, IPATCH_SF2_IZONE(p->data),
                           instrument);
}

CInstrument ReadPreset(CSf2Reading& reading, IpatchSF2Preset* pPreset)
{
    CInstrument instrument;
    instrument.strName = TakeString(ipatch_sf2_preset_get_name(pPreset));
    const CSf2Generators global = ReadGenerators(reading, pPreset->genarray, pPreset->mods);
    GPtr<IpatchList> pZones(
        ipatch_container_get_children(IPATCH_CONTAINER(pPreset), IPATCH_TYPE_SF2_PZONE));
    for (GList* p = pZones ? pZones->items : nullptr; p; p = p->next)
    {
        IpatchSF2PZone* pPZone = IPATCH_SF2_PZONE(p->data);
        GPtr<IpatchSF2Inst> pInst(ipatch_sf2_pzone_get_inst(pPZone));
        if (!pInst)
            continue;
        const IpatchSF2Zone* pZone = IPATCH_SF2_ZONE(pPZone);
        const CSf2PresetLevel level{
            instrument.strName, ReadGenerators(reading, pZone->genarray, pZone->mods).Over(global)};
        ReadPresetZone(reading, level, pInst.get(), instrument);
    }
    return instrument;
}

void ReadPresets(CSf2Reading& reading, IpatchSF2* pBank)
{
    GPtr<IpatchList> pPresets(
        ipatch_container_get_children(IPATCH_CONTAINER(pBank), IPATCH_TYPE_SF2_PRESET));
    std::vector<IpatchSF2Preset*> apPresets;
    for (GList* p = pPresets ? pPresets->items : nullptr; p; p = p->next)
        apPresets.push_back(IPATCH_SF2_PRESET(p->data));
    // By bank, then program: the order a player lists them in.
    std::stable_sort(
        apPresets.begin(), apPresets.end(),
        [](const IpatchSF2Preset* a, const IpatchSF2Preset* b)
        { return std::make_pair(a->bank, a->program) < std::make_pair(b->bank, b->program); });
    for (IpatchSF2Preset* pPreset : apPresets)
    {
        CInstrument instrument = ReadPreset(reading, pPreset);
        if (instrument.aZones.empty())
            reading.set.aNotes.push_back(reading.strPath + ": preset \"" + instrument.strName +
                                         "\" left out: none of its zones can be played");
        else
            reading.set.aInstruments.push_back(std::move(instrument));
    }
}

// The library's warnings about a bank (a loop it found broken, say) become
// notes of the reading on this thread instead of lines on stderr.
thread_local CInstrumentSet* t_pSet = nullptr;
thread_local const std::string* t_pPath = nullptr;

void OnLibraryLog(const gchar* szDomain, GLogLevelFlags level, const gchar* szMessage,
                  gpointer pUser)
{
    if (t_pSet && t_pPath)
        t_pSet->aNotes.push_back(*t_pPath + ": " + (szMessage ? szMessage : ""));
    else
        g_log_default_handler(szDomain, level, szMessage, pUser);
}

// Sends the library's log to the set's notes while it lives.
class CLogToNotes
{
  public:
    CLogToNotes(CInstrumentSet& set, const std::string& strPath)
    {
        t_pSet = &set;
        t_pPath = &strPath;
    }
    ~CLogToNotes()
    {
        t_pSet = nullptr;
        t_pPath = nullptr;
    }
    CLogToNotes(const CLogToNotes&) = delete;
    CLogToNotes& operator=(const CLogToNotes&) = delete;
};

} // namespace

CInstrumentSet ReadSf2File(const std::string& strPath)
{
    static std::once_flag s_init;
    std::call_once(s_init,
                   []
                   {
                       ipatch_init();
                       // The library logs in GLib's default domain.
                       g_log_set_handler(nullptr,
                                         static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING |
                                                                     G_LOG_LEVEL_MESSAGE |
                                                                     G_LOG_LEVEL_CRITICAL),
                                         OnLibraryLog, nullptr);
                   });
    CInstrumentSet set;
    // The library is given only banks whose headers hold together: it
    // crashes on some that do not.
    if (std::string strProblem = CheckSf2File(strPath); !strProblem.empty())
    {
        set.strRefusal = strPath + ": not a readable SoundFont 2 bank (" + strProblem + ")";
        return set;
    }
    const CLogToNotes log(set, strPath);
    GPtr<IpatchSF2File> pFile(ipatch_sf2_file_new());
    ipatch_file_set_name(IPATCH_FILE(pFile.get()), strPath.c_str());
    GError* pError = nullptr;
    GPtr<GObject> pObject(
        ipatch_convert_object_to_type(G_OBJECT(pFile.get()), IPATCH_TYPE_SF2, &pError));
    if (!pObject || !IPATCH_IS_SF2(pObject.get()))
    {
        set.strRefusal = strPath + ": not a readable SoundFont 2 bank (" +
                         (pError ? pError->message : "no reason given") + ")";
        g_clear_error(&pError);
        return set;
    }
    CSf2Reading reading{strPath, set, {}, false, {}};
    ReadPresets(reading, IPATCH_SF2(pObject.get()));
    if (!reading.aUnusedGenerators.empty())
        set.aNotes.push_back(strPath +
                             ": generators not used: " + JoinNames(reading.aUnusedGenerators));
    if (reading.bModulators)
        set.aNotes.push_back(strPath + ": modulators are not used");
    if (set.aInstruments.empty() && set.strRefusal.empty())
        set.strRefusal = strPath + ": no preset of the bank can be played";
    return set;
}
