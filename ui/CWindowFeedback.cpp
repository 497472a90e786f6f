#include "CWindowFeedback.h"

#include "CDialogService.h"
#include "CProgressCtrl.h"

#include <QString>

CWindowFeedback::CWindowFeedback(StatusFn fnStatus, CProgressCtrl* pProgress,
                                 CDialogService& dialogs, QWidget* pOwner)
    : m_fnStatus(std::move(fnStatus)), m_pProgress(pProgress), m_dialogs(dialogs), m_pOwner(pOwner)
{
}

void CWindowFeedback::SetStatusText(const std::string& strText)
{
    if (m_fnStatus)
        m_fnStatus(QString::fromStdString(strText));
}

void CWindowFeedback::ProgressSetRange(int nLower, int nUpper)
{
    if (m_pProgress)
        m_pProgress->SetRange(nLower, nUpper);
}

void CWindowFeedback::ProgressSetStep(int nStep)
{
    if (m_pProgress)
        m_pProgress->SetStep(nStep);
}

void CWindowFeedback::ProgressSetPos(int nPos)
{
    if (m_pProgress)
        m_pProgress->SetPos(nPos);
}

void CWindowFeedback::ProgressStepIt()
{
    if (m_pProgress)
        m_pProgress->StepIt();
}

void CWindowFeedback::MessageBox(const std::string& strText, const std::string& strCaption,
                                 MessageIcon icon)
{
    m_dialogs.MessageBox(m_pOwner, QString::fromStdString(strText),
                         QString::fromStdString(strCaption), icon);
}
