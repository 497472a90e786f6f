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

void BuildWav16(const SWavOut& wav, std::vector<std::uint8_t>& ab)
{
    const auto nChannels = static_cast<std::uint16_t>(wav.nChannels);
    const auto nDataBytes = static_cast<std::uint32_t>(wav.nFrames * 2 * nChannels);
    const std::uint32_t nSmplBytes = 36 + (wav.bLoop ? 24 : 0);
    ab.clear();
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
    // One pass over the output, each word byte-swapped into its place: a
    // loop of a few instructions a word, with the buffer sized once.
    const std::size_t nAt = ab.size();
    ab.resize(nAt + nDataBytes);
    std::uint8_t* pOut = ab.data() + nAt;
    const std::uint8_t* pLeft = wav.apChannel[0];
    const std::uint8_t* pRight = wav.apChannel[1];
    if (nChannels == 1)
        for (std::size_t i = 0; i < 2 * wav.nFrames; i += 2)
        {
            pOut[i] = pLeft[i + 1];
            pOut[i + 1] = pLeft[i];
        }
    else
        for (std::size_t i = 0; i < 2 * wav.nFrames; i += 2, pOut += 4)
        {
            pOut[0] = pLeft[i + 1];
            pOut[1] = pLeft[i];
            pOut[2] = pRight[i + 1];
            pOut[3] = pRight[i];
        }
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
}
