#include "CFatVolume.h"
#include "CFile.h"
#include "CImageIO.h"
#include "DiskImageTestUtil.h"
#include "DosName.h"
#include "FloppyImage.h"
#include "KrzSplit.h"
#include "MultiDiskTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>

using namespace test;

namespace
{

#define REQUIRE_FAT_TOOLS()                                                                        \
    if (!HaveFatTools())                                                                           \
    GTEST_SKIP() << "dosfstools and mtools are needed (make deps)"

// ---------------------------------------------------------------------------
// 8.3 names

TEST(DosName, KrzFilesAndPartsTakeTheOutputsNameInCapitals)
{
    const std::pair<const char*, const char*> aCases[] = {
        {"piano.krz", "PIANO.KRZ"},
        {"/some/folder.d/Grand Piano Sound.k25", "GRANDPIA.K25"},
        {"PIANO.KRZ01", "PIANO.KRZ"},
        {"strings.K2612", "STRINGS.K26"},
        {"a+b=c;d,e[f]g.krz", "ABCDEFG.KRZ"},
        {"sample.wav", "SAMPLE.KRZ"},    // not a sampler type: KRZ
        {"noextension", "NOEXTENS.KRZ"}, //
        {"PIANO.KRZ1X", "PIANO.KRZ"},    // not a part number
        {"...krz", "KRZ.KRZ"},           // nothing left of the name
        {"bass~1_(v2).krz", "BASS~1_(.KRZ"},
        {"dir\\win.k26", "WIN.K26"},
    };
    for (const auto& [szPath, szExpected] : aCases)
        EXPECT_EQ(KrzDosName(szPath), szExpected) << szPath;

    EXPECT_EQ(FolderDosName("sounds"), "SOUNDS");
    EXPECT_EQ(FolderDosName("my folder.longext"), "MYFOLDER.LON");
    EXPECT_EQ(FolderDosName("+++"), "");
    EXPECT_EQ(DirEntryName("PIANO.KRZ"), "PIANO   KRZ");
    EXPECT_EQ(DirEntryName("SOUNDS"), "SOUNDS     ");
}

// put stores each file under its own extension; only Make File's outputs
// take a sampler extension (KrzDosName above).
TEST(DosName, PutKeepsEachFilesOwnExtension)
{
    const std::pair<const char*, const char*> aCases[] = {
        {"pad.wav", "PAD.WAV"},
        {"/s/lead.aiff", "LEAD.AIF"}, // cut to three
        {"bass.flac", "BASS.FLA"},
        {"noextension", "NOEXTENS"}, // none stays none
        {"Grand Piano.Wave", "GRANDPIA.WAV"},
        {"a+b.w=v", "AB.WV"},
        {"piano.krz", "PIANO.KRZ"},
        {"PIANO.KRZ01", "PIANO.KRZ"}, // a part: the whole file's name
        {"strings.K2612", "STRINGS.K26"},
        {"...krz", "KRZ.KRZ"},
        {"Скрипка.wav", "SKRIPKA.WAV"}, // in Latin letters
        {"Glöckchen.wav", "GLOCKCHE.WAV"},
        {"中文.wav", "ZHONGWEN.WAV"},
        {"\xF0\x9F\x8E\xB9.wav", ""}, // nothing left of the name: refused
        {".wav", ""},
        {"++.txt", ""},
    };
    for (const auto& [szPath, szExpected] : aCases)
        EXPECT_EQ(OwnDosName(szPath), szExpected) << szPath;
}

TEST(DosName, PutsFolderPathIsAFolderPerLevel)
{
    struct
    {
        const char* szTyped;
        std::vector<std::string> aExpected;
        const char* szWhyNot;
    } const aCases[] = {
        {"sounds", {"SOUNDS"}, ""},
        {"/Sounds/", {"SOUNDS"}, ""},
        {"my folder.longext", {"MYFOLDER.LON"}, ""},
        {"a/b", {"A", "B"}, ""},
        {"Звуки/Бас", {"ZVUKI", "BAS"}, ""},
        {"a\\b", {"A", "B"}, ""},
        {"/a//b/", {"A", "B"}, ""},
        {"sounds/+++", {}, "no character a DOS name may hold in +++"},
        {"a/../b", {}, "in .."},
        {"+++", {}, "no character"},
        {"/", {}, "no character"},
    };
    for (const auto& c : aCases)
    {
        std::string strWhyNot;
        EXPECT_EQ(PutFolderPath(c.szTyped, strWhyNot), c.aExpected) << c.szTyped;
        EXPECT_NE(strWhyNot.find(c.szWhyNot), std::string::npos) << c.szTyped << ": " << strWhyNot;
    }
}

// ---------------------------------------------------------------------------
// Floppy images

struct FloppyCase
{
    const char* szName;
    int nKB;
    std::size_t nLength;
};

void PrintTo(const FloppyCase& c, std::ostream* os)
{
    *os << c.szName;
}

class FloppyImageTest : public ::testing::TestWithParam<FloppyCase>
{
};

// Each image is checked against a reference made by mformat (the boot
// sector's parameter block), by fsck.fat and by reading the file back.
TEST_P(FloppyImageTest, HoldsTheFileUnderItsDosNameAndPassesTheCheck)
{
    REQUIRE_FAT_TOOLS();
    const FloppyCase& c = GetParam();
    TempDir dir;
    const std::string strFile = dir / "Grand piano.krz";
    const Bytes abFile = RampData(c.nLength, 7);
    WriteFileBytes(strFile, abFile);
    CRecordingFeedback feedback;

    ASSERT_TRUE(feedback.Record(MakeFileImages({strFile}, c.nKB)));

    const std::string strImage = strFile + ".img";
    EXPECT_EQ(FsckProblems(strImage), "");
    EXPECT_TRUE(McopyOut(strImage, "GRANDPIA.KRZ") == abFile);
    const Bytes abImage = ReadFileBytes(strImage);
    ASSERT_EQ(abImage.size(), std::size_t(c.nKB) * 1024);

    const std::string strRef = dir / "ref.img";
    ASSERT_EQ(RunTool(FindTool("mformat") + " -C -f " + std::to_string(c.nKB) + " -i " +
                      Quoted(strRef) + " ::")
                  .nStatus,
              0);
    const Bytes abRef = ReadFileBytes(strRef);
    EXPECT_TRUE(std::equal(abImage.begin() + 11, abImage.begin() + 29, abRef.begin() + 11));
    EXPECT_EQ(abImage[510], 0x55);
    EXPECT_EQ(abImage[511], 0xAA);
    EXPECT_EQ(std::string(abImage.begin() + 43, abImage.begin() + 54), "GRANDPIA   ");
    const ToolResult label = RunTool(FindTool("mlabel") + " -s -i " + Quoted(strImage) + " ::");
    EXPECT_NE(label.strOutput.find("GRANDPIA"), std::string::npos) << label.strOutput;
}

INSTANTIATE_TEST_SUITE_P(Sizes, FloppyImageTest,
                         ::testing::Values(FloppyCase{"DD_OneByte", 720, 1},
                                           FloppyCase{"DD_Small", 720, 5000},
                                           FloppyCase{"DD_ExactlyFull", 720, 730112},
                                           FloppyCase{"HD_Small", 1440, 100000},
                                           FloppyCase{"HD_ExactlyFull", 1440, 1457664}),
                         [](const auto& info) { return std::string(info.param.szName); });

TEST(FloppyImage, FileLargerThanTheDataAreaIsRefusedAndNoImageMade)
{
    TempDir dir;
    WriteFileBytes(dir / "big.krz", RampData(730113));
    WriteFileBytes(dir / "ok.krz", RampData(1000));
    CRecordingFeedback feedback;

    EXPECT_FALSE(feedback.Record(MakeFileImages({dir / "big.krz", dir / "ok.krz"}, 720)));

    ASSERT_EQ(feedback.m_aMessages.size(), 1u);
    EXPECT_NE(feedback.m_aMessages[0].strText.find("712 KB"), std::string::npos);
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"big.krz", "ok.krz", "ok.krz.img"}));
}

