// The audio-input reader and decoder: files made by sox at test time
// (24-bit, 32-bit, float, extensible, AIFF, AIFC, FLAC) decoded and compared
// with sox's own conversion, floats written byte by byte, the refusals and
// their messages, resampling, and the loop and root key taken from a file.
#include "AudioInput.h"
#include "AudioDecoder.h"
#include "ByteOrder.h"
#include "CFileException.h"
#include "FileMetadata.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

namespace
{

using test::Bytes;

const std::string kFixtures = DORVANE_FIXTURES;

void Shell(const std::string& strCommand)
{
    ASSERT_EQ(std::system(strCommand.c_str()), 0) << strCommand;
}

// sox -R (fixed seed), no dither: a sine mixed with white noise, so that
// every sample has its own low bits.
void MakeWithSox(const std::string& strPath, int nRate, int nChannels, int nFrames,
                 const std::string& strFormat)
{
    Shell("sox -R -D -r " + std::to_string(nRate) + " -c " + std::to_string(nChannels) + " -n " +
          strFormat + " '" + strPath + "' synth " + std::to_string(nFrames) +
          "s whitenoise vol 0.9 2>/dev/null");
}

// sox's own 16-bit conversion of a file: little-endian signed words.
std::vector<std::int16_t> SoxWords(const std::string& strIn, const std::string& strRaw)
{
    Shell("sox -D '" + strIn + "' -b 16 -e signed -L -t raw '" + strRaw + "' 2>/dev/null");
    const Bytes ab = test::ReadFileBytes(strRaw);
    std::vector<std::int16_t> an(ab.size() / 2);
    for (std::size_t i = 0; i < an.size(); ++i)
        an[i] = static_cast<std::int16_t>(bo::LoadLE16(&ab[2 * i]));
    return an;
}

std::vector<std::int16_t> Decode(const std::string& strPath, const WAVINFO& info,
                                 const CAudioOptions& options,
                                 CAudioDecoder::Source source = CAudioDecoder::Source::Auto)
{
    CAudioDecoder decoder(strPath, info, options, source);
    std::vector<std::int16_t> an;
    std::vector<std::int16_t> anBlock(1000 * 2);
    // An odd block size, so that reads do not line up with the decoder's.
    while (const std::size_t n = decoder.Read(anBlock.data(), 1000))
        an.insert(an.end(), anBlock.begin(),
                  anBlock.begin() + static_cast<std::ptrdiff_t>(n * info.nChannels));
    return an;
}

struct CRead
{
    bool bValid = false;
    WAVINFO info;
    std::vector<std::string> aMessages;
};

CRead Read(const std::string& strPath, const CAudioOptions& options)
{
    CRead r;
    test::CRecordingFeedback feedback;
    r.bValid = ShowAsMessages(ReadAudioHeader(strPath, r.info, options), feedback);
    EXPECT_EQ(r.bValid, r.info.bValid);
    for (const auto& m : feedback.m_aMessages)
    {
        EXPECT_EQ(m.strCaption, kWavInfoCaption);
        EXPECT_EQ(m.icon, MessageIcon::None);
        r.aMessages.push_back(m.strText);
    }
    return r;
}

CAudioOptions Convert(int nMaxRate = 0, bool bMetadata = false)
{
    CAudioOptions options;
    options.bConvert = true;
    options.nMaxRate = nMaxRate;
    options.bFileMetadata = bMetadata;
    return options;
}

// A float WAV file (format tag 3) of the given values, 32 or 64 bits.
Bytes FloatWav(const std::vector<double>& adValues, int nBits)
{
    test::WavSpec spec;
    spec.nFormatTag = 3;
    spec.nBits = static_cast<std::uint16_t>(nBits);
    spec.nRate = 8000;
    for (const double d : adValues)
    {
        std::uint8_t ab[8];
        const float f = static_cast<float>(d);
        if (nBits == 32)
            std::memcpy(ab, &f, 4);
        else
            std::memcpy(ab, &d, 8);
        spec.abData.insert(spec.abData.end(), ab, ab + nBits / 8);
    }
    return test::MakeWav(spec);
}

// ---------------------------------------------------------------------------
// Conversion against sox

struct SoxCase
{
    const char* szName;
    const char* szExtension;
    int nChannels;
    const char* szFormat; // sox's output options
    const char* szType;   // the start of the Type line
};

void PrintTo(const SoxCase& c, std::ostream* pOut)
{
    *pOut << c.szName;
}

class SoxConversion : public testing::TestWithParam<SoxCase>
{
};

TEST_P(SoxConversion, WordsEqualSoxWithoutDither)
{
    const SoxCase& c = GetParam();
    test::TempDir dir;
    const std::string strIn = dir / (std::string("in.") + c.szExtension);
    constexpr int kFrames = 20011; // not a multiple of any block size
    MakeWithSox(strIn, 44100, c.nChannels, kFrames, c.szFormat);

    const CRead r = Read(strIn, Convert());
    ASSERT_TRUE(r.bValid) << (r.aMessages.empty() ? "" : r.aMessages[0]);
    EXPECT_TRUE(r.info.bDecoded);
    EXPECT_EQ(r.info.nFrames, static_cast<std::uint64_t>(kFrames));
    EXPECT_EQ(r.info.nChannels, c.nChannels);
    EXPECT_EQ(r.info.nBitsPerSample, 16);
    EXPECT_EQ(r.info.nSamplesPerSec, 44100);
    EXPECT_EQ(r.info.strTypeText, std::string(c.szType) + ", converted, 44100 Hz, " +
                                      std::to_string(kFrames) + " frames");

    const auto anWords = Decode(strIn, r.info, Convert());
    const auto anSox = SoxWords(strIn, dir / "sox.raw");
    ASSERT_EQ(anWords.size(), anSox.size());
    EXPECT_TRUE(anWords == anSox);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoxConversion,
    testing::Values(
        SoxCase{"Pcm24MonoExtensible", "wav", 1, "-e signed -b 24", "24-bit Mono PCM WAV"},
        SoxCase{"Pcm24Stereo", "wav", 2, "-e signed -b 24", "24-bit Stereo PCM WAV"},
        SoxCase{"Pcm32Stereo", "wav", 2, "-e signed -b 32", "32-bit Stereo PCM WAV"},
        SoxCase{"Float32Stereo", "wav", 2, "-e floating-point -b 32", "32-bit Stereo Float WAV"},
        SoxCase{"Float64Mono", "wav", 1, "-e floating-point -b 64", "64-bit Mono Float WAV"},
        SoxCase{"Aiff24Stereo", "aiff", 2, "-e signed -b 24", "24-bit Stereo PCM AIFF"},
        SoxCase{"Aiff8Mono", "aiff", 1, "-e signed -b 8", "8-bit Mono PCM AIFF"},
        SoxCase{"Aiff16Stereo", "aiff", 2, "-e signed -b 16", "16-bit Stereo PCM AIFF"},
        SoxCase{"AifcFloat32", "aifc", 1, "-e floating-point -b 32", "32-bit Mono Float AIFF"},
        SoxCase{"Flac24Stereo", "flac", 2, "-b 24", "24-bit Stereo FLAC"},
        SoxCase{"Flac16Mono", "flac", 1, "-b 16", "16-bit Mono FLAC"}),
    [](const testing::TestParamInfo<SoxCase>& info) { return std::string(info.param.szName); });

// Floats that sox did not write: every fraction of the low bit, values
// beyond full scale. sox cuts 32-bit floats toward zero at 2^31 and
// rounds 64-bit ones; both clip.
TEST(AudioInput, FloatsOfEveryFractionEqualSox)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> any(-1.2, 1.2);
    std::uniform_real_distribution<double> small(-4.0 / 32768, 4.0 / 32768);
    std::vector<double> adValues = {0.0,
                                    1.0,
                                    -1.0,
                                    0.5 / 32768,
                                    -0.5 / 32768,
                                    1.5 / 32768,
                                    -1.5 / 32768,
                                    32767.5 / 32768,
                                    -32768.5 / 32768,
                                    3.0,
                                    -3.0};
    for (int i = 0; i < 20000; ++i)
        adValues.push_back(i % 2 ? any(random) : small(random));
    for (const int nBits : {32, 64})
    {
        SCOPED_TRACE(nBits);
        test::TempDir dir;
        const std::string strIn = dir / "float.wav";
        test::WriteFileBytes(strIn, FloatWav(adValues, nBits));
        const CRead r = Read(strIn, Convert());
        ASSERT_TRUE(r.bValid);
        EXPECT_TRUE(Decode(strIn, r.info, Convert()) == SoxWords(strIn, dir / "sox.raw"));
    }
}

