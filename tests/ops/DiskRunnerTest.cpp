// The Split, Join, image and put runners: each returns its refusal (text,
// icon, the file it names) or success, shows no message itself, and leaves
// the status at "Ready".
#include "ImageRunner.h"
#include "JoinRunner.h"
#include "MultiDiskTestUtil.h"
#include "OptionTable.h"
#include "SplitRunner.h"

#include <gtest/gtest.h>

#include <functional>

TEST(DiskRunners, ReturnOutcomesInsteadOfShowingMessages)
{
    using Run = std::function<COutcome(const test::TempDir&, CFeedback&)>;
    const std::string strSplitRange = CheckOptionValue(Option("splitKB"), 0);
    const auto Split = [](const char* szSource, int nKB)
    {
        return [=](const test::TempDir& dir, CFeedback& feedback)
        {
            int nParts = 0;
            COutcome outcome = RunSplitFile(dir / szSource, dir / "P.KRZ", nKB, feedback, nParts);
            EXPECT_EQ(nParts > 0, outcome.IsOk());
            return outcome;
        };
    };
    struct Case
    {
        const char* szName;
        Run fnRun;
        const char* szText; // nullptr: success without notes
        MessageIcon icon;
        const char* szFile; // the file the refusal names, or ""
    } aCases[] = {
        {"split", Split("SRC.KRZ", 1), nullptr, MessageIcon::None, ""},
        {"split, no larger than a part", Split("SRC.KRZ", 4),
         "The source-file is smaller than the maximum filesize", MessageIcon::None, ""},
        {"split, no source", Split("NONE.KRZ", 1), "ERROR: Can't open Split Source-File...",
         MessageIcon::None, ""},
        // Every face's part size passes the option's range, checked before
        // the source is opened.
        {"split, part size 0", Split("NONE.KRZ", 0), strSplitRange.c_str(), MessageIcon::Stop, ""},
        {"split, part size too large", Split("SRC.KRZ", 650001), strSplitRange.c_str(),
         MessageIcon::Stop, ""},
        {"join",
         [&](const test::TempDir& dir, CFeedback& feedback)
         {
             Split("SRC.KRZ", 1)(dir, feedback);
             return RunJoinFiles(dir / "P.KRZ01", dir / "OUT.KRZ", feedback);
         },
         nullptr, MessageIcon::None, ""},
        {"join, no first part",
         [](const test::TempDir& dir, CFeedback& feedback)
         { return RunJoinFiles(dir / "P.KRZ01", dir / "OUT.KRZ", feedback); },
         "FILE ERROR: Can't open Source File...", MessageIcon::None, ""},
        {"image of a size no floppy has",
         [](const test::TempDir& dir, CFeedback& feedback)
         { return RunImages({dir / "SRC.KRZ"}, 1000, feedback); },
         kFloppySizeMessage, MessageIcon::Stop, ""},
        {"put into an image that is not there",
         [](const test::TempDir& dir, CFeedback& feedback)
         { return RunPutFiles(dir / "NONE.IMG", {dir / "SRC.KRZ"}, "", false, feedback); },
         "", MessageIcon::Stop, "NONE.IMG"},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        test::WriteFileBytes(dir / "SRC.KRZ", test::MakeSource(3000, 32));
        test::CRecordingFeedback feedback;
        const COutcome outcome = c.fnRun(dir, feedback);
        EXPECT_TRUE(feedback.m_aMessages.empty());
        EXPECT_EQ(outcome.IsOk(), c.szText == nullptr);
        if (c.szText == nullptr)
        {
            EXPECT_TRUE(outcome.Notes().empty());
            EXPECT_EQ(feedback.m_aStatus.back(), "Ready");
            continue;
        }
        ASSERT_EQ(outcome.Notes().size(), 1u);
        const SOutcomeNote& note = outcome.Notes()[0];
        if (*c.szText != '\0')
        {
            EXPECT_EQ(note.strText, c.szText);
        }
        EXPECT_EQ(note.icon, c.icon);
        EXPECT_NE(note.strFile.find(c.szFile), std::string::npos) << note.strFile;
    }
}
