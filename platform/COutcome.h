// What an operation ends with: success, or a refusal that carries the text
// to show, its caption and icon and the file it names. An outcome may also
// carry notes that do not fail it (a pool whose files lie in more than one
// folder tree); notes and refusals keep the order in which they arose. The
// operation shows nothing itself: each front end shows the notes its own
// way (a message box; a line on stderr and the exit status; the page's
// message list).
#pragma once

#include <string>
#include <vector>

// The application's title, the caption of most message boxes.
inline constexpr const char* kAppTitle = "Dorvane V2";

// The refusal of an output that is one of the files it is made from (the
// same file, however it is spelt): nothing is written.
inline std::string SameFileMessage(const std::string& strOutput, const std::string& strInput)
{
    return "ERROR: Can't write " + strOutput + ": it is the same file as " + strInput +
           ", which it is made from.";
}

// What an operation the user stopped says: its outputs were left as they
// were.
inline constexpr const char* kCancelledMessage = "Cancelled: nothing was written.";

enum class MessageIcon
{
    None,
    Exclamation,
    Stop,
};

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
    // The refusal of an operation the user stopped: kCancelledMessage, no
    // icon. It stopped where it stood, as on a file error (IsFileError).
    static COutcome Cancelled();

    bool IsOk() const { return m_bOk; }
    // A refusal by a file error or a cancel: the operation stopped where it
    // stood.
    bool IsFileError() const { return m_bFileError; }
    // A refusal because the user stopped the operation: a front end says so
    // on its status line, not as an error.
    bool IsCancelled() const { return m_bCancelled; }
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
    // Drops the notes, once a front end has shown them its own way.
    void ClearNotes() { m_aNotes.clear(); }

  private:
    bool m_bOk = true;
    bool m_bFileError = false;
    bool m_bCancelled = false;
    std::vector<SOutcomeNote> m_aNotes;
};

// Where a front end shows messages one at a time: a modal message box with
// one OK button (returns when it is closed), a line on stderr, an entry of
// the page's list.
class CMessageSink
{
  public:
    virtual ~CMessageSink() = default;
    virtual void MessageBox(const std::string& strText, const std::string& strCaption,
                            MessageIcon icon) = 0;
};

// Shows the notes through sink, in order; whether the outcome is a success.
bool ShowAsMessages(const COutcome& outcome, CMessageSink& sink);