// Appends n as a big-endian number of nBytes (2 or 4).
void PutBE(Bytes& ab, std::uint32_t n, int nBytes)
{
    std::uint8_t abNumber[4];
    if (nBytes == 2)
        bo::StoreBE16(abNumber, static_cast<std::uint16_t>(n));
    else
        bo::StoreBE32(abNumber, n);
    ab.insert(ab.end(), abNumber, abNumber + nBytes);
}

// Appends an AIFF chunk: id, big-endian size, body, and a pad byte after an
// odd body.
void PutAiffChunk(Bytes& ab, const char* szId, const Bytes& abBody)
{
    test::PutTag(ab, szId);
    PutBE(ab, static_cast<std::uint32_t>(abBody.size()), 4);
    ab.insert(ab.end(), abBody.begin(), abBody.end());
    if (abBody.size() % 2)
        ab.push_back(0);
}

// An AIFC file with "sowt" compression (little-endian samples, as Macs
// write them) of a WAV spec's data, at 44100 Hz.
Bytes SowtAifc(const test::WavSpec& spec)
{
    const auto nFrames =
        static_cast<std::uint32_t>(spec.abData.size() / (spec.nChannels * (spec.nBits / 8)));
    Bytes abComm, abSsnd(8, 0), abForm = {'A', 'I', 'F', 'C'};
    PutBE(abComm, spec.nChannels, 2);
    PutBE(abComm, nFrames, 4);
    PutBE(abComm, spec.nBits, 2);
    abComm.insert(abComm.end(), {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}); // 44100, 80-bit
    for (const char c : std::string("sowt\0\0", 6)) // no name: an empty Pascal string
        abComm.push_back(static_cast<std::uint8_t>(c));
    abSsnd.insert(abSsnd.end(), spec.abData.begin(), spec.abData.end());
    PutAiffChunk(abForm, "FVER", {0xA2, 0x80, 0x51, 0x40});
    PutAiffChunk(abForm, "COMM", abComm);
    PutAiffChunk(abForm, "SSND", abSsnd);
    Bytes abFile;
    PutAiffChunk(abFile, "FORM", abForm);
    return abFile;
}

