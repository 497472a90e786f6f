// One long operation (Make File, Split, Join, Copy to Disk Image) run on a
// worker thread while the window stays responsive. The caller waits in a
// local event loop, so its code reads as before: it gets the outcome when
// the operation has ended. The operation's status texts and progress reach
// the window's feedback on the window's thread, in order (queued). A Cancel
// button, enabled only while an operation runs, and Esc ask it to stop.
//
// What the worker reads (the pool, the WAV infos) must not change while it
// runs: the window is kept busy meanwhile (SetBusy), which disables the form
// and every command and refuses drops.
#pragma once

#include "COutcome.h"

#include <QObject>
#include <atomic>
#include <functional>

class CFeedback;
class QAbstractButton;
class QShortcut;
class QWidget;

class CBackgroundWork : public QObject
{
    Q_OBJECT
  public:
    // The operation: reports through the feedback it is given (which asks
    // the user's stop), returns its outcome.
    using Work = std::function<COutcome(CFeedback&)>;

    explicit CBackgroundWork(QObject* pParent = nullptr);
    ~CBackgroundWork() override;

    // Puts a Cancel button at the right end of the progress bar pBar, which
    // gives up that room, and makes Esc in pBar's window a Cancel too.
    // Both are enabled only while an operation runs.
    void AttachCancel(QWidget* pBar);
    QAbstractButton* CancelButton() const { return m_pCancel; }

    // Keeping the window busy: fnBusy(true) before the operation starts and
    // fnBusy(false) after it ends, unless fnIsBusy says it is busy already
    // (the caller then ends it).
    std::function<void(bool)> m_fnBusy;
    std::function<bool()> m_fnIsBusy;

    // Runs work on a worker thread, with feedback's reports marshalled to
    // this thread, and returns its outcome once it has ended and every
    // report has been shown. A cancelled outcome's message becomes the
    // status text (the bar goes to 0) and the outcome comes back without
    // notes: there is nothing to show in a message box. An exception work
    // throws is thrown again here. Only one operation runs at a time:
    // Run while one runs throws std::logic_error.
    COutcome Run(CFeedback& feedback, const Work& work);

    bool IsRunning() const { return m_bRunning; }
    // Asks the running operation to stop; it ends at its next step, cancelled
    // unless it had already finished. Nothing when none runs.
    void RequestCancel();

  signals:
    // An operation is about to start (the window is busy; its worker
    // starts once the slots return), and has ended.
    void Started();
    void Finished();

  private:
    void EnableCancel(bool bEnable);
    // The worker thread and the local event loop that waits for it; shows
    // the last reports, then returns work's outcome or throws its exception.
    COutcome RunOnWorker(CFeedback& feedback, const Work& work);

    QAbstractButton* m_pCancel = nullptr;
    QShortcut* m_pEscape = nullptr;
    bool m_bRunning = false;
    std::atomic<bool> m_bCancel{false};
};

// Runs work through the CBackgroundWork of pWidget's window, or through one
// made for the call when the window has none (a form on its own).
COutcome RunInBackground(QWidget* pWidget, CFeedback& feedback, const CBackgroundWork::Work& work);
