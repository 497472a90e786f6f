// Plain 8- and 16-bit PCM WAV files give the same words through the
// converting path (libsndfile, CAudioDecoder) as through the sample
// converter, so the converting option would not change them; and the
// decoder's own reader of plain files agrees as well.
#include "AudioDecoder.h"
#include "AudioInput.h"
#include "CFile.h"
#include "SampleConverter.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <random>

namespace
{

using test::Bytes;

// The converter's output: big-endian words, left channel then right.
Bytes ConverterBytes(const test::TempDir& dir, const std::string& strWav, const WAVINFO& info)
{
    CFile wav(strWav, CFile::modeRead);
    CFile out(dir / "out.bin", CFile::modeCreate | CFile::modeReadWrite);
    ConvertSampleData(wav, info, UsableDataBytes(info, wav.GetLength()), out, 0);
    out.Close();
    return test::ReadFileBytes(dir / "out.bin");
}

// The decoder's interleaved words laid out as the converter lays them out.
Bytes DecoderBytes(const std::string& strWav, const WAVINFO& info, CAudioDecoder::Source source)
{
    CAudioOptions options;
    options.bConvert = true;
    CAudioDecoder decoder(strWav, info, options, source);
    std::vector<std::int16_t> an(2 * 3000);
    Bytes abLeft, abRight;
    while (const std::size_t n = decoder.Read(an.data(), 3000))
        for (std::size_t f = 0; f < n; ++f)
            for (int c = 0; c < info.nChannels; ++c)
            {
                const auto w = static_cast<std::uint16_t>(an[f * info.nChannels + c]);
                Bytes& ab = c == 0 ? abLeft : abRight;
                ab.push_back(static_cast<std::uint8_t>(w >> 8));
                ab.push_back(static_cast<std::uint8_t>(w));
            }
    abLeft.insert(abLeft.end(), abRight.begin(), abRight.end());
    return abLeft;
}

TEST(DecoderParity, PlainFilesGiveTheConvertersWords)
{
    std::mt19937 random(7);
    for (const int nBits : {8, 16})
        for (const int nChannels : {1, 2})
        {
            SCOPED_TRACE(std::to_string(nBits) + " bits, " + std::to_string(nChannels) +
                         " channels");
            test::TempDir dir;
            test::WavSpec spec;
            spec.nBits = static_cast<std::uint16_t>(nBits);
            spec.nChannels = static_cast<std::uint16_t>(nChannels);
            // Every byte value, several blocks of the decoder, a frame count
            // that fits no block.
            spec.abData.resize(static_cast<std::size_t>(nBits / 8 * nChannels) * 12347);
            for (auto& b : spec.abData)
                b = static_cast<std::uint8_t>(random());
            const std::string strWav = dir / "in.wav";
            test::WriteFileBytes(strWav, test::MakeWav(spec));

            test::CRecordingFeedback feedback;
            WAVINFO info;
            CAudioOptions options;
            options.bConvert = true;
            ASSERT_TRUE(ShowAsMessages(ReadAudioHeader(strWav, info, options), feedback));
            ASSERT_FALSE(info.bDecoded);
            ASSERT_EQ(info.nFrames, 12347u);

            const Bytes abConverter = ConverterBytes(dir, strWav, info);
            EXPECT_TRUE(DecoderBytes(strWav, info, CAudioDecoder::Source::Library) == abConverter);
            EXPECT_TRUE(DecoderBytes(strWav, info, CAudioDecoder::Source::Auto) == abConverter);
        }
}

} // namespace
