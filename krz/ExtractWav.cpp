#include "ExtractWav.h"

#include "ByteOrder.h"

#include <cstring>
#include <string_view>

namespace
{

// Writes little-endian fields one after another from a place in a buffer
// that is already large enough.
class CFieldWriter
{
  public:
    explicit CFieldWriter(std::uint8_t* p) : m_p(p) {}
    void Put32(std::uint32_t n)
    {
        bo::StoreLE32(m_p, n);
        m_p += 4;
    }
    void Put16(std::uint16_t n)
    {
        bo::StoreLE16(m_p, n);
        m_p += 2;
    }
    void PutTag(std::string_view tag)
    {
        std::memcpy(m_p, tag.data(), tag.size());
        m_p += tag.size();
    }
    // Skips n bytes that are written elsewhere.
    void Skip(std::size_t n) { m_p += n; }

  private:
    std::uint8_t* m_p;
};

// The two bytes at p, exchanged (on any host: the word is loaded and
// stored in the host's order and rotated by a byte).
std::uint16_t Exchanged(const std::uint8_t* p)
{
    std::uint16_t n = 0;
    std::memcpy(&n, p, 2);
    return static_cast<std::uint16_t>(n << 8 | n >> 8);
}

// nFrames big-endian words from pLeft (and pRight, interleaved, when not
// nullptr) into pOut as little-endian words. Whole words, a local count
// and indexes by frame let the compiler (this file is built at -O3) turn
// the loops into shifts and unpacks of vector registers; byte by byte,
// the vector code it made took three times the time of plain code.
void SwapWords(std::uint8_t* pOut, const std::uint8_t* pLeft, const std::uint8_t* pRight,
               std::size_t nFrames)
{
    if (pRight == nullptr)
        for (std::size_t i = 0; i < nFrames; ++i)
        {
            const std::uint16_t n = Exchanged(pLeft + 2 * i);
            std::memcpy(pOut + 2 * i, &n, 2);
        }
    else
        for (std::size_t i = 0; i < nFrames; ++i)
        {
            const std::uint16_t nLeft = Exchanged(pLeft + 2 * i);
            const std::uint16_t nRight = Exchanged(pRight + 2 * i);
            std::memcpy(pOut + 4 * i, &nLeft, 2);
            std::memcpy(pOut + 4 * i + 2, &nRight, 2);
        }
}

} // namespace

void BuildWav16(const SWavOut& wav, std::vector<std::uint8_t>& ab)
{
    const auto nChannels = static_cast<std::uint16_t>(wav.nChannels);
    const auto nDataBytes = static_cast<std::uint32_t>(wav.nFrames * 2 * nChannels);
    const std::uint32_t nSmplBytes = 36 + (wav.bLoop ? 24 : 0);
    constexpr std::size_t kHeaderBytes = 44; // RIFF, WAVE, "fmt " and the data chunk's head
    // Every byte is written below: resizing without a clear zeroes only
    // the bytes past what ab held (a clear zeroed each file's data before
    // it was written over, for every file of an extraction).
    ab.resize(kHeaderBytes + nDataBytes + 8 + nSmplBytes);
    CFieldWriter out(ab.data());
    out.PutTag("RIFF");
    out.Put32(4 + 8 + 16 + 8 + nDataBytes + (nDataBytes & 1) + 8 + nSmplBytes);
    out.PutTag("WAVE");
    out.PutTag("fmt ");
    out.Put32(16);
    out.Put16(1); // PCM
    out.Put16(nChannels);
    out.Put32(wav.nRate);
    out.Put32(wav.nRate * 2u * nChannels);
    out.Put16(static_cast<std::uint16_t>(2 * nChannels));
    out.Put16(16);
    out.PutTag("data");
    out.Put32(nDataBytes);
    SwapWords(ab.data() + kHeaderBytes, wav.apChannel[0],
              nChannels == 1 ? nullptr : wav.apChannel[1], wav.nFrames);
    out.Skip(nDataBytes);
    out.PutTag("smpl");
    out.Put32(nSmplBytes);
    out.Put32(0); // manufacturer
    out.Put32(0); // product
    out.Put32(wav.nRate != 0 ? 1000000000u / wav.nRate : 0);
    out.Put32(static_cast<std::uint32_t>(wav.nRootNote));
    out.Put32(0); // pitch fraction
    out.Put32(0); // SMPTE format
    out.Put32(0); // SMPTE offset
    out.Put32(wav.bLoop ? 1 : 0);
    out.Put32(0); // sampler data
    if (wav.bLoop)
    {
        out.Put32(0); // cue point ID
        out.Put32(0); // forward
        out.Put32(wav.nLoopStart);
        out.Put32(wav.nLoopEnd);
        out.Put32(0); // fraction
        out.Put32(0); // play forever
    }
}
