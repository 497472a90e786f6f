// The WAV header reader: files made by sox and files built byte by byte,
// the messages and their order, truncated and damaged headers.
#include "WavReader.h"
#include "ByteOrder.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sys/stat.h>

namespace
{

using test::Bytes;

const std::string kFixtures = DORVANE_FIXTURES;

const std::string kBad = "File is bad or non-existing...";
const std::string kNotFound = "The file was not found.";
const std::string kNotPcm = std::string("Only PCM wav-files are supported.\n") + kConvertHint;

Bytes Concat(Bytes ab, const Bytes& abMore)
{
    ab.insert(ab.end(), abMore.begin(), abMore.end());
    return ab;
}

std::string BitsMessage(int nBits)
{
    return std::to_string(nBits) + "-bit files are currently not supported.\n" + kConvertHint;
}

std::string TrackMessage(int nChannels)
{
    return std::to_string(nChannels) + "-track files are currently not supported.";
}

// Reads strPath and checks the outcome: valid without a message, or one
// message "Error in file: <path>\n<strTail>" with caption "Dorvane Info"
// and no icon.
WAVINFO ReadExpecting(const std::string& strPath, const std::string& strTail)
{
    test::CRecordingFeedback feedback;
    WAVINFO info;
    const bool bValid = ShowAsMessages(ReadWavHeader(strPath, info), feedback);
    EXPECT_EQ(bValid, info.bValid);
    if (strTail.empty())
    {
        EXPECT_TRUE(bValid);
        EXPECT_TRUE(feedback.m_aMessages.empty())
            << (feedback.m_aMessages.empty() ? "" : feedback.m_aMessages[0].strText);
    }
    else
    {
        EXPECT_FALSE(bValid);
        EXPECT_EQ(feedback.m_aMessages.size(), 1u);
        if (!feedback.m_aMessages.empty())
        {
            const auto& m = feedback.m_aMessages[0];
            EXPECT_EQ(m.strText, "Error in file: " + strPath + "\n" + strTail);
            EXPECT_EQ(m.strCaption, "Dorvane Info");
            EXPECT_EQ(m.icon, MessageIcon::None);
        }
    }
    EXPECT_TRUE(feedback.m_aStatus.empty());
    return info;
}

// Writes ab to a temporary file and reads it.
class WavFile
{
  public:
    explicit WavFile(const Bytes& ab) : m_strPath(m_dir / "test.wav")
    {
        test::WriteFileBytes(m_strPath, ab);
    }
    const std::string& Path() const { return m_strPath; }
    WAVINFO Read(const std::string& strTail) const { return ReadExpecting(m_strPath, strTail); }

