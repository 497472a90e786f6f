#include "ExtractWav.h"

#include <string_view>

namespace
{

void Put32(std::vector<std::uint8_t>& ab, std::uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        ab.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
}

void Put16(std::vector<std::uint8_t>& ab, std::uint16_t n)
{
    ab.push_back(static_cast<std::uint8_t>(n));
    ab.push_back(static_cast<std::uint8_t>(n >> 8));
}

void PutTag(std::vector<std::uint8_t>& ab, std::string_view tag)
{
    ab.insert(ab.end(), tag.begin(), tag.end());
}

} // namespace

std::vector<std::uint8_t> BuildWav16(const SWavOut& wav)
{
    const auto nChannels = static_cast<std::uint16_t>(wav.nChannels);
    const auto nDataBytes = static_cast<std::uint32_t>(wav.anFrames.size() * 2);
    const std::uint32_t nSmplBytes = 36 + (wav.bLoop ? 24 : 0);
    std::vector<std::uint8_t> ab;
    ab.reserve(nDataBytes + 128);
    PutTag(ab, "RIFF");
    Put32(ab, 4 + 8 + 16 + 8 + nDataBytes + (nDataBytes & 1) + 8 + nSmplBytes);
    PutTag(ab, "WAVE");
    PutTag(ab, "fmt ");
    Put32(ab, 16);
    Put16(ab, 1); // PCM
    Put16(ab, nChannels);
    Put32(ab, wav.nRate);
    Put32(ab, wav.nRate * 2u * nChannels);
    Put16(ab, static_cast<std::uint16_t>(2 * nChannels));
    Put16(ab, 16);
    PutTag(ab, "data");
    Put32(ab, nDataBytes);
    for (const std::int16_t n : wav.anFrames)
        Put16(ab, static_cast<std::uint16_t>(n));
    if (nDataBytes & 1)
        ab.push_back(0);
    PutTag(ab, "smpl");
    Put32(ab, nSmplBytes);
    Put32(ab, 0); // manufacturer
    Put32(ab, 0); // product
    Put32(ab, wav.nRate != 0 ? 1000000000u / wav.nRate : 0);
    Put32(ab, static_cast<std::uint32_t>(wav.nRootNote));
    Put32(ab, 0); // pitch fraction
    Put32(ab, 0); // SMPTE format
    Put32(ab, 0); // SMPTE offset
    Put32(ab, wav.bLoop ? 1 : 0);
    Put32(ab, 0); // sampler data
    if (wav.bLoop)
    {
        Put32(ab, 0); // cue point ID
        Put32(ab, 0); // forward
        Put32(ab, wav.nLoopStart);
        Put32(ab, wav.nLoopEnd);
        Put32(ab, 0); // fraction
        Put32(ab, 0); // play forever
    }
    return ab;
}
