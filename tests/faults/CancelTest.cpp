// Operations the user stops: Make File (with parts and floppy images),
// Split, Join and the put into a disk image, stopped at their first, a
// middle and their last question. Each ends cancelled with every earlier
// file byte for byte as it was and no temporary file, and asks no more
// after the stop.
#include "CDorvane_V2Doc.h"
#include "FaultSupport.h"
#include "FloppyImage.h"
#include "ImageRunner.h"
#include "JoinRunner.h"
#include "MakeRunner.h"
#include "PoolEdit.h"
#include "SplitRunner.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using test::Bytes;

namespace
{

// A feedback whose user asks to stop at its nAt-th question (0: never);
// it counts the questions.
class CStopAt : public test::CRecordingFeedback
{
  public:
    explicit CStopAt(int nAt) : m_nAt(nAt) {}
    bool IsCancelled() const override
    {
        ++m_nAsked;
        return m_nAt > 0 && m_nAsked >= m_nAt;
    }
    bool MayCancel() const override { return true; }
    int Asked() const { return m_nAsked; }

  private:
    int m_nAt;
    mutable int m_nAsked = 0;
};

// Writes an earlier file of each name, each with bytes of its own.
void WriteEarlier(const test::TempDir& dir, std::initializer_list<const char*> aNames)
{
    std::uint8_t n = 0x40;
    for (const char* szName : aNames)
    {
        test::WriteFileBytes(dir / szName, Bytes(3000 + n, n));
        ++n;
    }
}

// The pool's files, an earlier KRZ file, parts and images of its name.
void SetUpMake(const test::TempDir& dir)
{
    WriteEarlier(dir, {"OUT.KRZ", "OUT.KRZ01", "OUT.KRZ02", "OUT.KRZ03", "OUT.KRZ01.img",
                       "OUT.KRZ02.img", "OUT.KRZ03.img"});
    const std::size_t anBytes[] = {12000, 16000};
    for (std::size_t i = 0; i < std::size(anBytes); ++i)
    {
        test::WavSpec spec;
        spec.abData = test::RampData(anBytes[i], static_cast<std::uint8_t>(i + 3));
        test::WriteFileBytes(dir / ("s" + std::to_string(i) + ".wav"), test::MakeWav(spec));
    }
}

COutcome MakeFile(const test::TempDir& dir, CFeedback& feedback, int nFloppyKB)
{
    CDorvane_V2Doc doc;
    WavInfoArray aWavInfo{};
    TemplateBytes abTemplate{};
    const Bytes ab = test::ReadFileBytes(DORVANE_TEST_TEMPLATE);
    std::copy_n(ab.begin(), abTemplate.size(), abTemplate.begin());
    doc.OnNewDocument();
    for (const char* szName : {"s0", "s1"})
    {
        const std::string strPath = dir / (std::string(szName) + ".wav");
        ReadWavHeader(strPath, aWavInfo[AddPoolEntry(doc, strPath, szName)]);
    }
    CMakeOptions options;
    options.bSplit = true;
    options.nMaxSplitKB = 10;
    options.nFloppyKB = nFloppyKB;
    SMadeFile made;
    return RunMakeFile(doc, aWavInfo, options, abTemplate, dir / "OUT.KRZ", "OUT.KRZ", {}, feedback,
                       made);
}

// A 5000-byte KRZ file (5 parts of 1 KB) and an earlier series P.KRZ01..03.
void SetUpSplit(const test::TempDir& dir)
{
    Bytes ab = test::RampData(5000, 7);
    std::fill(ab.begin() + 4, ab.begin() + 16, std::uint8_t{0});
    ab[7] = 32; // the sample data from byte 32
    test::WriteFileBytes(dir / "SRC.KRZ", ab);
    WriteEarlier(dir, {"P.KRZ01", "P.KRZ02", "P.KRZ03"});
}

using SetUp = std::function<void(const test::TempDir&)>;
using Operation = std::function<COutcome(const test::TempDir&, CFeedback&)>;

const struct SCase
{
    const char* szName;
    SetUp fnSetUp;   // the inputs and the earlier files
    Operation fnRun; // the operation, its outcome
} kCases[] = {
    {"Make File with parts and floppy images", SetUpMake,
     [](const test::TempDir& dir, CFeedback& feedback) { return MakeFile(dir, feedback, 720); }},
    {"Make File with parts", SetUpMake,
     [](const test::TempDir& dir, CFeedback& feedback) { return MakeFile(dir, feedback, 0); }},
    {"Split", SetUpSplit,
     [](const test::TempDir& dir, CFeedback& feedback)
     {
         int nParts = 0;
         COutcome outcome = RunSplitFile(dir / "SRC.KRZ", dir / "P.KRZ", 1, feedback, nParts);
         EXPECT_EQ(nParts, outcome.IsOk() ? 5 : 0);
         return outcome;
     }},
    {"Join",
     [](const test::TempDir& dir)
     {
         SetUpSplit(dir);
         int nParts = 0;
         test::CRecordingFeedback quiet;
         ASSERT_TRUE(RunSplitFile(dir / "SRC.KRZ", dir / "P.KRZ", 1, quiet, nParts).IsOk());
         WriteEarlier(dir, {"OUT.KRZ"});
     },
     [](const test::TempDir& dir, CFeedback& feedback)
     { return RunJoinFiles(dir / "P.KRZ01", dir / "OUT.KRZ", feedback); }},
    {"put into a disk image",
     [](const test::TempDir& dir)
     {
         // The free clusters hold old bytes that a stop must leave too.
         Bytes abImage = FormatFloppy(*FloppyGeometry(1440), "DISK", 1);
         std::fill(abImage.end() - 200000, abImage.end(), std::uint8_t{0xA5});
         test::WriteFileBytes(dir / "DISK.IMG", abImage);
         std::uint8_t nSeed = 1;
         for (const char* szName : {"A.KRZ", "B.KRZ", "C.KRZ"})
         {
             test::WriteFileBytes(dir / szName, test::RampData(1500 + 700 * nSeed, nSeed));
             ++nSeed;
         }
     },
     [](const test::TempDir& dir, CFeedback& feedback)
     {
         return RunPutFiles(dir / "DISK.IMG", {dir / "A.KRZ", dir / "B.KRZ", dir / "C.KRZ"}, "",
                            false, feedback);
     }},
};

} // namespace

