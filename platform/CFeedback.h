// The three channels through which every operation reports to the user:
// the status text, the progress bar and modal message boxes. The window and
// the command line each implement this interface; tests record the calls.
#pragma once

#include <string>

// The application's title, the caption of most message boxes.
inline constexpr const char* kAppTitle = "Dorvane V2";

// The refusal of an output that is one of the files it is made from (the
// same file, however it is spelt): nothing is written.
inline std::string SameFileMessage(const std::string& strOutput, const std::string& strInput)
{
    return "ERROR: Can't write " + strOutput + ": it is the same file as " + strInput +
           ", which it is made from.";
}

enum class MessageIcon
{
    None,
    Exclamation,
    Stop,
};

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

    // A modal message box with one OK button; returns when it is closed.
    virtual void MessageBox(const std::string& strText, const std::string& strCaption,
                            MessageIcon icon) = 0;
};

// A feedback that shows nothing; for callers that have no user to tell.
class CNullFeedback : public CFeedback
{
  public:
    void SetStatusText(const std::string&) override {}
    void ProgressSetRange(int, int) override {}
    void ProgressSetStep(int) override {}
    void ProgressSetPos(int) override {}
    void ProgressStepIt() override {}
    void MessageBox(const std::string&, const std::string&, MessageIcon) override {}
};
