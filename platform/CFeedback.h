// The two channels through which an operation reports while it runs: the
// status text and the progress bar. What it ends with (success, or a
// refusal with its message) is the outcome it returns (COutcome.h). The
// window, the command line and the page each implement this interface;
// tests record the calls.
#pragma once

#include "COutcome.h"

#include <string>

class CFeedback
{
  public:
    virtual ~CFeedback() = default;

    // Sets the status text and shows it at once (the caller keeps the
    // thread busy, so no idle moment will come to show it later).
    virtual void SetStatusText(const std::string& strText) = 0;

    // The progress bar: range (a 16-bit minimum and maximum), step size,
    // position, and StepIt, which advances the position by the step.
    virtual void ProgressSetRange(int nLower, int nUpper) = 0;
    virtual void ProgressSetStep(int nStep) = 0;
    virtual void ProgressSetPos(int nPos) = 0;
    virtual void ProgressStepIt() = 0;

    // Whether the user has asked the operation to stop. An operation asks
    // at each of its steps and, when told yes, stops as a file error stops
    // it (StopIfCancelled in CCancel.h): every output uncommitted, nothing
    // written. May be asked from the thread that runs the operation while
    // another thread answers.
    virtual bool IsCancelled() const { return false; }
    // Whether IsCancelled may ever say yes: an operation that must keep
    // something to undo a stop (the bytes a put overwrites) keeps it only
    // then.
    virtual bool MayCancel() const { return false; }
};

// A feedback that shows nothing, and drops messages; for callers that have
// no user to tell.
class CNullFeedback : public CFeedback, public CMessageSink
{
  public:
    void SetStatusText(const std::string&) override {}
    void ProgressSetRange(int, int) override {}
    void ProgressSetStep(int) override {}
    void ProgressSetPos(int) override {}
    void ProgressStepIt() override {}
    void MessageBox(const std::string&, const std::string&, MessageIcon) override {}
};
