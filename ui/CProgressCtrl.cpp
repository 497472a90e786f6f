#include "CProgressCtrl.h"

#include <algorithm>

CProgressCtrl::CProgressCtrl(QWidget* pParent) : QProgressBar(pParent)
{
    setTextVisible(false);
    Show();
}

void CProgressCtrl::SetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
    m_nPos = std::clamp(m_nPos, m_nLower, std::max(m_nLower, m_nUpper));
    Show();
}

void CProgressCtrl::SetPos(int nPos)
{
    m_nPos = std::clamp(nPos, m_nLower, std::max(m_nLower, m_nUpper));
    Show();
}

void CProgressCtrl::StepIt()
{
    m_nPos += m_nStep;
    if (m_nPos > m_nUpper)
        m_nPos = m_nLower + (m_nPos - m_nUpper);
    m_nPos = std::clamp(m_nPos, m_nLower, std::max(m_nLower, m_nUpper));
    Show();
}

void CProgressCtrl::Show()
{
    // An empty range would turn the bar into a busy indicator; show it as an
    // empty bar instead.
    const int nUpper = m_nUpper > m_nLower ? m_nUpper : m_nLower + 1;
    setRange(m_nLower, nUpper);
    setValue(m_nPos);
    // Shown at once: the operation that moves the bar keeps the event loop
    // from painting until it ends.
    repaint();
}
