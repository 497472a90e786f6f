// Names from a file made safe, the runner's refusals and what it never
// writes, and damaged files taken apart as far as they are sound.
#include "ExtractNames.h"
#include "COutputSet.h"
#include "ExtractRead.h"
#include "ExtractRunner.h"
#include "InstrumentTestUtil.h"
#include "KrzExtract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace fs = std::filesystem;

namespace
{

// Every file under path, relative to it, sorted.
std::vector<std::string> ListTree(const fs::path& path)
{
    std::vector<std::string> aNames;
    for (const auto& entry : fs::recursive_directory_iterator(path))
        aNames.push_back(fs::relative(entry.path(), path).generic_string());
    std::sort(aNames.begin(), aNames.end());
    return aNames;
}

// A one-instrument KRZ file: sample "a", keymap and program "Inst".
void MakeKrz(const test::TempDir& dir, const std::string& strOut)
{
    TemplateBytes abTemplate = itest::LoadTemplate();
    const itest::Wav a = itest::WriteWav(dir, "a.wav", 1, 100, 1);
    test::CRecordingFeedback feedback;
    SMadeInstruments made;
    ASSERT_TRUE(
        RunMakeInstruments({{{{"Inst", {itest::Zone(a.strPath, 0, 127, 1, 127, 60)}}}, {}, {}}}, {},
                           abTemplate, strOut, {}, feedback, made)
            .IsOk());
    fs::remove(a.strPath);
}

// Puts strName (at most 16 bytes, 0-ended) into the name field of every
// object of the file.
void RenameObjects(const std::string& strPath, const std::string& strName)
{
    test::Bytes ab = test::ReadFileBytes(strPath);
    for (const KrzObjectInfo& obj : ReadKrzData(ab.data(), ab.size()).aObjects)
        for (std::size_t i = 0; i < 16; ++i)
            ab[obj.nFileOffset + 10 + i] = i < strName.size() ? strName[i] : 0;
    test::WriteFileBytes(strPath, ab);
}

} // namespace

