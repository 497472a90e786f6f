// Inputs as the readers see them: AIFF marker and instrument chunks that
// cannot be read, sample rates no sample header holds, and the messages
// that tell a missing, unreadable or folder input from a bad file.
#include "AudioDecoder.h"
#include "AudioInput.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

namespace
{

using test::Bytes;

void PutBE(Bytes& ab, std::uint64_t n, int nBytes)
{
    for (int i = nBytes - 1; i >= 0; --i)
        ab.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
}

Bytes Chunk(const char* szId, const Bytes& abBody)
{
    Bytes ab;
    test::PutTag(ab, szId);
    PutBE(ab, abBody.size(), 4);
    ab.insert(ab.end(), abBody.begin(), abBody.end());
    if (abBody.size() % 2 != 0)
        ab.push_back(0);
    return ab;
}

constexpr std::uint32_t kFrames = 1000;

std::int16_t Word(std::uint32_t i)
{
    return static_cast<std::int16_t>(i * 37 % 30000 - 15000);
}

// A 16-bit mono AIFF file of kFrames frames at 44100 Hz (or 0 Hz), with
// the chunks abChunks before its sound data.
Bytes Aiff(const Bytes& abChunks, bool bZeroRate = false)
{
    Bytes abComm = {0, 1};
    PutBE(abComm, kFrames, 4);
    PutBE(abComm, 16, 2);
    const Bytes abRate = bZeroRate ? Bytes(10, 0) : Bytes{0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    abComm.insert(abComm.end(), abRate.begin(), abRate.end());
    Bytes abSsnd(8, 0);
    for (std::uint32_t i = 0; i < kFrames; ++i)
        PutBE(abSsnd, static_cast<std::uint16_t>(Word(i)), 2);
    Bytes abForm = {'A', 'I', 'F', 'F'};
    for (const Bytes& ab : {Chunk("COMM", abComm), abChunks, Chunk("SSND", abSsnd)})
        abForm.insert(abForm.end(), ab.begin(), ab.end());
    return Chunk("FORM", abForm);
}

// A MARK chunk of nCount markers 1 at frame 100 and 2 at frame 900 with
// names of 3 characters, whose count bytes say nName1 and nName2; then an
// INST chunk of nInst bytes (base note 60, forward loop from 1 to 2).
Bytes Markers(std::uint16_t nCount, std::uint8_t nName1, std::uint8_t nName2, std::size_t nInst)
{
    const Bytes abMark = {0,      static_cast<std::uint8_t>(nCount),
                          0,      1,
                          0,      0,
                          0,      100,
                          nName1, 'a',
                          'b',    'c',
                          0,      2,
                          0,      0,
                          3,      0x84,
                          nName2, 'x',
                          'y',    'z'};
    Bytes abInst = {60, 0, 0, 127, 1, 127, 0, 0, 0, 1, 0, 1, 0, 2};
    abInst.resize(nInst, 0);
    Bytes ab = Chunk("MARK", abMark);
    const Bytes abInstChunk = Chunk("INST", abInst);
    ab.insert(ab.end(), abInstChunk.begin(), abInstChunk.end());
    return ab;
}

} // namespace

// The sound starts at the first frame of the sound data whatever the marker
// and instrument chunks before it hold; one that cannot be read is ignored
// whole, and the file says so.
TEST(InputReading, UnreadableMarkersNeverMoveTheSound)
{
    const struct
    {
        const char* szName;
        Bytes abChunks;
        bool bIgnored;
        bool bLoop;
        int nRootKey;
    } aCases[] = {
        {"markers and instrument whole", Markers(2, 3, 3, 20), false, true, 60},
        {"a name runs past its marker", Markers(2, 60, 3, 20), true, false, 60},
        {"more markers than the chunk holds", Markers(5, 3, 3, 20), true, false, 60},
        {"the last name runs past the chunk", Markers(2, 3, 9, 20), true, false, 60},
        {"instrument chunk too short", Markers(2, 3, 3, 10), true, false, -1},
        {"neither", {}, false, false, -1},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        const std::string strPath = dir / "tone.aiff";
        test::WriteFileBytes(strPath, Aiff(c.abChunks));
        for (const bool bMetadata : {false, true})
        {
            test::CRecordingFeedback feedback;
            WAVINFO info;
            const CAudioOptions options{true, 0, bMetadata};
            ASSERT_TRUE(ShowAsMessages(ReadAudioHeader(strPath, info, options), feedback));
            ASSERT_EQ(info.nFrames, kFrames);
            EXPECT_EQ(info.bMetadataIgnored, bMetadata && c.bIgnored);
            EXPECT_EQ(info.bHasLoop, bMetadata && c.bLoop);
            EXPECT_EQ(info.nFileRootKey, bMetadata ? c.nRootKey : -1);
            if (info.bHasLoop)
            {
                EXPECT_EQ(info.nLoopStart, 100u);
                EXPECT_EQ(info.nLoopEnd, 899u);
            }
            CAudioDecoder decoder(strPath, info, options);
            std::vector<std::int16_t> an(kFrames);
            ASSERT_EQ(decoder.Read(an.data(), kFrames), kFrames);
            for (std::uint32_t i = 0; i < kFrames; ++i)
                ASSERT_EQ(an[i], Word(i)) << "frame " << i;
        }
    }
}

// A missing file, a folder and a file that cannot be read each say so; the
// bit-depth and format refusals and AIFF and FLAC files name the setting
// that reads them, unless it is on; a rate no sample header holds (0, or
// one whose period in whole nanoseconds is 0) is refused naming it.
TEST(InputReading, MessagesTellWhatIsWrongWithTheFile)
{
    test::TempDir dir;
    test::WavSpec spec24;
    spec24.nBits = 24;
    spec24.abData = test::RampData(30);
    test::WriteFileBytes(dir / "deep.wav", test::MakeWav(spec24));
    test::WavSpec specAlaw;
    specAlaw.nFormatTag = 6;
    specAlaw.nBits = 8;
    specAlaw.abData = test::RampData(30);
    test::WriteFileBytes(dir / "alaw.wav", test::MakeWav(specAlaw));
    test::WriteFileBytes(dir / "tone.aiff", Aiff({}));
    test::WriteFileBytes(dir / "tone.flac", Bytes{'f', 'L', 'a', 'C', 0, 0, 0, 34, 1, 2, 3, 4});
    test::WriteFileBytes(dir / "text.wav", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    for (const std::uint32_t nRate : {0u, 1000000000u, 1000000001u, 4294967295u})
    {
        test::WavSpec spec;
        spec.nRate = nRate;
        spec.abData = test::RampData(40);
        test::WriteFileBytes(dir / (std::to_string(nRate) + ".wav"), test::MakeWav(spec));
    }
    test::WriteFileBytes(dir / "0.aiff", Aiff({}, true));
    const std::string kTooFast = " Hz cannot be written: its period in whole nanoseconds is 0, "
                                 "and a sample header holds rates up to 1000000000 Hz.";
    const std::string kZero = "The sample rate 0 Hz cannot be written: a sample header holds "
                              "no rate of 0.";
    std::filesystem::create_directories(dir / "folder.wav");
    test::WriteFileBytes(dir / "locked.wav", test::MakeWav(spec24));
    std::filesystem::permissions(dir / "locked.wav", std::filesystem::perms::none);
    const std::string strHint = std::string("\n") + kConvertHint;
    const struct
    {
        std::string strPath;
        bool bConvert;
        std::string strTail; // empty: usable
    } aCases[] = {
        {dir / "missing.wav", false, "The file was not found."},
        {dir / "missing.wav", true, "The file was not found."},
        {dir / "no/such.wav", false, "The file was not found."},
        {dir / "folder.wav", false, "This is a folder, not a file."},
        {dir / "folder.wav", true, "This is a folder, not a file."},
        // Opens, but reading its first bytes fails.
        {"/proc/self/mem", true, "The file cannot be read: Input/output error."},
        {dir / "locked.wav", false,
         ::geteuid() == 0 ? "24-bit files are currently not supported." + strHint
                          : "The file cannot be read: Permission denied."},
        {dir / "deep.wav", false, "24-bit files are currently not supported." + strHint},
        {dir / "deep.wav", true, ""},
        {dir / "alaw.wav", false, "Only PCM wav-files are supported." + strHint},
        {dir / "tone.aiff", false, "This is an AIFF file, not a WAV file." + strHint},
        {dir / "tone.aiff", true, ""},
        {dir / "tone.flac", false, "This is a FLAC file, not a WAV file." + strHint},
        {dir / "text.wav", false, "File is bad or non-existing..."},
        {dir / "0.wav", false, kZero},
        {dir / "0.aiff", true, kZero},
        {dir / "1000000000.wav", false, ""},
        {dir / "1000000001.wav", true, "The sample rate 1000000001" + kTooFast},
        {dir / "4294967295.wav", false, "The sample rate 4294967295" + kTooFast},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.strPath + (c.bConvert ? " converting" : ""));
        test::CRecordingFeedback feedback;
        WAVINFO info;
        CAudioOptions options;
        options.bConvert = c.bConvert;
        EXPECT_EQ(ShowAsMessages(ReadAudioHeader(c.strPath, info, options), feedback), c.strTail.empty());
        if (c.strTail.empty())
            continue;
        ASSERT_EQ(feedback.m_aMessages.size(), 1u);
        EXPECT_EQ(feedback.m_aMessages[0].strText,
                  "Error in file: " + c.strPath + "\n" + c.strTail);
    }
}
