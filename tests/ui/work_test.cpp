// Long operations off the window's thread: the work runs on another thread
// while the window stays responsive and busy, its progress reaches the bar,
// Cancel (the button, Esc) ends it cancelled with the message on the status
// line, and closing the window meanwhile asks whether to cancel and obeys.
#include "CBackgroundWork.h"
#include "CProgressCtrl.h"
#include "FloppyImage.h"
#include "PoolEdit.h"
#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

using namespace uitest;

namespace
{

// Waits on the worker until fnDone says so (or ten seconds pass, so that a
// fault fails the test instead of hanging it).
void WaitOnWorker(const std::function<bool()>& fnDone)
{
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fnDone() && std::chrono::steady_clock::now() < tEnd)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// Work that reports, then runs until its user stops it or bRelease is set.
CBackgroundWork::Work WorkUntilStopped(const std::atomic<bool>& bRelease)
{
    return [&bRelease](CFeedback& feedback)
    {
        feedback.SetStatusText("Working");
        feedback.ProgressSetRange(0, 10);
        feedback.ProgressSetPos(7);
        WaitOnWorker([&] { return feedback.IsCancelled() || bRelease.load(); });
        return feedback.IsCancelled() ? COutcome::Cancelled() : COutcome();
    };
}

// Calls fn from the window's event loop once the next operation of work
// has started.
void WhileRunning(CBackgroundWork& work, const std::function<void()>& fn)
{
    auto* pConnection = new QMetaObject::Connection;
    *pConnection = QObject::connect(&work, &CBackgroundWork::Started,
                                    [pConnection, fn]
                                    {
                                        QObject::disconnect(*pConnection);
                                        delete pConnection;
                                        QTimer::singleShot(20, fn);
                                    });
}

} // namespace

class WorkTest : public QObject
{
    Q_OBJECT

  private slots:
    void workRunsOnAnotherThreadWhileTheWindowIsBusy()
    {
        CAppHarness h;
        CBackgroundWork& work = h.Frame().Work();
        QVERIFY(!work.CancelButton()->isEnabled());
        std::atomic<bool> bSeen{false};
        std::thread::id workerId;
        bool bBusy = false, bCancelEnabled = false, bMakeEnabled = true;
        // Runs on the window's thread while the work waits: the window is
        // responsive, and shows the worker's reports.
        QTimer poll;
        connect(&poll, &QTimer::timeout,
                [&]
                {
                    if (h.View().m_ctlProgress->GetPos() != 7 ||
                        h.Frame().StatusText() != "Working")
                        return;
                    bBusy = h.Frame().IsBusy();
                    bCancelEnabled = work.CancelButton()->isEnabled();
                    bMakeEnabled = h.Frame().m_actMakeFile->isEnabled();
                    bSeen = true;
                });
        poll.start(1);
        const COutcome outcome = RunInBackground(&h.View(), h.View().Controller().Feedback(),
                                                 [&](CFeedback& feedback)
                                                 {
                                                     workerId = std::this_thread::get_id();
                                                     feedback.ProgressSetRange(0, 10);
                                                     feedback.ProgressSetPos(3);
                                                     feedback.ProgressSetPos(7);
                                                     feedback.SetStatusText("Working");
                                                     WaitOnWorker([&] { return bSeen.load(); });
                                                     return COutcome();
                                                 });
        QVERIFY(outcome.IsOk());
        QVERIFY(bSeen);
        QVERIFY(workerId != std::this_thread::get_id());
        QVERIFY(bBusy);
        QVERIFY(bCancelEnabled);
        QVERIFY(!bMakeEnabled);
        QVERIFY(!h.Frame().IsBusy());
        QVERIFY(!work.CancelButton()->isEnabled());
        QVERIFY(h.Frame().m_actMakeFile->isEnabled());
        QCOMPARE(h.View().m_ctlProgress->GetUpper(), 10);
    }

