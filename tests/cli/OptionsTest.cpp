// dorvane-cli make with the options that read today's audio files and build
// multisample keymaps, end to end: every option off gives the bytes of old;
// each option gives the file the sampler should get, read back by info.
#include "ByteOrder.h"
#include "CDorvane_V2Doc.h"
#include "CliRun.h"
#include "DiskImageTestUtil.h"
#include "KrzReader.h"
#include "PoolEdit.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

using test::Bytes;

namespace
{

using Result = test::CliResult;

Result Shell(const std::string& strDir, const std::string& strCommand)
{
    return test::RunShell(strDir, strCommand);
}

Result Cli(const std::string& strDir, const std::string& strArgs)
{
    return test::RunCli(strDir, strArgs);
}

// A "smpl" chunk: unity note and one forward loop.
Bytes Smpl(std::uint32_t nUnity, std::uint32_t nStart, std::uint32_t nEnd)
{
    Bytes ab;
    for (const std::uint32_t n : {0u, 0u, 22675u, nUnity, 0u, 0u, 0u, 1u, 0u})
        test::PutLE32(ab, n);
    for (const std::uint32_t n : {7u, 0u, nStart, nEnd, 0u, 0u})
        test::PutLE32(ab, n);
    return test::MakeChunk("smpl", ab);
}

Bytes Wav(int nChannels, std::size_t nFrames, std::uint32_t nRate = 44100, Bytes abTrailer = {})
{
    test::WavSpec spec;
    spec.nChannels = static_cast<std::uint16_t>(nChannels);
    spec.nRate = nRate;
    spec.abData = test::RampData(nFrames * 2 * nChannels, static_cast<std::uint8_t>(nChannels));
    spec.abTrailer = std::move(abTrailer);
    return test::MakeWav(spec);
}

std::uint32_t BE32(const Bytes& ab, std::size_t n)
{
    return bo::LoadBE32(ab.data() + n);
}

// The first sample header of a file whose first object is a mono sample.
constexpr std::size_t kHeader1 = 32 + 40;

} // namespace

