// The form for everyday use: Tab order, arrow keys, the list lines, the
// Type field, New, the window's commands while an operation runs, the size
// of the window and dialogs, the pictures for scale 2 and the folders the
// file dialogs remember.
#include "CAboutDlg.h"
#include "CKrzFileDlg.h"
#include "CSettingsDlg.h"
#include "CUpDownCtrl.h"
#include "DialogUnits.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <filesystem>

using namespace uitest;

namespace
{
QString Q(const std::string& str)
{
    return QString::fromStdString(str);
}

// Records, at each report of an operation, whether the window would let
// the user start something else.
class CBusyProbe : public test::CRecordingFeedback
{
  public:
    explicit CBusyProbe(CAppHarness& h) : m_h(h) {}
    void SetStatusText(const std::string& strText) override
    {
        test::CRecordingFeedback::SetStatusText(strText);
        // The summary comes after the end.
        if (strText.rfind("Wrote ", 0) == 0)
            return;
        CMainFrame& frame = m_h.Frame();
        m_aOpen.push_back(frame.m_actFileOpen->isEnabled() || frame.m_actAdd->isEnabled() ||
                          frame.m_actMakeFile->isEnabled() || m_h.View().m_btnAdd->isEnabled() ||
                          m_h.View().Form().m_edSampleName->isEnabled() ||
                          m_h.View().m_lbPool->isEnabled());
        // A command sent meanwhile does nothing, and the window stays.
        frame.m_actAdd->trigger();
        frame.m_actToolsJoin->trigger();
        m_aClosed.push_back(frame.close());
    }
    std::vector<bool> m_aOpen;
    std::vector<bool> m_aClosed;

  private:
    CAppHarness& m_h;
};
} // namespace

class FormTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setFont(DialogFont()); }

    void tabGoesInReadingOrder()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        CMainFrame& frame = h.Frame();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        CDorvane_V2View& v = h.View();
        const QList<QWidget*> aExpected = {v.m_lbPool,
                                           v.m_edPoolCount,
                                           v.Form().m_edFileName,
                                           v.Form().m_edWavType,
                                           v.Form().m_btnPlay,
                                           v.Form().m_btnStop,
                                           v.Form().m_edSampleName,
                                           v.Form().m_btnLoopSwitch,
                                           v.Form().m_ctlRootNote,
                                           v.Form().m_edRootKey,
                                           v.Form().m_ctlRootOctave,
                                           v.Form().m_edKeymapName,
                                           v.Form().m_btnKeymapEnable,
                                           v.Form().m_edProgramName,
                                           v.Form().m_btnProgramEnable,
                                           v.m_btnAdd,
                                           v.m_btnDelete,
                                           v.m_btnMakeFile,
                                           v.m_btnSplitFiles,
                                           v.m_btnSettings};
        v.m_lbPool->setFocus();
        QCOMPARE(QApplication::focusWidget(), v.m_lbPool);
        for (int i = 1; i < aExpected.size(); ++i)
        {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), aExpected[i]);
        }
    }

    void arrowKeysMoveInTheListAndStepTheRootKey()
    {
        CAppHarness h;
        h.View().Controller().AddFiles({Q(h.Wav("a.wav")), Q(h.Wav("b.wav")), Q(h.Wav("c.wav"))});
        CMainFrame& frame = h.Frame();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        CDorvane_V2View& v = h.View();
        v.m_lbPool->setFocus();
        QTest::keyClick(v.m_lbPool, Qt::Key_Up);
        QCOMPARE(v.m_lbPool->GetCurSel(), 1);
        QCOMPARE(v.Form().m_edFileName->text(), Q(h.Path("b.wav")));
        QTest::keyClick(v.m_lbPool, Qt::Key_Home);
        QCOMPARE(v.m_lbPool->GetCurSel(), 0);

        // In the root-key field: Up and Down by a semitone with carry,
        // Page Up and Page Down by an octave, held at C 0 and B 9.
        struct Step
        {
            Qt::Key key;
            const char* szText;
            int nKey;
        };
        const Step aSteps[] = {
            {Qt::Key_Down, "B 3", 47},     {Qt::Key_Up, "C 4", 48},     {Qt::Key_Up, "C#4", 49},
            {Qt::Key_PageDown, "C#3", 37}, {Qt::Key_PageUp, "C#4", 49},
        };
        v.Form().m_edRootKey->setFocus();
        for (const Step& step : aSteps)
        {
            QTest::keyClick(v.Form().m_edRootKey, step.key);
            QCOMPARE(v.Form().m_edRootKey->text(), QString::fromLatin1(step.szText));
            QCOMPARE(h.Doc().m_aPool[0].m_nRootKey, step.nKey);
        }
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(v.Form().m_edRootKey, Qt::Key_PageUp);
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("B 9"));
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(v.Form().m_edRootKey, Qt::Key_PageDown);
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("C 0"));
        QCOMPARE(QApplication::focusWidget(), v.Form().m_edRootKey);

        // The arrows, reached by Tab, take Up and Down as their clicks.
        v.Form().m_ctlRootOctave->setFocus();
        QTest::keyClick(v.Form().m_ctlRootOctave, Qt::Key_Up);
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("C 1"));
        v.Form().m_ctlRootNote->setFocus();
        QTest::keyClick(v.Form().m_ctlRootNote, Qt::Key_Up);
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("C#1"));
    }

    void listLinesKeepTheFileNameAndFit()
    {
        const QFontMetrics fm(DialogFont());
        const QString strLong =
            QStringLiteral("/home/someone/Music/Samples/Drums/Acoustic/kick.wav");
        const int nWidth = fm.horizontalAdvance(QStringLiteral("kick.wav")) * 2;
        struct Case
        {
            QString strPath;
            int nWidth;
            QString strEnd; // what the line must end with
        };
        const Case aCases[] = {
            {strLong, nWidth, QStringLiteral("/kick.wav")},
            {QStringLiteral("C:\\Samples\\Drums\\Acoustic\\kick.wav"), nWidth,
             QStringLiteral("\\kick.wav")},
            {QStringLiteral("/a/kick.wav"), 1000, QStringLiteral("/a/kick.wav")},
            {QStringLiteral("/x/A very long sample name that does not fit.wav"), nWidth,
             QStringLiteral("fit.wav")},
        };
        for (const Case& c : aCases)
        {
            const QString strLine = CPoolTableModel::ShortPathText(c.strPath, fm, c.nWidth);
            QVERIFY2(strLine.endsWith(c.strEnd), qPrintable(strLine));
            QVERIFY2(fm.horizontalAdvance(strLine) <= c.nWidth, qPrintable(strLine));
            QVERIFY(strLine == c.strPath || strLine.contains(QChar(0x2026)));
        }

        CAppHarness h;
        std::filesystem::create_directories(h.Path("a rather long folder name/and another one"));
        const std::string strWav = h.Wav("a rather long folder name/and another one/snare.wav");
        h.Add(strWav);
        // The file column shows the file's name; its tooltip the whole path.
        QCOMPARE(RowText(h.View(), 0), QStringLiteral("snare.wav"));
        QCOMPARE(RowTip(h.View(), 0), Q(strWav));
    }

    void theTypeFieldShowsItsWholeText()
    {
        CAppHarness h;
        h.Add(h.Wav("wide.wav", 2, 16, 192000, 1234560));
        QLineEdit* pType = h.View().Form().m_edWavType;
        QCOMPARE(pType->text(), QStringLiteral("16-bit Stereo PCM, 192000 Hz, 1234560 Bytes"));
        h.Frame().show();
        QVERIFY(QFontMetrics(pType->font()).horizontalAdvance(pType->text()) <=
                pType->contentsRect().width() - 4);
        QCOMPARE(pType->toolTip(), pType->text());
    }

    void newClearsLoopSwitch()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        h.View().Form().m_btnLoopSwitch->click();
        h.m_dialogs.m_aYesNoAnswers.push_back(YesNoCancel::No);
        h.Frame().m_actFileNew->trigger();
        ProcessEvents();
        QVERIFY(!h.View().Form().m_btnLoopSwitch->isChecked());
        QCOMPARE(h.View().Form().m_edFileName->text(), QString());
    }

    void anOperationLocksTheWindowUntilItEnds()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav", 1, 16, 44100, 5000));
        CBusyProbe probe(h);
        h.View().SetFeedback(&probe);
        h.Frame().show();
        h.m_dialogs.m_aFileCalls.clear();
        h.m_dialogs.m_aFileAnswers.push_back(Q(h.Path("out.krz")));
        h.View().m_btnMakeFile->click();
        QVERIFY(probe.m_aOpen.size() >= 2);
        QVERIFY(probe.m_aStatus.back().rfind("Wrote out.krz", 0) == 0);
        // Every report came while everything was locked; the window
        // refused to close.
        for (std::size_t i = 0; i < probe.m_aOpen.size(); ++i)
        {
            QVERIFY(!probe.m_aOpen[i]);
            QVERIFY(!probe.m_aClosed[i]);
        }
        QCOMPARE(h.m_dialogs.m_aFileCalls.size(), size_t(1)); // Make File's own
        QVERIFY(h.m_dialogs.m_aDialogTitles.isEmpty());
        QVERIFY(h.Frame().m_actAdd->isEnabled() && h.View().m_btnAdd->isEnabled());
        QVERIFY(!h.Frame().m_actRecentPlaceholder->isEnabled());
        QVERIFY(!h.View().Controller().IsBusy() && !h.Frame().IsBusy());
    }

    void windowAndDialogsFitASmallScreen()
    {
        CAppHarness h;
        h.Frame().show();
        const QSize screen(1366, 768 - 40); // less a task bar
        QVERIFY(h.Frame().frameGeometry().width() <= screen.width());
        QVERIFY(h.Frame().frameGeometry().height() <= screen.height());
        CSettingsDlg settings(h.m_dialogs, &h.Frame());
        CSplitDlg split(h.m_dialogs, &h.Frame());
        CJoinDlg join(h.m_dialogs, &h.Frame());
        CAboutDlg about(&h.Frame());
        for (QDialog* pDlg : std::initializer_list<QDialog*>{&settings, &split, &join, &about})
        {
            QVERIFY(pDlg->size().width() <= screen.width());
            QVERIFY(pDlg->size().height() <= screen.height());
        }
    }

    void picturesForScaleTwo()
    {
        CAppHarness h;
        const QList<QAction*> aActions = h.Frame().m_wndToolBar->actions();
        int nIcons = 0;
        for (QAction* pAction : aActions)
        {
            if (pAction->icon().isNull())
                continue;
            ++nIcons;
            const QPixmap large = pAction->icon().pixmap(QSize(16, 15), 2.0);
            QCOMPARE(large.size(), QSize(32, 30));
        }
        QCOMPARE(nIcons, 9);
        QCOMPARE(QPixmap(QStringLiteral(":/ui/about@2x.png")).size(), QSize(474, 240));
    }

    void fileDialogsRememberTheirFolderPerKind()
    {
        test::TempDir dir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           Q((dir.Path() / "config").string()));
        std::filesystem::create_directories(dir.Path() / "wavs");
        std::filesystem::create_directories(dir.Path() / "pools");
        {
            CQtDialogService dialogs(QStringLiteral("Org"), QStringLiteral("App"));
            dialogs.RememberFolder(QStringLiteral("WAV"), Q((dir.Path() / "wavs").string()));
            dialogs.RememberFolder(QStringLiteral("dvn"), Q((dir.Path() / "pools").string()));
        }
        // Another run: each kind has its own folder; a kind never used has none.
        CQtDialogService dialogs(QStringLiteral("Org"), QStringLiteral("App"));
        QCOMPARE(dialogs.LastFolder(QStringLiteral("wav")), Q((dir.Path() / "wavs").string()));
        QCOMPARE(dialogs.LastFolder(QStringLiteral("DVN")), Q((dir.Path() / "pools").string()));
        QCOMPARE(dialogs.LastFolder(QStringLiteral("KRZ")), QString());
    }
};

QTEST_MAIN(FormTest)
#include "form_test.moc"
