// Inputs as the readers see them: AIFF marker and instrument chunks that
// cannot be read, sample rates no sample header holds, and the messages
// that tell a missing, unreadable or folder input from a bad file.
#include "AudioInput.h"
#include "ContainerChunks.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>

namespace
{

using test::Bytes;

void PutBE(Bytes& ab, std::uint64_t n, int nBytes)
{
    for (int i = nBytes - 1; i >= 0; --i)
        ab.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
}

void PutChunk(Bytes& ab, const char* szId, const Bytes& abBody)
{
    test::PutTag(ab, szId);
    PutBE(ab, abBody.size(), 4);
    ab.insert(ab.end(), abBody.begin(), abBody.end());
    if (abBody.size() % 2 != 0)
        ab.push_back(0);
}

// A whole rate as an 80-bit extended number.
Bytes Extended(std::uint64_t nRate)
{
    Bytes ab;
    if (nRate == 0)
        return Bytes(10, 0);
    const int nExp = static_cast<int>(std::log2(static_cast<double>(nRate)));
    PutBE(ab, 16383 + nExp, 2);
    PutBE(ab, nRate << (63 - nExp), 8);
    return ab;
}

constexpr std::uint32_t kFrames = 1000;

std::int16_t Word(std::uint32_t i)
{
    return static_cast<std::int16_t>(i * 37 % 30000 - 15000);
}

// A 16-bit mono AIFF file of kFrames frames, with the chunks given before
// its sound data.
Bytes Aiff(const Bytes& abChunks, std::uint64_t nRate = 44100)
{
    Bytes abComm;
    PutBE(abComm, 1, 2);
    PutBE(abComm, kFrames, 4);
    PutBE(abComm, 16, 2);
    const Bytes abRate = Extended(nRate);
    abComm.insert(abComm.end(), abRate.begin(), abRate.end());
    Bytes abSsnd(8, 0);
    for (std::uint32_t i = 0; i < kFrames; ++i)
        PutBE(abSsnd, static_cast<std::uint16_t>(Word(i)), 2);
    Bytes abForm = {'A', 'I', 'F', 'F'};
    PutChunk(abForm, "COMM", abComm);
    abForm.insert(abForm.end(), abChunks.begin(), abChunks.end());
    PutChunk(abForm, "SSND", abSsnd);
    Bytes ab;
    PutChunk(ab, "FORM", abForm);
    return ab;
}

// A MARK chunk: nCount, then markers (id, position, name whose count byte
// says nNameCount).
struct Marker
{
    std::uint16_t nId;
    std::uint32_t nPos;
    std::uint8_t nNameCount;
};
Bytes Mark(std::uint16_t nCount, const std::vector<Marker>& aMarkers)
{
    Bytes ab;
    PutBE(ab, nCount, 2);
    for (const Marker& m : aMarkers)
    {
        PutBE(ab, m.nId, 2);
        PutBE(ab, m.nPos, 4);
        ab.push_back(m.nNameCount);
        ab.insert(ab.end(), {'a', 'b', 'c'}); // the text of a 3-character name
    }
    Bytes abChunk;
    PutChunk(abChunk, "MARK", ab);
    return abChunk;
}

// An INST chunk of nSize bytes: base note 60, sustain loop forward from
// marker 1 to marker 2.
Bytes Inst(std::size_t nSize = 20)
{
    Bytes ab = {60, 0, 0, 127, 1, 127, 0, 0};
    PutBE(ab, 1, 2);
    PutBE(ab, 1, 2);
    PutBE(ab, 2, 2);
    ab.resize(nSize, 0);
    Bytes abChunk;
    PutChunk(abChunk, "INST", ab);
    return abChunk;
}

Bytes Concat(Bytes ab, const Bytes& abMore)
{
    ab.insert(ab.end(), abMore.begin(), abMore.end());
    return ab;
}

CAudioOptions Convert(bool bMetadata)
{
    CAudioOptions options;
    options.bConvert = true;
    options.bFileMetadata = bMetadata;
    return options;
}

} // namespace

