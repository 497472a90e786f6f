// Reading SFZ files: header inheritance, #define, #include, default_path,
// note names, frames and loops, and what is left out with a note.
#include "SfzReader.h"
#include "NoteName.h"
#include "SfzSource.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace
{

namespace fs = std::filesystem;

// A zone in one line: sample, keys, root, velocities, tuning, gain, frames
// and loop.
std::string Describe(const CZone& zone)
{
    std::ostringstream out;
    out << zone.strName << " " << zone.nLoKey << "-" << zone.nHiKey << " r" << zone.nRootKey << " v"
        << zone.nLoVel << "-" << zone.nHiVel << " t" << zone.dTuneCents << " g" << zone.dGainDb
        << " f" << zone.audio.nStartFrame << ".." << zone.audio.nEndFrame;
    if (zone.loop.bOn)
        out << " loop " << zone.loop.nStart << ".." << zone.loop.nEnd;
    return out.str();
}

std::string AllNotes(const CInstrumentSet& set)
{
    std::string str;
    for (const std::string& strNote : set.aNotes)
        str += strNote + "\n";
    return str;
}

void WriteText(const fs::path& path, const std::string& strText)
{
    fs::create_directories(path.parent_path());
    test::WriteFileBytes(path.string(), test::Bytes(strText.begin(), strText.end()));
}

struct SfzCase
{
    const char* szName;
    std::vector<std::pair<std::string, std::string>> aFiles; // the first is read
    std::vector<std::string> aZones;                         // as Describe gives them
    std::vector<std::string> aNoteParts;                     // each found in the notes
};

const SfzCase kCases[] = {
    {"levels inherit and a header resets its level and those below",
     {{"p.sfz", "<global> volume=-6 hivel=100\n"
                "<group> lokey=c4 hikey=e4 pitch_keycenter=d4 tune=10\n"
                "<region> sample=a.wav\n"
                "<region> sample=b.wav hikey=61 transpose=-1\n"
                "<group> lokey=70\n"
                "<region> sample=c.wav\n"
                "<master> tune=5 <group> hivel=90 <region> sample=a.wav\n"
                "<master> <region> sample=b.wav\n"
                "<global> <region> sample=c.wav lovel=0\n"}},
     {"a 60-64 r62 v1-100 t10 g-6 f0..-1", "b 60-61 r62 v1-100 t-90 g-6 f0..-1",
      "c 70-127 r60 v1-100 t0 g-6 f0..-1", "a 0-127 r60 v1-90 t5 g-6 f0..-1",
      "b 0-127 r60 v1-100 t0 g-6 f0..-1", "c 0-127 r60 v0-127 t0 g0 f0..-1"},
     {}},
    {"key sets the range and the root; a later opcode overrides it",
     {{"p.sfz", "<group> key=a3\n<region> sample=a.wav hikey=b3\n"
                "<region> sample=b.wav key=60 pitch_keycenter=C#4\n"}},
     {"a 57-59 r57 v1-127 t0 g0 f0..-1", "b 60-60 r61 v1-127 t0 g0 f0..-1"},
     {}},
    {"note names across the octaves",
     {{"p.sfz", "<region> sample=a.wav lokey=c-1 hikey=g9 pitch_keycenter=db4\n"
                "<region> sample=b.wav lokey=Bb3 hikey=b3 pitch_keycenter=e#4\n"}},
     {"a 0-127 r61 v1-127 t0 g0 f0..-1", "b 58-59 r65 v1-127 t0 g0 f0..-1"},
     {}},
    {"note_offset and octave_offset shift the keys read after them",
     {{"p.sfz", "<control> octave_offset=-1 note_offset=2\n"
                "<region> sample=a.wav key=c4 hikey=62\n"
                "<control> note_offset=-1\n<region> sample=b.wav key=0\n"
                "<region> sample=c.wav lokey=g9 note_offset=1\n"}},
     {"a 50-52 r50 v1-127 t0 g0 f0..-1", "c 126-127 r60 v1-127 t0 g0 f0..-1"},
     {"line 4 (sample b.wav) left out: key=0 is out of range"}},
    {"offset, end and loops counted from the offset",
     {{"p.sfz", "<region> sample=a.wav offset=100 end=999 loop_mode=loop_continuous "
                "loop_start=200 loop_end=899\n"
                "<region> sample=b.wav offset=50 loopmode=loop_sustain loopstart=150 "
                "loopend=150\n"
                "<region> sample=c.wav loop_mode=loop_continuous\n"
                "<region> sample=a.wav loop_start=10 loop_end=20\n"
                "<region> sample=b.wav loop_mode=one_shot loop_start=10 loop_end=20\n"}},
     {"a 0-127 r60 v1-127 t0 g0 f100..1000 loop 100..799",
      "b 0-127 r60 v1-127 t0 g0 f50..-1 loop 100..100",
      "c 0-127 r60 v1-127 t0 g0 f0..-1 loop -1..-1", "a 0-127 r60 v1-127 t0 g0 f0..-1 loop 10..20",
      "b 0-127 r60 v1-127 t0 g0 f0..-1"},
     {}},
    {"values with spaces, backslashes, default_path, a byte-order mark, case ignored",
     {{"p.sfz", "\xEF\xBB\xBF<control> default_path=sub\\\n"
                "<region> sample=deep\\x.wav lokey=60\n"
                "<control>\n<region> sample=My Piano C4.wav   lokey=62\r\n"
                "<region> sample=SUB/Deep/X.WAV\r\n"}},
     {"x 60-127 r60 v1-127 t0 g0 f0..-1", "My Piano C4 62-127 r60 v1-127 t0 g0 f0..-1",
      "X 0-127 r60 v1-127 t0 g0 f0..-1"},
     {}},
    {"#define, the longest name first, and comments",
     {{"p.sfz", "#define $K 1\n#define $KEY 62 // the root\n"
                "/* <region> sample=a.wav\n   key=1 */ <region> sample=b.wav key=$KEY\n"
                "// <region> sample=a.wav\n<region> sample=c.wav key=$K0\n"
                "<region> sample=a.wav end=$MISSING\n"}},
     {"b 62-62 r62 v1-127 t0 g0 f0..-1", "c 10-10 r10 v1-127 t0 g0 f0..-1"},
     {"p.sfz: region at line 7 (sample a.wav) left out: end=$MISSING is out of range"}},
    {"#include relative to the including file; samples relative to the SFZ file",
     {{"p.sfz", "#define $DIR inc\n<group> lovel=10\n#include \"$DIR/one.sfz\"\n"
                "<region> sample=c.wav\n"},
      {"inc/one.sfz", "<region> sample=a.wav\n#include \"two.sfz\"\n"},
      {"inc/two.sfz", "<region> sample=b.wav hivel=20\n"}},
     {"a 0-127 r60 v10-127 t0 g0 f0..-1", "b 0-127 r60 v10-20 t0 g0 f0..-1",
      "c 0-127 r60 v10-127 t0 g0 f0..-1"},
     {}},
    {"an include cycle is read once and named",
     {{"p.sfz", "<region> sample=a.wav\n#include \"q.sfz\"\n"},
      {"q.sfz", "<region> sample=b.wav\n#include \"p.sfz\"\n#include \"missing.sfz\"\n"}},
     {"a 0-127 r60 v1-127 t0 g0 f0..-1", "b 0-127 r60 v1-127 t0 g0 f0..-1"},
     {"q.sfz: line 2: #include \"", "p.sfz\" not read: it is being read already",
      "missing.sfz\" not read: not found"}},
    {"regions that cannot be honoured are named and left out",
     {{"p.sfz", "<region> sample=a.wav\n"
                "<region> sample=gone.wav\n"
                "<region> sample=*sine key=60\n"
                "<region> sample=a.wav lokey=70 hikey=60\n"
                "<region> sample=b.wav hivel=200\n"
                "<region> sample=c.wav offset=100 end=50\n"
                "<region>\nsample=a.wav offset=100 loop_start=50 loop_end=200\n"
                "<region> sample=a.wav end=100 loop_mode=loop_continuous loop_end=101\n"}},
     {"a 0-127 r60 v1-127 t0 g0 f0..-1"},
     {"p.sfz: region at line 2 (sample gone.wav) left out: the sample file ", "gone.wav is missing",
      "line 3 (sample *sine) left out: *sine is a generator",
      "line 4 (sample a.wav) left out: lokey 70 above hikey 60",
      "line 5 (sample b.wav) left out: hivel=200 is out of range",
      "line 6 (sample c.wav) left out: end 50 before offset 100",
      "line 7 (sample a.wav) left out: loop_start 50 before offset 100",
      "line 9 (sample a.wav) left out: loop_end 101 after end 100"}},
    {"pitch_keycenter=sample takes the file's root, shifted as a number would be",
     {{"p.sfz", "<group> pitch_keycenter=sample\n"
                "<region> sample=root57.wav lokey=50\n"
                "<region> sample=root57.wav key=50\n"
                "<region> sample=root57.wav pitch_keycenter=62\n"
                "<group> key=40\n<region> sample=root57.wav pitch_keycenter=sample\n"
                "<control> octave_offset=1 note_offset=-2\n"
                "<region> sample=root57.wav pitch_keycenter=sample lokey=0\n"}},
     {"root57 50-127 r57 v1-127 t0 g0 f0..-1", "root57 50-50 r50 v1-127 t0 g0 f0..-1",
      "root57 0-127 r62 v1-127 t0 g0 f0..-1", "root57 40-40 r57 v1-127 t0 g0 f0..-1",
      "root57 10-127 r67 v1-127 t0 g0 f0..-1"},
     {}},
    {"pitch_keycenter=sample of a file storing no root gives 60 and says so",
     {{"p.sfz", "<region> sample=plain.wav pitch_keycenter=sample\n"
                "<region> sample=a.wav key=50 pitch_keycenter=sample\n"
                "<control> note_offset=80\n"
                "<region> sample=root57.wav pitch_keycenter=sample lokey=0\n"}},
     {"plain 0-127 r60 v1-127 t0 g0 f0..-1", "a 50-50 r60 v1-127 t0 g0 f0..-1"},
     {"p.sfz: region at line 1 (sample plain.wav): pitch_keycenter=sample, but the file stores "
      "no root key: 60 used",
      "p.sfz: region at line 2 (sample a.wav): pitch_keycenter=sample, but",
      "p.sfz: region at line 4 (sample root57.wav) left out: pitch_keycenter=sample gives key 137 "
      "(the file's 57 shifted), out of range"}},
    {"opcodes not used are listed once; other headers with their opcodes",
     {{"p.sfz", "cutoff=5\n#pragma once\nstray words\n<global> cutoff=100 amp_veltrack=0\n"
                "<curve> v000=0 v127=1\n<region> sample=a.wav cutoff=200 fil_type=lpf_2p\n"}},
     {"a 0-127 r60 v1-127 t0 g0 f0..-1"},
     {"p.sfz: opcodes not used: cutoff, amp_veltrack, fil_type\n",
      "p.sfz: headers not used, with their opcodes: <curve>\n",
      "p.sfz: line 2: \"#pragma\" is neither a header, an opcode, #define nor #include, not "
      "used\n"}},
};

// Names the case in test output instead of its bytes.
void PrintTo(const SfzCase& c, std::ostream* pOut)
{
    *pOut << c.szName;
}

class SfzRead : public testing::TestWithParam<SfzCase>
{
};

TEST_P(SfzRead, GivesTheZonesAndNotes)
{
    const SfzCase& c = GetParam();
    test::TempDir dir;
    for (const char* szSample : {"a.wav", "b.wav", "c.wav", "My Piano C4.wav", "sub/deep/x.wav"})
        WriteText(dir.Path() / szSample, "RIFF");
    // Real WAV files, one storing its root (MIDI 57) in a "smpl" chunk.
    test::Bytes abSmpl;
    for (const std::uint32_t n : {0u, 0u, 22675u, 57u, 0u, 0u, 0u, 0u, 0u})
        test::PutLE32(abSmpl, n);
    test::WavSpec wav;
    wav.abData = test::RampData(64);
    test::WriteFileBytes(dir / "plain.wav", test::MakeWav(wav));
    wav.abChunkBeforeData = test::MakeChunk("smpl", abSmpl);
    test::WriteFileBytes(dir / "root57.wav", test::MakeWav(wav));
    for (const auto& [strName, strText] : c.aFiles)
        WriteText(dir.Path() / strName, strText);
    const CInstrumentSet set = ReadSfzFile(dir / c.aFiles.front().first);
    ASSERT_EQ(set.strRefusal, "") << AllNotes(set);
    ASSERT_EQ(set.aInstruments.size(), 1u);
    EXPECT_EQ(set.aInstruments[0].strName, "p");
    std::vector<std::string> aZones;
    for (const CZone& zone : set.aInstruments[0].aZones)
    {
        aZones.push_back(Describe(zone));
        EXPECT_TRUE(fs::exists(zone.audio.strPath)) << zone.audio.strPath;
        EXPECT_TRUE(zone.bKeyRange);
    }
    EXPECT_EQ(aZones, c.aZones);
    const std::string strNotes = AllNotes(set);
    for (const std::string& strPart : c.aNoteParts)
        EXPECT_NE(strNotes.find(strPart), std::string::npos) << strPart << " in\n" << strNotes;
    // Text not understood is noted once a file ("stray words" follows a
    // directive that is not used).
    EXPECT_EQ(strNotes.find("\"stray"), std::string::npos) << strNotes;
    if (c.aNoteParts.empty())
    {
        EXPECT_EQ(strNotes, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SfzRead, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<SfzCase>& info)
                         { return "case" + std::to_string(info.index); });

TEST(SfzRead, SamplesLieUnderDefaultPathBesideTheSfzFile)
{
    test::TempDir dir;
    WriteText(dir.Path() / "kit/samples/s.wav", "RIFF");
    WriteText(dir.Path() / "kit/inc/part.sfz", "<region> sample=s.wav\n");
    WriteText(dir.Path() / "kit/k.sfz",
              "<control> default_path=samples/\n#include \"inc/part.sfz\"\n");
    const CInstrumentSet set = ReadSfzFile(dir / "kit/k.sfz");
    ASSERT_EQ(set.aInstruments.size(), 1u) << set.strRefusal << AllNotes(set);
    ASSERT_EQ(set.aInstruments[0].aZones.size(), 1u);
    EXPECT_EQ(fs::path(set.aInstruments[0].aZones[0].audio.strPath),
              (dir.Path() / "kit/samples/s.wav").lexically_normal());
}

TEST(SfzRead, RefusesWhatCannotBeRead)
{
    test::TempDir dir;
    WriteText(dir.Path() / "empty.sfz", "<region> sample=none.wav\n");
    const struct
    {
        std::string strPath;
        const char* szRefusal;
    } aCases[] = {{dir / "absent.sfz", "absent.sfz: the SFZ file cannot be read (not found)"},
                  {dir.Path().string(), "cannot be read (not found)"},
                  {dir / "empty.sfz", "empty.sfz: no region of the SFZ file can be used"}};
    for (const auto& c : aCases)
    {
        const CInstrumentSet set = ReadSfzFile(c.strPath);
        EXPECT_TRUE(set.aInstruments.empty());
        EXPECT_NE(set.strRefusal.find(c.szRefusal), std::string::npos) << set.strRefusal;
    }
}

// A file that includes itself, and a chain deeper than the limit: both end,
// each with a note, and every region read once.
TEST(SfzRead, IncludesEndAtCyclesAndDepth)
{
    test::TempDir dir;
    WriteText(dir.Path() / "a.wav", "RIFF");
    WriteText(dir.Path() / "self.sfz", "<region> sample=a.wav\n#include \"./self.sfz\"\n");
    const int nChain = kSfzMaxIncludeDepth + 3;
    for (int i = 0; i < nChain; ++i)
        WriteText(dir.Path() / ("c" + std::to_string(i) + ".sfz"),
                  "<region> sample=a.wav\n#include \"c" + std::to_string(i + 1) + ".sfz\"\n");
    const struct
    {
        const char* szFile;
        std::size_t nZones;
        const char* szNote;
    } aCases[] = {{"self.sfz", 1, "being read already"},
                  {"c0.sfz", kSfzMaxIncludeDepth + 1, "nested more than 16 deep"}};
    for (const auto& c : aCases)
    {
        const CInstrumentSet set = ReadSfzFile(dir / c.szFile);
        ASSERT_EQ(set.aInstruments.size(), 1u) << c.szFile;
        EXPECT_EQ(set.aInstruments[0].aZones.size(), c.nZones) << c.szFile;
        EXPECT_NE(AllNotes(set).find(c.szNote), std::string::npos) << AllNotes(set);
    }
}

// The longest file and line that are read, and one byte more.
TEST(SfzRead, LimitsOfFileAndLine)
{
    test::TempDir dir;
    WriteText(dir.Path() / "a.wav", "RIFF");
    const std::string strRegion = "<region> sample=a.wav tune=";
    const struct
    {
        std::string strText;
        const char* szRefusal; // empty: the region is read
    } aCases[] = {{strRegion + std::string(kSfzMaxLineBytes - strRegion.size(), '0'), ""},
                  {strRegion + std::string(kSfzMaxLineBytes + 1 - strRegion.size(), '0'),
                   "no region of the SFZ file can be used"},
                  {"<region> sample=a.wav\n" + std::string(kSfzMaxFileBytes - 22, '\n'), ""},
                  {"<region> sample=a.wav\n" + std::string(kSfzMaxFileBytes - 21, '\n'),
                   "cannot be read (longer than 4194304 bytes)"}};
    for (const auto& c : aCases)
    {
        WriteText(dir.Path() / "l.sfz", c.strText);
        const CInstrumentSet set = ReadSfzFile(dir / "l.sfz");
        if (*c.szRefusal == '\0')
        {
            EXPECT_EQ(set.aInstruments.size(), 1u) << set.strRefusal;
        }
        else
        {
            EXPECT_NE(set.strRefusal.find(c.szRefusal), std::string::npos) << set.strRefusal;
        }
    }
}

TEST(NoteName, ReadsNamesAndNumbers)
{
    const struct
    {
        const char* szText;
        int nKey;
    } aCases[] = {{"c4", 60},  {"C4", 60},   {"c#4", 61}, {"db4", 61},  {"Db4", 61},
                  {"c-1", 0},  {"g9", 127},  {"g#9", -1}, {"cb-1", -1}, {"b3", 59},
                  {"bb3", 58}, {"c-0", -1},  {"h4", -1},  {"c10", -1},  {"c", -1},
                  {"60", 60},  {"127", 127}, {"128", -1}, {"-1", -1},   {"6o", -1}};
    for (const auto& c : aCases)
        EXPECT_EQ(ParseKey(c.szText), c.nKey) << c.szText;
}

} // namespace
