#include "SampleRateCheck.h"

#include "KrzFormat.h"
#include "RootKey.h"
#include "WavReader.h"

#include <algorithm>
#include <cstdint>
#include <limits>

std::string UnwritableRateMessage(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo)
{
    const int nCount = std::clamp(doc.m_nCount, 0, MAX_POOL);
    for (int i = 0; i < nCount; ++i)
    {
        const WAVINFO& info = aWavInfo[i];
        if (!info.bValid)
            continue;
        const CWPoolObj& entry = doc.m_aPool[i];
        const std::string strHead = "Error in file: " + entry.FilePath() + "\n";
        // The rate field holds 32 bits; a negative value is a rate above 2^31.
        const auto nRate = static_cast<std::uint32_t>(info.nSamplesPerSec);
        if (const std::string strRate = SampleRateRefusal(nRate); !strRate.empty())
            return strHead + strRate;
        const std::int64_t nPitch = KrzPitch(entry.m_nRootKey, nRate);
        if (nPitch < std::numeric_limits<std::int16_t>::min() ||
            nPitch > std::numeric_limits<std::int16_t>::max())
            return strHead + "The sample rate " + std::to_string(nRate) +
                   " Hz cannot be written with root key " + RootKeyText(entry.m_nRootKey) +
                   ": its pitch, " + std::to_string(nPitch) +
                   " cents, does not fit the sample header's signed 16 bits.";
    }
    return {};
}
