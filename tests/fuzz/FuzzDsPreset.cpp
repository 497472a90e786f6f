// The "dspreset" target: a DecentSampler preset read into an instrument.
#include "DsPresetReader.h"
#include "FuzzTargets.h"
#include "TestSupport.h"

#include <cmath>
#include <filesystem>

namespace
{

void Check(bool bCondition, const std::string& strWhat)
{
    if (!bCondition)
        throw fuzz::CFuzzFailure("dspreset: " + strWhat);
}

bool StartsWith(const std::string& str, const std::string& strPrefix)
{
    return str.rfind(strPrefix, 0) == 0;
}

// The samples the seeds name ("s.wav", "Samples/t.wav"), made once.
void MakeSamples()
{
    static bool s_bMade = false;
    if (s_bMade)
        return;
    test::WavSpec spec;
    spec.abData = test::RampData(200);
    std::filesystem::create_directories(fuzz::ScratchDir() + "/Samples");
    for (const char* szName : {"/s.wav", "/Samples/t.wav"})
        test::WriteFileBytes(fuzz::ScratchDir() + szName, test::MakeWav(spec));
    s_bMade = true;
}

void CheckZone(const CZone& z)
{
    Check(0 <= z.nLoKey && z.nLoKey <= z.nHiKey && z.nHiKey <= 127, "key range");
    Check(0 <= z.nLoVel && z.nLoVel <= z.nHiVel && z.nHiVel <= 127, "velocity range");
    Check(0 <= z.nRootKey && z.nRootKey <= 127, "root key");
    Check(std::isfinite(z.dTuneCents) && std::isfinite(z.dGainDb), "tuning or gain");
    Check(z.audio.nStartFrame >= 0, "start frame");
    Check(z.audio.nEndFrame == -1 || z.audio.nEndFrame > z.audio.nStartFrame, "end frame");
    if (z.loop.bOn)
        Check(
            0 <= z.loop.nStart && z.loop.nStart <= z.loop.nEnd &&
                (z.audio.nEndFrame == -1 || z.loop.nEnd < z.audio.nEndFrame - z.audio.nStartFrame),
            "loop within the zone's frames");
    std::error_code ec;
    Check(std::filesystem::is_regular_file(z.audio.strPath, ec), "a zone's file exists");
}

} // namespace

namespace fuzz
{

int FuzzDsPreset(const std::uint8_t* pData, std::size_t nSize)
{
    MakeSamples();
    const std::string strPath = ScratchDir() + "/fuzz.dspreset";
    test::WriteFileBytes(strPath, test::Bytes(pData, pData + nSize));
    const CInstrumentSet set = ReadDsPresetFile(strPath);
    if (!set.strRefusal.empty())
    {
        Check(set.aInstruments.empty(), "a refusal with an instrument");
        Check(StartsWith(set.strRefusal, strPath + ": "), "the refusal names the file");
        return 0;
    }
    Check(set.aInstruments.size() == 1, "one instrument");
    Check(set.aInstruments[0].strName == "fuzz", "named after the file");
    for (const std::string& strNote : set.aNotes)
        Check(StartsWith(strNote, strPath + ": "), "a note names the file");
    for (const CZone& zone : set.aInstruments[0].aZones)
        CheckZone(zone);
    return 0;
}

} // namespace fuzz
