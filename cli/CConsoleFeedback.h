// The command line's feedback: message boxes become lines on stderr with
// the same texts; the status text and a progress bar are drawn on stderr
// only when it is a terminal.
#pragma once

#include "CFeedback.h"

#include <cstdio>

class CConsoleFeedback : public CFeedback, public CMessageSink
{
  public:
    // bInteractive: draw status and progress (normally: stderr is a terminal).
    CConsoleFeedback(std::FILE* pOut, bool bInteractive);
    ~CConsoleFeedback() override;

    void SetStatusText(const std::string& strText) override;
    void ProgressSetRange(int nLower, int nUpper) override;
    void ProgressSetStep(int nStep) override { m_nStep = nStep; }
    void ProgressSetPos(int nPos) override;
    void ProgressStepIt() override;
    void MessageBox(const std::string& strText, const std::string& strCaption,
                    MessageIcon icon) override;

    // One line of report, shown whether stderr is a terminal or not.
    void PrintLine(const std::string& strText);

  private:
    void Draw();
    void ClearLine();

    std::FILE* m_pOut;
    bool m_bInteractive;
    std::string m_strStatus;
    int m_nLower = 0, m_nUpper = 100, m_nStep = 10, m_nPos = 0;
    bool m_bLineDrawn = false;
};