// Integer samples at every rounding edge (the low bits just below, at and
// above one half, the top word at full scale) and random ones, 24 and 32
// bits, in WAV files and sox's AIFF copies of them (big-endian): the words
// are round(v / 2^(bits-16)) with halves up, 32767 at most, as sox gives.
TEST(AudioInput, IntegersAtEveryRoundingEdgeEqualSox)
{
    struct Row
    {
        int nBits;
        int nChannels;
        // "wav" as written here, "sowt" an AIFC file of the same
        // little-endian bytes written here, or sox's copy in "aiff"
        const char* szContainer;
    };
    for (const Row& row :
         {Row{24, 2, "wav"}, Row{24, 1, "aiff"}, Row{24, 2, "aiff"}, Row{24, 2, "sowt"},
          Row{32, 2, "wav"}, Row{32, 1, "aiff"}, Row{32, 1, "sowt"}})
    {
        SCOPED_TRACE(std::to_string(row.nBits) + "-bit " + row.szContainer + " " +
                     std::to_string(row.nChannels));
        const int nLowBits = row.nBits - 16;
        const std::int64_t nHalf = std::int64_t{1} << (nLowBits - 1);
        std::vector<std::int64_t> anValues;
        for (const std::int64_t nTop : {-32768, -32767, -2, -1, 0, 1, 12345, 32766, 32767})
            for (const std::int64_t nLow :
                 {std::int64_t{0}, nHalf - 1, nHalf, nHalf + 1, 2 * nHalf - 1})
                anValues.push_back(nTop * 2 * nHalf + nLow);
        std::mt19937 random(23);
        std::uniform_int_distribution<std::int64_t> any(-(std::int64_t{1} << (row.nBits - 1)),
                                                        (std::int64_t{1} << (row.nBits - 1)) - 1);
        while (anValues.size() < 30011 * static_cast<std::size_t>(row.nChannels))
            anValues.push_back(any(random));

        test::WavSpec spec;
        spec.nChannels = static_cast<std::uint16_t>(row.nChannels);
        spec.nBits = static_cast<std::uint16_t>(row.nBits);
        std::vector<std::int16_t> anExpected;
        for (const std::int64_t v : anValues)
        {
            for (int i = 0; i < row.nBits / 8; ++i)
                spec.abData.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
            anExpected.push_back(
                static_cast<std::int16_t>(std::min<std::int64_t>((v + nHalf) >> nLowBits, 32767)));
        }
        test::TempDir dir;
        std::string strIn = dir / "in.wav";
        test::WriteFileBytes(strIn, test::MakeWav(spec));
        if (std::string(row.szContainer) == "sowt")
        {
            strIn = dir / "in.aifc";
            test::WriteFileBytes(strIn, SowtAifc(spec));
        }
        else if (std::string(row.szContainer) != "wav")
        {
            const std::string strWav = strIn;
            strIn = dir / (std::string("in.") + row.szContainer);
            Shell("sox -D '" + strWav + "' '" + strIn + "'");
        }
        const CRead r = Read(strIn, Convert());
        ASSERT_TRUE(r.bValid) << (r.aMessages.empty() ? "" : r.aMessages[0]);
        const auto anWords = Decode(strIn, r.info, Convert());
        EXPECT_TRUE(anWords == anExpected);
        EXPECT_TRUE(anWords == SoxWords(strIn, dir / "sox.raw"));
    }
}

