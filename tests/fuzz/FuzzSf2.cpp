// The "sf2" target: a SoundFont 2 bank read into instruments.
#include "FuzzTargets.h"
#include "Sf2Reader.h"
#include "TestSupport.h"

#include <cmath>

namespace
{

void Check(bool bCondition, const std::string& strWhat)
{
    if (!bCondition)
        throw fuzz::CFuzzFailure("sf2: " + strWhat);
}

bool StartsWith(const std::string& str, const std::string& strPrefix)
{
    return str.rfind(strPrefix, 0) == 0;
}

void CheckZone(const CZone& z)
{
    Check(0 <= z.nLoKey && z.nLoKey <= z.nHiKey && z.nHiKey <= 127, "key range");
    Check(0 <= z.nLoVel && z.nLoVel <= z.nHiVel && z.nHiVel <= 127, "velocity range");
    Check(0 <= z.nRootKey && z.nRootKey <= 127, "root key");
    Check(std::isfinite(z.dTuneCents) && std::isfinite(z.dGainDb), "tuning or gain");
    const CZoneAudio& a = z.audio;
    Check(a.strPath.empty() && a.pData, "words in memory");
    Check(a.nChannels == 1 || a.nChannels == 2, "channels");
    Check(a.nRate > 0, "a sample rate");
    const auto nFrames = static_cast<std::int64_t>(a.pData->size()) / a.nChannels;
    Check(0 <= a.nStartFrame && a.nStartFrame < a.nEndFrame && a.nEndFrame <= nFrames,
          "frames within the data");
    if (z.loop.bOn)
        Check(0 <= z.loop.nStart && z.loop.nStart <= z.loop.nEnd &&
                  z.loop.nEnd < a.nEndFrame - a.nStartFrame,
              "loop within the zone's frames");
}

} // namespace

namespace fuzz
{

int FuzzSf2Bank(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string strPath = ScratchDir() + "/fuzz.sf2";
    test::WriteFileBytes(strPath, test::Bytes(pData, pData + nSize));
    const CInstrumentSet set = ReadSf2File(strPath);
    Check(set.strRefusal.empty() != set.aInstruments.empty(), "a refusal or instruments");
    Check(set.strRefusal.empty() || StartsWith(set.strRefusal, strPath + ": "),
          "the refusal names the file");
    for (const std::string& strNote : set.aNotes)
        Check(StartsWith(strNote, strPath + ": "), "a note names the file");
    for (const CInstrument& instrument : set.aInstruments)
    {
        Check(!instrument.aZones.empty(), "an instrument has zones");
        for (const CZone& zone : instrument.aZones)
            CheckZone(zone);
    }
    return 0;
}

} // namespace fuzz
