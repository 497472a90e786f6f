#include "CBackgroundWork.h"

#include "CFeedback.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFontMetrics>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace
{

// The feedback the worker reports to: every report is queued and shown by
// the target feedback on the thread that made this object. A run of
// positions in a row is shown as its last one: the build reports one per
// block of data, far more than the bar can show.
class CQueuedFeedback : public CFeedback, public QObject
{
  public:
    using Report = std::function<void(CFeedback&)>;

    CQueuedFeedback(CFeedback& target, const std::atomic<bool>& bCancel)
        : m_target(target), m_bCancel(bCancel)
    {
    }

    void SetStatusText(const std::string& strText) override
    {
        Post([strText](CFeedback& f) { f.SetStatusText(strText); });
    }
    void ProgressSetRange(int nLower, int nUpper) override
    {
        Post([=](CFeedback& f) { f.ProgressSetRange(nLower, nUpper); });
    }
    void ProgressSetStep(int nStep) override
    {
        Post([=](CFeedback& f) { f.ProgressSetStep(nStep); });
    }
    void ProgressSetPos(int nPos) override
    {
        Post([=](CFeedback& f) { f.ProgressSetPos(nPos); }, true);
    }
    void ProgressStepIt() override
    {
        Post([](CFeedback& f) { f.ProgressStepIt(); });
    }
    bool IsCancelled() const override { return m_bCancel.load(); }
    bool MayCancel() const override { return true; }

    // Shows every queued report, in order (on this object's thread). A
    // report that lets the window handle its events may come back here:
    // the outer call goes on with the queue, so the order holds.
    void Flush()
    {
        if (m_bFlushing)
            return;
        m_bFlushing = true;
        for (;;)
        {
            SReport report;
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                if (m_aQueue.empty())
                {
                    m_bPosted = false;
                    break;
                }
                report = std::move(m_aQueue.front());
                m_aQueue.pop_front();
            }
            report.fnShow(m_target);
        }
        m_bFlushing = false;
    }

  private:
    struct SReport
    {
        Report fnShow;
        bool bPosition = false;
    };

    void Post(Report fnShow, bool bPosition = false)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (bPosition && !m_aQueue.empty() && m_aQueue.back().bPosition)
            m_aQueue.back().fnShow = std::move(fnShow);
        else
            m_aQueue.push_back({std::move(fnShow), bPosition});
        if (m_bPosted)
            return;
        m_bPosted = true;
        // Dropped, not run, if this object has gone by then.
        QMetaObject::invokeMethod(
            this, [this] { Flush(); }, Qt::QueuedConnection);
    }

    CFeedback& m_target;
    const std::atomic<bool>& m_bCancel;
    std::mutex m_mutex;
    std::deque<SReport> m_aQueue; // guarded by m_mutex
    bool m_bPosted = false;       // a Flush is on its way; guarded by m_mutex
    bool m_bFlushing = false;     // this thread only
};

} // namespace

CBackgroundWork::CBackgroundWork(QObject* pParent) : QObject(pParent) {}

CBackgroundWork::~CBackgroundWork() = default;

void CBackgroundWork::AttachCancel(QWidget* pBar)
{
    const QRect bar = pBar->geometry();
    auto* pButton = new QPushButton(QStringLiteral("Cancel"), pBar->parentWidget());
    const int nWidth = pButton->fontMetrics().horizontalAdvance(pButton->text()) + 16;
    const int nHeight = std::max(bar.height(), pButton->fontMetrics().height() + 4);
    pBar->setGeometry(bar.adjusted(0, 0, -(nWidth + 4), 0));
    pButton->setGeometry(bar.right() + 1 - nWidth, bar.center().y() - nHeight / 2, nWidth, nHeight);
    // Esc is its key; it takes no focus from the form.
    pButton->setFocusPolicy(Qt::NoFocus);
    pButton->show();
    connect(pButton, &QAbstractButton::clicked, this, &CBackgroundWork::RequestCancel);
    m_pCancel = pButton;
    m_pEscape = new QShortcut(QKeySequence(Qt::Key_Escape), pBar->window());
    connect(m_pEscape, &QShortcut::activated, this, &CBackgroundWork::RequestCancel);
    EnableCancel(false);
}

void CBackgroundWork::EnableCancel(bool bEnable)
{
    if (m_pCancel)
        m_pCancel->setEnabled(bEnable);
    if (m_pEscape)
        m_pEscape->setEnabled(bEnable);
}

void CBackgroundWork::RequestCancel()
{
    if (!m_bRunning)
        return;
    m_bCancel = true;
    // Asked once; the operation ends at its next step.
    EnableCancel(false);
}

COutcome CBackgroundWork::Run(CFeedback& feedback, const Work& work)
{
    if (m_bRunning)
        throw std::logic_error("an operation is running already");
    const bool bSetBusy = m_fnBusy && !(m_fnIsBusy && m_fnIsBusy());
    if (bSetBusy)
        m_fnBusy(true);
    m_bRunning = true;
    m_bCancel = false;
    EnableCancel(true);
    // The window answers meanwhile: a wait cursor the caller set becomes
    // the cursor of work going on behind an open window.
    const QCursor* pCursor = QApplication::overrideCursor();
    const Qt::CursorShape oldShape = pCursor ? pCursor->shape() : Qt::ArrowCursor;
    if (pCursor)
        QApplication::changeOverrideCursor(Qt::BusyCursor);

    COutcome outcome;
    std::exception_ptr pError;
    try
    {
        emit Started();
        outcome = RunOnWorker(feedback, work);
    }
    catch (...)
    {
        // The window leaves its busy state whatever happened.
        pError = std::current_exception();
    }

    m_bRunning = false;
    EnableCancel(false);
    if (pCursor)
        QApplication::changeOverrideCursor(oldShape);
    if (outcome.IsCancelled() && !pError)
    {
        // Said on the status line: a stop the user asked for is no error.
        feedback.SetStatusText(outcome.Text());
        feedback.ProgressSetPos(0);
        outcome.ClearNotes();
    }
    if (bSetBusy)
        m_fnBusy(false);
    emit Finished();
    if (pError)
        std::rethrow_exception(pError);
    return outcome;
}

COutcome CBackgroundWork::RunOnWorker(CFeedback& feedback, const Work& work)
{
    COutcome outcome;
    std::exception_ptr pError;
    CQueuedFeedback queued(feedback, m_bCancel);
    QEventLoop loop;
    std::thread worker(
        [&]
        {
            try
            {
                outcome = work(queued);
            }
            catch (...)
            {
                pError = std::current_exception();
            }
            // Queued after the worker's last report, so every report is
            // shown before the loop ends.
            QMetaObject::invokeMethod(
                &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
        });
    loop.exec();
    worker.join();
    queued.Flush();
    if (pError)
        std::rethrow_exception(pError);
    return outcome;
}

COutcome RunInBackground(QWidget* pWidget, CFeedback& feedback, const CBackgroundWork::Work& work)
{
    if (pWidget != nullptr)
        if (auto* pWork = pWidget->window()->findChild<CBackgroundWork*>())
            return pWork->Run(feedback, work);
    CBackgroundWork own;
    return own.Run(feedback, work);
}