TEST(AudioInput, NotANumberBecomesZero)
{
    test::TempDir dir;
    const std::string strIn = dir / "nan.wav";
    const double dNan = std::nan("");
    test::WriteFileBytes(strIn, FloatWav({0.5, dNan, -dNan, 0.25}, 32));
    const CRead r = Read(strIn, Convert());
    ASSERT_TRUE(r.bValid);
    EXPECT_EQ(Decode(strIn, r.info, Convert()), (std::vector<std::int16_t>{16384, 0, 0, 8192}));
}

// ---------------------------------------------------------------------------
// Which files are read how, and the messages

// Every option off, and options that leave a file alone: ReadWavHeader's
// result and messages exactly.
TEST(AudioInput, WithoutOptionsIsTheWavReader)
{
    const char* aszFiles[] = {"pcm8_mono.wav",  "pcm16_stereo.wav", "pcm16_mono.wav",
                              "pcm24_mono.wav", "pcm24_stereo.wav", "pcm16_quad.wav",
                              "alaw_mono.wav",  "float32_mono.wav", "missing.wav"};
    CAudioOptions metadataOnly;
    metadataOnly.bFileMetadata = true;
    CAudioOptions highLimit;
    highLimit.nMaxRate = 192000;
    for (const CAudioOptions& options : {CAudioOptions{}, metadataOnly, highLimit})
        for (const char* szFile : aszFiles)
        {
            SCOPED_TRACE(szFile);
            const std::string strPath = kFixtures + "/" + szFile;
            test::CRecordingFeedback wavFeedback;
            WAVINFO wav;
            const bool bWav = ShowAsMessages(ReadWavHeader(strPath, wav), wavFeedback);
            const CRead r = Read(strPath, options);
            EXPECT_EQ(r.bValid, bWav);
            EXPECT_FALSE(r.info.bDecoded);
            EXPECT_EQ(r.info.nChannels, wav.nChannels);
            EXPECT_EQ(r.info.nBitsPerSample, wav.nBitsPerSample);
            EXPECT_EQ(r.info.nSamplesPerSec, wav.nSamplesPerSec);
            EXPECT_EQ(r.info.nDataOffset, wav.nDataOffset);
            EXPECT_EQ(r.info.nDataSize, wav.nDataSize);
            EXPECT_EQ(r.info.nFormatTag, wav.nFormatTag);
            EXPECT_EQ(r.info.strTypeText, "");
            ASSERT_EQ(r.aMessages.size(), wavFeedback.m_aMessages.size());
            if (!r.aMessages.empty())
            {
                EXPECT_EQ(r.aMessages[0], wavFeedback.m_aMessages[0].strText);
            }
            // 400 frames each; plain entries count them too.
            EXPECT_EQ(r.info.nFrames, bWav ? 400u : 0u);
        }
}

