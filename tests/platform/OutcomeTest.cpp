// An outcome keeps its notes in order and fails when any part of it
// failed; a file error is a refusal that names its file and says the
// operation stopped where it stood.
#include "CFileException.h"
#include "COutcome.h"

#include <gtest/gtest.h>

TEST(Outcome, AppendKeepsOrderAndTheWorstResult)
{
    const COutcome noted = []
    {
        COutcome o;
        o.Note({"note", kAppTitle, MessageIcon::Exclamation, "a.dvn"});
        return o;
    }();
    const COutcome refused = COutcome::Refusal("refused", MessageIcon::None, "b.krz");
    const COutcome fileError =
        COutcome::FileError(CFileException(CFileException::diskFull, "c.krz"));
    struct Case
    {
        const char* szName;
        std::vector<COutcome> aParts;
        bool bOk;
        bool bFileError;
        std::vector<std::string> aFiles; // the notes' files, in order
    } aCases[] = {
        {"nothing", {}, true, false, {}},
        {"a note alone", {noted}, true, false, {"a.dvn"}},
        {"a note, then a refusal", {noted, refused}, false, false, {"a.dvn", "b.krz"}},
        {"a refusal, then a note", {refused, noted}, false, false, {"b.krz", "a.dvn"}},
        {"a file error among them",
         {noted, fileError, noted},
         false,
         true,
         {"a.dvn", "c.krz", "a.dvn"}},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        COutcome outcome;
        for (const COutcome& part : c.aParts)
            outcome.Append(part);
        EXPECT_EQ(outcome.IsOk(), c.bOk);
        EXPECT_EQ(outcome.IsFileError(), c.bFileError);
        std::vector<std::string> aFiles;
        for (const SOutcomeNote& note : outcome.Notes())
            aFiles.push_back(note.strFile);
        EXPECT_EQ(aFiles, c.aFiles);
        EXPECT_EQ(outcome.Text(), c.aParts.empty() ? "" : c.aParts[0].Text());
    }
    // A file error says it with the error's own message and the Stop icon.
    EXPECT_EQ(fileError.Notes()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(fileError.Text(),
              CFileException(CFileException::diskFull, "c.krz").GetErrorMessage());
}