TEST(Cancel, LeavesEveryEarlierFileAsItWasAtAnyStep)
{
    for (const SCase& c : kCases)
    {
        SCOPED_TRACE(c.szName);
        // A run that is never stopped counts the questions, and changes
        // files: the stops below are seen to matter.
        int nQuestions = 0;
        {
            test::TempDir dir;
            c.fnSetUp(dir);
            const fault::Snapshot before = fault::TakeSnapshot(dir.Path());
            CStopAt never(0);
            const COutcome outcome = c.fnRun(dir, never);
            ASSERT_TRUE(outcome.IsOk()) << outcome.Text();
            EXPECT_FALSE(outcome.IsCancelled());
            EXPECT_FALSE(fault::SameFiles(before, fault::TakeSnapshot(dir.Path())));
            nQuestions = never.Asked();
        }
        ASSERT_GE(nQuestions, 3);
        for (const int nAt : {1, (nQuestions + 1) / 2, nQuestions})
        {
            SCOPED_TRACE("stopped at question " + std::to_string(nAt) + " of " +
                         std::to_string(nQuestions));
            test::TempDir dir;
            c.fnSetUp(dir);
            const fault::Snapshot before = fault::TakeSnapshot(dir.Path());
            CStopAt stop(nAt);
            const COutcome outcome = c.fnRun(dir, stop);
            EXPECT_FALSE(outcome.IsOk());
            EXPECT_TRUE(outcome.IsCancelled());
            EXPECT_TRUE(outcome.IsFileError());
            EXPECT_EQ(outcome.Text(), kCancelledMessage);
            EXPECT_EQ(stop.Asked(), nAt);
            EXPECT_TRUE(fault::SameFiles(before, fault::TakeSnapshot(dir.Path())));
        }
    }
}