TEST(AudioInput, ConvertingRefusesWhatItCannotUseWithOneMessage)
{
    test::TempDir dir;
    MakeWithSox(dir / "quad24.wav", 22050, 4, 100, "-e signed -b 24");
    MakeWithSox(dir / "six.aiff", 22050, 6, 100, "-e signed -b 16");
    test::WriteFileBytes(dir / "text.txt", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    test::WriteFileBytes(dir / "empty.wav", Bytes{});
    // A float WAV without one whole frame, and a RIFF/WAVE file whose
    // header ReadWavHeader finds bad (no data chunk).
    test::WriteFileBytes(dir / "noframe.wav", FloatWav({}, 32));
    Bytes abNoData = test::MakeWav({});
    abNoData.resize(36);
    test::WriteFileBytes(dir / "nodata.wav", abNoData);

    const std::string kBad = "File is bad or non-existing...";
    const struct
    {
        std::string strPath;
        std::string strTail;
    } aCases[] = {
        {dir / "quad24.wav", "4-track files are currently not supported."},
        {kFixtures + "/pcm16_quad.wav", "4-track files are currently not supported."},
        {dir / "six.aiff", "6-track files are currently not supported."},
        {dir / "text.txt", kBad},
        {dir / "empty.wav", kBad},
        {dir / "missing.aiff", "The file was not found."},
        {dir / "noframe.wav", kBad},
        {dir / "nodata.wav", kBad},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.strPath);
        const CRead r = Read(c.strPath, Convert(48000, true));
        EXPECT_FALSE(r.bValid);
        ASSERT_EQ(r.aMessages.size(), 1u);
        EXPECT_EQ(r.aMessages[0], "Error in file: " + c.strPath + "\n" + c.strTail);
    }
}

TEST(AudioInput, ConvertingReadsWhatTheWavReaderRefusedForItsFormat)
{
    const struct
    {
        const char* szFile;
        const char* szType;
    } aCases[] = {
        {"pcm24_mono.wav", "24-bit Mono PCM WAV, converted, 22050 Hz, 400 frames"},
        {"pcm24_stereo.wav", "24-bit Stereo PCM WAV, converted, 22050 Hz, 400 frames"},
        {"float32_mono.wav", "32-bit Mono Float WAV, converted, 22050 Hz, 400 frames"},
        {"alaw_mono.wav", "Mono A-Law WAV, converted, 8000 Hz, 400 frames"},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szFile);
        const CRead r = Read(kFixtures + "/" + c.szFile, Convert());
        EXPECT_TRUE(r.bValid);
        EXPECT_TRUE(r.aMessages.empty());
        EXPECT_TRUE(r.info.bDecoded);
        EXPECT_EQ(r.info.strTypeText, c.szType);
        EXPECT_EQ(r.info.nDataSize, 400 * r.info.nBlockAlign);
    }
}

// ---------------------------------------------------------------------------
// Resampling

TEST(AudioInput, ResampledFramesRoundHalvesUp)
{
    EXPECT_EQ(ResampledFrames(96001, 96000, 48000), 48001u); // 48000.5
    EXPECT_EQ(ResampledFrames(96000, 96000, 48000), 48000u);
    EXPECT_EQ(ResampledFrames(1, 96000, 44100), 0u);
    EXPECT_EQ(ResampledFrames(3, 96000, 44100), 1u);                             // 1.378
    EXPECT_EQ(ResampledFrames(0xFFFFFFFFFFull, 192000, 44100), 252544077005ull); // 252544077004.6
    EXPECT_EQ(ResampledFrames(7, 44100, 44100), 7u);
}

