// Decoding an audio file into 16-bit words at the output rate: the plain
// WAV reader for 8/16-bit PCM, libsndfile for everything else, and libsoxr
// when the rate is lowered.
#include "AudioDecoder.h"

#include "ByteOrder.h"
#include "CFile.h"
#include "WavReader.h"

#ifndef DORVANE_NO_AUDIO_LIBS
#include "SndfileOpen.h"

#include <sndfile.h>
#include <soxr.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

namespace
{

#ifndef DORVANE_NO_AUDIO_LIBS
// How libsndfile's samples are taken: integers left-justified to 32 bits,
// or floats by one of sox's two rules.
enum class SampleKind
{
    Integer,
    Float32,
    Float64,
};

SampleKind KindOf(const SF_INFO& sfinfo)
{
    switch (sfinfo.format & SF_FORMAT_SUBMASK)
    {
    case SF_FORMAT_FLOAT:
        return SampleKind::Float32;
    case SF_FORMAT_DOUBLE:
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
        // Decoded as floats; read as integers they would be cut to 0 or 1.
        return SampleKind::Float64;
    default:
        return SampleKind::Integer;
    }
}

// Sample conversions; see CAudioDecoder in the header.

std::int32_t FromFloat32(double x)
{
    if (std::isnan(x))
        return 0;
    const double d = x * 2147483648.0;
    if (d >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (d <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(d); // cut toward zero
}

std::int32_t FromFloat64(double x)
{
    if (std::isnan(x))
        return 0;
    const double d = x * 2147483648.0;
    if (d >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (d <= -2147483648.5)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(d < 0 ? d - 0.5 : d + 0.5);
}

#endif // DORVANE_NO_AUDIO_LIBS

std::int16_t To16(std::int32_t s)
{
    // (s + 0x8000) >> 16 without the overflow: the high half plus the
    // rounding bit, 32767 where that reaches 32768. No branch, so that the
    // loops over it become vector instructions.
    const std::int32_t t = (s >> 16) + ((s >> 15) & 1);
    return static_cast<std::int16_t>(std::min(t, 32767));
}

#ifndef DORVANE_NO_AUDIO_LIBS

std::int16_t ResampledTo16(double y)
{
    if (std::isnan(y))
        return 0;
    const double d = std::round(y * 32768.0);
    return static_cast<std::int16_t>(std::clamp(d, -32768.0, 32767.0));
}
#endif // DORVANE_NO_AUDIO_LIBS

} // namespace

// ---------------------------------------------------------------------------
// Sources

class CAudioDecoder::CSource
{
  public:
    virtual ~CSource() = default;
    // Reads up to nFrames frames of 32-bit left-justified samples; returns
    // fewer only at the end of the data. Throws CFileException.
    virtual std::size_t Read(std::int32_t* pSamples, std::size_t nFrames) = 0;
    // Reads up to nFrames frames as 16-bit words (To16 of Read's samples);
    // returns fewer only at the end of the data. Throws CFileException.
    virtual std::size_t Read16(std::int16_t* pFrames, std::size_t nFrames);
    int m_nChannels = 1;
    int m_nRate = 0;
    std::uint64_t m_nFrames = 0; // frames the source holds
};

std::size_t CAudioDecoder::CSource::Read16(std::int16_t* pFrames, std::size_t nFrames)
{
    std::array<std::int32_t, kDecodeBlockFrames * 2> anBlock;
    const std::size_t nGot = Read(anBlock.data(), std::min(nFrames, kDecodeBlockFrames));
    for (std::size_t i = 0; i < nGot * static_cast<std::size_t>(m_nChannels); ++i)
        pFrames[i] = To16(anBlock[i]);
    return nGot;
}

namespace
{

// A plain 8/16-bit PCM WAV file's data chunk, read as the sample converter
// reads it: unsigned 8-bit b is (b - 128) << 24, signed 16-bit v is v << 16.
class CPlainSource : public CAudioDecoder::CSource
{
  public:
    CPlainSource(const std::string& strPath, const WAVINFO& header)
        : m_file(strPath, CFile::modeRead), m_b8Bit(header.nBitsPerSample == 8)
    {
        m_nChannels = header.nChannels;
        m_nRate = header.nSamplesPerSec;
        m_nFrameBytes = WavFrameBytes(header);
        m_nFrames = UsableDataBytes(header, m_file.GetLength()) / m_nFrameBytes;
        m_file.Seek(static_cast<std::uint32_t>(header.nDataOffset), CFile::begin);
    }

    std::size_t Read(std::int32_t* pSamples, std::size_t nFrames) override
    {
        nFrames = static_cast<std::size_t>(std::min<std::uint64_t>(nFrames, m_nFrames - m_nRead));
        nFrames = std::min(nFrames, kDecodeBlockFrames);
        const std::size_t nWant = nFrames * m_nFrameBytes;
        const std::size_t nGot = m_file.Read(m_abBlock.data(), nWant);
        if (nGot < nWant)
            throw CFileException(CFileException::endOfFile, m_file.GetFilePath());
        const std::size_t nSamples = nFrames * static_cast<std::size_t>(m_nChannels);
        for (std::size_t i = 0; i < nSamples; ++i)
            pSamples[i] =
                m_b8Bit ? static_cast<std::int32_t>(static_cast<std::uint32_t>(m_abBlock[i] ^ 0x80)
                                                    << 24)
                        : static_cast<std::int32_t>(
                              static_cast<std::uint32_t>(bo::LoadLE16(&m_abBlock[2 * i])) << 16);
        m_nRead += nFrames;
        return nFrames;
    }

  private:
    CFile m_file;
    bool m_b8Bit;
    std::size_t m_nFrameBytes = 1;
    std::uint64_t m_nRead = 0;
    std::array<std::uint8_t, kDecodeBlockFrames * 4> m_abBlock{};
};

#ifndef DORVANE_NO_AUDIO_LIBS

// One sample of raw 16/32-bit PCM data, left-justified to 32 bits, as
// libsndfile's integer reads give it.
template <int nBytes, bool bBigEndian> std::int32_t LoadPcm(const std::uint8_t* p)
{
    if constexpr (nBytes == 2)
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(bBigEndian ? bo::LoadBE16(p) : bo::LoadLE16(p)) << 16);
    else
        return static_cast<std::int32_t>(bBigEndian ? bo::LoadBE32(p) : bo::LoadLE32(p));
}

// Where the compiler can pick at run time among versions of a function
// built for several instruction sets (GCC's ifunc, on x86-64 Linux), the
// 24-bit conversion is also built for SSSE3 and AVX2: its three-byte
// samples become vector instructions only with byte shuffles, which the
// baseline instruction set lacks (about five times faster).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define DORVANE_VECTOR_CLONES __attribute__((target_clones("default", "ssse3", "avx2")))
#else
#define DORVANE_VECTOR_CLONES
#endif

// To16 worked out for 24-bit samples: the word is the top two bytes, plus
// the lowest byte's top bit unless the word is 32767 already. Written on
// single bytes so that the compiler can vectorize it.
template <bool bBigEndian>
inline void Pcm24To16(const std::uint8_t* __restrict pRaw, std::size_t nSamples,
                      std::int16_t* __restrict pOut)
{
    for (std::size_t i = 0; i < nSamples; ++i)
    {
        const std::uint8_t nLow = pRaw[3 * i + (bBigEndian ? 2 : 0)];
        const std::uint8_t nMid = pRaw[3 * i + 1];
        const std::uint8_t nTop = pRaw[3 * i + (bBigEndian ? 0 : 2)];
        const auto nWord = static_cast<std::uint16_t>(nMid | (nTop << 8));
        const auto nRound = static_cast<std::uint16_t>((nLow >> 7) & (nWord != 0x7FFF ? 1 : 0));
        pOut[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(nWord + nRound));
    }
}

DORVANE_VECTOR_CLONES void Le24To16(const std::uint8_t* pRaw, std::size_t nSamples,
                                    std::int16_t* pOut)
{
    Pcm24To16<false>(pRaw, nSamples, pOut);
}

DORVANE_VECTOR_CLONES void Be24To16(const std::uint8_t* pRaw, std::size_t nSamples,
                                    std::int16_t* pOut)
{
    Pcm24To16<true>(pRaw, nSamples, pOut);
}

// nSamples samples of raw 16/32-bit PCM data to 16-bit words.
template <int nBytes, bool bBigEndian>
void RawTo16(const std::uint8_t* __restrict pRaw, std::size_t nSamples,
             std::int16_t* __restrict pOut)
{
    for (std::size_t i = 0; i < nSamples; ++i)
        pOut[i] = To16(LoadPcm<nBytes, bBigEndian>(pRaw + nBytes * i));
}

class CLibrarySource : public CAudioDecoder::CSource
{
  public:
    explicit CLibrarySource(const std::string& strPath) : m_strPath(strPath)
    {
        SF_INFO sfinfo;
        m_pFile = OpenSndfile(strPath, sfinfo);
        if (!m_pFile || sfinfo.channels < 1 || sfinfo.channels > 2 || sfinfo.frames < 0)
            throw CFileException(CFileException::invalidFile, strPath);
        m_nChannels = sfinfo.channels;
        m_nRate = sfinfo.samplerate;
        m_nFrames = static_cast<std::uint64_t>(sfinfo.frames);
        m_kind = KindOf(sfinfo);
        SetRawLayout(sfinfo);
    }

    // Integer PCM in WAV and AIFF files is stored as it is read: its bytes
    // are taken from the data chunk and converted here, several times
    // faster than through libsndfile's own conversion (the same words).
    std::size_t Read16(std::int16_t* pFrames, std::size_t nFrames) override
    {
        if (m_pfnRawTo16 == nullptr)
            return CSource::Read16(pFrames, nFrames);
        nFrames = static_cast<std::size_t>(std::min<std::uint64_t>(nFrames, m_nFrames - m_nRead));
        nFrames = std::min(nFrames, kDecodeBlockFrames);
        if (nFrames == 0)
            return 0;
        const auto nSamples = nFrames * static_cast<std::size_t>(m_nChannels);
        const auto nWant = static_cast<sf_count_t>(nSamples * m_nRawBytes);
        if (sf_read_raw(m_pFile.get(), m_abRaw.data(), nWant) != nWant)
            throw CFileException(CFileException::endOfFile, m_strPath);
        m_pfnRawTo16(m_abRaw.data(), nSamples, pFrames);
        m_nRead += nFrames;
        return nFrames;
    }

    std::size_t Read(std::int32_t* pSamples, std::size_t nFrames) override
    {
        nFrames = static_cast<std::size_t>(std::min<std::uint64_t>(nFrames, m_nFrames - m_nRead));
        nFrames = std::min(nFrames, kDecodeBlockFrames);
        if (nFrames == 0)
            return 0;
        const auto nWant = static_cast<sf_count_t>(nFrames);
        sf_count_t nGot = 0;
        if (m_kind == SampleKind::Integer)
            nGot = sf_readf_int(m_pFile.get(), pSamples, nWant);
        else
        {
            nGot = sf_readf_double(m_pFile.get(), m_adBlock.data(), nWant);
            const std::size_t nSamples =
                static_cast<std::size_t>(std::max<sf_count_t>(nGot, 0)) * m_nChannels;
            for (std::size_t i = 0; i < nSamples; ++i)
                pSamples[i] = m_kind == SampleKind::Float32 ? FromFloat32(m_adBlock[i])
                                                            : FromFloat64(m_adBlock[i]);
        }
        if (nGot != nWant)
            throw CFileException(CFileException::endOfFile, m_strPath);
        m_nRead += nFrames;
        return nFrames;
    }

  private:
    // Raw reading for 16/24/32-bit integer PCM in WAV and AIFF (AIFC)
    // files; their byte order is the one libsndfile reports for the data.
    void SetRawLayout(const SF_INFO& sfinfo)
    {
        const int nMajor = sfinfo.format & SF_FORMAT_TYPEMASK;
        if (nMajor != SF_FORMAT_WAV && nMajor != SF_FORMAT_WAVEX && nMajor != SF_FORMAT_AIFF)
            return;
        const bool bSwap =
            sf_command(m_pFile.get(), SFC_RAW_DATA_NEEDS_ENDSWAP, nullptr, 0) == SF_TRUE;
        const bool bBig = bSwap != (std::endian::native == std::endian::big);
        switch (sfinfo.format & SF_FORMAT_SUBMASK)
        {
        case SF_FORMAT_PCM_16:
            m_nRawBytes = 2;
            m_pfnRawTo16 = bBig ? RawTo16<2, true> : RawTo16<2, false>;
            break;
        case SF_FORMAT_PCM_24:
            m_nRawBytes = 3;
            m_pfnRawTo16 = bBig ? Be24To16 : Le24To16;
            break;
        case SF_FORMAT_PCM_32:
            m_nRawBytes = 4;
            m_pfnRawTo16 = bBig ? RawTo16<4, true> : RawTo16<4, false>;
            break;
        default:
            return;
        }
        m_abRaw.resize(kDecodeBlockFrames * 2 * m_nRawBytes);
    }

    std::string m_strPath;
    CSndfileHandle m_pFile;
    SampleKind m_kind = SampleKind::Integer;
    std::uint64_t m_nRead = 0;
    std::array<double, kDecodeBlockFrames * 2> m_adBlock{};
    // The raw sample's bytes and conversion; none: read through libsndfile.
    std::size_t m_nRawBytes = 0;
    void (*m_pfnRawTo16)(const std::uint8_t*, std::size_t, std::int16_t*) = nullptr;
    std::vector<std::uint8_t> m_abRaw;
};
#endif // DORVANE_NO_AUDIO_LIBS

} // namespace

// ---------------------------------------------------------------------------
// Resampler

#ifdef DORVANE_NO_AUDIO_LIBS
struct CAudioDecoder::CResampler
{
};
#else
struct CAudioDecoder::CResampler
{
    struct CCloser
    {
        void operator()(soxr* p) const { soxr_delete(p); }
    };
    std::unique_ptr<soxr, CCloser> m_pSoxr;
    std::vector<std::int32_t> m_anIn;
    std::vector<double> m_adIn;
    std::size_t m_nInPos = 0, m_nInCount = 0; // frames of m_adIn pending
    std::vector<double> m_adOut;
    bool m_bInputEnded = false;
    bool m_bDrained = false;
};
#endif

CAudioDecoder::CAudioDecoder(const std::string& strPath, const WAVINFO& info,
                             const CAudioOptions& options, Source source)
    : m_strPath(strPath), m_nFrames(info.nFrames)
{
    if (source == Source::Auto)
    {
        WAVINFO header;
        if (ReadWavHeader(strPath, header).IsOk())
            m_pSource = std::make_unique<CPlainSource>(strPath, header);
    }
#ifdef DORVANE_NO_AUDIO_LIBS
    if (!m_pSource || NeedsResampling(m_pSource->m_nRate, options))
        throw CFileException(CFileException::invalidFile, strPath);
#else
    if (!m_pSource)
        m_pSource = std::make_unique<CLibrarySource>(strPath);
#endif
    m_nChannels = m_pSource->m_nChannels;
    // The file must still be the one its header described: its channels,
    // and the frames and rate it gives now.
    const int nOutRate =
        NeedsResampling(m_pSource->m_nRate, options) ? options.nMaxRate : m_pSource->m_nRate;
    const std::uint64_t nFramesNow =
        std::min(ResampledFrames(m_pSource->m_nFrames, m_pSource->m_nRate, nOutRate),
                 MaxDecodedFrames(m_nChannels));
    if (info.nChannels != 0 && (m_nChannels != info.nChannels || nOutRate != info.nSamplesPerSec ||
                                (info.nFrames != 0 && nFramesNow != info.nFrames)))
        throw CFileException(CFileException::fileChanged, CFile::FullPath(strPath));

#ifndef DORVANE_NO_AUDIO_LIBS
    if (!NeedsResampling(m_pSource->m_nRate, options))
        return;
    m_pResampler = std::make_unique<CResampler>();
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    m_pResampler->m_pSoxr.reset(soxr_create(m_pSource->m_nRate, options.nMaxRate,
                                            static_cast<unsigned>(m_nChannels), &error, &io,
                                            &quality, &runtime));
    if (error != nullptr || !m_pResampler->m_pSoxr)
        throw CFileException(CFileException::genericException, strPath);
    m_pResampler->m_anIn.resize(kDecodeBlockFrames * m_nChannels);
    m_pResampler->m_adIn.resize(kDecodeBlockFrames * m_nChannels);
    m_pResampler->m_adOut.resize(kDecodeBlockFrames * m_nChannels);
#endif
}

CAudioDecoder::~CAudioDecoder() = default;

std::size_t CAudioDecoder::Read(std::int16_t* pFrames, std::size_t nMaxFrames)
{
    const std::size_t nFrames = std::min({nMaxFrames, kDecodeBlockFrames,
                                          static_cast<std::size_t>(std::min<std::uint64_t>(
                                              m_nFrames - m_nDone, kDecodeBlockFrames))});
    if (nFrames == 0)
        return 0;
    const std::size_t nGot =
        m_pResampler ? ReadResampled(pFrames, nFrames) : ReadDirect(pFrames, nFrames);
    m_nDone += nGot;
    return nGot;
}

std::size_t CAudioDecoder::ReadDirect(std::int16_t* pFrames, std::size_t nFrames)
{
    const std::size_t nGot = m_pSource->Read16(pFrames, nFrames);
    if (nGot < nFrames)
        throw CFileException(CFileException::endOfFile, m_strPath);
    return nGot;
}

std::size_t CAudioDecoder::ReadResampled(std::int16_t* pFrames, std::size_t nFrames)
{
#ifdef DORVANE_NO_AUDIO_LIBS
    (void)pFrames;
    (void)nFrames;
    throw CFileException(CFileException::genericException, m_strPath); // never made
#else
    CResampler& r = *m_pResampler;
    const auto nChannels = static_cast<std::size_t>(m_nChannels);
    std::size_t nOut = 0;
    while (nOut < nFrames && !r.m_bDrained)
    {
        if (!r.m_bInputEnded && r.m_nInPos == r.m_nInCount)
        {
            const std::size_t nGot = m_pSource->Read(r.m_anIn.data(), kDecodeBlockFrames);
            for (std::size_t i = 0; i < nGot * nChannels; ++i)
                r.m_adIn[i] = r.m_anIn[i] / 2147483648.0;
            r.m_nInPos = 0;
            r.m_nInCount = nGot;
            r.m_bInputEnded = nGot == 0;
        }
        std::size_t nUsed = 0, nMade = 0;
        const soxr_error_t error = soxr_process(
            r.m_pSoxr.get(), r.m_bInputEnded ? nullptr : &r.m_adIn[r.m_nInPos * nChannels],
            r.m_bInputEnded ? 0 : r.m_nInCount - r.m_nInPos, &nUsed, r.m_adOut.data(),
            nFrames - nOut, &nMade);
        if (error != nullptr)
            throw CFileException(CFileException::genericException, m_strPath);
        r.m_nInPos += nUsed;
        for (std::size_t i = 0; i < nMade * nChannels; ++i)
            pFrames[nOut * nChannels + i] = ResampledTo16(r.m_adOut[i]);
        nOut += nMade;
        if (r.m_bInputEnded && nMade == 0)
            r.m_bDrained = true;
    }
    // The resampler may give a frame less than the entry's count: silence.
    std::fill(pFrames + nOut * nChannels, pFrames + nFrames * nChannels, std::int16_t{0});
    return nFrames;
#endif
}
