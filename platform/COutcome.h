// What an operation ends with: success, or a refusal that carries the text
// to show, its caption and icon and the file it names. An outcome may also
// carry notes that do not fail it (a pool whose files lie in more than one
// folder tree); notes and refusals keep the order in which they arose. The
// operation shows nothing itself: each front end shows the notes its own
// way (a message box; a line on stderr and the exit status; the page's
// message list).
#pragma once

#include "CFeedback.h"

#include <string>
#include <vector>

class CFileException;

struct SOutcomeNote
{
    std::string strText;
    std::string strCaption = kAppTitle;
    MessageIcon icon = MessageIcon::None;
    std::string strFile; // the file the text names; empty when none
};

class COutcome
{
  public:
    // A success without notes.
    COutcome() = default;

    // A refusal: the operation failed with this text.
    static COutcome Refusal(const std::string& strText, MessageIcon icon = MessageIcon::None,
                            const std::string& strFile = {});
    // The refusal of a file error: its message, a Stop icon, its file.
    static COutcome FileError(const CFileException& e);

    bool IsOk() const { return m_bOk; }
    // A refusal by a file error: the operation stopped where it stood.
    bool IsFileError() const { return m_bFileError; }
    const std::vector<SOutcomeNote>& Notes() const { return m_aNotes; }
    // The first note's text, or empty: what a refusal says.
    std::string Text() const;

    // Adds a note that leaves the outcome as it is.
    void Note(const SOutcomeNote& note) { m_aNotes.push_back(note); }
    // Adds a note and makes the outcome a refusal.
    void Refuse(const SOutcomeNote& note);
    // Makes the outcome a refusal (its notes say why).
    void Fail() { m_bOk = false; }
    // Adds other's notes after this one's; fails when other failed.
    void Append(const COutcome& other);

  private:
    bool m_bOk = true;
    bool m_bFileError = false;
    std::vector<SOutcomeNote> m_aNotes;
};

// Shows the notes through feedback's message boxes, in order: for callers
// that still take their messages that way.
void ShowAsMessages(const COutcome& outcome, CFeedback& feedback);