TEST(AudioInput, FilesAboveTheLimitAreResampledToIt)
{
    test::TempDir dir;
    MakeWithSox(dir / "s16.wav", 96000, 2, 96001, "-e signed -b 16");
    MakeWithSox(dir / "s24.flac", 96000, 1, 30000, "-b 24");
    MakeWithSox(dir / "s44.wav", 44100, 1, 1000, "-e signed -b 16");

    const CRead plain = Read(dir / "s16.wav", Convert(48000));
    ASSERT_TRUE(plain.bValid);
    EXPECT_TRUE(plain.info.bDecoded);
    EXPECT_EQ(plain.info.nSamplesPerSec, 48000);
    EXPECT_EQ(plain.info.nFrames, 48001u);
    EXPECT_EQ(plain.info.strTypeText,
              "16-bit Stereo PCM WAV, resampled, 48000 Hz (from 96000 Hz), 48001 frames");
    // A plain file is resampled without the converting option too.
    CAudioOptions limitOnly;
    limitOnly.nMaxRate = 48000;
    EXPECT_TRUE(Read(dir / "s16.wav", limitOnly).info.bDecoded);

    const CRead flac = Read(dir / "s24.flac", Convert(44100));
    ASSERT_TRUE(flac.bValid);
    EXPECT_EQ(flac.info.nFrames, 13781u); // 13781.25
    EXPECT_EQ(flac.info.strTypeText,
              "24-bit Mono FLAC, converted, 44100 Hz (from 96000 Hz), 13781 frames");

    const CRead below = Read(dir / "s44.wav", Convert(48000));
    EXPECT_FALSE(below.info.bDecoded);

    // Exactly nFrames frames, the same twice.
    const auto an = Decode(dir / "s16.wav", plain.info, Convert(48000));
    EXPECT_EQ(an.size(), 2u * 48001u);
    EXPECT_TRUE(an == Decode(dir / "s16.wav", plain.info, Convert(48000)));
    EXPECT_EQ(Decode(dir / "s24.flac", flac.info, Convert(44100)).size(), 13781u);
}

// A 1 kHz sine at 96 kHz, resampled to 48 kHz, is the same sine at 48 kHz
// within a few steps of the 16-bit words (away from the ends, where the
// filter meets the silence around the data).
TEST(AudioInput, ResamplingKeepsTheSignal)
{
    test::TempDir dir;
    const std::string strIn = dir / "sine.wav";
    Shell("sox -R -D -r 96000 -n -e signed -b 24 -c 1 '" + strIn +
          "' synth 9600s sine 1000 vol 0.5 2>/dev/null");
    const CRead r = Read(strIn, Convert(48000));
    ASSERT_TRUE(r.bValid);
    const auto an = Decode(strIn, r.info, Convert(48000));
    ASSERT_EQ(an.size(), 4800u);
    const double dPi = std::acos(-1.0);
    int nWorst = 0;
    for (std::size_t i = 200; i < 4600; ++i)
    {
        const double dWant =
            0.5 * 32768 * std::sin(2 * dPi * 1000 * static_cast<double>(i) / 48000);
        nWorst = std::max(nWorst, static_cast<int>(std::lround(std::abs(an[i] - dWant))));
    }
    EXPECT_LE(nWorst, 2);
}

TEST(AudioInput, TooFewFramesAfterResamplingIsABadFile)
{
    test::TempDir dir;
    test::WavSpec spec;
    spec.nRate = 96000;
    spec.abData = Bytes{1, 0}; // one frame: 0.46 frames at 44100 Hz
    test::WriteFileBytes(dir / "one.wav", test::MakeWav(spec));
    const CRead r = Read(dir / "one.wav", Convert(44100));
    EXPECT_FALSE(r.bValid);
    ASSERT_EQ(r.aMessages.size(), 1u);
    EXPECT_EQ(r.aMessages[0],
              "Error in file: " + dir / "one.wav" + "\nFile is bad or non-existing...");
}

TEST(AudioInput, DecoderThrowsWhenTheFileShrank)
{
    test::TempDir dir;
    MakeWithSox(dir / "a.wav", 44100, 2, 5000, "-e signed -b 24");
    const CRead r = Read(dir / "a.wav", Convert());
    ASSERT_TRUE(r.bValid);
    MakeWithSox(dir / "a.wav", 44100, 2, 3000, "-e signed -b 24");
    EXPECT_THROW(Decode(dir / "a.wav", r.info, Convert()), CFileException);
    std::filesystem::remove(dir / "a.wav");
    EXPECT_THROW(CAudioDecoder(dir / "a.wav", r.info, Convert()), CFileException);
}

