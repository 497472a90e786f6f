// The KRZ builder against the byte layout: the two-entry worked example,
// object numbering, names, pitch, failures and temporary files.
#include "ByteOrder.h"
#include "CFileException.h"
#include "KrzBuilder.h"
#include "KrzName.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <algorithm>

using test::Bytes;

namespace
{

// A template whose every byte is recognisable, so that a test can tell
// which bytes the builder wrote.
TemplateBytes PatternTemplate()
{
    TemplateBytes ab{};
    for (std::size_t i = 0; i < ab.size(); ++i)
        ab[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return ab;
}

struct Pool
{
    CDorvane_V2Doc doc;
    WavInfoArray aWavInfo{};
    test::CRecordingFeedback feedback;

    // Adds an entry for a WAV file made from spec and reads its header.
    int Add(const test::TempDir& dir, const std::string& strName, const test::WavSpec& spec)
    {
        const std::string strPath = dir / (strName + ".wav");
        test::WriteFileBytes(strPath, test::MakeWav(spec));
        const int n = AddPoolEntry(doc, strPath, strName + ".wav");
        ShowAsMessages(ReadWavHeader(strPath, aWavInfo[n]), feedback);
        return n;
    }
};

test::WavSpec Spec(int nChannels, int nBits, std::uint32_t nRate, std::size_t nBytes)
{
    test::WavSpec spec;
    spec.nChannels = static_cast<std::uint16_t>(nChannels);
    spec.nBits = static_cast<std::uint16_t>(nBits);
    spec.nRate = nRate;
    spec.abData = test::RampData(nBytes, static_cast<std::uint8_t>(nBits + nChannels));
    return spec;
}

std::string Text(const Bytes& ab, std::size_t nOffset, std::size_t nLength)
{
    return std::string(ab.begin() + static_cast<long>(nOffset),
                       ab.begin() + static_cast<long>(nOffset + nLength));
}

std::uint32_t BE32(const Bytes& ab, std::size_t n)
{
    return bo::LoadBE32(&ab[n]);
}
std::uint16_t BE16(const Bytes& ab, std::size_t n)
{
    return bo::LoadBE16(&ab[n]);
}

// Checks that the region of the file equals the template region but for the
// listed [from, to] ranges.
void ExpectTemplateBytes(const Bytes& abFile, std::size_t nFileOffset,
                         const TemplateBytes& abTemplate, TemplateRegion region,
                         std::vector<std::pair<int, int>> aWritten)
{
    for (std::size_t i = 0; i < region.nLength; ++i)
    {
        bool bWritten = false;
        for (auto [nFrom, nTo] : aWritten)
            bWritten |= static_cast<int>(i) >= nFrom && static_cast<int>(i) <= nTo;
        if (!bWritten)
        {
            ASSERT_EQ(abFile[nFileOffset + i], abTemplate[region.nOffset + i])
                << "object byte " << i << " at file offset " << nFileOffset + i;
        }
    }
}

} // namespace

TEST(Builder, WorkedExample)
{
    test::TempDir dir;
    Pool pool;
    const int n0 = pool.Add(dir, "PIANO", Spec(1, 16, 44100, 88200));
    pool.doc.m_aPool[n0].m_bProgramEnable = 0;
    const int n1 = pool.Add(dir, "STRINGS", Spec(2, 8, 22050, 1000));
    pool.doc.m_aPool[n1].m_bLoop = 1;
    pool.doc.SetModifiedFlag(false);

    const TemplateBytes abOriginal = PatternTemplate();
    TemplateBytes abTemplate = abOriginal;
    BuildKrzFile(pool.doc, pool.aWavInfo, 200, abTemplate, dir / "OUT.KRZ", pool.feedback);

    const Bytes ab = test::ReadFileBytes(dir / "OUT.KRZ");
    ASSERT_EQ(ab.size(), 91108u);
    EXPECT_EQ(BE32(ab, 4), 908u);
    ExpectTemplateBytes(ab, 0, abOriginal, kFileHeader, {{4, 7}});

    // Entry 0: mono sample, keymap, no program.
    EXPECT_EQ(BE16(ab, 32 + 4), 0x98C8);
    EXPECT_EQ(Text(ab, 32 + 10, 16), "PIANO           ");
    EXPECT_EQ(ab[32 + 40], 0x3C);
    EXPECT_EQ(ab[32 + 41], 0xF0);
    EXPECT_EQ(BE16(ab, 32 + 44), 6147);
    for (int k : {48, 52, 56})
        EXPECT_EQ(BE32(ab, 32 + k), 0u);
    EXPECT_EQ(BE32(ab, 32 + 60), 44099u);
    EXPECT_EQ(BE32(ab, 32 + 68), 22675u);
    ExpectTemplateBytes(ab, 32, abOriginal, kMonoSample,
                        {{4, 5}, {10, 25}, {40, 41}, {44, 45}, {48, 63}, {68, 71}});
    EXPECT_EQ(BE16(ab, 128 + 4), 0x94C8);
    EXPECT_EQ(Text(ab, 128 + 10, 16), "PIANO           ");
    EXPECT_EQ(BE16(ab, 128 + 28), 0x00C8);
    ExpectTemplateBytes(ab, 128, abOriginal, kMonoKeymap, {{4, 5}, {10, 25}, {28, 29}});

    // Entry 1: stereo sample, keymap and program.
    EXPECT_EQ(BE16(ab, 312 + 4), 0x98C9);
    EXPECT_EQ(Text(ab, 312 + 10, 16), "STRINGS         ");
    for (int h : {40, 72})
    {
        EXPECT_EQ(ab[312 + h], 0x3C);
        EXPECT_EQ(ab[312 + h + 1], 0x70);
        EXPECT_EQ(BE16(ab, 312 + h + 4), 7347);
        EXPECT_EQ(BE32(ab, 312 + h + 28), 45351u);
    }
    EXPECT_EQ(BE32(ab, 312 + 48), 44100u);
    EXPECT_EQ(BE32(ab, 312 + 52), 44100u);
    EXPECT_EQ(BE32(ab, 312 + 56), 44100u);
    EXPECT_EQ(BE32(ab, 312 + 60), 44599u);
    EXPECT_EQ(BE32(ab, 312 + 80), 44600u);
    EXPECT_EQ(BE32(ab, 312 + 92), 45099u);
    ExpectTemplateBytes(
        ab, 312, abOriginal, kStereoSample,
        {{4, 5}, {10, 25}, {40, 41}, {44, 45}, {48, 63}, {68, 73}, {76, 77}, {80, 95}, {100, 103}});
    EXPECT_EQ(BE16(ab, 440 + 4), 0x94C9);
    EXPECT_EQ(BE16(ab, 440 + 28), 0x00C9);
    EXPECT_EQ(BE16(ab, 624 + 4), 0x90C9);
    EXPECT_EQ(Text(ab, 624 + 10, 16), "STRINGS         ");
    EXPECT_EQ(BE16(ab, 624 + 188), 0x00C9);
    EXPECT_EQ(BE16(ab, 624 + 192), 0x00C9);
    ExpectTemplateBytes(ab, 624, abOriginal, kStereoProgram,
                        {{4, 5}, {10, 25}, {188, 189}, {192, 193}});
    EXPECT_EQ(BE32(ab, 904), 0u);

    // Sample data: entry 0 swapped, then entry 1's left and right channels.
    const Bytes abPiano = Spec(1, 16, 44100, 88200).abData;
    for (std::size_t i = 0; i < abPiano.size(); i += 2)
    {
        ASSERT_EQ(ab[908 + i], abPiano[i + 1]);
        ASSERT_EQ(ab[908 + i + 1], abPiano[i]);
    }
    const Bytes abStrings = Spec(2, 8, 22050, 1000).abData;
    for (std::size_t f = 0; f < 500; ++f)
    {
        ASSERT_EQ(ab[89108 + 2 * f], abStrings[2 * f] ^ 0x80);
        ASSERT_EQ(ab[90108 + 2 * f], abStrings[2 * f + 1] ^ 0x80);
        ASSERT_EQ(ab[89108 + 2 * f + 1], 0);
    }

    // Empty names were filled in the pool, without marking it modified.
    EXPECT_EQ(pool.doc.m_aPool[0].m_strKeymapName, "PIANO");
    EXPECT_EQ(pool.doc.m_aPool[1].m_strProgramName, "STRINGS");
    EXPECT_FALSE(pool.doc.IsModified());

    // Feedback: the bar follows the bytes written, never going back; no
    // temporary file is made.
    EXPECT_EQ(pool.feedback.m_aRanges.back(), std::make_pair(0, kBuildProgressRange));
    EXPECT_TRUE(
        std::is_sorted(pool.feedback.m_aPositions.begin(), pool.feedback.m_aPositions.end()));
    EXPECT_EQ(pool.feedback.m_aPositions.back(), kBuildProgressRange);
    EXPECT_EQ(pool.feedback.m_aStatus,
              (std::vector<std::string>{"Working on " + (dir / "PIANO.wav"),
                                        "Working on " + (dir / "STRINGS.wav")}));
    EXPECT_EQ(test::ListDir(dir.Path()),
              (std::vector<std::string>{"OUT.KRZ", "PIANO.wav", "STRINGS.wav"}));

    // Building again from the same pool gives the same file.
    BuildKrzFile(pool.doc, pool.aWavInfo, 200, abTemplate, dir / "AGAIN.KRZ", pool.feedback);
    EXPECT_EQ(test::ReadFileBytes(dir / "AGAIN.KRZ"), ab);
}

TEST(Builder, AllEntriesUnusableGives36Bytes)
{
    test::TempDir dir;
    Pool pool;
    test::WriteFileBytes(dir / "bad.wav", Bytes{'n', 'o'});
    for (int i = 0; i < 3; ++i)
    {
        const int n = AddPoolEntry(pool.doc, dir / "bad.wav", "bad.wav");
        ShowAsMessages(ReadWavHeader(dir / "bad.wav", pool.aWavInfo[n]), pool.feedback);
    }
    TemplateBytes abTemplate = PatternTemplate();
    BuildKrzFile(pool.doc, pool.aWavInfo, 200, abTemplate, dir / "OUT.KRZ", pool.feedback);
    const Bytes ab = test::ReadFileBytes(dir / "OUT.KRZ");
    ASSERT_EQ(ab.size(), 36u);
    EXPECT_EQ(BE32(ab, 4), 36u);
    EXPECT_EQ(BE32(ab, 32), 0u);
    EXPECT_EQ(pool.feedback.m_aPositions.back(), kBuildProgressRange);
}

TEST(Builder, NumberingSkipsUnusableEntriesAndNamesAreCut)
{
    test::TempDir dir;
    Pool pool;
    pool.Add(dir, "first", Spec(1, 16, 48000, 100));
    test::WriteFileBytes(dir / "bad.wav", Bytes{1, 2, 3});
    const int nBad = AddPoolEntry(pool.doc, dir / "bad.wav", "bad.wav");
    ShowAsMessages(ReadWavHeader(dir / "bad.wav", pool.aWavInfo[nBad]), pool.feedback);
    const int n2 = pool.Add(dir, "third", Spec(1, 16, 192000, 100));
    pool.doc.m_aPool[n2].m_strSampleName = "A name longer than sixteen";
    pool.doc.m_aPool[n2].m_nRootKey = 0;
    pool.doc.m_aPool[n2].m_bKeymapEnable = 0;
    pool.doc.m_aPool[n2].m_bProgramEnable = 0;

    TemplateBytes abTemplate = PatternTemplate();
    BuildKrzFile(pool.doc, pool.aWavInfo, 900, abTemplate, dir / "OUT.KRZ", pool.feedback);
    const Bytes ab = test::ReadFileBytes(dir / "OUT.KRZ");
    // first: sample, keymap, program; third: sample only.
    const std::size_t nThird = 32 + 96 + 184 + 280;
    ASSERT_EQ(BE32(ab, 4), nThird + 96 + 4);
    EXPECT_EQ(BE16(ab, 32 + 4), 0x9800 + 900);
    EXPECT_EQ(BE16(ab, 32 + 44), 1200 + 4800); // 48000 Hz at key 48
    EXPECT_EQ(BE16(ab, nThird + 4), 0x9800 + 902);
    EXPECT_EQ(Text(ab, nThird + 10, 16), "A name longer th");
    // 192000 Hz at key 0: -1199 in two's complement.
    EXPECT_EQ(ab[nThird + 44], 0xFB);
    EXPECT_EQ(ab[nThird + 45], 0x51);
    EXPECT_EQ(ab[nThird + 40], 12);
    EXPECT_EQ(BE32(ab, nThird + 48), 50u); // after the first entry's 100 bytes
    EXPECT_EQ(BE32(ab, nThird + 68), 5208u);
}

// Name fields hold 16 characters of printable ASCII: accented letters as
// the plain letter, anything else outside printable ASCII as '_'.
TEST(Builder, NameFieldsArePrintableAscii)
{
    const std::pair<const char*, const char*> aCases[] = {
        {"Gl\xC3\xB6"
         "ckchen \xC3\x9C"
         "bung",
         "Glockchen Ubung "},
        {"\xC3\x89t\xC3\xA9 \xC3\xA0 \xC3\xA7\xC3\xB1\xC3\xB8", "Ete a cno       "},
        {"\xC5\x81\xC3\xB3\xC5\xBA\xC4\x8F", "Lozd            "},
        {"Stra\xC3\x9F"
         "e \xE2\x82\xAC 5",
         "Stra_e _ 5      "},
        {"tab\there\x7F", "tab_here_       "},
        {"bad \xFF\xC3 bytes", "bad __ bytes    "},
        {"\xF0\x9F\x8E\xB9 keys", "_ keys          "},
        {"\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"
         "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4",
         "aaaaaaaaaaaaaaaa"},
        {"", "                "},
    };
    for (const auto& [szName, szField] : aCases)
        EXPECT_EQ(KrzNameField(szName), szField) << szName;
}

TEST(Builder, ShortAndOddDataKeepsLaterEntriesAligned)
{
    test::TempDir dir;
    Pool pool;
    // Declares 1001 bytes but holds 601: only 600 bytes (300 words) are used.
    test::WavSpec cut = Spec(1, 16, 44100, 601);
    cut.bOverrideDataSize = true;
    cut.nDataSizeField = 1001;
    pool.Add(dir, "cut", cut);
    pool.Add(dir, "next", Spec(1, 16, 44100, 10));
    TemplateBytes abTemplate = PatternTemplate();
    BuildKrzFile(pool.doc, pool.aWavInfo, 200, abTemplate, dir / "OUT.KRZ", pool.feedback);
    const Bytes ab = test::ReadFileBytes(dir / "OUT.KRZ");
    const std::size_t nSecond = 32 + 96 + 184 + 280;
    EXPECT_EQ(BE32(ab, 32 + 60), 299u);
    EXPECT_EQ(BE32(ab, nSecond + 48), 300u);
    EXPECT_EQ(BE32(ab, nSecond + 60), 304u);
    const std::uint32_t nOffset = BE32(ab, 4);
    ASSERT_EQ(ab.size(), nOffset + 600u + 10u);
    const Bytes abNext = Spec(1, 16, 44100, 10).abData;
    EXPECT_EQ(ab[nOffset + 600], abNext[1]);
    EXPECT_EQ(ab[nOffset + 601], abNext[0]);
}

TEST(Builder, FailureKeepsTheOldOutputAndLeavesNoTemporaries)
{
    test::TempDir dir;
    Pool pool;
    pool.Add(dir, "one", Spec(2, 16, 44100, 4000));
    pool.Add(dir, "two", Spec(1, 16, 44100, 100));
    test::WriteFileBytes(dir / "OUT.KRZ", Bytes{'o', 'l', 'd'});
    std::filesystem::remove(dir / "two.wav"); // vanished since its header was read
    TemplateBytes abTemplate = PatternTemplate();
    try
    {
        BuildKrzFile(pool.doc, pool.aWavInfo, 200, abTemplate, dir / "OUT.KRZ", pool.feedback);
        FAIL() << "no error";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.GetErrorMessage(), (dir / "two.wav") + " was not found.");
    }
    EXPECT_EQ(test::ReadFileBytes(dir / "OUT.KRZ"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(test::ListDir(dir.Path()), (std::vector<std::string>{"OUT.KRZ", "one.wav"}));
}

TEST(Builder, OutputThatCannotBeCreatedNamesTheOutput)
{
    test::TempDir dir;
    Pool pool;
    pool.Add(dir, "one", Spec(1, 16, 44100, 100));
    TemplateBytes abTemplate = PatternTemplate();
    const std::string strOut = dir / "no-such-folder/OUT.KRZ";
    try
    {
        BuildKrzFile(pool.doc, pool.aWavInfo, 200, abTemplate, strOut, pool.feedback);
        FAIL() << "no error";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.m_strFileName, strOut);
        EXPECT_EQ(e.m_cause, CFileException::folderNotFound);
    }
}
