#include "CConsoleFeedback.h"

#include <algorithm>
#include <string>

CConsoleFeedback::CConsoleFeedback(std::FILE* pOut, bool bInteractive)
    : m_pOut(pOut), m_bInteractive(bInteractive)
{
}

CConsoleFeedback::~CConsoleFeedback()
{
    ClearLine();
}

void CConsoleFeedback::ClearLine()
{
    if (m_bLineDrawn)
    {
        std::fputs("\r\033[K", m_pOut);
        std::fflush(m_pOut);
        m_bLineDrawn = false;
    }
}

void CConsoleFeedback::Draw()
{
    if (!m_bInteractive)
        return;
    constexpr int kWidth = 24;
    const int nSpan = std::max(1, m_nUpper - m_nLower);
    const int nFill = std::clamp((m_nPos - m_nLower) * kWidth / nSpan, 0, kWidth);
    std::string strBar = "[" + std::string(static_cast<std::size_t>(nFill), '#') +
                         std::string(static_cast<std::size_t>(kWidth - nFill), ' ') + "] ";
    std::string strText = m_strStatus;
    if (strText.size() > 60) // keep one line: show the end of a long path
        strText = "..." + strText.substr(strText.size() - 57);
    std::fprintf(m_pOut, "\r\033[K%s%s", strBar.c_str(), strText.c_str());
    std::fflush(m_pOut);
    m_bLineDrawn = true;
}

void CConsoleFeedback::SetStatusText(const std::string& strText)
{
    m_strStatus = strText;
    Draw();
}

void CConsoleFeedback::ProgressSetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
    Draw();
}

void CConsoleFeedback::ProgressSetPos(int nPos)
{
    m_nPos = nPos;
    Draw();
}

void CConsoleFeedback::ProgressStepIt()
{
    m_nPos += m_nStep;
    if (m_nPos > m_nUpper)
        m_nPos = m_nLower + (m_nPos - m_nUpper);
    Draw();
}

void CConsoleFeedback::MessageBox(const std::string& strText, const std::string&, MessageIcon)
{
    PrintLine(strText);
}

void CConsoleFeedback::PrintLine(const std::string& strText)
{
    ClearLine();
    std::fprintf(m_pOut, "%s\n", strText.c_str());
    std::fflush(m_pOut);
    Draw();
}
