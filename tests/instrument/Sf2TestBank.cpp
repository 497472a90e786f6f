#include "Sf2TestBank.h"

#include <algorithm>

namespace test
{
namespace
{
void PutName(Bytes& ab, const std::string& strName)
{
    for (std::size_t n = 0; n < 20; ++n)
        ab.push_back(n < strName.size() ? static_cast<std::uint8_t>(strName[n]) : 0);
}

Bytes MakeList(const char* szType, const Bytes& abBody)
{
    Bytes ab;
    PutTag(ab, szType);
    ab.insert(ab.end(), abBody.begin(), abBody.end());
    return MakeChunk("LIST", ab);
}

// The bag, modulator and generator chunks of presets or instruments.
// szPrefix is "p" or "i".
Bytes MakeZoneChunks(const char* szPrefix, const std::vector<const std::vector<Sf2Zone>*>& aOwners,
                     std::uint16_t nTargetGen, std::vector<std::uint16_t>& aBagStart)
{
    Bytes abBag, abGen;
    std::uint16_t nBag = 0, nGen = 0;
    for (const auto* pZones : aOwners)
    {
        aBagStart.push_back(nBag);
        for (const Sf2Zone& zone : *pZones)
        {
            PutLE16(abBag, nGen);
            PutLE16(abBag, 0);
            ++nBag;
            std::vector<Sf2Gen> aGens = zone.aGens;
            if (zone.nTarget >= 0)
                aGens.push_back({nTargetGen, static_cast<std::uint16_t>(zone.nTarget)});
            for (const Sf2Gen& gen : aGens)
            {
                PutLE16(abGen, gen.nId);
                PutLE16(abGen, gen.nAmount);
                ++nGen;
            }
        }
    }
    aBagStart.push_back(nBag);
    PutLE16(abBag, nGen); // the terminal bag
    PutLE16(abBag, 0);
    PutLE32(abGen, 0); // the terminal generator
    const std::string str(szPrefix);
    Bytes ab = MakeChunk((str + "bag").c_str(), abBag);
    const Bytes abMod = MakeChunk((str + "mod").c_str(), Bytes(10, 0));
    ab.insert(ab.end(), abMod.begin(), abMod.end());
    const Bytes abGenChunk = MakeChunk((str + "gen").c_str(), abGen);
    ab.insert(ab.end(), abGenChunk.begin(), abGenChunk.end());
    return ab;
}

Bytes MakeHeaders(const Sf2Bank& bank, const std::vector<std::uint32_t>& aStarts)
{
    Bytes abPhdr, abInst, abShdr;
    std::vector<const std::vector<Sf2Zone>*> aPresetZones, aInstZones;
    for (const Sf2Preset& preset : bank.aPresets)
        aPresetZones.push_back(&preset.aZones);
    for (const Sf2Instrument& inst : bank.aInstruments)
        aInstZones.push_back(&inst.aZones);
    std::vector<std::uint16_t> aPresetBags, aInstBags;
    const Bytes abPZones = MakeZoneChunks("p", aPresetZones, 41, aPresetBags);
    const Bytes abIZones = MakeZoneChunks("i", aInstZones, 53, aInstBags);
    for (std::size_t n = 0; n <= bank.aPresets.size(); ++n)
    {
        const bool bEnd = n == bank.aPresets.size();
        PutName(abPhdr, bEnd ? "EOP" : bank.aPresets[n].strName);
        PutLE16(abPhdr, bEnd ? 0 : bank.aPresets[n].nProgram);
        PutLE16(abPhdr, bEnd ? 0 : bank.aPresets[n].nBank);
        PutLE16(abPhdr, aPresetBags[n]);
        abPhdr.resize(abPhdr.size() + 12, 0);
    }
    for (std::size_t n = 0; n <= bank.aInstruments.size(); ++n)
    {
        PutName(abInst, n == bank.aInstruments.size() ? "EOI" : bank.aInstruments[n].strName);
        PutLE16(abInst, aInstBags[n]);
    }
    for (std::size_t n = 0; n < bank.aSamples.size(); ++n)
    {
        const Sf2Sample& s = bank.aSamples[n];
        PutName(abShdr, s.strName);
        PutLE32(abShdr, aStarts[n]);
        PutLE32(abShdr, aStarts[n] + static_cast<std::uint32_t>(s.aWords.size()));
        PutLE32(abShdr, aStarts[n] + s.nLoopStart);
        PutLE32(abShdr, aStarts[n] + s.nLoopEnd);
        PutLE32(abShdr, s.nRate);
        abShdr.push_back(s.nPitch);
        abShdr.push_back(static_cast<std::uint8_t>(s.nCorrection));
        PutLE16(abShdr, s.nLink);
        PutLE16(abShdr, s.nType);
    }
    PutName(abShdr, "EOS");
    abShdr.resize(abShdr.size() + 26, 0);
    Bytes ab = MakeChunk("phdr", abPhdr);
    ab.insert(ab.end(), abPZones.begin(), abPZones.end());
    const Bytes abInstChunk = MakeChunk("inst", abInst);
    ab.insert(ab.end(), abInstChunk.begin(), abInstChunk.end());
    ab.insert(ab.end(), abIZones.begin(), abIZones.end());
    const Bytes abShdrChunk = MakeChunk("shdr", abShdr);
    ab.insert(ab.end(), abShdrChunk.begin(), abShdrChunk.end());
    return MakeList("pdta", ab);
}
} // namespace

Bytes MakeSf2(const Sf2Bank& bank)
{
    // Each sample is followed by 46 zero points, as banks keep them.
    Bytes abSmpl, abSm24;
    std::vector<std::uint32_t> aStarts;
    const bool b24 = std::any_of(bank.aSamples.begin(), bank.aSamples.end(),
                                 [](const Sf2Sample& s) { return !s.aLow.empty(); });
    for (const Sf2Sample& s : bank.aSamples)
    {
        aStarts.push_back(static_cast<std::uint32_t>(abSmpl.size() / 2));
        for (std::size_t n = 0; n < s.aWords.size() + 46; ++n)
        {
            const bool bPoint = n < s.aWords.size();
            PutLE16(abSmpl, bPoint ? static_cast<std::uint16_t>(s.aWords[n]) : 0);
            abSm24.push_back(bPoint && n < s.aLow.size() ? s.aLow[n] : 0);
        }
    }
    Bytes abInfo;
    PutTag(abInfo, "ifil");
    PutLE32(abInfo, 4);
    PutLE16(abInfo, 2);
    PutLE16(abInfo, b24 ? 4 : 1);
    const Bytes abIsng = MakeChunk("isng", Bytes{'E', 'M', 'U', '8', '0', '0', '0', 0});
    abInfo.insert(abInfo.end(), abIsng.begin(), abIsng.end());
    const Bytes abInam = MakeChunk("INAM", Bytes{'T', 'e', 's', 't', 0, 0});
    abInfo.insert(abInfo.end(), abInam.begin(), abInam.end());
    Bytes abSdta = MakeChunk("smpl", abSmpl);
    if (b24)
    {
        if (abSm24.size() % 2)
            abSm24.push_back(0);
        const Bytes abChunk = MakeChunk("sm24", abSm24);
        abSdta.insert(abSdta.end(), abChunk.begin(), abChunk.end());
    }
    Bytes abForm;
    PutTag(abForm, "sfbk");
    for (const Bytes& ab :
         {MakeList("INFO", abInfo), MakeList("sdta", abSdta), MakeHeaders(bank, aStarts)})
        abForm.insert(abForm.end(), ab.begin(), ab.end());
    return MakeChunk("RIFF", abForm);
}

std::vector<std::int16_t> Sf2Ramp(std::size_t nFrames, int nSeed)
{
    std::vector<std::int16_t> a(nFrames);
    for (std::size_t n = 0; n < nFrames; ++n)
        a[n] = static_cast<std::int16_t>(nSeed + 97 * static_cast<int>(n));
    return a;
}

} // namespace test
