#include "CWindowFeedback.h"

#include "CDialogService.h"
#include "CProgressCtrl.h"

#include <QCoreApplication>
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
    Pump();
}

void CWindowFeedback::ProgressSetRange(int nLower, int nUpper)
{
    if (m_pProgress)
        m_pProgress->SetRange(nLower, nUpper);
    Pump();
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
    Pump();
}

void CWindowFeedback::ProgressStepIt()
{
    if (m_pProgress)
        m_pProgress->StepIt();
    Pump();
}

void CWindowFeedback::MessageBox(const std::string& strText, const std::string& strCaption,
                                 MessageIcon icon)
{
    m_dialogs.MessageBox(m_pOwner, QString::fromStdString(strText),
                         QString::fromStdString(strCaption), icon);
}

void CWindowFeedback::Pump()
{
    if (!m_bPump)
        return;
    if (m_pumpTimer.isValid() && m_pumpTimer.elapsed() < kPumpIntervalMs)
        return;
    m_pumpTimer.start();
    // Input reaches only what an operation leaves enabled (nothing that
    // edits the pool or starts another operation).
    QCoreApplication::processEvents();
}
