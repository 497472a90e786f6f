// The window's side of the three feedback channels: the status text of the
// main frame, the pool form's progress bar and message boxes through the
// dialog service. Every change is shown at once.
#pragma once

#include "CFeedback.h"

#include <QElapsedTimer>
#include <functional>

class CDialogService;
class CProgressCtrl;
class QString;
class QWidget;

class CWindowFeedback : public CFeedback, public CMessageSink
{
  public:
    using StatusFn = std::function<void(const QString&)>;

    // pProgress may be null (the document commands have no bar).
    CWindowFeedback(StatusFn fnStatus, CProgressCtrl* pProgress, CDialogService& dialogs,
                    QWidget* pOwner);

    void SetStatusText(const std::string& strText) override;
    void ProgressSetRange(int nLower, int nUpper) override;
    void ProgressSetStep(int nStep) override;
    void ProgressSetPos(int nPos) override;
    void ProgressStepIt() override;
    void MessageBox(const std::string& strText, const std::string& strCaption,
                    MessageIcon icon) override;

    // While set (an operation runs and the window refuses input), every
    // report also lets the window handle its pending events (paint, moves),
    // at most every kPumpIntervalMs, so it never looks frozen.
    void SetPumpEvents(bool bPump) { m_bPump = bPump; }
    static constexpr int kPumpIntervalMs = 40;

  private:
    void Pump();

    StatusFn m_fnStatus;
    CProgressCtrl* m_pProgress;
    CDialogService& m_dialogs;
    QWidget* m_pOwner;
    bool m_bPump = false;
    QElapsedTimer m_pumpTimer;
};
