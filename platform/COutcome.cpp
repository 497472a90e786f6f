#include "COutcome.h"

#include "CFileException.h"

COutcome COutcome::Refusal(const std::string& strText, MessageIcon icon, const std::string& strFile)
{
    COutcome outcome;
    outcome.Refuse({strText, kAppTitle, icon, strFile});
    return outcome;
}

COutcome COutcome::FileError(const CFileException& e)
{
    COutcome outcome = Refusal(e.GetErrorMessage(), MessageIcon::Stop, e.m_strFileName);
    outcome.m_bFileError = true;
    return outcome;
}

COutcome COutcome::Cancelled()
{
    COutcome outcome = Refusal(kCancelledMessage);
    outcome.m_bFileError = true;
    outcome.m_bCancelled = true;
    return outcome;
}

std::string COutcome::Text() const
{
    return m_aNotes.empty() ? std::string() : m_aNotes.front().strText;
}

void COutcome::Refuse(const SOutcomeNote& note)
{
    m_bOk = false;
    m_aNotes.push_back(note);
}

void COutcome::Append(const COutcome& other)
{
    m_bOk = m_bOk && other.m_bOk;
    m_bFileError = m_bFileError || other.m_bFileError;
    m_bCancelled = m_bCancelled || other.m_bCancelled;
    m_aNotes.insert(m_aNotes.end(), other.m_aNotes.begin(), other.m_aNotes.end());
}

bool ShowAsMessages(const COutcome& outcome, CMessageSink& sink)
{
    for (const SOutcomeNote& note : outcome.Notes())
        sink.MessageBox(note.strText, note.strCaption, note.icon);
    return outcome.IsOk();
}
