#include "SampleConverter.h"

#include "AudioDecoder.h"
#include "ByteOrder.h"
#include "CFile.h"
#include "CFileException.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace
{

// Input block size: a multiple of every frame size (1, 2, 4 bytes). Chosen
// by measurement on 100 stereo files of 2 MB: a build took 3.2 times as long
// as cat with 64 KiB blocks, 2.5 times with 256 KiB and no less with 1 MiB.
// The buffers below (1 MiB in all) are the conversion's whole memory.
constexpr std::size_t kBlock = 256 * 1024;

// The four conversions of one block. Plain index loops over restrict
// pointers, so that the compiler turns them into vector shuffles; each
// returns the bytes written to each output. Byte moves only: the result is
// the same whatever the byte order of the machine.

// 16-bit mono: (low, high) -> (high, low).
std::size_t SwapPairs(const std::uint8_t* __restrict pIn, std::uint8_t* __restrict pOut,
                      std::size_t nWords)
{
    for (std::size_t i = 0; i < nWords; ++i)
    {
        pOut[2 * i] = pIn[2 * i + 1];
        pOut[2 * i + 1] = pIn[2 * i];
    }
    return 2 * nWords;
}

// 8-bit mono: unsigned b -> the word (b XOR 0x80, 0).
std::size_t Widen8(const std::uint8_t* __restrict pIn, std::uint8_t* __restrict pOut,
                   std::size_t nSamples)
{
    for (std::size_t i = 0; i < nSamples; ++i)
    {
        pOut[2 * i] = static_cast<std::uint8_t>(pIn[i] ^ 0x80);
        pOut[2 * i + 1] = 0;
    }
    return 2 * nSamples;
}

// 16-bit stereo: frames (Llo, Lhi, Rlo, Rhi) -> left (Lhi, Llo), right (Rhi, Rlo).
std::size_t SplitSwapPairs(const std::uint8_t* __restrict pIn, std::uint8_t* __restrict pLeft,
                           std::uint8_t* __restrict pRight, std::size_t nFrames)
{
    for (std::size_t i = 0; i < nFrames; ++i)
    {
        pLeft[2 * i] = pIn[4 * i + 1];
        pLeft[2 * i + 1] = pIn[4 * i];
        pRight[2 * i] = pIn[4 * i + 3];
        pRight[2 * i + 1] = pIn[4 * i + 2];
    }
    return 2 * nFrames;
}

// 8-bit stereo: frames (L, R) -> left (L XOR 0x80, 0), right (R XOR 0x80, 0).
std::size_t SplitWiden8(const std::uint8_t* __restrict pIn, std::uint8_t* __restrict pLeft,
                        std::uint8_t* __restrict pRight, std::size_t nFrames)
{
    for (std::size_t i = 0; i < nFrames; ++i)
    {
        pLeft[2 * i] = static_cast<std::uint8_t>(pIn[2 * i] ^ 0x80);
        pLeft[2 * i + 1] = 0;
        pRight[2 * i] = static_cast<std::uint8_t>(pIn[2 * i + 1] ^ 0x80);
        pRight[2 * i + 1] = 0;
    }
    return 2 * nFrames;
}

struct CWorkBuffers
{
    std::array<std::uint8_t, kBlock> abIn;
    std::array<std::uint8_t, 2 * kBlock> abLeft; // 8-bit mono doubles the block
    std::array<std::uint8_t, kBlock> abRight;
};

// Writes one block of converted words at their places: a stereo entry's
// left channel at nLeftAt and its right one at nRightAt (pRight not null),
// a mono entry's words where the output stands (its run is written in
// order); both positions move on by nBytes.
void WriteChannels(CFile& out, const std::uint8_t* pLeft, const std::uint8_t* pRight,
                   std::size_t nBytes, std::uint64_t& nLeftAt, std::uint64_t& nRightAt)
{
    if (pRight != nullptr)
    {
        out.Seek(static_cast<std::int64_t>(nLeftAt), CFile::begin);
        out.Write(pLeft, nBytes);
        out.Seek(static_cast<std::int64_t>(nRightAt), CFile::begin);
        out.Write(pRight, nBytes);
        nRightAt += nBytes;
    }
    else
        out.Write(pLeft, nBytes);
    nLeftAt += nBytes;
}

} // namespace

std::uint64_t ChannelBytes(const WAVINFO& info, std::uint64_t nUsableBytes)
{
    const bool bMono = info.nChannels == 1;
    const bool b8Bit = info.nBitsPerSample == 8;
    if (bMono)
        return b8Bit ? 2 * nUsableBytes : nUsableBytes;
    return b8Bit ? 2 * (nUsableBytes / 2) : nUsableBytes / 2;
}

