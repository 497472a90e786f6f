// The Make command from a request to one outcome: each refusal comes once,
// the first that applies wins, and the notes keep the order in which the
// steps ran (header messages before what the build had to say).
#include "FloppyImage.h"
#include "KrzTemplate.h"
#include "MakeCommand.h"
#include "OptionTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{

// A folder with a template, two usable WAV files and an empty pool file.
struct CMakeFolder
{
    test::TempDir dir;
    std::string strPiano = dir / "piano.wav";
    std::string strPad = dir / "pad.wav";
    std::string strGone = dir / "gone.wav";
    std::string strEmptyPool = dir / "empty.dvn";

    CMakeFolder()
    {
        test::WavSpec spec;
        spec.abData = test::RampData(4000);
        test::WriteFileBytes(strPiano, test::MakeWav(spec));
        test::WriteFileBytes(strPad, test::MakeWav(spec));
        test::WriteFileBytes(dir / kTemplateFileName, test::Bytes(kTemplateSize, 0));
        CDorvane_V2Doc doc;
        doc.OnNewDocument();
        EXPECT_TRUE(doc.OnSaveDocument(strEmptyPool).IsOk());
    }

    // A request for the two WAV files, as dorvane-cli makes it.
    SMakeRequest Request() const
    {
        SMakeRequest request;
        request.aInputs = {strPiano, strPad};
        request.aTemplateDirs = {dir.Path()};
        request.bNewEntriesTakeMetadata = true;
        request.bHeaderNotes = true;
        request.strOutput = dir / "OUT.KRZ";
        request.strShownName = "OUT.KRZ";
        return request;
    }

    // The entries the page would fill for the files.
    std::vector<CWPoolObj> Entries(const std::vector<std::string>& aPaths) const
    {
        std::vector<CWPoolObj> aEntries;
        for (const std::string& strPath : aPaths)
        {
            CWPoolObj& entry = aEntries.emplace_back();
            entry.m_strFileName = "page/" + strPath.substr(strPath.rfind('/') + 1);
            entry.m_strFoundPath = strPath;
            entry.m_strSampleName = "S";
            entry.m_nRootKey = 48;
            entry.m_bKeymapEnable = entry.m_bProgramEnable = 1;
        }
        return aEntries;
    }
};

std::string MissingMessage(const std::string& strPath)
{
    return "Error in file: " + strPath + "\nThe file was not found.";
}

} // namespace