struct OutputCase
{
    const char* szName;
    int nKB;
    std::size_t nLength;
    bool bSplit;
    int nSplitKB;
    int nParts; // 0: the whole file on one image
};

void PrintTo(const OutputCase& c, std::ostream* os)
{
    *os << c.szName;
}

class OutputImagesTest : public ::testing::TestWithParam<OutputCase>
{
};

// Make File's images: one per part (parts at most the largest size that
// fits), each part under the output's own name, or the whole file.
TEST_P(OutputImagesTest, OneImagePerPartOrTheWholeFile)
{
    REQUIRE_FAT_TOOLS();
    const OutputCase& c = GetParam();
    TempDir dir;
    const std::string strOutput = dir / "piano.k26";
    WriteFileBytes(strOutput, MakeSource(c.nLength, 0x100));
    CRecordingFeedback feedback;

    int nParts = -1;
    ASSERT_TRUE(feedback.Record(
        MakeOutputImages(strOutput, c.bSplit, c.nSplitKB, c.nKB, feedback, nParts)));
    EXPECT_EQ(nParts, c.nParts);

    std::vector<std::string> aExpected{"piano.k26"};
    if (c.nParts == 0)
    {
        aExpected.push_back("piano.k26.img");
        EXPECT_EQ(FsckProblems(strOutput + ".img"), "");
        EXPECT_TRUE(McopyOut(strOutput + ".img", "PIANO.K26") == ReadFileBytes(strOutput));
    }
    for (int n = 1; n <= c.nParts; ++n)
    {
        const std::string strPart = PartName(strOutput, n);
        SCOPED_TRACE(strPart);
        aExpected.push_back(PartName("piano.k26", n));
        aExpected.push_back(PartName("piano.k26", n) + ".img");
        EXPECT_EQ(FsckProblems(strPart + ".img"), "");
        EXPECT_TRUE(McopyOut(strPart + ".img", "PIANO.K26") == ReadFileBytes(strPart));
    }
    std::sort(aExpected.begin(), aExpected.end());
    EXPECT_EQ(ListDir(dir.Path()), aExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputImagesTest,
    ::testing::Values(
        // Later parts of 712 KB fill all 713 clusters of a 720 KB image.
        OutputCase{"DD_NoSplitTooLargeSplitsAtLargestFit", 720, 3 * 729088 + 100, false, 0, 4},
        OutputCase{"DD_SettingLargerThanFitUsesLargestFit", 720, 2000000, true, 1400, 3},
        OutputCase{"HD_SettingSmallerIsKept", 1440, 300000, true, 100, 3},
        OutputCase{"HD_FitsWhole", 1440, 1457664, false, 0, 0},
        OutputCase{"HD_ExactlyFullParts", 1440, 32 + 2 * 1457152, false, 0, 2}),
    [](const auto& info) { return std::string(info.param.szName); });

// ---------------------------------------------------------------------------
// Copying into disk images made by mkfs.fat and mformat

// How a test image is made: a raw volume, or a volume in the first
// partition of an MBR partition table (at 1 MiB).
struct VolumeKind
{
    const char* szName;
    std::string strMakeArgs; // mkfs.fat or mformat arguments after the tool
    bool bMformat;
    std::uint64_t nBytes;
    bool bPartitioned;
};

std::uint64_t MakeImage(const std::string& strImage, const VolumeKind& kind)
{
    const std::uint64_t nOffset = kind.bPartitioned ? 1024 * 1024 : 0;
    {
        CFile file(strImage, CFile::modeCreate | CFile::modeReadWrite);
        if (kind.bPartitioned)
        {
            // One partition of type 06 (FAT16) from sector 2048.
            std::uint8_t ab[512] = {};
            ab[446 + 4] = 0x06;
            const std::uint32_t nStart = 2048,
                                nCount = static_cast<std::uint32_t>(kind.nBytes / 512);
            for (int i = 0; i < 4; ++i)
            {
                ab[446 + 8 + i] = static_cast<std::uint8_t>(nStart >> (8 * i));
                ab[446 + 12 + i] = static_cast<std::uint8_t>(nCount >> (8 * i));
            }
            ab[510] = 0x55;
            ab[511] = 0xAA;
            file.Write(ab, sizeof ab);
        }
        file.Seek(static_cast<std::int64_t>(nOffset + kind.nBytes - 1), CFile::begin);
        const std::uint8_t nZero = 0;
        file.Write(&nZero, 1);
    }
    std::string strCommand;
    if (kind.bMformat)
        strCommand = FindTool("mformat") + " " + kind.strMakeArgs + " -i " +
                     MtoolsImage(strImage, nOffset) + " ::";
    else
        strCommand = FindTool("mkfs.fat") + " " + kind.strMakeArgs +
                     (kind.bPartitioned ? " --offset 2048" : "") + " " + Quoted(strImage) + " " +
                     std::to_string(kind.nBytes / 1024);
    const ToolResult result = RunTool(strCommand);
    EXPECT_EQ(result.nStatus, 0) << strCommand << "\n" << result.strOutput;
    return nOffset;
}

const VolumeKind kVolumes[] = {
    {"Floppy720_mformat", "-f 720", true, 737280, false},
    {"Fat12_mkfs", "-F 12", false, 4 * 1024 * 1024, false},
    {"Fat16_mkfs", "-F 16 -s 1", false, 20 * 1024 * 1024, false},
    {"Fat16_partitioned_mkfs", "-F 16", false, 24 * 1024 * 1024, true},
    {"Fat16_mformat_partitioned", "-T 40960 -h 16 -s 32 -v X", true, 20 * 1024 * 1024, true},
};

// A scenario's steps before the put, with mtools, and what is put.
enum class Scenario
{
    Empty,       // files into the root
    NewFolder,   // --folder that does not exist
    FolderGrows, // an existing folder whose first cluster is full
    Fragmented,  // free clusters in holes between files
    ExactlyFull, // the file takes every free cluster
    Replace,     // the name exists; --replace
    NestedNew,   // --folder a/b, neither exists
    NestedIn,    // --folder a/b, a exists with its first cluster full
};

struct PutCase
{
    VolumeKind kind;
    Scenario scenario;
};

void PrintTo(const PutCase& c, std::ostream* os)
{
    *os << c.kind.szName << "/" << static_cast<int>(c.scenario);
}

class PutTest : public ::testing::TestWithParam<PutCase>
{
};

// mdir's "N bytes free" of a folder.
std::uint64_t FreeBytes(const std::string& strImage, std::uint64_t nOffset)
{
    const ToolResult r =
        RunTool(FindTool("mdir") + " -i " + MtoolsImage(strImage, nOffset) + " ::");
    const std::size_t nEnd = r.strOutput.rfind(" bytes free");
    std::size_t nStart = r.strOutput.rfind('\n', nEnd) + 1;
    std::string strDigits;
    for (std::size_t i = nStart; i < nEnd; ++i)
        if (std::isdigit(static_cast<unsigned char>(r.strOutput[i])))
            strDigits += r.strOutput[i];
    return std::stoull(strDigits);
}

TEST_P(PutTest, FilesReadBackAndTheVolumePassesTheCheck)
{
    REQUIRE_FAT_TOOLS();
    const PutCase& c = GetParam();
    TempDir dir;
    const std::string strImage = dir / "disk.img";
    const std::uint64_t nOffset = MakeImage(strImage, c.kind);
    const std::string strImg = MtoolsImage(strImage, nOffset);
    const std::string strMcopy = FindTool("mcopy") + " -i " + strImg + " ";
    auto Put = [&](const std::string& strLocal, const std::string& strTo)
    {
        const ToolResult r = RunTool(strMcopy + Quoted(strLocal) + " " + Quoted("::" + strTo));
        ASSERT_EQ(r.nStatus, 0) << r.strOutput;
    };

    std::vector<std::string> aFiles{dir / "piano.krz", dir / "bass.k25"};
    WriteFileBytes(aFiles[0], RampData(150000, 1));
    WriteFileBytes(aFiles[1], RampData(3000, 2));
    std::string strFolder, strIn = "/";
    bool bReplace = false;
    switch (c.scenario)
    {
    case Scenario::Empty:
        break;
    case Scenario::NewFolder:
        strFolder = "Sounds";
        strIn = "/SOUNDS/";
        break;
    case Scenario::FolderGrows:
    {
        strFolder = "sounds";
        strIn = "/SOUNDS/";
        RunTool(FindTool("mmd") + " -i " + strImg + " ::SOUNDS");
        // Enough small files to fill the folder's first cluster (at
        // least 16 entries with 512-byte clusters).
        WriteFileBytes(dir / "x", Bytes{1});
        for (int i = 0; i < 126; ++i)
            Put(dir / "x", "SOUNDS/F" + std::to_string(i));
        break;
    }
    case Scenario::Fragmented:
    {
        // Files of 3 KB alternately kept and deleted leave small holes.
        WriteFileBytes(dir / "small", RampData(3000, 9));
        for (int i = 0; i < 40; ++i)
            Put(dir / "small", "S" + std::to_string(i));
        for (int i = 0; i < 40; i += 2)
            RunTool(FindTool("mdel") + " -i " + strImg + " ::S" + std::to_string(i));
        break;
    }
    case Scenario::ExactlyFull:
    {
        // A filler leaves 150,000 bytes' worth of clusters (plus the
        // 3,000-byte file's) free.
        const std::uint64_t nFree = FreeBytes(strImage, nOffset);
        WriteFileBytes(aFiles[0], RampData(150000, 1));
        const ToolResult info = RunTool(FindTool("minfo") + " -i " + strImg + " ::");
        const std::size_t nPos = info.strOutput.find("cluster size: ");
        const std::uint64_t nCluster = 512 * std::stoull(info.strOutput.substr(nPos + 14));
        const std::uint64_t nNeeded =
            ((150000 + nCluster - 1) / nCluster + (3000 + nCluster - 1) / nCluster) * nCluster;
        WriteFileBytes(dir / "filler", RampData(nFree - nNeeded, 4));
        Put(dir / "filler", "FILLER");
        break;
    }
    case Scenario::NestedNew:
        strFolder = "Sounds/Bass";
        strIn = "/SOUNDS/BASS/";
        break;
    case Scenario::NestedIn:
    {
        strFolder = "sounds\\bass";
        strIn = "/SOUNDS/BASS/";
        RunTool(FindTool("mmd") + " -i " + strImg + " ::SOUNDS");
        WriteFileBytes(dir / "x", Bytes{1});
        for (int i = 0; i < 126; ++i)
            Put(dir / "x", "SOUNDS/F" + std::to_string(i));
        break;
    }
    case Scenario::Replace:
        bReplace = true;
        WriteFileBytes(dir / "old", RampData(200000, 5));
        Put(dir / "old", "PIANO.KRZ");
        Put(dir / "old", "BASS.K25");
        break;
    }

    CRecordingFeedback feedback;
    ASSERT_TRUE(feedback.Record(PutIntoDiskImage(strImage, aFiles, strFolder, bReplace, feedback)))
        << (feedback.m_aMessages.empty() ? "" : feedback.m_aMessages[0].strText);

    EXPECT_EQ(FsckProblems(strImage, nOffset), "");
    EXPECT_TRUE(McopyOut(strImage, strIn + "PIANO.KRZ", nOffset) == ReadFileBytes(aFiles[0]));
    EXPECT_TRUE(McopyOut(strImage, strIn + "BASS.K25", nOffset) == ReadFileBytes(aFiles[1]));
    if (c.scenario == Scenario::ExactlyFull)
    {
        EXPECT_EQ(FreeBytes(strImage, nOffset), 0u);
    }
}

TEST(Put, EachFileKeepsItsOwnExtension)
{
    REQUIRE_FAT_TOOLS();
    TempDir dir;
    const std::string strImage = dir / "disk.img";
    const ToolResult made =
        RunTool(FindTool("mformat") + " -C -f 720 -i " + Quoted(strImage) + " ::");
    ASSERT_EQ(made.nStatus, 0) << made.strOutput;
    const std::pair<const char*, const char*> aFiles[] = {{"pad.wav", "PAD.WAV"},
                                                          {"lead.aiff", "LEAD.AIF"},
                                                          {"notes", "NOTES"},
                                                          {"PIANO.KRZ01", "PIANO.KRZ"}};
    std::vector<std::string> aPaths;
    for (const auto& [szName, szDos] : aFiles)
    {
        aPaths.push_back(dir / szName);
        WriteFileBytes(aPaths.back(),
                       RampData(3000 + aPaths.size(), static_cast<int>(aPaths.size())));
    }
    CRecordingFeedback feedback;
    ASSERT_TRUE(feedback.Record(PutIntoDiskImage(strImage, aPaths, "", false, feedback)));
    EXPECT_EQ(FsckProblems(strImage), "");
    for (std::size_t i = 0; i < aPaths.size(); ++i)
        EXPECT_TRUE(McopyOut(strImage, std::string("/") + aFiles[i].second) ==
                    ReadFileBytes(aPaths[i]))
            << aFiles[i].second;
}

std::vector<PutCase> AllPutCases()
{
    std::vector<PutCase> a;
    for (const VolumeKind& kind : kVolumes)
        for (Scenario s :
             {Scenario::Empty, Scenario::NewFolder, Scenario::FolderGrows, Scenario::Fragmented,
              Scenario::ExactlyFull, Scenario::Replace, Scenario::NestedNew, Scenario::NestedIn})
            a.push_back({kind, s});
    return a;
}

std::string PutCaseName(const ::testing::TestParamInfo<PutCase>& info)
{
    static const char* aszScenario[] = {"Empty",       "NewFolder", "FolderGrows", "Fragmented",
                                        "ExactlyFull", "Replace",   "NestedNew",   "NestedIn"};
    return std::string(info.param.kind.szName) + "_" +
           aszScenario[static_cast<int>(info.param.scenario)];
}

INSTANTIATE_TEST_SUITE_P(Volumes, PutTest, ::testing::ValuesIn(AllPutCases()), PutCaseName);

} // namespace

