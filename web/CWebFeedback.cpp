#include "CWebFeedback.h"

#include <utility>

CWebFeedback::CWebFeedback(ProgressFn onProgress) : m_onProgress(std::move(onProgress)) {}

void CWebFeedback::SetStatusText(const std::string& strText)
{
    m_strStatus = strText;
    Report();
}

void CWebFeedback::ProgressSetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
    Report();
}

void CWebFeedback::ProgressSetPos(int nPos)
{
    m_nPos = nPos;
    Report();
}

void CWebFeedback::ProgressStepIt()
{
    // Past the maximum the bar wraps round, as the command line's does.
    m_nPos += m_nStep;
    if (m_nPos > m_nUpper)
        m_nPos = m_nLower + (m_nPos - m_nUpper);
    Report();
}

void CWebFeedback::MessageBox(const std::string& strText, const std::string& strCaption,
                              MessageIcon icon)
{
    m_aMessages.push_back({strText, strCaption, icon});
}

void CWebFeedback::Report()
{
    if (m_onProgress)
        m_onProgress(m_strStatus, m_nPos, m_nLower, m_nUpper);
}
