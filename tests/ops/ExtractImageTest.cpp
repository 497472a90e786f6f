// Extract from disk images made by mkfs.fat and mcopy: the KRZ files of
// every folder give what extracting the same files gives, names picked by
// --only take just those, and a damaged FAT or folder is reported while
// the sound files are still extracted.
#include "CFile.h"
#include "DiskImageTestUtil.h"
#include "ExtractRunner.h"
#include "InstrumentTestUtil.h"
#include "MakeFile.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace fs = std::filesystem;
using test::FindTool;
using test::Quoted;
using test::RunTool;

namespace
{

// Makes a KRZ file of nEntries mono 16-bit entries whose data depends on
// nSeed.
void MakeKrz(const std::string& strOut, int nEntries, std::uint8_t nSeed)
{
    test::TempDir dir;
    CDorvane_V2Doc doc;
    WavInfoArray aWavInfo{};
    for (int i = 0; i < nEntries; ++i)
    {
        test::WavSpec spec;
        spec.nRate = 22050;
        spec.abData = test::RampData(600 + 200 * i, static_cast<std::uint8_t>(nSeed + i));
        const std::string strWav = dir / ("s" + std::to_string(i) + ".wav");
        test::WriteFileBytes(strWav, test::MakeWav(spec));
        const int n = AddPoolEntry(doc, strWav, "s" + std::to_string(i) + ".wav");
        ReadWavHeader(strWav, aWavInfo[n]);
        doc.m_aPool[n].m_bLoop = i % 2;
    }
    test::CRecordingFeedback feedback;
    CMakeResult result;
    TemplateBytes abTemplate = itest::LoadTemplate();
    const COutcome made =
        MakeKrzFile(doc, aWavInfo, CMakeOptions{}, abTemplate, strOut, {}, feedback, result);
    ASSERT_TRUE(made.IsOk()) << made.Text();
}

// The paths of two trees that differ (missing, extra or other bytes).
std::vector<std::string> Differences(const std::map<std::string, test::Bytes>& aGot,
                                     const std::map<std::string, test::Bytes>& aWant)
{
    std::vector<std::string> aDiffer;
    for (const auto& [strPath, ab] : aGot)
        if (!aWant.contains(strPath) || aWant.at(strPath) != ab)
            aDiffer.push_back(strPath);
    for (const auto& [strPath, ab] : aWant)
        if (!aGot.contains(strPath))
            aDiffer.push_back(strPath + " (missing)");
    return aDiffer;
}

// Every note of an outcome.
std::string AllText(const COutcome& outcome)
{
    std::string str;
    for (const SOutcomeNote& note : outcome.Notes())
        str += note.strText + "\n";
    return str;
}

void Run(const std::string& strCommand)
{
    const test::ToolResult result = RunTool(strCommand);
    ASSERT_EQ(result.nStatus, 0) << strCommand << "\n" << result.strOutput;
}

// The three KRZ files (A.KRZ, a different SUB/A.KRZ, SUB/DEEP/b.k26) and a
// text file, copied onto a volume made by mkfs.fat with strArgs of nKB,
// behind a partition table starting at sector 2048 when bPartitioned.
void MakeImage(const test::TempDir& dir, const std::string& strImage, const std::string& strArgs,
               std::uint32_t nKB, bool bPartitioned)
{
    const std::string strVolume = dir / "volume.img";
    fs::remove(strVolume);
    Run(FindTool("mkfs.fat") + " " + strArgs + " -C " + Quoted(strVolume) + " " +
        std::to_string(nKB));
    const std::string strM = " -i " + Quoted(strVolume) + " ";
    test::WriteFileBytes(dir / "NOTES.TXT", test::Bytes(3000, 'x'));
    Run(FindTool("mcopy") + strM + Quoted(dir / "files/A.KRZ") + " " + Quoted(dir / "NOTES.TXT") +
        " ::");
    Run(FindTool("mmd") + strM + "::SUB ::SUB/DEEP");
    Run(FindTool("mcopy") + strM + Quoted(dir / "files/sub/A.KRZ") + " ::SUB/A.KRZ");
    Run(FindTool("mcopy") + strM + Quoted(dir / "files/B.K26") + " ::SUB/DEEP/B.K26");
    test::Bytes ab = test::ReadFileBytes(strVolume);
    if (bPartitioned)
    {
        test::Bytes abDisk(2048 * 512, 0);
        abDisk[446 + 4] = 0x06;
        abDisk[446 + 8 + 1] = 0x08; // from sector 2048
        const std::uint32_t nCount = nKB * 2;
        for (int i = 0; i < 4; ++i)
            abDisk[446 + 12 + i] = static_cast<std::uint8_t>(nCount >> (8 * i));
        abDisk[510] = 0x55;
        abDisk[511] = 0xAA;
        abDisk.insert(abDisk.end(), ab.begin(), ab.end());
        ab.swap(abDisk);
    }
    test::WriteFileBytes(strImage, ab);
}

// The files every test extracts from images, and what extracting them as
// files gives (folders A, A-2, B).
struct Fixture
{
    test::TempDir dir;
    std::map<std::string, test::Bytes> aFromFiles;

