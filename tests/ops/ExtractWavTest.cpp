// The WAV files extract writes: every word of every channel in its place
// for frame counts around the vector width, the loop, and the same bytes
// whatever the reused buffer held before.
#include "ByteOrder.h"
#include "ExtractWav.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{

using test::Bytes;

struct SWavCase
{
    int nChannels;
    std::size_t nFrames;
    bool bLoop;
};

TEST(ExtractWav, WordsLoopAndBytesDoNotDependOnTheBufferReused)
{
    const SWavCase aCases[] = {
        {1, 0, false}, {1, 1, true},  {1, 7, false},  {1, 8, true},   {1, 9, false},
        {1, 33, true}, {2, 0, true},  {2, 1, false},  {2, 7, true},   {2, 8, false},
        {2, 9, true},  {2, 17, false}, {2, 1000, true},
    };
    for (const SWavCase& c : aCases)
    {
        const std::string strCase = std::to_string(c.nChannels) + " channel(s), " +
                                    std::to_string(c.nFrames) + " frames";
        // An odd start for the right channel: the words need not be aligned.
        const Bytes abLeft = test::RampData(2 * c.nFrames, 3);
        const Bytes abRight = test::RampData(2 * c.nFrames + 1, 11);
        SWavOut wav;
        wav.nChannels = c.nChannels;
        wav.nRate = 44100;
        wav.apChannel[0] = abLeft.data();
        wav.apChannel[1] = abRight.data() + 1;
        wav.nFrames = c.nFrames;
        wav.nRootNote = 61;
        wav.bLoop = c.bLoop;
        wav.nLoopStart = 2;
        wav.nLoopEnd = 5;

        Bytes ab;
        BuildWav16(wav, ab);
        const std::size_t nData = 2 * c.nFrames * c.nChannels;
        ASSERT_EQ(ab.size(), 44 + nData + 8 + 36 + (c.bLoop ? 24 : 0)) << strCase;
        EXPECT_EQ(bo::LoadLE32(ab.data() + 4), ab.size() - 8) << strCase;
        EXPECT_EQ(bo::LoadLE32(ab.data() + 40), nData) << strCase;
        for (std::size_t f = 0; f < c.nFrames; ++f)
            for (int ch = 0; ch < c.nChannels; ++ch)
                ASSERT_EQ(bo::LoadLE16(ab.data() + 44 + 2 * (f * c.nChannels + ch)),
                          bo::LoadBE16(wav.apChannel[ch] + 2 * f))
                    << strCase << ", frame " << f << ", channel " << ch;
        const std::uint8_t* pSmpl = ab.data() + 44 + nData;
        EXPECT_EQ(std::string(pSmpl, pSmpl + 4), "smpl") << strCase;
        EXPECT_EQ(bo::LoadLE32(pSmpl + 20), 61u) << strCase;
        EXPECT_EQ(bo::LoadLE32(pSmpl + 36), c.bLoop ? 1u : 0u) << strCase;
        if (c.bLoop)
            EXPECT_EQ(bo::LoadLE32(pSmpl + 52) * 100 + bo::LoadLE32(pSmpl + 56), 205u) << strCase;

        // A buffer that held a larger file, or a smaller one, and garbage.
        for (const std::size_t nHeld : {ab.size() + 4096, ab.size() / 2})
        {
            Bytes abReused(nHeld, 0xEE);
            BuildWav16(wav, abReused);
            EXPECT_EQ(abReused, ab) << strCase << ", buffer of " << nHeld;
        }
    }
}

} // namespace