// ---------------------------------------------------------------------------
// Root key and loop from the file

// A "smpl" chunk: unity note, then loops of (type, start, end).
Bytes Smpl(std::uint32_t nUnity, const std::vector<std::array<std::uint32_t, 3>>& aLoops)
{
    Bytes ab;
    for (const std::uint32_t n :
         {0u, 0u, 22675u, nUnity, 0u, 0u, 0u, static_cast<std::uint32_t>(aLoops.size()), 0u})
        test::PutLE32(ab, n);
    for (const auto& loop : aLoops)
        for (const std::uint32_t n : {7u, loop[0], loop[1], loop[2], 0u, 0u})
            test::PutLE32(ab, n);
    return test::MakeChunk("smpl", ab);
}

TEST(AudioInput, LoopAndRootKeyFromSmpl)
{
    constexpr std::uint32_t kFrames = 1000;
    const struct
    {
        const char* szName;
        Bytes abSmpl;
        bool bHasLoop;
        std::uint64_t nStart, nEnd;
        bool bIgnored;
        int nRootKey;
    } aCases[] = {
        {"whole", Smpl(60, {{0, 0, kFrames - 1}}), true, 0, kFrames - 1, false, 60},
        {"first frame", Smpl(61, {{0, 0, 0}}), true, 0, 0, false, 61},
        {"last frame", Smpl(0, {{0, kFrames - 1, kFrames - 1}}), true, kFrames - 1, kFrames - 1,
         false, 0},
        {"past the end", Smpl(127, {{0, 500, kFrames}}), false, 0, 0, true, 127},
        {"first forward wins", Smpl(128, {{1, 10, 20}, {0, 30, 40}, {0, 50, 60}}), true, 30, 40,
         false, -1},
        {"backwards is none", Smpl(60, {{0, 40, 30}}), false, 0, 0, false, 60},
        {"no loop", Smpl(72, {}), false, 0, 0, false, 72},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        test::WavSpec spec;
        spec.abData = test::RampData(2 * kFrames);
        spec.abTrailer = c.abSmpl; // after the data, where most writers put it
        test::WriteFileBytes(dir / "a.wav", test::MakeWav(spec));
        const CRead r = Read(dir / "a.wav", Convert(0, true));
        ASSERT_TRUE(r.bValid);
        EXPECT_FALSE(r.info.bDecoded);
        EXPECT_EQ(r.info.bHasLoop, c.bHasLoop);
        EXPECT_EQ(r.info.nLoopStart, c.nStart);
        EXPECT_EQ(r.info.nLoopEnd, c.nEnd);
        EXPECT_EQ(r.info.bLoopIgnored, c.bIgnored);
        EXPECT_EQ(r.info.nFileRootKey, c.nRootKey);
        // Without the option nothing is read.
        const CRead off = Read(dir / "a.wav", Convert());
        EXPECT_FALSE(off.info.bHasLoop || off.info.bLoopIgnored);
        EXPECT_EQ(off.info.nFileRootKey, -1);
    }
}

// An AIFF file by sox with INST and MARK chunks added after the sound data.
void AddAiffChunks(const std::string& strPath, int nBaseNote, std::uint16_t nPlayMode,
                   std::uint32_t nBegin, std::uint32_t nEnd)
{
    Bytes ab = test::ReadFileBytes(strPath);
    // Two markers, id 7 named "start" (odd name length: no pad) and id 3
    // named "end" (a pad byte).
    Bytes abMark = {0, 2, 0, 7};
    PutBE(abMark, nBegin, 4);
    abMark.insert(abMark.end(), {5, 's', 't', 'a', 'r', 't', 0, 3});
    PutBE(abMark, nEnd, 4);
    abMark.insert(abMark.end(), {3, 'e', 'n', 'd'});
    PutAiffChunk(ab, "MARK", abMark);
    // Base note, detune, low/high note and velocity, gain, then the sustain
    // loop (play mode, begin marker 7, end marker 3) and a release loop
    // that is off.
    Bytes abInst = {static_cast<std::uint8_t>(nBaseNote), 0, 0, 127, 1, 127, 0, 0};
    PutBE(abInst, nPlayMode, 2);
    abInst.insert(abInst.end(), {0, 7, 0, 3, 0, 0, 0, 0, 0, 0});
    PutAiffChunk(ab, "INST", abInst);
    bo::StoreBE32(&ab[4], static_cast<std::uint32_t>(ab.size() - 8));
    test::WriteFileBytes(strPath, ab);
}