// The sound starts at the first frame of the sound data whatever the marker
// and instrument chunks before it hold; one that cannot be read is ignored
// whole, and the file says so.
TEST(InputReading, UnreadableMarkersNeverMoveTheSound)
{
    const Bytes abMarks = Mark(2, {{1, 100, 3}, {2, 900, 3}});
    const struct
    {
        const char* szName;
        Bytes abChunks;
        bool bIgnored;
        bool bLoop;
        int nRootKey;
    } aCases[] = {
        {"markers and instrument whole", Concat(abMarks, Inst()), false, true, 60},
        {"a name runs past its marker", Concat(Mark(2, {{1, 100, 60}, {2, 900, 3}}), Inst()), true,
         false, 60},
        {"more markers than the chunk holds", Concat(Mark(5, {{1, 100, 3}, {2, 900, 3}}), Inst()),
         true, false, 60},
        {"the last name runs past the chunk", Concat(Mark(2, {{1, 100, 3}, {2, 900, 9}}), Inst()),
         true, false, 60},
        {"instrument chunk too short", Concat(abMarks, Inst(10)), true, false, -1},
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
            ASSERT_TRUE(ReadAudioHeader(strPath, info, Convert(bMetadata), feedback));
            ASSERT_EQ(info.nFrames, kFrames);
            EXPECT_EQ(info.bMetadataIgnored, bMetadata && c.bIgnored);
            EXPECT_EQ(info.bHasLoop, bMetadata && c.bLoop);
            EXPECT_EQ(info.nFileRootKey, bMetadata ? c.nRootKey : -1);
            if (info.bHasLoop)
            {
                EXPECT_EQ(info.nLoopStart, 100u);
                EXPECT_EQ(info.nLoopEnd, 899u);
            }
            CAudioDecoder decoder(strPath, info, Convert(bMetadata));
            std::vector<std::int16_t> an(kFrames);
            ASSERT_EQ(decoder.Read(an.data(), kFrames), kFrames);
            for (std::uint32_t i = 0; i < kFrames; ++i)
                ASSERT_EQ(an[i], Word(i)) << "frame " << i;
        }
    }
}

// A rate whose period in whole nanoseconds is 0, or a rate of 0, is refused
// with a message naming it, in WAV files and (converted) AIFF files.
TEST(InputReading, RatesNoSampleHeaderHoldsAreRefused)
{
    const std::string kTooFast = " cannot be written: its period in whole nanoseconds is 0, and a "
                                 "sample header holds rates up to 1000000000 Hz.";
    const struct
    {
        std::uint64_t nRate;
        std::string strTail; // empty: usable
    } aCases[] = {
        {0, "The sample rate 0 Hz cannot be written: a sample header holds no rate of 0."},
        {1, ""},
        {44100, ""},
        {1000000000, ""},
        {1000000001, "The sample rate 1000000001 Hz" + kTooFast},
        {2147483647, "The sample rate 2147483647 Hz" + kTooFast},
        {4294967295, "The sample rate 4294967295 Hz" + kTooFast},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.nRate);
        test::TempDir dir;
        test::WavSpec spec;
        spec.nRate = static_cast<std::uint32_t>(c.nRate);
        spec.abData = test::RampData(40);
        test::WriteFileBytes(dir / "a.wav", test::MakeWav(spec));
        test::WriteFileBytes(dir / "a.aiff", Aiff({}, c.nRate));
        for (const std::string& strPath : {dir / "a.wav", dir / "a.aiff"})
        {
            test::CRecordingFeedback feedback;
            WAVINFO info;
            const bool bValid = ReadAudioHeader(strPath, info, Convert(false), feedback);
            EXPECT_EQ(bValid, c.strTail.empty()) << strPath;
            if (c.strTail.empty())
            {
                EXPECT_EQ(static_cast<std::uint32_t>(info.nSamplesPerSec), c.nRate) << strPath;
                continue;
            }
            ASSERT_EQ(feedback.m_aMessages.size(), 1u);
            EXPECT_EQ(feedback.m_aMessages[0].strText,
                      "Error in file: " + strPath + "\n" + c.strTail);
        }
    }
}

TEST(InputReading, ExtendedRatesAreTakenWhole)
{
    const struct
    {
        Bytes ab;
        std::uint64_t nWhole;
    } aCases[] = {
        {Extended(44100), 44100},
        {Extended(1), 1},
        {{0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}, 0},                      // 0.5
        {{0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}, 0},                   // -44100
        {{0x40, 0x0E, 0xAC, 0x44, 0x80, 0, 0, 0, 0, 0}, 44100},            // 44100.5
        {{0x40, 0x3F, 0x80, 0, 0, 0, 0, 0, 0, 0}, std::uint64_t{1} << 32}, // 2^64
        {{0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}, std::uint64_t{1} << 32}, // infinity
    };
    for (const auto& c : aCases)
        EXPECT_EQ(ExtendedToWhole(c.ab.data()), c.nWhole);
}

// A missing file, a folder and a file that cannot be read each say so; the
// bit-depth and format refusals name the setting that reads such files,
// unless it is on.
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
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.strPath + (c.bConvert ? " converting" : ""));
        test::CRecordingFeedback feedback;
        WAVINFO info;
        CAudioOptions options;
        options.bConvert = c.bConvert;
        EXPECT_EQ(ReadAudioHeader(c.strPath, info, options, feedback), c.strTail.empty());
        if (c.strTail.empty())
            continue;
        ASSERT_EQ(feedback.m_aMessages.size(), 1u);
        EXPECT_EQ(feedback.m_aMessages[0].strText,
                  "Error in file: " + c.strPath + "\n" + c.strTail);
    }
}