TEST(ExtractNames, ObjectNamesBecomeOnePlainFileName)
{
    const struct
    {
        std::string strIn, strOut;
    } aCases[] = {
        {"Piano", "Piano"},
        {"../../etc", ".._.._etc"},
        {"a/b\\c", "a_b_c"},
        {std::string("x\x01y\x7F", 4), "x_y_"},
        {"..", "fallback"},
        {".", "fallback"},
        {"   ", "fallback"},
        {"", "fallback"},
        {"name. . ", "name"},
        {"  lead", "lead"},
        {"CON", "_CON"},
        {"nul.txt", "_nul.txt"},
        {"Com7", "_Com7"},
        {"LPT0", "LPT0"},
        {"CONSOLE", "CONSOLE"},
        {"a:b*?\"<>|", "a_b______"},
        {std::string(80, 'x'), std::string(64, 'x')},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(SafeFileName(c.strIn, "fallback"), c.strOut) << c.strIn;

    CExtractNames names;
    EXPECT_EQ(names.Unique("Piano", ".wav"), "Piano.wav");
    EXPECT_EQ(names.Unique("PIANO", ".wav"), "PIANO-2.wav");
    EXPECT_EQ(names.Unique("piano", ".wav"), "piano-3.wav");
    EXPECT_EQ(names.Unique("piano", ".sfz"), "piano.sfz");
}

TEST(ExtractRunner, HostileNamesStayInsideTheFolder)
{
    const struct
    {
        const char* szName;
        std::string strObjectName;
        std::vector<std::string> aTree;
    } aCases[] = {
        {"parent folders",
         "../../x",
         {"OUT", "OUT/.._.._x.sfz", "OUT/.._.._x.wav", "OUT/report.txt"}},
        {"device name", "NUL", {"OUT", "OUT/_NUL.sfz", "OUT/_NUL.wav", "OUT/report.txt"}},
        {"report's own name",
         "report",
         {"OUT", "OUT/report.sfz", "OUT/report.txt", "OUT/report.wav"}},
        {"empty", "", {"OUT", "OUT/program 200.sfz", "OUT/report.txt", "OUT/sample 200.wav"}},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        MakeKrz(dir, dir / "OUT.KRZ");
        RenameObjects(dir / "OUT.KRZ", c.strObjectName);
        test::CRecordingFeedback feedback;
        const COutcome outcome =
            RunExtract({dir / "OUT.KRZ"}, (dir.Path() / "x" / "y").string(), feedback);
        EXPECT_TRUE(outcome.IsOk()) << outcome.Text();
        EXPECT_EQ(ListTree(dir.Path() / "x" / "y"), c.aTree);
        for (const std::string& strName : ListTree(dir.Path()))
            EXPECT_TRUE(strName == "OUT.KRZ" || strName == "x" || strName.starts_with("x/y"))
                << strName;
    }
}

TEST(ExtractRunner, RefusesWhatItCannotTakeApartAndWritesNothingForIt)
{
    test::TempDir dir;
    MakeKrz(dir, dir / "OUT.KRZ");
    test::Bytes ab = test::ReadFileBytes(dir / "OUT.KRZ");
    ab[15] = 2; // part 2 of a split file
    test::WriteFileBytes(dir / "LATER.KRZ", ab);
    test::WriteFileBytes(dir / "TEXT.KRZ", test::Bytes{'h', 'e', 'l', 'l', 'o'});
    ab[15] = 1; // part 1 of a file longer than it, whose part 2 is missing
    ab[9] = 0x10;
    test::WriteFileBytes(dir / "PART.KRZ01", ab);
    test::WriteFileBytes(dir / "AFILE", test::Bytes{1});
    const struct
    {
        const char* szName;
        std::vector<std::string> aSources;
        std::string strOut;
        std::string strText;
    } aCases[] = {
        {"later part", {dir / "LATER.KRZ"}, dir / "o", "is a later part of a multi-disk file"},
        {"not a KRZ file", {dir / "TEXT.KRZ"}, dir / "o", "is not a KRZ file"},
        {"missing", {dir / "NONE.KRZ"}, dir / "o", "NONE.KRZ"},
        {"series that cannot be joined", {dir / "PART.KRZ01"}, dir / "o", "PART.KRZ02"},
        {"output is a file", {dir / "OUT.KRZ"}, dir / "AFILE", "is a file, not a folder"},
        {"no output", {dir / "OUT.KRZ"}, "", kEmptyOutputMessage},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::CRecordingFeedback feedback;
        const COutcome outcome = RunExtract(c.aSources, c.strOut, feedback);
        EXPECT_FALSE(outcome.IsOk());
        EXPECT_NE(outcome.Text().find(c.strText), std::string::npos) << outcome.Text();
        EXPECT_FALSE(fs::exists(dir.Path() / "o" / "LATER"));
        EXPECT_FALSE(fs::exists(dir.Path() / "o" / "TEXT"));
        EXPECT_FALSE(fs::exists(dir.Path() / "o" / "PART"));
    }
    // One bad source does not stop the others; two files of one name get
    // folders of their own.
    fs::create_directory(dir.Path() / "sub");
    fs::copy_file(dir / "OUT.KRZ", dir.Path() / "sub" / "OUT.KRZ");
    test::CRecordingFeedback feedback;
    const COutcome outcome =
        RunExtract({dir / "OUT.KRZ", dir / "TEXT.KRZ", dir / "sub/OUT.KRZ"}, dir / "o", feedback);
    EXPECT_FALSE(outcome.IsOk());
    EXPECT_EQ(test::ListDir(dir.Path() / "o"), (std::vector<std::string>{"OUT", "OUT-2"}));
    EXPECT_EQ(test::ReadFileBytes(dir / "o/OUT/a.wav"), test::ReadFileBytes(dir / "o/OUT-2/a.wav"));
}

TEST(ExtractKrz, DamagedFilesGiveWhatIsSoundAndSayWhatIsNot)
{
    std::size_t nFiles = 0, nWavs = 0, nSkipped = 0;
    for (const auto& entry : fs::directory_iterator(DORVANE_KRZ_CORPUS))
    {
        SCOPED_TRACE(entry.path().filename().string());
        const test::Bytes ab = test::ReadFileBytes(entry.path().string());
        const SExtraction ex = ExtractKrz(ab.data(), ab.size(), "X.KRZ");
        ++nFiles;
        nWavs += ex.nWavs;
        nSkipped += ex.nSkipped;
        ASSERT_EQ(ex.aFiles.size(), ex.nWavs + ex.nSfzs + 1);
        EXPECT_EQ(ex.aFiles.back().strName, kExtractReportName);
        std::set<std::string> aWavs;
        for (std::size_t i = 0; i < ex.nWavs; ++i)
        {
            test::Bytes abWav;
            ExtractedBytes(ex.aFiles[i], abWav);
            const auto wav = xtest::ReadWav(abWav);
            ASSERT_TRUE(wav.has_value()) << ex.aFiles[i].strName;
            EXPECT_FALSE(wav->anWords.empty());
            EXPECT_TRUE(!wav->bLoop || (wav->nLoopStart < wav->nLoopEnd &&
                                        wav->nLoopEnd < wav->anWords.size() / wav->nChannels));
            EXPECT_EQ(SafeFileName(ex.aFiles[i].strName, "-"), ex.aFiles[i].strName);
            aWavs.insert(ex.aFiles[i].strName);
        }
        // Every region plays a WAV of the set.
        for (std::size_t i = ex.nWavs; i < ex.nWavs + ex.nSfzs; ++i)
        {
            std::string strHeading;
            const auto& abSfz = ex.aFiles[i].abData;
            for (const auto& region :
                 xtest::ReadSfz(std::string(abSfz.begin(), abSfz.end()), strHeading))
                EXPECT_EQ(aWavs.count(region.at("sample")), 1u);
        }
    }
    // The corpus holds both sound and damaged files.
    EXPECT_GT(nFiles, 10u);
    EXPECT_GT(nWavs, 0u);
    EXPECT_GT(nSkipped, 0u);
}
