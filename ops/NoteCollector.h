// A feedback for the steps below the runners that still speak in message
// boxes: status and progress go on to the front end's feedback at once,
// each message becomes a note of the outcome, in order. Whether the step
// failed is what the step returns, never how many notes it left.
#pragma once

#include "COutcome.h"

class CNoteCollector : public CFeedback
{
  public:
    explicit CNoteCollector(CFeedback& target) : m_target(target) {}

    void SetStatusText(const std::string& strText) override { m_target.SetStatusText(strText); }
    void ProgressSetRange(int nLower, int nUpper) override
    {
        m_target.ProgressSetRange(nLower, nUpper);
    }
    void ProgressSetStep(int nStep) override { m_target.ProgressSetStep(nStep); }
    void ProgressSetPos(int nPos) override { m_target.ProgressSetPos(nPos); }
    void ProgressStepIt() override { m_target.ProgressStepIt(); }
    void MessageBox(const std::string& strText, const std::string& strCaption,
                    MessageIcon icon) override
    {
        m_outcome.Note({strText, strCaption, icon, {}});
    }

    // The notes so far, as a success.
    const COutcome& Outcome() const { return m_outcome; }

  private:
    CFeedback& m_target;
    COutcome m_outcome;
};