    Fixture()
    {
        fs::create_directories(dir.Path() / "files/sub");
        MakeKrz(dir / "files/A.KRZ", 2, 1);
        MakeKrz(dir / "files/sub/A.KRZ", 1, 50);
        MakeKrz(dir / "files/B.K26", 3, 100);
        test::CRecordingFeedback feedback;
        const COutcome outcome =
            RunExtract({dir / "files/A.KRZ", dir / "files/sub/A.KRZ", dir / "files/B.K26"},
                       dir / "from-files", feedback);
        EXPECT_TRUE(outcome.IsOk()) << outcome.Text();
        aFromFiles = test::FileTree(dir.Path() / "from-files");
    }

    // The entries of aFromFiles under the folders named, each under the
    // name of the folder it maps to.
    std::map<std::string, test::Bytes>
    Folders(const std::map<std::string, std::string>& aOutToFrom) const
    {
        std::map<std::string, test::Bytes> aTree;
        for (const auto& [strPath, ab] : aFromFiles)
            for (const auto& [strOut, strFrom] : aOutToFrom)
                if (strPath.starts_with(strFrom + "/"))
                    aTree[strOut + strPath.substr(strFrom.size())] = ab;
        return aTree;
    }
};

} // namespace

TEST(ExtractImage, EveryKrzFileOfEveryFolderAsExtractingTheFilesGives)
{
    if (!test::HaveFatTools())
        GTEST_SKIP() << "dosfstools or mtools missing";
    Fixture fx;
    const std::map<std::string, std::string> aAll{{"A", "A"}, {"A-2", "A-2"}, {"B", "B"}};
    ASSERT_EQ(fx.Folders(aAll).size(), fx.aFromFiles.size());
    const struct
    {
        const char* szName;
        std::string strArgs;
        std::uint32_t nKB;
        bool bPartitioned;
    } aVolumes[] = {
        {"1.44 MB floppy, FAT12", "-F 12 -f 2 -r 224 -s 1", 1440, false},
        {"FAT16 disk", "-F 16", 16384, false},
        {"FAT16 first partition", "-F 16 -s 4", 20480, true},
    };
    for (const auto& v : aVolumes)
    {
        SCOPED_TRACE(v.szName);
        const std::string strImage = fx.dir / "disk.img";
        MakeImage(fx.dir, strImage, v.strArgs, v.nKB, v.bPartitioned);
        fs::remove_all(fx.dir.Path() / "out");
        test::CRecordingFeedback feedback;
        const COutcome outcome = RunExtract({strImage}, fx.dir / "out", feedback);
        EXPECT_TRUE(outcome.IsOk()) << AllText(outcome);
        EXPECT_EQ(Differences(test::FileTree(fx.dir.Path() / "out"), fx.aFromFiles),
                  std::vector<std::string>{});
    }

    // Named files only, by path or by name, in any case; a name no image
    // holds is refused while the others are extracted. Each pick: the
    // folders written, and the folder of the files' extraction each equals.
    const struct
    {
        std::vector<std::string> aOnly;
        std::map<std::string, std::string> aFolders;
        bool bOk;
    } aPicks[] = {
        {{"sub/a.krz"}, {{"A", "A-2"}}, true},
        {{"/SUB/DEEP/b.k26", "A.KRZ"}, aAll, true},
        {{"B.K26", "NOTES.TXT"}, {{"B", "B"}}, false},
    };
    for (const auto& pick : aPicks)
    {
        SCOPED_TRACE(pick.aOnly.front());
        fs::remove_all(fx.dir.Path() / "out");
        test::CRecordingFeedback feedback;
        const COutcome outcome =
            RunExtract({fx.dir / "disk.img"}, fx.dir / "out", feedback, pick.aOnly);
        EXPECT_EQ(outcome.IsOk(), pick.bOk) << AllText(outcome);
        EXPECT_EQ(Differences(test::FileTree(fx.dir.Path() / "out"), fx.Folders(pick.aFolders)),
                  std::vector<std::string>{});
    }
}