TEST(AudioInput, LoopAndRootKeyFromAiff)
{
    const struct
    {
        const char* szName;
        int nBase;
        std::uint16_t nMode;
        std::uint32_t nBegin, nEnd;
        bool bHasLoop;
        std::uint64_t nStart, nLast;
        bool bIgnored;
    } aCases[] = {
        {"whole", 60, 1, 0, 1000, true, 0, 999, false},
        {"first frame", 48, 1, 0, 1, true, 0, 0, false},
        {"last frame", 48, 1, 999, 1000, true, 999, 999, false},
        {"past the end", 48, 1, 500, 1001, false, 0, 0, true},
        {"ping-pong is none", 48, 2, 10, 20, false, 0, 0, false},
        {"empty is none", 48, 1, 20, 20, false, 0, 0, false},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        MakeWithSox(dir / "a.aiff", 44100, 2, 1000, "-e signed -b 24");
        AddAiffChunks(dir / "a.aiff", c.nBase, c.nMode, c.nBegin, c.nEnd);
        const CRead r = Read(dir / "a.aiff", Convert(0, true));
        ASSERT_TRUE(r.bValid);
        EXPECT_EQ(r.info.nFileRootKey, c.nBase);
        EXPECT_EQ(r.info.bHasLoop, c.bHasLoop);
        EXPECT_EQ(r.info.nLoopStart, c.nStart);
        EXPECT_EQ(r.info.nLoopEnd, c.nLast);
        EXPECT_EQ(r.info.bLoopIgnored, c.bIgnored);
    }
}

TEST(AudioInput, LoopFollowsTheNewRate)
{
    test::TempDir dir;
    test::WavSpec spec;
    spec.nRate = 96000;
    spec.abData = test::RampData(2 * 10001);
    spec.abChunkBeforeData = Smpl(60, {{0, 1001, 2999}});
    test::WriteFileBytes(dir / "a.wav", test::MakeWav(spec));
    spec.abChunkBeforeData = Smpl(60, {{0, 9000, 10000}});
    test::WriteFileBytes(dir / "b.wav", test::MakeWav(spec));

    const CRead a = Read(dir / "a.wav", Convert(48000, true));
    ASSERT_TRUE(a.info.bHasLoop);
    EXPECT_EQ(a.info.nFrames, 5001u);   // 5000.5
    EXPECT_EQ(a.info.nLoopStart, 501u); // 500.5
    EXPECT_EQ(a.info.nLoopEnd, 1499u);  // 3000 / 2 - 1
    const CRead b = Read(dir / "b.wav", Convert(48000, true));
    ASSERT_TRUE(b.info.bHasLoop);
    EXPECT_EQ(b.info.nLoopStart, 4500u);
    EXPECT_EQ(b.info.nLoopEnd, 5000u); // the last frame stays the last
}

TEST(AudioInput, RootKeyForNewEntry)
{
    WAVINFO stored;
    stored.nFileRootKey = 60;
    WAVINFO none;
    const CAudioOptions off;
    const CAudioOptions on = Convert(0, true);
    EXPECT_EQ(RootKeyForNewEntry(stored, "Piano D5", on), 48);  // the file's note first
    EXPECT_EQ(RootKeyForNewEntry(none, "Piano D5", on), 62);    // then the title's
    EXPECT_EQ(RootKeyForNewEntry(none, "Piano", on), 48);       // then C 4
    EXPECT_EQ(RootKeyForNewEntry(stored, "Piano D5", off), 48); // option off: C 4
}

} // namespace
