// The Make File runner as every front end calls it: it loads the pool,
// reads the headers and makes the file, and says everything through the
// outcome it returns, in order, never through a message box.
#include "MakeRunner.h"
#include "CFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{

std::string WriteWav(const test::TempDir& dir, const std::string& strName, std::size_t nBytes)
{
    test::WavSpec spec;
    spec.abData = test::RampData(nBytes);
    const std::string strPath = dir / strName;
    test::WriteFileBytes(strPath, test::MakeWav(spec));
    return strPath;
}

} // namespace

TEST(LoadMakePool, RefusesWhatCannotBeAPoolAndNotesUnusableEntries)
{
    test::TempDir dir;
    const std::string strWav = WriteWav(dir, "piano.wav", 400);
    const std::vector<std::string> aTooMany(MAX_POOL + 1, strWav);
    struct Case
    {
        const char* szName;
        std::vector<std::string> aInputs;
        const char* szRefusal; // nullptr: loaded
        int nCount;
        int nUnusable;
    } aCases[] = {
        {"nothing", {}, kEmptyPoolMessage, 0, 0},
        {"too many", aTooMany, kPoolFullMessage, 0, 0},
        {"two files", {strWav, strWav}, nullptr, 2, 0},
        {"one missing", {strWav, dir / "gone.wav"}, nullptr, 2, 1},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::CRecordingFeedback feedback;
        SMakePool pool;
        COutcome outcome = LoadMakePool(c.aInputs, pool);
        EXPECT_EQ(outcome.IsOk(), c.szRefusal == nullptr);
        EXPECT_FALSE(pool.bPoolFile);
        if (c.szRefusal != nullptr)
        {
            EXPECT_EQ(outcome.Text(), c.szRefusal);
            continue;
        }
        EXPECT_EQ(pool.pDoc->m_nCount, c.nCount);
        outcome = ReadEntryHeaders(pool, {}, true, true);
        EXPECT_TRUE(outcome.IsOk());
        EXPECT_EQ(pool.nUnusable, c.nUnusable);
        // Each unusable entry's message is a note that names its file.
        ASSERT_EQ(outcome.Notes().size(), static_cast<std::size_t>(c.nUnusable));
        for (const SOutcomeNote& note : outcome.Notes())
            EXPECT_NE(note.strText.find("gone.wav"), std::string::npos) << note.strText;
        EXPECT_TRUE(feedback.m_aMessages.empty());
    }
}

TEST(RunMakeFile, ReturnsRefusalsAndNotesInsteadOfShowingThem)
{
    struct Case
    {
        const char* szName;
        const char* szOutput; // in the folder; "piano.wav" is the input
        bool bSplit;
        bool bOk;
        const char* szNote; // what the outcome's one note starts with; nullptr: none
        MessageIcon icon;
        bool bNamesOutput; // the note names the output file
        int nMaxRate = 0;  // the rate limit asked for
    } aCases[] = {
        {"written", "OUT.KRZ", false, true, nullptr, MessageIcon::None, false},
        {"too small to split", "OUT.KRZ", true, true,
         "The source-file is smaller than the maximum filesize", MessageIcon::None, false},
        {"output is its input", "piano.wav", false, false, "ERROR: Can't write ", MessageIcon::None,
         true},
        {"folder missing", "none/OUT.KRZ", false, false, "", MessageIcon::Stop, true},
        // The engine checks every option against its one range, whichever
        // face asks (the window's and the page's fields included).
        {"rate limit outside its range", "OUT.KRZ", false, false, "The sample rate limit lies in",
         MessageIcon::None, false, 500},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        const std::string strWav = WriteWav(dir, "piano.wav", 4000);
        const test::Bytes abWav = test::ReadFileBytes(strWav);
        test::CRecordingFeedback feedback;
        SMakePool pool;
        ASSERT_TRUE(LoadMakePool({strWav}, pool).IsOk());
        ASSERT_TRUE(ReadEntryHeaders(pool, {}, true, false).IsOk());
        CMakeOptions options;
        options.bSplit = c.bSplit;
        options.audio.nMaxRate = c.nMaxRate;
        TemplateBytes abTemplate{};
        SMadeFile made;
        const std::string strOutput = dir / c.szOutput;
        const COutcome outcome = RunMakeFile(*pool.pDoc, *pool.pWavInfo, options, abTemplate,
                                             strOutput, "OUT.KRZ", {}, feedback, made);
        EXPECT_EQ(outcome.IsOk(), c.bOk);
        // Only a file error stops the run where it stood.
        EXPECT_EQ(outcome.IsFileError(), c.icon == MessageIcon::Stop);
        EXPECT_TRUE(feedback.m_aMessages.empty());
        EXPECT_EQ(test::ReadFileBytes(strWav), abWav);
        EXPECT_EQ(made.strSummary.empty(), !c.bOk);
        if (c.bOk)
        {
            EXPECT_EQ(made.strSummary.rfind("Wrote OUT.KRZ: 1 sample, 1 keymap, 1 program, ", 0),
                      0u)
                << made.strSummary;
        }
        if (c.szNote == nullptr)
        {
            EXPECT_TRUE(outcome.Notes().empty());
            continue;
        }
        ASSERT_EQ(outcome.Notes().size(), 1u);
        const SOutcomeNote& note = outcome.Notes()[0];
        EXPECT_EQ(note.strText.rfind(c.szNote, 0), 0u) << note.strText;
        EXPECT_EQ(note.icon, c.icon);
        EXPECT_EQ(note.strCaption, kAppTitle);
        if (c.bNamesOutput)
        {
            EXPECT_NE(note.strFile.find(c.szOutput), std::string::npos) << note.strFile;
        }
    }
}