    void anExceptionOfTheWorkReachesTheCaller()
    {
        CAppHarness h;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 RunInBackground(&h.View(), h.View().Controller().Feedback(),
                                                 [](CFeedback&) -> COutcome
                                                 { throw std::runtime_error("fault"); }));
        QVERIFY(!h.Frame().IsBusy());
        QVERIFY(!h.Frame().Work().IsRunning());
        QVERIFY(h.Frame().m_actMakeFile->isEnabled());
    }

    void cancelEndsTheWorkCancelled_data()
    {
        QTest::addColumn<bool>("bEscape");
        QTest::newRow("the Cancel button") << false;
        QTest::newRow("Esc") << true;
    }

    void cancelEndsTheWorkCancelled()
    {
        QFETCH(bool, bEscape);
        CAppHarness h;
        h.Frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h.Frame()));
        CBackgroundWork& work = h.Frame().Work();
        WhileRunning(work,
                     [&]
                     {
                         if (bEscape)
                             QTest::keyClick(h.Frame().focusWidget() ? h.Frame().focusWidget()
                                                                     : &h.Frame(),
                                             Qt::Key_Escape);
                         else
                             QTest::mouseClick(work.CancelButton(), Qt::LeftButton);
                     });
        const std::atomic<bool> bRelease{false};
        const COutcome outcome = RunInBackground(&h.View(), h.View().Controller().Feedback(),
                                                 WorkUntilStopped(bRelease));
        QVERIFY(outcome.IsCancelled());
        QVERIFY(outcome.Notes().empty());
        QCOMPARE(h.Frame().StatusText(), QString::fromLatin1(kCancelledMessage));
        QCOMPARE(h.View().m_ctlProgress->GetPos(), 0);
        QVERIFY(h.m_dialogs.m_aMessages.empty());
        QVERIFY(!work.CancelButton()->isEnabled());
    }

    void closeDuringWorkAsksAndObeys_data()
    {
        QTest::addColumn<bool>("bYes");
        QTest::newRow("Yes: cancel, then close") << true;
        QTest::newRow("No: keep working and stay open") << false;
    }

    void closeDuringWorkAsksAndObeys()
    {
        QFETCH(bool, bYes);
        CAppHarness h;
        h.m_dialogs.m_aYesNoAnswers.push_back(bYes ? YesNoCancel::Yes : YesNoCancel::No);
        std::atomic<bool> bRelease{false};
        bool bOpenAfterNo = false;
        WhileRunning(h.Frame().Work(),
                     [&]
                     {
                         h.Frame().close();
                         bOpenAfterNo = h.Frame().isVisible();
                         // Without a cancel the work ends by itself.
                         bRelease = true;
                     });
        const COutcome outcome = RunInBackground(&h.View(), h.View().Controller().Feedback(),
                                                 WorkUntilStopped(bRelease));
        QCOMPARE(h.m_dialogs.m_aQuestions,
                 QStringList{QString::fromLatin1(CMainFrame::kCancelRunningQuestion)});
        QCOMPARE(outcome.IsCancelled(), bYes);
        QCOMPARE(outcome.IsOk(), !bYes);
        QVERIFY(bOpenAfterNo);
        ProcessEvents();
        QCOMPARE(h.Frame().isVisible(), !bYes);
    }

    // A pool rebuild queued before the work waits for its end: it would
    // read the pool's files again under the worker.
    void aQueuedRefreshWaitsForTheWork()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        QCOMPARE(h.View().m_lbPool->model()->rowCount(), 1);
        AddPoolEntry(h.Doc(), h.Wav("b.wav"), "b");
        QVERIFY(h.View().Controller().OnInitialUpdate(false));
        std::atomic<int> nLinesDuring{-1};
        QTimer poll;
        connect(&poll, &QTimer::timeout,
                [&] { nLinesDuring = h.View().m_lbPool->model()->rowCount(); });
        poll.start(1);
        const COutcome outcome =
            RunInBackground(&h.View(), h.View().Controller().Feedback(),
                            [&](CFeedback&)
                            {
                                WaitOnWorker([&] { return nLinesDuring >= 0; });
                                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                                return COutcome();
                            });
        QVERIFY(outcome.IsOk());
        QCOMPARE(nLinesDuring.load(), 1);
        ProcessEvents();
        QCOMPARE(h.View().m_lbPool->model()->rowCount(), 2);
    }

    // The window's commands, stopped as they start: the file they would
    // replace stays as it was, and the status line says why; not stopped,
    // the same command writes it.
    void commandsStoppedLeaveTheirFile_data()
    {
        QTest::addColumn<bool>("bMake");
        QTest::addColumn<QString>("strDone"); // the status after a run not stopped
        QTest::newRow("Make File") << true << "Wrote OUT.KRZ";
        QTest::newRow("Copy to Disk Image") << false << "Ready";
    }

    void commandsStoppedLeaveTheirFile()
    {
        QFETCH(bool, bMake);
        QFETCH(QString, strDone);
        CAppHarness h;
        const std::string strOut = h.Path(bMake ? "OUT.KRZ" : "DISK.IMG");
        const test::Bytes abEarlier =
            bMake ? test::Bytes(3000, 0x5E) : FormatFloppy(*FloppyGeometry(1440), "DISK", 1);
        test::WriteFileBytes(strOut, abEarlier);
        test::WriteFileBytes(h.Path("A.KRZ"), test::RampData(5000, 3));
        if (bMake)
            h.Add(h.Wav("a.wav", 1, 16, 44100, 20000));
        const auto Answer = [&]
        {
            h.m_dialogs.m_aFileAnswers = {QString::fromStdString(strOut)};
            if (!bMake)
                h.m_dialogs.m_aFileAnswers.push_front(QString::fromStdString(h.Path("A.KRZ")));
        };
        QAction* pCommand = bMake ? h.Frame().m_actMakeFile : h.Frame().m_actToolsCopyToImage;
        const std::vector<std::string> aBefore = test::ListDir(h.m_dir.Path());
        Answer();
        QVERIFY(TriggerCancelledAtStart(h.Frame(), pCommand));
        QVERIFY(!h.Frame().IsBusy());
        QVERIFY(test::ReadFileBytes(strOut) == abEarlier);
        QVERIFY(test::ListDir(h.m_dir.Path()) == aBefore); // no temporary file
        QCOMPARE(h.Frame().StatusText(), QString::fromLatin1(kCancelledMessage));
        QVERIFY(h.m_dialogs.m_aMessages.empty());

        Answer();
        pCommand->trigger();
        QVERIFY(test::ReadFileBytes(strOut) != abEarlier);
        QVERIFY(h.Frame().StatusText().startsWith(strDone));
    }
};

QTEST_MAIN(WorkTest)
#include "work_test.moc"
