// Sample data conversion: byte order, 8-bit values, stereo layout, partial
// frames and files that hold less than they declare.
#include "CFile.h"
#include "SampleConverter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using test::Bytes;

namespace
{

WAVINFO Info(int nChannels, int nBits, std::uint32_t nDataSize, int nOffset = 44)
{
    WAVINFO info;
    info.bValid = true;
    info.nChannels = nChannels;
    info.nBitsPerSample = nBits;
    info.nSamplesPerSec = 44100;
    info.nFormatTag = 1;
    info.nDataOffset = nOffset;
    info.nDataSize = static_cast<std::int32_t>(nDataSize);
    return info;
}

// Converts abData (placed at offset 44 of a file) and returns what was appended.
Bytes Convert(const test::TempDir& dir, const WAVINFO& info, const Bytes& abData)
{
    Bytes abFile(44 + abData.size(), 0xEE);
    std::copy(abData.begin(), abData.end(), abFile.begin() + 44);
    test::WriteFileBytes(dir / "in.wav", abFile);
    CFile wav(dir / "in.wav", CFile::modeRead);
    CFile out(dir / "out.bin", CFile::modeCreate | CFile::modeReadWrite);
    const auto nUsable = UsableDataBytes(info, wav.GetLength());
    ConvertSampleData(wav, info, nUsable, out, 0);
    out.Close();
    return test::ReadFileBytes(dir / "out.bin");
}

} // namespace

TEST(Converter, Formats)
{
    struct Case
    {
        const char* szName;
        int nChannels, nBits;
        Bytes abIn, abOut;
    };
    const Case aCases[] = {
        {"16-bit mono swaps each pair", 1, 16, {0x01, 0x02, 0x03, 0x04}, {0x02, 0x01, 0x04, 0x03}},
        {"8-bit mono 00 80 FF", 1, 8, {0x00, 0x80, 0xFF}, {0x80, 0x00, 0x00, 0x00, 0x7F, 0x00}},
        {"16-bit stereo: left words, then right words",
         2,
         16,
         {0x11, 0x12, 0x21, 0x22, 0x13, 0x14, 0x23, 0x24},
         {0x12, 0x11, 0x14, 0x13, 0x22, 0x21, 0x24, 0x23}},
        {"8-bit stereo",
         2,
         8,
         {0x00, 0xFF, 0x80, 0x01},
         {0x80, 0x00, 0x00, 0x00, 0x7F, 0x00, 0x81, 0x00}},
        {"odd 16-bit mono drops the stray byte", 1, 16, {0x01, 0x02, 0x03}, {0x02, 0x01}},
        {"16-bit stereo drops a partial frame",
         2,
         16,
         {0x11, 0x12, 0x21, 0x22, 0x13, 0x14},
         {0x12, 0x11, 0x22, 0x21}},
        {"8-bit stereo drops a partial frame", 2, 8, {0x00, 0xFF, 0x80}, {0x80, 0x00, 0x7F, 0x00}},
    };
    for (const auto& c : aCases)
    {
        test::TempDir dir;
        const auto info = Info(c.nChannels, c.nBits, static_cast<std::uint32_t>(c.abIn.size()));
        EXPECT_EQ(Convert(dir, info, c.abIn), c.abOut) << c.szName;
    }
}

TEST(Converter, LargeStereoBlocksKeepChannelOrder)
{
    // More than one input block, so that block boundaries are crossed.
    test::TempDir dir;
    const Bytes abIn = test::RampData(4 * 70000 + 4 * 17);
    const auto aOut = Convert(dir, Info(2, 16, static_cast<std::uint32_t>(abIn.size())), abIn);
    ASSERT_EQ(aOut.size(), abIn.size());
    const std::size_t nFrames = abIn.size() / 4;
    for (std::size_t f = 0; f < nFrames; f += 997)
    {
        EXPECT_EQ(aOut[2 * f], abIn[4 * f + 1]);
        EXPECT_EQ(aOut[2 * f + 1], abIn[4 * f]);
        EXPECT_EQ(aOut[2 * nFrames + 2 * f], abIn[4 * f + 3]);
        EXPECT_EQ(aOut[2 * nFrames + 2 * f + 1], abIn[4 * f + 2]);
    }
}

TEST(Converter, UsesOnlyTheDataChunkAndWhatTheFileHolds)
{
    struct Case
    {
        const char* szName;
        std::uint32_t nDeclared;
        std::uint64_t nFileLength;
        int nChannels, nBits;
        std::uint64_t nUsable, nChannelBytes;
    };
    const Case aCases[] = {
        {"a following chunk is not data", 1000, 44 + 1000 + 26, 1, 16, 1000, 1000},
        {"file cut short", 1000, 44 + 600, 1, 16, 600, 600},
        {"size field left at its maximum", 0xFFFFFFFF, 44 + 4000, 2, 16, 4000, 2000},
        {"cut inside a stereo frame", 1000, 44 + 599, 2, 16, 596, 298},
        {"8-bit mono doubles", 301, 44 + 301, 1, 8, 301, 602},
        {"8-bit stereo", 301, 44 + 301, 2, 8, 300, 300},
        {"offset past the end", 100, 20, 1, 16, 0, 0},
    };
    for (const auto& c : aCases)
    {
        const auto info = Info(c.nChannels, c.nBits, c.nDeclared);
        const auto nUsable = UsableDataBytes(info, c.nFileLength);
        EXPECT_EQ(nUsable, c.nUsable) << c.szName;
        EXPECT_EQ(ChannelBytes(info, nUsable), c.nChannelBytes) << c.szName;
    }
}

TEST(Converter, FileThatShrankRaisesEndOfFile)
{
    test::TempDir dir;
    test::WriteFileBytes(dir / "in.wav", Bytes(44 + 100, 1));
    CFile wav(dir / "in.wav", CFile::modeRead);
    CFile out(dir / "out.bin", CFile::modeCreate | CFile::modeReadWrite);
    const auto info = Info(2, 16, 400);
    try
    {
        ConvertSampleData(wav, info, 400, out, 0);
        FAIL() << "no error";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.m_cause, CFileException::endOfFile);
        EXPECT_EQ(e.m_strFileName, dir / "in.wav");
    }
    EXPECT_EQ(test::ListDir(dir.Path()), (std::vector<std::string>{"in.wav", "out.bin"}));
}