namespace
{

// A 1.44 MB floppy's FAT12 layout as mkfs.fat -f 2 -r 224 -s 1 makes it.
constexpr std::size_t kFat = 512, kFatBytes = 9 * 512, kRoot = 19 * 512, kData = 33 * 512;

std::size_t ClusterAt(std::uint32_t nCluster)
{
    return kData + (nCluster - 2) * 512;
}

// The offset of the entry named strField11 in the 512 bytes of entries
// from nAt.
std::size_t EntryAt(const test::Bytes& ab, std::size_t nAt, const std::string& strField11)
{
    for (std::size_t n = nAt; n < nAt + 512; n += 32)
        if (std::equal(strField11.begin(), strField11.end(), ab.begin() + n))
            return n;
    ADD_FAILURE() << strField11 << " not found";
    return nAt;
}

std::uint32_t FirstCluster(const test::Bytes& ab, std::size_t nEntry)
{
    return ab[nEntry + 26] | (ab[nEntry + 27] << 8);
}

// Sets FAT12 entry c of both copies to v.
void SetFat(test::Bytes& ab, std::uint32_t c, std::uint32_t v)
{
    for (std::size_t nCopy : {kFat, kFat + kFatBytes})
    {
        std::uint8_t* p = ab.data() + nCopy + c * 3 / 2;
        if (c & 1)
        {
            p[0] = static_cast<std::uint8_t>((p[0] & 0x0F) | ((v & 0x0F) << 4));
            p[1] = static_cast<std::uint8_t>(v >> 4);
        }
        else
        {
            p[0] = static_cast<std::uint8_t>(v);
            p[1] = static_cast<std::uint8_t>((p[1] & 0xF0) | ((v >> 8) & 0x0F));
        }
    }
}

} // namespace

TEST(ExtractImage, DamageIsReportedAndTheSoundFilesExtracted)
{
    if (!test::HaveFatTools())
        GTEST_SKIP() << "dosfstools or mtools missing";
    Fixture fx;
    MakeImage(fx.dir, fx.dir / "good.img", "-F 12 -f 2 -r 224 -s 1", 1440, false);
    const test::Bytes abGood = test::ReadFileBytes(fx.dir / "good.img");
    const std::size_t nA = EntryAt(abGood, kRoot, "A       KRZ");
    const std::size_t nSub = EntryAt(abGood, kRoot, "SUB        ");
    const std::uint32_t nSubCluster = FirstCluster(abGood, nSub);
    const std::size_t nDeep = EntryAt(abGood, ClusterAt(nSubCluster), "DEEP       ");
    const struct
    {
        const char* szName;
        std::function<void(test::Bytes&)> damage;
        std::map<std::string, std::string> aFolders; // extracted (a folder's name is
                                                     // taken by the first file extracted)
        std::string strMessage;
    } aCases[] = {
        {"A.KRZ's chain loops",
         [&](test::Bytes& ab) { SetFat(ab, FirstCluster(ab, nA), FirstCluster(ab, nA)); },
         {{"A", "A-2"}, {"B", "B"}},
         "A.KRZ: the FAT is damaged"},
        {"A.KRZ's chain leaves the volume",
         [&](test::Bytes& ab) { SetFat(ab, FirstCluster(ab, nA), 0xFF0); },
         {{"A", "A-2"}, {"B", "B"}},
         "A.KRZ: the FAT is damaged"},
        {"A.KRZ's chain meets a free cluster",
         [&](test::Bytes& ab) { SetFat(ab, FirstCluster(ab, nA), 2800); },
         {{"A", "A-2"}, {"B", "B"}},
         "A.KRZ: the FAT is damaged"},
        {"A.KRZ larger than its clusters and the image",
         [&](test::Bytes& ab) { ab[nA + 31] = 0x7F; },
         {{"A", "A-2"}, {"B", "B"}},
         "A.KRZ is larger than its clusters"},
        {"SUB's chain loops",
         [&](test::Bytes& ab) { SetFat(ab, nSubCluster, nSubCluster); },
         {{"A", "A"}},
         "SUB: the FAT is damaged"},
        {"DEEP is SUB again",
         [&](test::Bytes& ab)
         {
             ab[nDeep + 26] = static_cast<std::uint8_t>(nSubCluster);
             ab[nDeep + 27] = static_cast<std::uint8_t>(nSubCluster >> 8);
         },
         {{"A", "A"}, {"A-2", "A-2"}},
         "SUB/DEEP: the folder is one met before"},
        {"the image cut short",
         [](test::Bytes& ab) { ab.resize(ab.size() / 2); },
         {},
         "the image is shorter than its volume"},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::Bytes ab = abGood;
        c.damage(ab);
        test::WriteFileBytes(fx.dir / "bad.img", ab);
        fs::remove_all(fx.dir.Path() / "out");
        test::CRecordingFeedback feedback;
        const COutcome outcome = RunExtract({fx.dir / "bad.img"}, fx.dir / "out", feedback);
        EXPECT_FALSE(outcome.IsOk());
        EXPECT_NE(AllText(outcome).find(c.strMessage), std::string::npos) << AllText(outcome);
        EXPECT_EQ(Differences(test::FileTree(fx.dir.Path() / "out"), fx.Folders(c.aFolders)),
                  std::vector<std::string>{});
    }
}