  private:
    test::TempDir m_dir;
    std::string m_strPath;
};

struct FixtureCase
{
    const char* szName;
    std::string strTail; // empty: usable
    int nBits = 0, nChannels = 0, nRate = 0, nDataOffset = 0, nDataSize = 0;
};

TEST(WavReader, FilesMadeBySox)
{
    const FixtureCase aCases[] = {
        {"pcm8_mono.wav", "", 8, 1, 11025, 44, 400},
        {"pcm16_mono.wav", "", 16, 1, 44100, 44, 800},
        {"pcm16_stereo.wav", "", 16, 2, 22050, 44, 1600},
        // sox writes these with the extensible format tag: the bit count and
        // the channel count are tested before the format.
        {"pcm24_mono.wav", BitsMessage(24)},
        {"pcm24_stereo.wav", BitsMessage(24)},
        {"pcm16_quad.wav", TrackMessage(4)},
        {"float32_mono.wav", BitsMessage(32)},
        {"alaw_mono.wav", kNotPcm},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const std::string strPath = kFixtures + "/" + c.szName;
        ASSERT_TRUE(test::FileExists(strPath));
        const WAVINFO info = ReadExpecting(strPath, c.strTail);
        if (!c.strTail.empty())
            continue;
        EXPECT_EQ(info.nFormatTag, 1);
        EXPECT_EQ(info.nBitsPerSample, c.nBits);
        EXPECT_EQ(info.nChannels, c.nChannels);
        EXPECT_EQ(info.nSamplesPerSec, c.nRate);
        EXPECT_EQ(info.nBlockAlign, c.nChannels * c.nBits / 8);
        EXPECT_EQ(info.nDataOffset, c.nDataOffset);
        EXPECT_EQ(info.nDataSize, c.nDataSize);
        EXPECT_EQ(static_cast<std::uintmax_t>(info.nRiffSize) + 8,
                  std::filesystem::file_size(strPath));
    }
}

// The a-law file has an 18-byte fmt chunk and a fact chunk before its data;
// made PCM, the walk passes both by their sizes.
TEST(WavReader, SoxFileWithFactChunkWalksToTheData)
{
    Bytes ab = test::ReadFileBytes(kFixtures + "/alaw_mono.wav");
    ASSERT_GT(ab.size(), 60u);
    ab[20] = 1; // format tag: PCM
    WavFile file(ab);
    const WAVINFO info = file.Read("");
    EXPECT_EQ(info.nDataOffset, 12 + 8 + 18 + 8 + 4 + 8);
    EXPECT_EQ(info.nDataSize, 400);
    EXPECT_EQ(info.nBitsPerSample, 8);
}

TEST(WavReader, CanonicalHeader)
{
    test::WavSpec spec;
    spec.nChannels = 2;
    spec.nRate = 44100;
    spec.abData = test::RampData(1000);
    const Bytes ab = test::MakeWav(spec);
    ASSERT_EQ(ab.size(), 1044u);
    const WAVINFO info = WavFile(ab).Read("");
    EXPECT_TRUE(info.bValid);
    EXPECT_EQ(info.nDataOffset, 44);
    EXPECT_EQ(info.nDataSize, 1000);
    EXPECT_EQ(info.nRiffSize, 1036);
    EXPECT_EQ(info.nBlockAlign, 4);
    EXPECT_EQ(WavTypeText(info), "16-bit Stereo PCM, 44100 Hz, 1000 Bytes");
}

struct LayoutCase
{
    const char* szName;
    Bytes abBeforeFmt;
    Bytes abBeforeData;
    std::string strTail;
    int nDataOffset;
};

TEST(WavReader, ChunkLayouts)
{
    const LayoutCase aCases[] = {
        {"LIST between fmt and data", {}, test::MakeChunk("LIST", Bytes(26, 'i')), "", 44 + 34},
        // An odd chunk is followed by a pad byte; where a writer left it out,
        // the unpadded position is taken when only it starts a chunk.
        {"odd chunk with pad",
         {},
         Concat(test::MakeChunk("LIST", Bytes(5, 'i')), {0}),
         "",
         44 + 14},
        {"odd chunk without pad", {}, test::MakeChunk("LIST", Bytes(5, 'i')), "", 44 + 13},
        {"odd chunks, padded and not",
         {},
         Concat(Concat(test::MakeChunk("LIST", Bytes(3, 'i')), {0}),
                test::MakeChunk("cue ", Bytes(7, 'c'))),
         "",
         44 + 12 + 15},
        {"odd chunk, pad byte not zero",
         {},
         Concat(test::MakeChunk("LIST", Bytes(5, 'i')), {'x'}),
         "",
         44 + 14},
        // The fmt word is looked for on the 4-byte grid from offset 12 only.
        {"chunk before fmt, on the grid", test::MakeChunk("JUNK", Bytes(8, 0)), {}, "", 44 + 16},
        {"chunk before fmt, off the grid", test::MakeChunk("JUNK", Bytes(6, 0)), {}, kBad, 0},
        {"chunks both sides", test::MakeChunk("bext", Bytes(12, 0)),
         test::MakeChunk("LIST", Bytes(4, 0)), "", 44 + 20 + 12},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::WavSpec spec;
        spec.abChunkBeforeFmt = c.abBeforeFmt;
        spec.abChunkBeforeData = c.abBeforeData;
        spec.abData = test::RampData(64);
        const WAVINFO info = WavFile(test::MakeWav(spec)).Read(c.strTail);
        if (c.strTail.empty())
        {
            EXPECT_EQ(info.nDataOffset, c.nDataOffset);
            EXPECT_EQ(info.nDataSize, 64);
        }
    }
}

// A sample needs one whole frame of data: an empty data chunk, or fewer
// bytes than a frame (declared or held), is the first message.
TEST(WavReader, LessThanOneFrameIsBad)
{
    struct Case
    {
        std::uint16_t nChannels, nBits;
        std::size_t nBytes;      // data bytes the file holds
        std::uint32_t nDeclared; // data chunk's size field
        bool bValid;
    };
    const Case aCases[] = {
        {1, 16, 0, 0, false}, {1, 16, 1, 1, false},   {1, 16, 2, 2, true},   {2, 16, 3, 3, false},
        {2, 16, 4, 4, true},  {1, 8, 0, 0, false},    {1, 8, 1, 1, true},    {2, 8, 1, 1, false},
        {2, 16, 8, 2, false}, {2, 16, 2, 100, false}, {2, 16, 4, 100, true},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(testing::Message() << c.nChannels << "ch " << c.nBits << "bit " << c.nBytes
                                        << "/" << c.nDeclared);
        test::WavSpec spec;
        spec.nChannels = c.nChannels;
        spec.nBits = c.nBits;
        spec.abData = test::RampData(c.nBytes);
        spec.bOverrideDataSize = true;
        spec.nDataSizeField = c.nDeclared;
        WavFile(test::MakeWav(spec)).Read(c.bValid ? "" : kBad);
    }
}

// The Type line counts the data chunk's size as unsigned.
TEST(WavReader, TypeTextShowsTheSizeUnsigned)
{
    test::WavSpec spec;
    spec.abData = test::RampData(64);
    spec.bOverrideDataSize = true;
    spec.nDataSizeField = 0xFFFFFF00;
    const WAVINFO info = WavFile(test::MakeWav(spec)).Read("");
    EXPECT_EQ(WavTypeText(info), "16-bit Mono PCM, 44100 Hz, 4294967040 Bytes");
}

struct FormatCase
{
    std::uint16_t nTag, nChannels, nBits;
    std::string strTail;
};

// Only the first failing test is reported: bits, then channels, then format.
TEST(WavReader, UnsupportedFormatsInOrder)
{
    const FormatCase aCases[] = {
        {1, 1, 8, ""},
        {1, 2, 16, ""},
        {1, 1, 24, BitsMessage(24)},
        {0xFFFE, 2, 24, BitsMessage(24)},
        {3, 1, 32, BitsMessage(32)},
        {1, 2, 0, BitsMessage(0)},
        {1, 4, 16, TrackMessage(4)},
        {7, 4, 8, TrackMessage(4)},
        {1, 0, 16, TrackMessage(0)},
        {3, 2, 16, kNotPcm},
        {6, 1, 8, kNotPcm},
        {0xFFFE, 1, 16, kNotPcm},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(testing::Message() << c.nTag << "/" << c.nChannels << "/" << c.nBits);
        test::WavSpec spec;
        spec.nFormatTag = c.nTag;
        spec.nChannels = c.nChannels;
        spec.nBits = c.nBits;
        spec.abData = test::RampData(48);
        const WAVINFO info = WavFile(test::MakeWav(spec)).Read(c.strTail);
        if (!c.strTail.empty())
        {
            EXPECT_EQ(WavTypeText(info), "UNSUPPORTED FILETYPE !!!");
        }
    }
}

// Every length short of the data chunk's size field and one frame of data is
// bad; from there on the header is whole.
TEST(WavReader, TruncatedAtEveryLength)
{
    struct Case
    {
        const char* szName;
        Bytes abBeforeFmt, abBeforeData;
    };
    const Case aCases[] = {
        {"canonical", {}, {}},
        {"with LIST", {}, test::MakeChunk("LIST", Bytes(10, 'l'))},
        {"with JUNK first", test::MakeChunk("JUNK", Bytes(4, 0)), {}},
    };
    for (const auto& c : aCases)
    {
        test::WavSpec spec;
        spec.abChunkBeforeFmt = c.abBeforeFmt;
        spec.abChunkBeforeData = c.abBeforeData;
        spec.abData = test::RampData(16);
        const Bytes abWhole = test::MakeWav(spec);
        const std::size_t nHeader = abWhole.size() - 16; // through the data size field
        test::TempDir dir;
        const std::string strPath = dir / "cut.wav";
        for (std::size_t nLength = 0; nLength <= abWhole.size(); ++nLength)
        {
            SCOPED_TRACE(testing::Message() << c.szName << ", " << nLength << " bytes");
            std::filesystem::remove(strPath); // a fresh file is quicker than an emptied one
            test::WriteFileBytes(strPath, Bytes(abWhole.begin(), abWhole.begin() + nLength));
            // A file without one whole frame (2 bytes here) has no sample.
            const WAVINFO info = ReadExpecting(strPath, nLength < nHeader + 2 ? kBad : "");
            if (nLength >= nHeader + 2)
            {
                EXPECT_EQ(info.nDataOffset, static_cast<int>(nHeader));
                EXPECT_EQ(info.nDataSize, 16);
            }
        }
    }
}

TEST(WavReader, DamagedHeadersAreBad)
{
    test::WavSpec spec;
    spec.abData = test::RampData(32);
    const Bytes abGood = test::MakeWav(spec);
    struct Case
    {
        const char* szName;
        std::size_t nOffset;
        Bytes abPatch;
    };
    const Case aCases[] = {
        {"not RIFF", 0, {'R', 'I', 'F', 'X'}},
        {"not WAVE", 8, {'W', 'A', 'V', 'F'}},
        {"no fmt word", 12, {'f', 'm', 't', '_'}},
        {"fmt size past the end", 16, {0xF0, 0xFF, 0xFF, 0x7F}},
        {"fmt size of 4 GB", 16, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"fmt size one past the end", 16, {16 + 8 + 32 + 1, 0, 0, 0}},
        {"no data chunk", 36, {'d', 'a', 't', '_'}},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        Bytes ab = abGood;
        std::copy(c.abPatch.begin(), c.abPatch.end(), ab.begin() + c.nOffset);
        WavFile(ab).Read(kBad);
    }
}

TEST(WavReader, WrongRiffSizeStillFindsTheData)
{
    // Writers that could not seek back leave the RIFF size at 0 or FFFFFFFF;
    // one that runs out on the LIST chunk must not make its size the data size.
    test::WavSpec spec;
    spec.abChunkBeforeData = test::MakeChunk("LIST", Bytes(6, 'x'));
    spec.abData = test::RampData(20);
    const Bytes abGood = test::MakeWav(spec);
    for (const std::uint32_t nRiffSize : {0u, 4u, 20u, 0xFFFFFFFFu})
    {
        SCOPED_TRACE(nRiffSize);
        Bytes ab = abGood;
        bo::StoreLE32(ab.data() + 4, nRiffSize);
        const WAVINFO info = WavFile(ab).Read("");
        EXPECT_EQ(info.nDataOffset, 44 + 14);
        EXPECT_EQ(info.nDataSize, 20);
        EXPECT_EQ(info.nRiffSize, static_cast<std::int32_t>(nRiffSize));
    }
}

TEST(WavReader, MissingDeletedAndOtherNonFiles)
{
    test::TempDir dir;
    const std::string strPath = dir / "gone.wav";
    test::WavSpec spec;
    spec.abData = test::RampData(8);
    test::WriteFileBytes(strPath, test::MakeWav(spec));
    ReadExpecting(strPath, "");
    std::filesystem::remove(strPath);
    ReadExpecting(strPath, kNotFound);
    ReadExpecting(strPath, kNotFound); // each time it is read
    ReadExpecting("", kNotFound);
    ReadExpecting(dir.Path().string(), "This is a folder, not a file.");
    const std::string strPipe = dir / "pipe.wav";
    ASSERT_EQ(::mkfifo(strPipe.c_str(), 0600), 0);
    ReadExpecting(strPipe, kBad);
}

TEST(WavReader, ClosesEveryFile)
{
    const auto nBefore = std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                       std::filesystem::directory_iterator());
    test::WavSpec spec;
    spec.abData = test::RampData(8);
    Bytes ab = test::MakeWav(spec);
    WavFile good(ab);
    ab[40] = 0xFF; // data size; still good
    ab[8] = 'X';
    WavFile bad(ab);
    test::CRecordingFeedback feedback;
    WAVINFO info;
    for (int i = 0; i < 20; ++i)
    {
        ShowAsMessages(ReadWavHeader(good.Path(), info), feedback);
        ShowAsMessages(ReadWavHeader(bad.Path(), info), feedback);
    }
    const auto nAfter = std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                      std::filesystem::directory_iterator());
    EXPECT_EQ(nAfter, nBefore);
}