void ConvertSampleData(CFile& wav, const WAVINFO& info, std::uint64_t nUsableBytes, CFile& out,
                       std::uint64_t nLeftPos, const std::function<void(std::uint64_t)>& fnWritten)
{
    const bool bMono = info.nChannels == 1;
    const bool b8Bit = info.nBitsPerSample == 8;
    // No data chunk holds more; a larger count is a caller's mistake, and
    // refusing it keeps the output lengths within what the sample headers
    // can describe.
    if (nUsableBytes > kMaxWavDataBytes)
        throw CFileException(CFileException::invalidFile, wav.GetFilePath());

    // One set of buffers per thread for the life of the process: a build
    // converts up to 100 entries, and allocating per entry showed up in its
    // system time.
    static thread_local const auto s_pBuffers = std::make_unique<CWorkBuffers>();
    auto& abIn = s_pBuffers->abIn;
    auto& abLeft = s_pBuffers->abLeft;
    auto& abRight = s_pBuffers->abRight;

    // Each channel goes straight to its place: the right channel's words
    // follow the whole left channel, so a stereo block is written in two
    // places. A mono entry is written in one run.
    std::uint64_t nLeftAt = nLeftPos;
    std::uint64_t nRightAt = nLeftPos + ChannelBytes(info, nUsableBytes);
    out.Seek(static_cast<std::int64_t>(nLeftAt), CFile::begin);

    wav.Seek(static_cast<std::uint32_t>(info.nDataOffset), CFile::begin);
    std::uint64_t nLeft = nUsableBytes;
    while (nLeft > 0)
    {
        const std::size_t nWant = static_cast<std::size_t>(std::min<std::uint64_t>(nLeft, kBlock));
        const std::size_t nGot = wav.Read(abIn.data(), nWant);
        if (nGot < nWant) // the file shrank since its size was taken
            throw CFileException(CFileException::endOfFile, wav.GetFilePath());
        nLeft -= nGot;

        std::size_t nBytes = 0;
        if (bMono && !b8Bit)
            nBytes = SwapPairs(abIn.data(), abLeft.data(), nGot / 2);
        else if (bMono)
            nBytes = Widen8(abIn.data(), abLeft.data(), nGot);
        else if (!b8Bit)
            nBytes = SplitSwapPairs(abIn.data(), abLeft.data(), abRight.data(), nGot / 4);
        else
            nBytes = SplitWiden8(abIn.data(), abLeft.data(), abRight.data(), nGot / 2);
        WriteChannels(out, abLeft.data(), bMono ? nullptr : abRight.data(), nBytes, nLeftAt,
                      nRightAt);
        if (fnWritten)
            fnWritten(bMono ? nBytes : 2 * nBytes);
    }
}

void ConvertDecodedData(const std::string& strPath, const WAVINFO& info, const CAudioOptions& audio,
                        std::uint64_t nFrames, CFile& out, std::uint64_t nLeftPos,
                        const std::function<void(std::uint64_t)>& fnWritten)
{
    // Frames gathered from the decoder before each pair of writes: small
    // writes in two places of the output cost more than the decoding.
    constexpr std::size_t kFrames = kBlock / 4;
    const bool bMono = info.nChannels == 1;
    const std::size_t nChannels = bMono ? 1 : 2;
    static thread_local std::vector<std::int16_t> s_anFrames(kFrames * 2);
    static thread_local const auto s_pBuffers = std::make_unique<CWorkBuffers>();
    std::uint8_t* pLeft = s_pBuffers->abLeft.data();
    std::uint8_t* pRight = s_pBuffers->abRight.data();
    CAudioDecoder decoder(strPath, info, audio);
    std::uint64_t nLeftAt = nLeftPos;
    std::uint64_t nRightAt = nLeftPos + 2 * nFrames;
    out.Seek(static_cast<std::int64_t>(nLeftAt), CFile::begin);
    std::uint64_t nLeft = nFrames;
    while (nLeft > 0)
    {
        const std::size_t nWant = static_cast<std::size_t>(std::min<std::uint64_t>(nLeft, kFrames));
        std::size_t nGot = 0;
        while (nGot < nWant)
        {
            const std::size_t n = decoder.Read(s_anFrames.data() + nGot * nChannels, nWant - nGot);
            if (n == 0)
                throw CFileException(CFileException::endOfFile, CFile::FullPath(strPath));
            nGot += n;
        }
        // Two plain loops rather than one with a test inside: the compiler
        // turns them into vector shuffles.
        const std::int16_t* pIn = s_anFrames.data();
        if (bMono)
            for (std::size_t i = 0; i < nGot; ++i)
                bo::StoreBE16(pLeft + 2 * i, static_cast<std::uint16_t>(pIn[i]));
        else
            for (std::size_t i = 0; i < nGot; ++i)
            {
                bo::StoreBE16(pLeft + 2 * i, static_cast<std::uint16_t>(pIn[2 * i]));
                bo::StoreBE16(pRight + 2 * i, static_cast<std::uint16_t>(pIn[2 * i + 1]));
            }
        WriteChannels(out, pLeft, bMono ? nullptr : pRight, 2 * nGot, nLeftAt, nRightAt);
        nLeft -= nGot;
        if (fnWritten)
            fnWritten(2 * nChannels * nGot);
    }
}
