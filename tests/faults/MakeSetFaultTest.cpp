// Make File's outputs as one set under faults: the KRZ file, its parts and
// their floppy images replace an earlier set together or not at all. A
// failure at any of them (a full disk, a read-only part or image) leaves
// every earlier file exactly as it was and no temporary file.
#include "CDorvane_V2Doc.h"
#include "FaultSupport.h"
#include "MakeFile.h"
#include "PoolEdit.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <filesystem>

using test::Bytes;

namespace
{

constexpr std::uint64_t kPage = 4096;
constexpr std::uint64_t kImagePages = 737280 / kPage; // a 720 KB image

// The pool: two 16-bit mono entries, 12000 and 16000 data bytes; the KRZ
// file (under 8 pages) is cut into three parts of at most 10 KB payload.
constexpr int kPartKB = 10;
constexpr std::size_t kWavBytes[] = {12000, 16000};

// wav/ holds the pool's files, out/ an earlier set of the same name.
class CMakeScene
{
  public:
    CMakeScene(const test::TempDir& dir, const std::string& strOutDir)
        : m_strOutDir(strOutDir), m_strOutput(strOutDir + "/OUT.KRZ")
    {
        std::filesystem::create_directories(dir / "wav");
        std::filesystem::create_directories(strOutDir);
        const Bytes abTemplate = test::ReadFileBytes(DORVANE_TEST_TEMPLATE);
        std::copy_n(abTemplate.begin(), m_abTemplate.size(), m_abTemplate.begin());
        m_doc.OnNewDocument();
        test::CRecordingFeedback feedback;
        for (std::size_t i = 0; i < std::size(kWavBytes); ++i)
        {
            test::WavSpec spec;
            spec.abData = test::RampData(kWavBytes[i], static_cast<std::uint8_t>(i + 3));
            const std::string strPath = dir / ("wav/s" + std::to_string(i) + ".wav");
            test::WriteFileBytes(strPath, test::MakeWav(spec));
            const int n = AddPoolEntry(m_doc, strPath, "s" + std::to_string(i));
            ShowAsMessages(ReadWavHeader(strPath, m_aWavInfo[n]), feedback);
        }
        for (const char* szName : {"OUT.KRZ", "OUT.KRZ01", "OUT.KRZ02", "OUT.KRZ03",
                                   "OUT.KRZ01.img", "OUT.KRZ02.img", "OUT.KRZ03.img"})
            test::WriteFileBytes(Out(szName), Bytes(3000, static_cast<std::uint8_t>(szName[7])));
    }

    std::string Out(const std::string& strName) const { return m_strOutDir + "/" + strName; }

    fault::Operation Operation()
    {
        return [this](test::CRecordingFeedback& feedback, std::string& strNote)
        {
            CMakeOptions options;
            options.bSplit = true;
            options.nMaxSplitKB = kPartKB;
            options.nFloppyKB = 720;
            CMakeResult result;
            const bool bMade = feedback.Record(MakeKrzFile(m_doc, m_aWavInfo, options, m_abTemplate,
                                                           m_strOutput, {}, feedback, result));
            strNote = bMade ? std::to_string(result.nParts) + " parts" : "refused";
        };
    }

  private:
    std::string m_strOutDir;
    std::string m_strOutput;
    CDorvane_V2Doc m_doc;
    WavInfoArray m_aWavInfo{};
    TemplateBytes m_abTemplate{};
};

} // namespace

// The set is written whole when nothing fails: three parts, three images.
TEST(MakeSetFault, ReferenceSetHasThreePartsAndImages)
{
    test::TempDir dir;
    CMakeScene scene(dir, dir / "out");
    const auto outcome = fault::Run(scene.Operation());
    EXPECT_EQ(outcome.strError, "");
    EXPECT_EQ(outcome.strNote, "3 parts");
    for (const char* szImage : {"OUT.KRZ01.img", "OUT.KRZ02.img", "OUT.KRZ03.img"})
        EXPECT_EQ(std::filesystem::file_size(scene.Out(szImage)), kImagePages * kPage);
    EXPECT_EQ(test::ListDir(dir / "out").size(), 7u);
}

// A failure at a part or an image, after the KRZ file (and the parts) were
// written: a file-size limit the KRZ file and parts stay under but an image
// does not, a read-only part, a read-only last image. Root ignores
// permissions, so those run as an ordinary user.
TEST(MakeSetFault, FailureAtAPartOrAnImageChangesNothing)
{
    struct Case
    {
        const char* szName;
        rlim_t nLimit;           // RLIM_INFINITY: no limit
        const char* szProtected; // a file made read-only, or nullptr
        const char* szError;     // "<cause>|<file>"
    };
    const Case aCases[] = {
        {"the first image fills the disk", 100000, nullptr,
         "Disk full while accessing |OUT.KRZ01.img"},
        {"a read-only part", RLIM_INFINITY, "OUT.KRZ02", "Access to |OUT.KRZ02"},
        {"a read-only last image", RLIM_INFINITY, "OUT.KRZ03.img", "Access to |OUT.KRZ03.img"},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        CMakeScene scene(dir, dir / "out");
        fault::ChildSetup setup;
        if (c.szProtected != nullptr)
        {
            // Every other file of the earlier set may be replaced by the user.
            for (const auto& entry : std::filesystem::directory_iterator(dir / "out"))
                std::filesystem::permissions(entry.path(), std::filesystem::perms(0666));
            fault::OpenToOthers(dir.Path());
            setup = fault::WriteProtect(dir / "out", scene.Out(c.szProtected));
        }
        setup.nFileSizeLimit = c.nLimit;
        const auto before = fault::TakeSnapshot(dir / "out");

        const auto outcome = fault::RunInChild(setup, scene.Operation());
        if (outcome.bSkipped)
            GTEST_SKIP() << outcome.strSkipReason;

        const std::string strError = c.szError;
        const std::size_t nBar = strError.find('|');
        const std::string strFile = scene.Out(strError.substr(nBar + 1));
        const std::string strEnd = c.szProtected != nullptr ? " was denied." : ".";
        EXPECT_EQ(outcome.strError, strError.substr(0, nBar) + strFile + strEnd);
        EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir / "out")));
    }
}

// A real file system that fills at the last image: the KRZ file, the parts
// and two images fit, the third does not.
TEST(MakeSetFault, TmpfsFillsAtTheLastImage)
{
    test::TempDir dir;
    fault::CScopedTmpfs disk(dir.Path() / "disk", "4m");
    if (!disk.Mounted())
        GTEST_SKIP() << disk.WhyNot();
    CMakeScene scene(dir, disk.Path().string());
    // The KRZ file: 8 pages; its parts: 3 + 3 + 3 pages; two images.
    ASSERT_TRUE(fault::FillLeaving(disk.Path(), (8 + 9 + 2 * kImagePages + 1) * kPage));
    const auto before = fault::TakeSnapshot(disk.Path());

    const auto outcome = fault::Run(scene.Operation());

    EXPECT_EQ(outcome.strError, "Disk full while accessing " + scene.Out("OUT.KRZ03.img") + ".");
    EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(disk.Path())));
}