namespace
{

// ---------------------------------------------------------------------------
// Refusals leave the image byte for byte as it was

struct RefusalCase
{
    const char* szName;
    std::string strMake;                  // how the image is made (a shell line)
    std::function<void(Bytes&)> fnDamage; // changes made to it after, if any
    std::vector<std::string> aFiles;      // names in the test folder; piano.krz is 150 KB
    std::string strFolder;
    const char* szMessagePart;
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.szName;
}

class RefusalTest : public ::testing::TestWithParam<RefusalCase>
{
};

TEST_P(RefusalTest, ShowsWhyAndLeavesTheImageUnchanged)
{
    REQUIRE_FAT_TOOLS();
    const RefusalCase& c = GetParam();
    TempDir dir;
    const std::string strImage = dir / "disk.img";
    WriteFileBytes(dir / "piano.krz", RampData(150000, 1));
    WriteFileBytes(dir / "PIANO.KRZ01", RampData(1000, 2));
    WriteFileBytes(dir / "huge.krz", RampData(800000, 3));
    WriteFileBytes(dir / "pad.wav", RampData(2000, 6));
    WriteFileBytes(dir / ".wav", RampData(2000, 7));
    const ToolResult made = RunTool("cd " + Quoted(dir.Path().string()) + " && " + c.strMake);
    ASSERT_EQ(made.nStatus, 0) << made.strOutput;
    if (c.fnDamage)
    {
        Bytes ab = ReadFileBytes(strImage);
        c.fnDamage(ab);
        WriteFileBytes(strImage, ab);
    }
    const Bytes abBefore = ReadFileBytes(strImage);
    std::vector<std::string> aFiles;
    for (const std::string& strName : c.aFiles)
        aFiles.push_back(dir / strName);
    CRecordingFeedback feedback;

    EXPECT_FALSE(feedback.Record(PutIntoDiskImage(strImage, aFiles, c.strFolder, false, feedback)));

    ASSERT_EQ(feedback.m_aMessages.size(), 1u);
    EXPECT_NE(feedback.m_aMessages[0].strText.find(c.szMessagePart), std::string::npos)
        << feedback.m_aMessages[0].strText;
    EXPECT_TRUE(ReadFileBytes(strImage) == abBefore);
}

const std::string kMformat720 = "mformat -C -f 720 -i disk.img ::";

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(
        RefusalCase{"NameExists",
                    kMformat720 + " && mcopy -i disk.img piano.krz ::PIANO.KRZ",
                    nullptr,
                    {"piano.krz"},
                    "",
                    "PIANO.KRZ exists"},
        RefusalCase{"TheImageItself",
                    kMformat720,
                    nullptr,
                    {"piano.krz", "./disk.img"},
                    "",
                    "same file as"},
        RefusalCase{"TwoFilesOneName",
                    kMformat720,
                    nullptr,
                    {"piano.krz", "PIANO.KRZ01"},
                    "",
                    "same name PIANO.KRZ"},
        RefusalCase{
            "NoRoom", kMformat720, nullptr, {"piano.krz", "huge.krz"}, "", "not enough room"},
        RefusalCase{"FolderNameIsAFile",
                    kMformat720 + " && mcopy -i disk.img piano.krz ::SOUNDS",
                    nullptr,
                    {"piano.krz"},
                    "sounds",
                    "not a folder"},
        RefusalCase{"RootFull",
                    "mkfs.fat -C -r 16 disk.img 1440 && for i in $(seq 1 16); do mcopy -i "
                    "disk.img PIANO.KRZ01 ::F$i; done",
                    nullptr,
                    {"piano.krz"},
                    "",
                    "root folder is full"},
        RefusalCase{
            "Fat32", "mkfs.fat -C -F 32 disk.img 40000", nullptr, {"piano.krz"}, "", "FAT32"},
        RefusalCase{"ExFat",
                    kMformat720,
                    [](Bytes& ab) { std::memcpy(ab.data() + 3, "EXFAT   ", 8); },
                    {"piano.krz"},
                    "",
                    "exFAT"},
        RefusalCase{"FatCopiesDiffer",
                    kMformat720,
                    [](Bytes& ab) { ab[512 + 3 * 512 + 5] = 1; },
                    {"piano.krz"},
                    "",
                    "copies differ"},
        RefusalCase{"FatEntryOutside",
                    kMformat720,
                    [](Bytes& ab)
                    {
                        // Cluster 2 points at FF0 (reserved) in both copies.
                        for (int n = 0; n < 2; ++n)
                        {
                            ab[512 + n * 3 * 512 + 3] = 0xF0;
                            ab[512 + n * 3 * 512 + 4] = 0x0F;
                        }
                    },
                    {"piano.krz"},
                    "",
                    "points outside"},
        RefusalCase{"PartitionNotFat",
                    "truncate -s 2M disk.img",
                    [](Bytes& ab)
                    {
                        ab[446 + 4] = 0x83;
                        ab[446 + 9] = 0x08; // from sector 2048
                        ab[510] = 0x55;
                        ab[511] = 0xAA;
                    },
                    {"piano.krz"},
                    "",
                    "not FAT12 or FAT16"},
        RefusalCase{
            "NoVolume", "truncate -s 1M disk.img", nullptr, {"piano.krz"}, "", "no FAT volume"},
        RefusalCase{"FolderPathHasAFile",
                    kMformat720 + " && mmd -i disk.img ::A && mcopy -i disk.img piano.krz ::A/B",
                    nullptr,
                    {"piano.krz"},
                    "a/b",
                    "B exists and is not a folder"},
        RefusalCase{"NestedFoldersNoRoom",
                    kMformat720,
                    nullptr,
                    {"piano.krz", "huge.krz"},
                    "a/b",
                    "not enough room"},
        RefusalCase{"NoNameLeft", kMformat720, nullptr, {".wav"}, "", "no character"},
        RefusalCase{"OwnExtensionExists",
                    kMformat720 + " && mcopy -i disk.img piano.krz ::PAD.WAV",
                    nullptr,
                    {"piano.krz", "pad.wav"},
                    "",
                    "PAD.WAV exists"}),
    [](const auto& info) { return std::string(info.param.szName); });

