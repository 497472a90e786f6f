// The application shell: start-up, caption and size, accelerators over a
// focused text field, the document commands and the recent-file list.
#include "CProgressCtrl.h"
#include "DialogUnits.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

using namespace uitest;

namespace
{
// The pool file of a pool with one entry per WAV path, saved by the engine.
std::string SavePool(const std::string& strPath, const std::vector<std::string>& aWavs)
{
    CDorvane_V2Doc doc;
    doc.OnNewDocument();
    for (const std::string& strWav : aWavs)
        AddPoolEntry(doc, strWav, FileTitleOf(strWav));
    CNullFeedback feedback;
    ShowAsMessages(doc.OnSaveDocument(strPath), feedback);
    return strPath;
}
} // namespace

class ShellTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setFont(DialogFont()); }

    void startShowsTheWindowThenTheAboutBox()
    {
        CAppHarness h({}, true);
        QVERIFY(!h.m_nExit);
        QCOMPARE(h.Frame().windowTitle(), QStringLiteral("Untitled - Dorvane"));
        QCOMPARE(h.Frame().size(), QSize(468, 524));
        QCOMPARE(h.Frame().pos(), QPoint(0, 0));
        QVERIFY(h.Frame().isVisible());
        QCOMPARE(h.m_dialogs.m_aDialogTitles, QStringList{"About Dorvane_V2"});
        QCOMPARE(h.Frame().StatusText(), QStringLiteral("Ready"));
        // The content fits the window: no scroll bars at the start size.
        // Layouts settle once the shown window's events have run.
        ProcessEvents();
        QVERIFY(h.View().Content()->width() <= h.View().viewport()->width());
        QVERIFY(h.View().Content()->height() <= h.View().viewport()->height());
    }

    // The window is resizable, keeps its arrangement when resized, and
    // opens the next time at the size and divider it was closed with.
    void theWindowRemembersItsSizeAndDivider()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        h.Doc().SetModifiedFlag(false);
        CMainFrame& frame = h.Frame();
        frame.resize(700, 560);
        ProcessEvents();
        QVERIFY(h.View().Content()->width() <= h.View().viewport()->width());
        QVERIFY(h.View().m_lbPool->width() > 300); // the table takes the room
        const QList<int> anSizes = {500, h.View().m_pSplitter->width() - 500 -
                                             h.View().m_pSplitter->handleWidth()};
        h.View().m_pSplitter->setSizes(anSizes);
        const QList<int> anSet = h.View().m_pSplitter->sizes();
        QVERIFY(frame.close());

        CDorvane_V2App second(h.m_dialogs);
        second.SetTemplateDirs({h.m_dir.Path().string()});
        QVERIFY(!second.InitInstance({}, false));
        QCOMPARE(second.MainWnd()->size(), QSize(700, 560));
        ProcessEvents();
        QCOMPARE(second.MainWnd()->View()->m_pSplitter->sizes(), anSet);
        second.MainWnd()->hide();
    }

    // What the store holds as the window's size: a size kept on a larger
    // screen is cut to this one, and a size too small or no size at all
    // leaves the default.
    void theKeptSizeIsChecked()
    {
        const QSize screen = QGuiApplication::primaryScreen()->availableSize();
        const QSize kDefault(CMainFrame::kWidth, CMainFrame::kHeight);
        struct Case
        {
            QVariant stored;
            QSize opened;
        };
        const Case aCases[] = {
            {QSize(640, 500), QSize(640, 500)},
            {QSize(screen.width() * 2, screen.height() * 3), screen},
            {QSize(40, 900), kDefault},
            {QStringLiteral("large"), kDefault},
        };
        for (const Case& c : aCases)
        {
            CAppHarness h;
            {
                QSettings settings(QString::fromLatin1(CDorvane_V2App::kRegistryKey),
                                   QString::fromLatin1(CDorvane_V2App::kAppName));
                settings.setValue(QString::fromLatin1(CMainFrame::kSizeKey), c.stored);
            }
            CDorvane_V2App second(h.m_dialogs);
            second.SetTemplateDirs({h.m_dir.Path().string()});
            QVERIFY(!second.InitInstance({}, false));
            QCOMPARE(second.MainWnd()->size(), c.opened);
            second.MainWnd()->hide();
        }
    }

    void aMissingTemplateEndsWithStatusOne()
    {
        CAppHarness h({}, true, false);
        QCOMPARE(h.m_nExit, std::optional<int>(1));
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(h.m_dialogs.m_aMessages[0].strText,
                 QStringLiteral("ERROR: Bad or missing file 'DVNTEMP.DAT'"));
        QCOMPARE(h.m_dialogs.m_aMessages[0].strCaption, QStringLiteral("Dorvane V2"));
        QCOMPARE(h.m_dialogs.m_aMessages[0].icon, MessageIcon::None);
        QVERIFY(h.m_dialogs.m_aDialogTitles.isEmpty());
        QVERIFY(!h.Frame().isVisible());
    }

    void aShortTemplateEndsWithStatusOne()
    {
        test::TempDir dir;
        test::Bytes ab = PatternTemplate();
        ab.pop_back();
        test::WriteFileBytes(dir / "dvntemp.dat", ab);
        CFakeDialogs dialogs;
        CDorvane_V2App app(dialogs);
        app.SetTemplateDirs({dir.Path().string()});
        QCOMPARE(app.InitInstance({}, false), std::optional<int>(1));
    }

    void commandLineOpensThePool()
    {
        test::TempDir dir;
        const std::string strPool = SavePool(dir / "set.dvn", {dir / "gone.wav"});
        CAppHarness h({QString::fromStdString(strPool)});
        QVERIFY(!h.m_nExit);
        QCOMPARE(h.Frame().windowTitle(), QStringLiteral("set.dvn - Dorvane"));
        // The list was built and the missing file reported before the
        // window's first use.
        QCOMPARE(h.View().m_lbPool->count(), 1);
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(h.m_dialogs.m_aMessages[0].strCaption, QStringLiteral("Dorvane Info"));
        QCOMPARE(h.App().RecentFiles()[0], QString::fromStdString(strPool));
    }

    void commandLineWithAMissingFileEnds()
    {
        test::TempDir dir;
        CAppHarness h({QString::fromStdString(dir / "nothing.dvn")});
        QCOMPARE(h.m_nExit, std::optional<int>(1));
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QVERIFY(!h.Frame().isVisible());
    }

    void commandLineWithAForeignFileGoesOnUntitled()
    {
        test::TempDir dir;
        test::WriteFileBytes(dir / "notes.txt", test::Bytes(64, 'x'));
        CAppHarness h({QString::fromStdString(dir / "notes.txt")});
        QVERIFY(!h.m_nExit);
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(h.m_dialogs.m_aMessages[0].strText,
                 QStringLiteral("Sorry, this file is not a compatible sample-pool"));
        QCOMPARE(h.Frame().windowTitle(), QStringLiteral("Untitled - Dorvane"));
        QCOMPARE(h.Doc().m_nCount, 0);
    }

    void aNameFieldOwnsItsKeysAndAcceleratorsWorkElsewhere()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        CMainFrame& frame = h.Frame();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QLineEdit* pEdit = h.View().Form().m_edSampleName;
        pEdit->setFocus();
        pEdit->setCursorPosition(1);
        h.m_dialogs.m_aFileCalls.clear();

        // A name field owns Space and the editing keys: a blank is typed,
        // Ctrl+C copies, Ctrl+A selects all; nothing is stopped or opened.
        QTest::keyClick(pEdit, Qt::Key_Space);
        QCOMPARE(pEdit->text(), QStringLiteral("a "));
        QVERIFY(h.m_pSound->m_aCalls.isEmpty());
        QCOMPARE(h.Doc().m_aPool[0].m_strSampleName, std::string("a "));
        QTest::keyClick(pEdit, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(pEdit->selectedText(), QStringLiteral("a "));
        QTest::keyClick(pEdit, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a "));
        QVERIFY(h.m_dialogs.m_aDialogTitles.isEmpty());
        QVERIFY(h.m_dialogs.m_aFileCalls.empty());
        // Keys a field does not use stay accelerators: Ctrl+P plays.
        QTest::keyClick(pEdit, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(h.m_pSound->m_aCalls.last(), "play " + QString::fromStdString(h.Path("a.wav")));

        // Outside a text field every accelerator works.
        QWidget* pList = h.View().m_lbPool;
        pList->setFocus();
        QTest::keyClick(pList, Qt::Key_Space);
        QCOMPARE(h.m_pSound->m_aCalls.last(), QStringLiteral("stop"));
        QTest::keyClick(pList, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(h.m_dialogs.m_aDialogTitles, QStringList{"Settings"});
        // Ctrl+Shift+A is not Add; Ctrl+A is.
        QTest::keyClick(pList, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(h.m_dialogs.m_aFileCalls.empty());
        QTest::keyClick(pList, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(h.m_dialogs.m_aFileCalls.size(), size_t(1));
        QCOMPARE(h.m_dialogs.m_aFileCalls[0].strTitle, QStringLiteral("Open a WAV-File"));
    }

    // Every check box of the form is reached with Tab; Space toggles the
    // focused one (and nothing is stopped), Return on it changes nothing.
    void checkBoxesWorkFromTheKeyboard_data()
    {
        QTest::addColumn<int>("nBox");
        QTest::newRow("LoopSwitch") << 0;
        QTest::newRow("keymap Enable") << 1;
        QTest::newRow("program Enable") << 2;
        QTest::newRow("Split Files") << 3;
    }
    void checkBoxesWorkFromTheKeyboard()
    {
        QFETCH(int, nBox);
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        CMainFrame& frame = h.Frame();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        CDorvane_V2View& v = h.View();
        const struct
        {
            QWidget* pBefore; // Tab from here reaches the box
            QCheckBox* pBox;
            std::int32_t CWPoolObj::*pField; // what the box sets, if anything
        } aBoxes[] = {
            {v.Form().m_edSampleName, v.Form().m_btnLoopSwitch, &CWPoolObj::m_bLoop},
            {v.Form().m_edKeymapName, v.Form().m_btnKeymapEnable, &CWPoolObj::m_bKeymapEnable},
            {v.Form().m_edProgramName, v.Form().m_btnProgramEnable, &CWPoolObj::m_bProgramEnable},
            {v.m_btnMakeFile, v.m_btnSplitFiles, nullptr},
        };
        const auto& box = aBoxes[nBox];
        box.pBefore->setFocus();
        QTest::keyClick(box.pBefore, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), box.pBox);
        const bool bWas = box.pBox->isChecked();
        h.Doc().SetModifiedFlag(false);

        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(box.pBox, key);
        QCOMPARE(box.pBox->isChecked(), bWas);
        QVERIFY(!h.Doc().IsModified());

        QTest::keyClick(box.pBox, Qt::Key_Space);
        QCOMPARE(box.pBox->isChecked(), !bWas);
        QVERIFY(h.m_pSound->m_aCalls.isEmpty());
        if (box.pField)
            QCOMPARE(h.Doc().m_aPool[0].*box.pField, bWas ? 0 : 1);
        QTest::keyClick(box.pBox, Qt::Key_Space);
        QCOMPARE(box.pBox->isChecked(), bWas);
        QVERIFY(h.m_dialogs.m_aMessages.empty() && h.m_dialogs.m_aDialogTitles.isEmpty());
        QVERIFY(h.m_pSound->m_aCalls.isEmpty());
        // Elsewhere Space is still Stop.
        QTest::keyClick(v.m_lbPool, Qt::Key_Space);
        QCOMPARE(h.m_pSound->m_aCalls, QStringList{"stop"});
    }

    void typingInAModalDialogStaysNormal()
    {
        CAppHarness h;
        QString strTyped;
        h.m_dialogs.m_fnDialog = [&](QDialog& dlg)
        {
            auto* pEdit = dlg.findChildren<QLineEdit*>().first();
            pEdit->setFocus();
            pEdit->clear();
            QTest::keyClicks(pEdit, "a b");
            strTyped = pEdit->text();
        };
        h.View().m_btnSettings->click();
        QCOMPARE(strTyped, QStringLiteral("a b"));
    }

    void menuTextsAndToolbar()
    {
        CAppHarness h;
        CMainFrame& f = h.Frame();
        QCOMPARE(f.m_actFileNew->text(), QStringLiteral("&New Sample-pool\tCtrl+N"));
        // Every command shows its key.
        QCOMPARE(f.m_actAdd->text(), QStringLiteral("&Add wav-file\tCtrl+A"));
        QCOMPARE(f.m_actStop->text(), QStringLiteral("&Stop Sample\tSpace"));
        QCOMPARE(f.m_actSettings->text(), QStringLiteral("Settings...\tCtrl+C"));
        QCOMPARE(f.m_actAdd->statusTip(), QStringLiteral("Add a wav-file to the Sample-pool"));
        QCOMPARE(f.m_actAdd->toolTip(), QStringLiteral("Add wav to pool"));
        QCOMPARE(f.m_wndToolBar->actions().size(), 13); // nine buttons, four separators
        QCOMPARE(f.m_wndToolBar->iconSize(), QSize(16, 15));
        QVERIFY(f.m_actRecentPlaceholder->isVisible());
        QVERIFY(!f.m_actRecentPlaceholder->isEnabled());
        f.m_actViewToolbar->trigger();
        QVERIFY(f.m_wndToolBar->isHidden());
        f.m_actViewStatusBar->trigger();
        QVERIFY(f.m_wndStatusBar->isHidden());
    }

    void newAndOpenResetTheSettings()
    {
        CAppHarness h;
        CDorvane_V2View& v = h.View();
        const std::string strPool = SavePool(h.Path("p.dvn"), {h.Wav("a.wav")});
        for (int nCase = 0; nCase < 2; ++nCase)
        {
            v.Controller().m_nFirstObjectID = 321;
            v.Controller().m_nMaxSplitKB = 700;
            v.m_btnSplitFiles->setChecked(true);
            if (nCase == 0)
            {
                h.Frame().m_actFileNew->trigger();
            }
            else
            {
                h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(strPool));
                h.Frame().m_actFileOpen->trigger();
            }
            QCOMPARE(v.Controller().m_nFirstObjectID, 200);
            QCOMPARE(v.Controller().m_nMaxSplitKB, 1400);
            QVERIFY(v.m_btnSplitFiles->isChecked()); // kept for the run
        }
        QCOMPARE(h.m_dialogs.m_aFileCalls.back().strTitle, QStringLiteral("Open"));
        QCOMPARE(h.m_dialogs.m_aFileCalls.back().aFilters[0].strText,
                 QStringLiteral("DVN Sample Pool (*.dvn)"));
        QCOMPARE(h.m_dialogs.m_aFileCalls.back().aFilters[1].strText,
                 QStringLiteral("All Files (*.*)"));
    }

    void openRebuildsTheListAsAQueuedCall()
    {
        CAppHarness h;
        h.Add(h.Wav("x.wav"));
        h.View().m_lbPool->SetCurSel(0);
        h.Doc().SetModifiedFlag(false);
        const std::string strPool =
            SavePool(h.Path("two.dvn"), {h.Wav("one.wav"), h.Path("missing.wav")});
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(strPool));
        h.Frame().m_actFileOpen->trigger();
        // Nothing read yet: the rebuild waits for the event loop.
        QVERIFY(h.View().Controller().IsRefreshPending());
        QVERIFY(h.m_dialogs.m_aMessages.empty());
        ProcessEvents();
        QVERIFY(!h.View().Controller().IsRefreshPending());
        QCOMPARE(h.View().m_lbPool->count(), 2);
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QVERIFY(h.m_dialogs.m_aMessages[0].strText.contains(QStringLiteral("missing.wav")));
        // Line 0 stays highlighted, the detail fields empty.
        QCOMPARE(h.View().m_lbPool->GetCurSel(), 0);
        QCOMPARE(h.View().Form().m_edFileName->text(), QString());
        QCOMPARE(h.View().m_edPoolCount->text(), QStringLiteral("2"));
        QCOMPARE(h.Frame().windowTitle(), QStringLiteral("two.dvn - Dorvane"));
    }

    void saveChangesPrompt()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        // Cancel keeps the pool.
        h.m_dialogs.m_aYesNoAnswers = {YesNoCancel::Cancel};
        h.Frame().m_actFileNew->trigger();
        QCOMPARE(h.m_dialogs.m_aQuestions, QStringList{"Save changes to Untitled?"});
        QCOMPARE(h.Doc().m_nCount, 1);
        // Yes asks for a name; ".dvn" is added to a name without one.
        h.m_dialogs.m_aYesNoAnswers = {YesNoCancel::Yes};
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(h.Path("kept")));
        h.Frame().m_actFileNew->trigger();
        QVERIFY(test::FileExists(h.Path("kept.dvn")));
        QCOMPARE(h.Doc().m_nCount, 0);
        QCOMPARE(h.m_dialogs.m_aFileCalls.back().strTitle, QStringLiteral("Save As"));
        // No discards.
        h.Add(h.Wav("b.wav"));
        h.m_dialogs.m_aYesNoAnswers = {YesNoCancel::No};
        h.Frame().m_actFileNew->trigger();
        QCOMPARE(h.Doc().m_nCount, 0);
        QVERIFY(!h.Doc().IsModified());
    }

    void exitOffersToSave()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        h.m_dialogs.m_aYesNoAnswers = {YesNoCancel::Cancel};
        QVERIFY(!h.Frame().close());
        QVERIFY(h.Frame().isVisible());
        h.m_dialogs.m_aYesNoAnswers = {YesNoCancel::No};
        QVERIFY(h.Frame().close());
    }

    void theRecentFileListPushesOutTheFifth()
    {
        std::vector<std::string> aPools;
        {
            CAppHarness h;
            for (int i = 1; i <= 5; ++i)
            {
                aPools.push_back(h.Path("pool" + std::to_string(i) + ".dvn"));
                h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(aPools.back()));
                h.Frame().m_actFileSaveAs->trigger();
            }
            const CRecentFileList& recent = h.App().RecentFiles();
            QCOMPARE(recent.GetSize(), 4);
            QCOMPARE(recent[0], QString::fromStdString(aPools[4]));
            QCOMPARE(recent[3], QString::fromStdString(aPools[1]));

            QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"),
                               QStringLiteral("Dorvane V2"));
            QVERIFY(settings.fileName().startsWith(QString::fromStdString(h.Path("config"))));
            QCOMPARE(settings.value(QStringLiteral("Recent File List/File1")).toString(),
                     QString::fromStdString(aPools[4]));
            QCOMPARE(settings.value(QStringLiteral("Recent File List/File4")).toString(),
                     QString::fromStdString(aPools[1]));
            QVERIFY(!settings.contains(QStringLiteral("Recent File List/File5")));

            // The menu shows them numbered, each at most 30 characters.
            QCOMPARE(h.Frame().m_aRecentActions.size(), size_t(4));
            QVERIFY(!h.Frame().m_actRecentPlaceholder->isVisible());
            for (QAction* pAction : h.Frame().m_aRecentActions)
                QVERIFY(pAction->text().size() <= 3 + 30);
            QCOMPARE(h.Frame().m_aRecentActions[0]->text(), QStringLiteral("&1 pool5.dvn"));

            // Opening a recent file moves it to the top.
            h.Frame().m_aRecentActions[2]->trigger();
            QCOMPARE(h.Doc().GetPathName(), aPools[2]);
            QCOMPARE(h.App().RecentFiles()[0], QString::fromStdString(aPools[2]));
        }
    }

    void aRecentFileThatFailsToOpenLeavesTheList()
    {
        CAppHarness h;
        const std::string strPool = h.Path("gone.dvn");
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(strPool));
        h.Frame().m_actFileSaveAs->trigger();
        QCOMPARE(h.App().RecentFiles().GetSize(), 1);
        std::filesystem::remove(strPool);
        h.Frame().m_aRecentActions[0]->trigger();
        QCOMPARE(h.App().RecentFiles().GetSize(), 0);
        QVERIFY(h.Frame().m_actRecentPlaceholder->isVisible());
    }

    void statusBarPromptsGiveWayToStatusText()
    {
        CAppHarness h;
        h.Frame().statusBar()->showMessage(QStringLiteral("Create a new Sample-pool"));
        h.Frame().SetStatusText(QStringLiteral("Working on x"));
        QVERIFY(h.Frame().statusBar()->currentMessage().isEmpty());
        QCOMPARE(h.Frame().StatusText(), QStringLiteral("Working on x"));
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
