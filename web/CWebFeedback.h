// The page's feedback: message boxes are collected in order with their
// captions, so that an operation's result carries the program's own texts;
// status and progress go to a callback (the worker posts them to the page).
#pragma once

#include "CFeedback.h"

#include <functional>
#include <string>
#include <vector>

struct SWebMessage
{
    std::string m_strText;
    std::string m_strCaption;
    MessageIcon m_icon = MessageIcon::None;
};

class CWebFeedback : public CFeedback, public CMessageSink
{
  public:
    // Called with the status text and the bar's position and range after
    // each change; may be empty.
    using ProgressFn =
        std::function<void(const std::string& strStatus, int nPos, int nLower, int nUpper)>;

    explicit CWebFeedback(ProgressFn onProgress = {});

    void SetStatusText(const std::string& strText) override;
    void ProgressSetRange(int nLower, int nUpper) override;
    void ProgressSetStep(int nStep) override { m_nStep = nStep; }
    void ProgressSetPos(int nPos) override;
    void ProgressStepIt() override;
    void MessageBox(const std::string& strText, const std::string& strCaption,
                    MessageIcon icon) override;

    const std::vector<SWebMessage>& Messages() const { return m_aMessages; }

  private:
    void Report();

    ProgressFn m_onProgress;
    std::string m_strStatus;
    int m_nLower = 0, m_nUpper = 100, m_nStep = 10, m_nPos = 0;
    std::vector<SWebMessage> m_aMessages;
};