// ---------------------------------------------------------------------------
// An interruption after any write leaves a volume fsck.fat accepts, with at
// most lost clusters.

// An image in memory that fails every write after the first nAllowed.
class CInterruptedIO : public CMemoryImageIO
{
  public:
    CInterruptedIO(std::vector<std::uint8_t>& ab, int nAllowed)
        : CMemoryImageIO(ab), m_nAllowed(nAllowed)
    {
    }
    void WriteAt(std::uint64_t nOffset, const void* pBuf, std::size_t nCount) override
    {
        Step();
        CMemoryImageIO::WriteAt(nOffset, pBuf, nCount);
    }
    void CopyFrom(CFile& source, std::uint64_t nOffset, std::uint64_t nCount) override
    {
        Step();
        CMemoryImageIO::CopyFrom(source, nOffset, nCount);
    }
    int m_nWrites = 0;

  private:
    void Step()
    {
        if (m_nWrites++ >= m_nAllowed)
            throw CFileException(CFileException::hardIO);
    }
    int m_nAllowed;
};

TEST(PutInterrupted, EveryPrefixOfTheWritesLeavesAConsistentVolume)
{
    REQUIRE_FAT_TOOLS();
    TempDir dir;
    const std::string strImage = dir / "disk.img";
    ASSERT_EQ(RunTool(FindTool("mformat") + " -C -f 720 -i " + Quoted(strImage) + " ::").nStatus,
              0);
    WriteFileBytes(dir / "old", RampData(20000, 5));
    ASSERT_EQ(RunTool(FindTool("mmd") + " -i " + Quoted(strImage) + " ::SOUNDS && " +
                      FindTool("mcopy") + " -i " + Quoted(strImage) + " " + Quoted(dir / "old") +
                      " ::SOUNDS/PIANO.KRZ")
                  .nStatus,
              0);
    WriteFileBytes(dir / "piano.krz", RampData(90000, 1));
    WriteFileBytes(dir / "bass.krz", RampData(3000, 2));
    const Bytes abStart = ReadFileBytes(strImage);

    // Into an existing folder, and into two new folders within it.
    for (const std::vector<std::string>& aPath :
         {std::vector<std::string>{"SOUNDS"}, std::vector<std::string>{"SOUNDS", "NEW", "DEEP"}})
    {
        std::string strIn = "/";
        for (const std::string& strFolder : aPath)
            strIn += strFolder + "/";
        int nAllowed = 0;
        for (;; ++nAllowed)
        {
            SCOPED_TRACE(strIn + ", writes allowed: " + std::to_string(nAllowed));
            Bytes ab = abStart;
            CInterruptedIO io(ab, nAllowed);
            CFatVolume volume(io);
            CNullFeedback quiet;
            bool bDone = true;
            try
            {
                volume.PutFiles({{dir / "piano.krz", "PIANO.KRZ"}, {dir / "bass.krz", "BASS.KRZ"}},
                                aPath, true, quiet);
            }
            catch (const CFileException&)
            {
                bDone = false;
            }
            WriteFileBytes(strImage, ab);
            const std::string strReport = FsckProblems(strImage);
            // Every line of a report names lost clusters, or FAT copies that
            // differ between the first copy's write and the second's (the
            // first, written first, is the one a check keeps), nothing else.
            std::istringstream lines(strReport);
            std::string strLine;
            while (std::getline(lines, strLine))
                if (!strLine.empty() && strLine.find("fsck.fat") != 0 &&
                    strLine.find("disk.img") == std::string::npos &&
                    strLine.find("nused") == std::string::npos &&
                    strLine.find("lost") == std::string::npos &&
                    strLine.find("Reclaim") == std::string::npos &&
                    strLine.find("FATs differ but appear to be intact") == std::string::npos &&
                    strLine.find("Using first FAT") == std::string::npos &&
                    strLine.find("Leaving") == std::string::npos)
                    ADD_FAILURE() << strReport;
            if (bDone)
            {
                EXPECT_EQ(strReport, "");
                EXPECT_TRUE(McopyOut(strImage, strIn + "PIANO.KRZ") ==
                            ReadFileBytes(dir / "piano.krz"));
                break;
            }
        }
        EXPECT_GE(nAllowed, 4); // data, FAT copies, folder, freed clusters
    }
}

} // namespace