TEST(RunMakeCommand, RefusesOnceInTheOrderOfItsStepsAndKeepsNotesInOrder)
{
    const int nMaxPart720 = MaxFloppyPartKB(*FloppyGeometry(720));
    const std::string strIdRange = CheckOptionValue(Option("firstObjectID"), 100);
    const std::string strTooSmall = "The source-file is smaller than the maximum filesize";
    struct Case
    {
        const char* szName;
        std::function<void(const CMakeFolder&, SMakeRequest&)> fnSet;
        std::function<std::vector<std::string>(const CMakeFolder&)> fnNotes; // texts in order
        bool bOk;
    } aCases[] = {
        // The page's entries are judged before the options: a bad option too
        // leaves the count's message.
        {"no entries given",
         [](const CMakeFolder&, SMakeRequest& r) {
             r.oEntries.emplace();
             r.options.nFirstObjectID = 100;
         },
         [](const CMakeFolder&) { return std::vector<std::string>{kEmptyPoolMessage}; }, false},
        {"more entries than a pool holds",
         [](const CMakeFolder& f, SMakeRequest& r) {
             r.oEntries = f.Entries(std::vector<std::string>(MAX_POOL + 1, f.strPiano));
             r.options.nFirstObjectID = 100;
         },
         [](const CMakeFolder&) { return std::vector<std::string>{kPoolFullMessage}; }, false},
        // Options before the template and the pool.
        {"option out of range",
         [](const CMakeFolder& f, SMakeRequest& r) {
             r.options.nFirstObjectID = 100;
             r.aTemplateDirs = {f.dir / "none"};
         },
         [&](const CMakeFolder&) { return std::vector<std::string>{strIdRange}; }, false},
        {"part asked for does not fit the image",
         [](const CMakeFolder& f, SMakeRequest& r) {
             r.options.nFloppyKB = 720;
             r.options.bSplit = true;
             r.options.nMaxSplitKB = 1400;
             r.bSplitSizeGiven = true;
             r.aTemplateDirs = {f.dir / "none"};
         },
         [&](const CMakeFolder&) {
             return std::vector<std::string>{PartTooLargeMessage(1400, 720, nMaxPart720)};
         },
         false},
        {"part size left at its default fits itself to the image",
         [](const CMakeFolder&, SMakeRequest& r) {
             r.options.nFloppyKB = 720;
             r.options.bSplit = true;
             r.options.nMaxSplitKB = 1400;
         },
         [&](const CMakeFolder&) { return std::vector<std::string>{strTooSmall}; }, true},
        {"no template before the pool",
         [](const CMakeFolder& f, SMakeRequest& r) {
             r.aInputs.clear();
             r.aTemplateDirs = {f.dir / "none"};
         },
         [](const CMakeFolder&) { return std::vector<std::string>{kTemplateErrorMessage}; },
         false},
        {"no inputs", [](const CMakeFolder&, SMakeRequest& r) { r.aInputs.clear(); },
         [](const CMakeFolder&) { return std::vector<std::string>{kEmptyPoolMessage}; }, false},
        {"empty pool file",
         [](const CMakeFolder& f, SMakeRequest& r) { r.aInputs = {f.strEmptyPool}; },
         [](const CMakeFolder&) { return std::vector<std::string>{kEmptyPoolMessage}; }, false},
        {"unusable entry not skipped",
         [](const CMakeFolder& f, SMakeRequest& r) { r.aInputs = {f.strGone, f.strPiano}; },
         [](const CMakeFolder& f) { return std::vector<std::string>{MissingMessage(f.strGone)}; },
         false},
        {"unusable page entry",
         [](const CMakeFolder& f, SMakeRequest& r) {
             r.oEntries = f.Entries({f.strPiano, f.strGone});
         },
         [](const CMakeFolder& f) { return std::vector<std::string>{MissingMessage(f.strGone)}; },
         false},
        {"nothing usable",
         [](const CMakeFolder& f, SMakeRequest& r) {
             r.aInputs = {f.strGone, f.strGone};
             r.bSkipUnusable = true;
         },
         [](const CMakeFolder& f) {
             return std::vector<std::string>{MissingMessage(f.strGone), MissingMessage(f.strGone),
                                             kNothingUsableMessage};
         },
         false},
        {"header messages before the split's",
         [](const CMakeFolder& f, SMakeRequest& r) {
             r.aInputs = {f.strGone, f.strPiano};
             r.bSkipUnusable = true;
             r.options.bSplit = true;
         },
         [&](const CMakeFolder& f) {
             return std::vector<std::string>{MissingMessage(f.strGone), strTooSmall};
         },
         true},
        {"page entries made", [](const CMakeFolder& f, SMakeRequest& r)
         { r.oEntries = f.Entries({f.strPiano, f.strPad}); },
         [](const CMakeFolder&) { return std::vector<std::string>{}; }, true},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const CMakeFolder folder;
        SMakeRequest request = folder.Request();
        c.fnSet(folder, request);
        test::CRecordingFeedback feedback;
        SMadeFile made;
        const COutcome outcome = RunMakeCommand(request, feedback, made);
        std::vector<std::string> aTexts;
        for (const SOutcomeNote& note : outcome.Notes())
            aTexts.push_back(note.strText);
        EXPECT_EQ(aTexts, c.fnNotes(folder));
        EXPECT_EQ(outcome.IsOk(), c.bOk);
        // The runner shows nothing itself; a refusal writes nothing.
        EXPECT_TRUE(feedback.m_aMessages.empty());
        EXPECT_EQ(test::FileExists(request.strOutput), c.bOk);
        EXPECT_EQ(made.strSummary.rfind("Wrote OUT.KRZ: ", 0) == 0, c.bOk) << made.strSummary;
    }
}

// Entries made from audio files take the file's root key only when the
// request asks; a face's own entries never do.
TEST(RunMakeCommand, FileMetadataReachesOnlyEntriesMadeFromFiles)
{
    struct Case
    {
        const char* szName;
        bool bEntriesGiven;
        bool bDiffers; // from the same request that does not ask
    } aCases[] = {
        {"entries made from files", false, true},
        {"the page's entries keep theirs", true, false},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const CMakeFolder folder;
        // "C 5" in the title: the root key Add gives with the option.
        const std::string strNamed = folder.dir / "bell C5.wav";
        test::WavSpec spec;
        spec.abData = test::RampData(400);
        test::WriteFileBytes(strNamed, test::MakeWav(spec));
        test::Bytes aabMade[2];
        for (const bool bTake : {false, true})
        {
            SMakeRequest request = folder.Request();
            request.aInputs = {strNamed};
            if (c.bEntriesGiven)
                request.oEntries = folder.Entries({strNamed});
            request.bNewEntriesTakeMetadata = bTake;
            request.options.audio.bFileMetadata = true;
            test::CRecordingFeedback feedback;
            SMadeFile made;
            ASSERT_TRUE(RunMakeCommand(request, feedback, made).IsOk());
            aabMade[bTake ? 1 : 0] = test::ReadFileBytes(request.strOutput);
        }
        EXPECT_EQ(aabMade[0] != aabMade[1], c.bDiffers);
    }
}