// Converted 24-bit files give the words sox gives the same file cut to 16
// bits; without --convert they are refused as before.
TEST(CliOptions, ConvertedFileEqualsSoxConversion)
{
    if (std::system("command -v sox >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "sox is not installed";
    test::TempDir dir;
    std::filesystem::create_directories(dir / "deep");
    std::filesystem::create_directories(dir / "flat");
    for (const char* szFormat : {"-b 24 -e signed", "-b 32 -e floating-point"})
    {
        SCOPED_TRACE(szFormat);
        ASSERT_EQ(Shell(dir.Path(), std::string("sox -n -r 44100 -c 2 ") + szFormat +
                                        " deep/tone.wav synth 0.25 sine 440 sine 660 gain -3")
                      .nStatus,
                  0);
        ASSERT_EQ(Shell(dir.Path(), "sox deep/tone.wav -b 16 -e signed -D flat/tone.wav").nStatus,
                  0);

        EXPECT_EQ(Cli(dir.Path(), "make -o refused.krz deep/tone.wav").nStatus, 1);
        const Result converted = Cli(dir.Path(), "make --convert -o deep.krz deep/tone.wav");
        ASSERT_EQ(converted.nStatus, 0) << converted.strOut;
        ASSERT_EQ(Cli(dir.Path(), "make -o flat.krz flat/tone.wav").nStatus, 0);
        EXPECT_TRUE(test::ReadFileBytes(dir / "deep.krz") == test::ReadFileBytes(dir / "flat.krz"));
    }
}

// The root key and loop stored in a file, or a note name in its title.
TEST(CliOptions, RootKeyAndLoopFromTheFile)
{
    struct Case
    {
        const char* szName;
        Bytes abTrailer;
        const char* szFlags;
        int nRootByte;          // root key + 12
        std::uint32_t nLoopAt;  // loop start word
        std::uint32_t nEndWord; // last word
    };
    constexpr std::uint32_t kFrames = 1000;
    const Case aCases[] = {
        {"plain.wav", Smpl(62, 100, 499), "", 48 + 12, 0, kFrames - 1},
        {"plain.wav", Smpl(62, 100, 499), "--file-metadata", 62, 100, 499},
        {"first.wav", Smpl(60, 0, 0), "--file-metadata", 60, 0, 0},
        {"last.wav", Smpl(60, 999, 999), "--file-metadata", 60, 999, 999},
        {"past.wav", Smpl(60, 500, 1000), "--file-metadata", 60, 0, kFrames - 1},
        {"Pad F#2 C5.wav", {}, "--file-metadata", 60 + 12, 0, kFrames - 1},
        {"Pad F#2 C5.wav", {}, "", 48 + 12, 0, kFrames - 1},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(std::string(c.szName) + " " + c.szFlags);
        test::TempDir dir;
        test::WriteFileBytes(dir / c.szName, Wav(1, kFrames, 44100, c.abTrailer));

        const Result r =
            Cli(dir.Path(), std::string("make -o OUT.KRZ ") + c.szFlags + " '" + c.szName + "'");
        ASSERT_EQ(r.nStatus, 0) << r.strOut;

        const Bytes ab = test::ReadFileBytes(dir / "OUT.KRZ");
        EXPECT_EQ(ab[kHeader1], c.nRootByte);
        // LoopSwitch is on for a file with a loop.
        EXPECT_EQ(ab[kHeader1 + 1], c.nLoopAt != 0 || c.nEndWord != kFrames - 1 ? 0x70 : 0xF0);
        EXPECT_EQ(BE32(ab, kHeader1 + 16), c.nLoopAt);
        EXPECT_EQ(BE32(ab, kHeader1 + 20), c.nEndWord);
        // The frames after the loop are not written.
        EXPECT_EQ(ab.size(), BE32(ab, 4) + 2 * (c.nEndWord + 1));
        const KrzFileInfo info = ReadKrzData(ab.data(), ab.size());
        EXPECT_TRUE(info.IsValid()) << FormatKrzFileInfo(info);
    }
}

// Files above the rate limit are resampled: the rate and the length follow.
TEST(CliOptions, RateLimitResamples)
{
    test::TempDir dir;
    test::WriteFileBytes(dir / "high.wav", Wav(2, 9600, 96000));
    ASSERT_EQ(Cli(dir.Path(), "make -o OUT.KRZ --max-rate 48000 high.wav").nStatus, 0);
    const Bytes ab = test::ReadFileBytes(dir / "OUT.KRZ");
    const std::size_t nStereoHeader1 = 32 + 40;
    EXPECT_EQ(BE32(ab, nStereoHeader1 + 28), 1000000000u / 48000); // period
    EXPECT_EQ(BE32(ab, nStereoHeader1 + 20), 4800u - 1);           // half the frames
    EXPECT_EQ(ab.size(), BE32(ab, 4) + 2 * 2 * 4800u);
    const KrzFileInfo info = ReadKrzData(ab.data(), ab.size());
    EXPECT_TRUE(info.IsValid()) << FormatKrzFileInfo(info);
}

// Entries with one keymap name make one keymap with a sample per key and
// one program; refusals write nothing.
TEST(CliOptions, MultisampleKeymaps)
{
    struct Entry
    {
        const char* szFile;
        int nChannels;
        const char* szKeymap;
        int nRootKey;
    };
    struct Case
    {
        const char* szName;
        std::vector<Entry> aEntries;
        const char* szExpect; // text info prints, or the refusal's words
        bool bRefused;
    };
    // Key 42 lies halfway between roots 36 and 48, key 55 between 40 and 70:
    // a tie plays the lower root.
    const Case aCases[] = {
        {"three unsorted roots",
         {{"c.wav", 1, "Piano", 60}, {"a.wav", 1, "Piano", 36}, {"b.wav", 1, "Piano", 48}},
         "C 0-F#3: sample 201\n  G 3-F#4: sample 202\n  G 4-G 10: sample 200",
         false},
        {"stereo pair",
         {{"l.wav", 2, "Str", 40}, {"h.wav", 2, "Str", 70}},
         "C 0-G 4: sample 200\n  G#4-G 10: sample 201",
         false},
        // Names equal as the file holds them are one keymap: two keymaps
        // both written "Piano" would be one name to the sampler.
        {"names equal as written",
         {{"a.wav", 1, "Piano", 36}, {"b.wav", 1, "Piano ", 60}},
         "C 0-C 4: sample 200\n  C#4-G 10: sample 201",
         false},
        {"same root",
         {{"a.wav", 1, "Piano", 48}, {"b.wav", 1, "Piano", 48}},
         "same root key",
         true},
        {"mono and stereo",
         {{"a.wav", 1, "Mix", 48}, {"b.wav", 2, "Mix", 60}},
         "mono and stereo",
         true},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        CDorvane_V2Doc doc;
        for (const Entry& e : c.aEntries)
        {
            test::WriteFileBytes(dir / e.szFile, Wav(e.nChannels, 500));
            const int n = AddPoolEntry(doc, e.szFile, e.szFile);
            doc.m_aPool[n].m_strKeymapName = e.szKeymap;
            doc.m_aPool[n].m_nRootKey = e.nRootKey;
        }
        test::CRecordingFeedback feedback;
        ASSERT_TRUE(ShowAsMessages(doc.OnSaveDocument(dir / "pool.dvn"), feedback));

        // Without the option every entry keeps its own keymap.
        ASSERT_EQ(Cli(dir.Path(), "make -o plain.krz pool.dvn").nStatus, 0);

        const Result r = Cli(dir.Path(), "make --multisample -o OUT.KRZ pool.dvn");
        if (c.bRefused)
        {
            EXPECT_EQ(r.nStatus, 1);
            EXPECT_NE(r.strOut.find(c.szExpect), std::string::npos) << r.strOut;
            EXPECT_FALSE(test::FileExists(dir / "OUT.KRZ"));
            continue;
        }
        ASSERT_EQ(r.nStatus, 0) << r.strOut;
        const std::string strSamples =
            std::to_string(c.aEntries.size()) + " samples, 1 keymap, 1 program";
        EXPECT_NE(r.strOut.find(strSamples), std::string::npos) << r.strOut;
        const Result info = Cli(dir.Path(), "info OUT.KRZ");
        EXPECT_EQ(info.nStatus, 0) << info.strOut;
        EXPECT_NE(info.strOut.find(c.szExpect), std::string::npos) << info.strOut;
        // The sample data is the same as without groups.
        const Bytes abPlain = test::ReadFileBytes(dir / "plain.krz");
        const Bytes abMulti = test::ReadFileBytes(dir / "OUT.KRZ");
        EXPECT_TRUE(std::equal(abPlain.begin() + BE32(abPlain, 4), abPlain.end(),
                               abMulti.begin() + BE32(abMulti, 4), abMulti.end()));
    }
}

// A group of one entry is written exactly as without the option.
TEST(CliOptions, MultisampleGroupsOfOneChangeNothing)
{
    test::TempDir dir;
    for (const char* szName : {"a.wav", "b.wav"})
        test::WriteFileBytes(dir / szName, Wav(1, 300));
    ASSERT_EQ(Cli(dir.Path(), "make -o plain.krz a.wav b.wav").nStatus, 0);
    ASSERT_EQ(Cli(dir.Path(), "make --multisample -o multi.krz a.wav b.wav").nStatus, 0);
    EXPECT_TRUE(test::ReadFileBytes(dir / "plain.krz") == test::ReadFileBytes(dir / "multi.krz"));
}

// Floppy images and copies into a disk image, read back by dosfstools and
// mtools: make --image, image --format, put (refused on a name clash
// without --replace, the image unchanged).
TEST(CliOptions, FloppyImagesAndPut)
{
    if (!test::HaveFatTools())
        GTEST_SKIP() << "dosfstools or mtools missing";
    test::TempDir dir;
    test::WriteFileBytes(dir / "a.wav", Wav(2, 20000));

    const auto made = Cli(dir.Path(), "make -o P.KRZ --split --split-size 40 --image 720 a.wav");
    ASSERT_EQ(made.nStatus, 0);
    // The summary counts the parts the images were made of.
    EXPECT_NE(made.strOut.find(" bytes, 2 parts"), std::string::npos) << made.strOut;
    for (const char* szPart : {"P.KRZ01", "P.KRZ02"})
    {
        SCOPED_TRACE(szPart);
        const std::string strImage = dir / (std::string(szPart) + ".img");
        EXPECT_EQ(test::FsckProblems(strImage), "");
        EXPECT_TRUE(test::McopyOut(strImage, "P.KRZ") == test::ReadFileBytes(dir / szPart));
    }

    ASSERT_EQ(Cli(dir.Path(), "image --format 1440 P.KRZ").nStatus, 0);
    EXPECT_EQ(test::FsckProblems(dir / "P.KRZ.img"), "");
    EXPECT_TRUE(test::McopyOut(dir / "P.KRZ.img", "P.KRZ") == test::ReadFileBytes(dir / "P.KRZ"));

    ASSERT_EQ(test::RunTool(test::FindTool("mkfs.fat") + " -C -F 16 " +
                            test::Quoted(dir / "disk.img") + " 32768")
                  .nStatus,
              0);
    ASSERT_EQ(Cli(dir.Path(), "put disk.img P.KRZ").nStatus, 0);
    EXPECT_EQ(test::FsckProblems(dir / "disk.img"), "");
    EXPECT_TRUE(test::McopyOut(dir / "disk.img", "P.KRZ") == test::ReadFileBytes(dir / "P.KRZ"));
    const Bytes abBefore = test::ReadFileBytes(dir / "disk.img");
    EXPECT_EQ(Cli(dir.Path(), "put disk.img P.KRZ").nStatus, 1);
    EXPECT_TRUE(test::ReadFileBytes(dir / "disk.img") == abBefore);
    EXPECT_EQ(Cli(dir.Path(), "put disk.img P.KRZ --replace").nStatus, 0);
    EXPECT_EQ(test::FsckProblems(dir / "disk.img"), "");
}