// Random damage to the header of a file with a LIST chunk: whatever the
// bytes, the reader judges the file without crashing or reading outside its
// buffers (the sanitizer build checks the latter), with at most one
// message, and a usable verdict only with consistent facts.
TEST(WavReader, RandomDamageNeverMisbehaves)
{
    test::WavSpec spec;
    spec.abChunkBeforeData = test::MakeChunk("LIST", Bytes(12, 'z'));
    spec.abData = test::RampData(40);
    const Bytes abGood = test::MakeWav(spec);
    std::mt19937 rng(12345);
    test::TempDir dir;
    const std::string strPath = dir / "fuzz.wav";
    for (int nRound = 0; nRound < 1500; ++nRound)
    {
        Bytes ab = abGood;
        const int nChanges = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < nChanges; ++i)
        {
            const std::size_t nAt = rng() % 72; // within the header and LIST chunk
            ab[nAt] = static_cast<std::uint8_t>(rng() % 3 == 0 ? 0xFF : rng());
        }
        if (rng() % 4 == 0)
            ab.resize(rng() % ab.size());
        // A fresh file each round: emptying one that holds data makes the
        // file system flush it at close, which is slow.
        std::filesystem::remove(strPath);
        test::WriteFileBytes(strPath, ab);
        test::CRecordingFeedback feedback;
        WAVINFO info;
        const bool bValid = ShowAsMessages(ReadWavHeader(strPath, info), feedback);
        ASSERT_EQ(feedback.m_aMessages.size(), bValid ? 0u : 1u) << nRound;
        if (bValid)
        {
            EXPECT_TRUE(info.nBitsPerSample == 8 || info.nBitsPerSample == 16);
            EXPECT_TRUE(info.nChannels == 1 || info.nChannels == 2);
            EXPECT_EQ(info.nFormatTag, 1);
            EXPECT_GT(info.nSamplesPerSec, 0);
            EXPECT_GE(info.nDataOffset, 20);
            EXPECT_LE(static_cast<std::size_t>(info.nDataOffset), ab.size());
        }
    }
}

TEST(WavReader, FormatLine)
{
    WAVINFO info;
    info.bValid = true;
    info.nBitsPerSample = 16;
    info.nChannels = 2;
    info.nSamplesPerSec = 44100;
    info.nDataSize = 176400;
    EXPECT_EQ(WavTypeText(info), "16-bit Stereo PCM, 44100 Hz, 176400 Bytes");
    info.nBitsPerSample = 8;
    info.nChannels = 1;
    info.nSamplesPerSec = 22050;
    info.nDataSize = 7;
    EXPECT_EQ(WavTypeText(info), "8-bit Mono PCM, 22050 Hz, 7 Bytes");
    info.bValid = false;
    EXPECT_EQ(WavTypeText(info), "UNSUPPORTED FILETYPE !!!");
}

} // namespace
