// The pool form: Add, Delete, the selection display, the name fields and
// their limits, the root-key arrows, Make File through the window.
#include "CDialogService.h"
#include "CProgressCtrl.h"
#include "CUpDownCtrl.h"
#include "DialogUnits.h"
#include "KrzBuilder.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace uitest;

class ViewTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setFont(DialogFont()); }

    void addSetsDefaultsFromTheTitle()
    {
        CAppHarness h;
        h.Add(h.Wav("Piano Loop.wav", 2, 16, 44100, 176400));
        CDorvane_V2View& v = h.View();
        QCOMPARE(h.m_dialogs.m_aFileCalls.size(), size_t(1));
        const FileDialogCall& call = h.m_dialogs.m_aFileCalls[0];
        QCOMPARE(call.strTitle, QStringLiteral("Open a WAV-File"));
        QCOMPARE(call.aFilters[0].strText, QStringLiteral("WAV Files: *.WAV"));
        QCOMPARE(call.aFilters[1].strText, QStringLiteral("All Files: *.*"));

        QCOMPARE(h.Doc().m_nCount, 1);
        QCOMPARE(v.m_lbPool->count(), 1);
        QCOMPARE(v.m_lbPool->GetCurSel(), 0);
        QCOMPARE(v.Form().m_edSampleName->text(), QStringLiteral("Piano Loop"));
        QCOMPARE(v.Form().m_edKeymapName->text(), QString());
        QCOMPARE(v.Form().m_edProgramName->text(), QString());
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("C 4"));
        QCOMPARE(v.Form().m_edWavType->text(),
                 QStringLiteral("16-bit Stereo PCM, 44100 Hz, 176400 Bytes"));
        QCOMPARE(v.m_edPoolCount->text(), QStringLiteral("1"));
        QVERIFY(!v.Form().m_btnLoopSwitch->isChecked());
        QVERIFY(v.Form().m_btnKeymapEnable->isChecked());
        QVERIFY(v.Form().m_btnProgramEnable->isChecked());
        QCOMPARE(h.Doc().m_aPool[0].m_nRootKey, 48);
        QVERIFY(h.Doc().IsModified());
        QVERIFY(h.m_dialogs.m_aMessages.empty());
    }

    void addOfARejectedFileStillAddsIt()
    {
        CAppHarness h;
        const std::string strPath = h.Wav("deep.wav", 1, 24);
        h.Add(strPath);
        QCOMPARE(h.Doc().m_nCount, 1);
        QCOMPARE(h.View().Form().m_edWavType->text(), QStringLiteral("UNSUPPORTED FILETYPE !!!"));
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(h.m_dialogs.m_aMessages[0].strCaption, QStringLiteral("Dorvane Info"));
    }

    void cancelledAddChangesNothing()
    {
        CAppHarness h;
        h.m_dialogs.m_aFileAnswers.push_back(QString());
        h.View().m_btnAdd->click();
        QCOMPARE(h.Doc().m_nCount, 0);
        QVERIFY(!h.Doc().IsModified());
    }

    void longTitleGivesASixteenCharacterName()
    {
        CAppHarness h;
        h.Add(h.Wav("Grand Piano Sustained C4.wav"));
        CDorvane_V2View& v = h.View();
        QCOMPARE(v.Form().m_edSampleName->text(), QStringLiteral("Grand Piano Sust"));
        QCOMPARE(h.Doc().m_aPool[0].m_strSampleName, std::string("Grand Piano Sust"));

        // The name Add made is within the field's limit: an edit elsewhere
        // raises no message and keeps its character.
        v.Form().m_edKeymapName->setFocus();
        QTest::keyClick(v.Form().m_edKeymapName, Qt::Key_K);
        QVERIFY(h.m_dialogs.m_aMessages.empty());
        QCOMPARE(v.Form().m_edKeymapName->text(), QStringLiteral("k"));
        QCOMPARE(h.Doc().m_aPool[0].m_strKeymapName, std::string("k"));
    }

    void aSeventeenthCharacterCannotBeTyped()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        QLineEdit* pEdit = h.View().Form().m_edProgramName;
        pEdit->setFocus();
        QTest::keyClicks(pEdit, "ABCDEFGHIJKLMNOPQRS");
        QCOMPARE(pEdit->text(), QStringLiteral("ABCDEFGHIJKLMNOP"));
        QCOMPARE(h.Doc().m_aPool[0].m_strProgramName, std::string("ABCDEFGHIJKLMNOP"));
    }

    void typingWithoutSelectionChangesOnlyTheField()
    {
        CAppHarness h;
        h.Add(h.Wav("one.wav"));
        h.Add(h.Wav("two.wav"));
        CDorvane_V2View& v = h.View();
        v.m_lbPool->SetCurSel(-1);
        h.Doc().SetModifiedFlag(false);
        v.Form().m_edKeymapName->setFocus();
        QTest::keyClicks(v.Form().m_edKeymapName, "Stray");
        QCOMPARE(h.Doc().m_aPool[0].m_strKeymapName, std::string());
        QCOMPARE(h.Doc().m_aPool[1].m_strKeymapName, std::string());
        QVERIFY(!h.Doc().IsModified());
        QTest::mouseClick(v.m_lbPool->viewport(), Qt::LeftButton, {},
                          v.m_lbPool->RowRect(0).center());
        QCOMPARE(v.m_lbPool->GetCurSel(), 0);
        QCOMPARE(v.Form().m_edKeymapName->text(), QString());
        QCOMPARE(v.Form().m_edSampleName->text(), QStringLiteral("one"));
    }

    void checkBoxesWriteThroughToTheSelectedEntry()
    {
        CAppHarness h;
        h.Add(h.Wav("one.wav"));
        CDorvane_V2View& v = h.View();
        v.Form().m_btnLoopSwitch->click();
        v.Form().m_btnKeymapEnable->click();
        QCOMPARE(h.Doc().m_aPool[0].m_bLoop, 1);
        QCOMPARE(h.Doc().m_aPool[0].m_bKeymapEnable, 0);
        QCOMPARE(h.Doc().m_aPool[0].m_bProgramEnable, 1);
        v.Form().m_btnPlay->click();
        QCOMPARE(h.m_pSound->m_aCalls,
                 QStringList{"loop " + QString::fromStdString(h.Path("one.wav"))});
    }

    void theRealPlayerIsQuietWithoutAFileOrAnOutput()
    {
        // A missing file plays nothing and says nothing; without an audio
        // output (as on a build machine) neither does an existing one.
        test::TempDir dir;
        const std::string strWav = dir / "a.wav";
        test::WavSpec spec;
        spec.abData = test::RampData(4000);
        test::WriteFileBytes(strWav, test::MakeWav(spec));
        CSoundPlayer player;
        player.Play(QString::fromStdString(dir / "missing.wav"), false);
        player.Play(QString::fromStdString(strWav), true);
        player.Stop();
        player.Stop();
    }

    void deleteInTheMiddleKeepsTheTypeLines()
    {
        CAppHarness h;
        h.Add(h.Wav("s0.wav", 1, 16, 11025, 100));
        h.Add(h.Wav("s1.wav", 2, 16, 22050, 200));
        h.Add(h.Wav("s2.wav", 1, 8, 32000, 300));
        h.Add(h.Wav("s3.wav", 2, 8, 44100, 400));
        h.Add(h.Wav("s4.wav", 1, 16, 48000, 500));
        CDorvane_V2View& v = h.View();
        h.Doc().m_aPool[3].m_nRootKey = 61;

        v.m_lbPool->SetCurSel(1);
        v.m_btnDelete->click();
        QCOMPARE(h.Doc().m_nCount, 4);
        QCOMPARE(v.m_lbPool->count(), 4);
        QCOMPARE(v.m_lbPool->GetCurSel(), -1);
        QCOMPARE(v.m_edPoolCount->text(), QStringLiteral("4"));
        QCOMPARE(v.Form().m_edFileName->text(), QString());
        QVERIFY(v.Form().m_btnKeymapEnable->isChecked());

        const QString aExpected[] = {
            QStringLiteral("16-bit Mono PCM, 11025 Hz, 100 Bytes"),
            QStringLiteral("8-bit Mono PCM, 32000 Hz, 300 Bytes"),
            QStringLiteral("8-bit Stereo PCM, 44100 Hz, 400 Bytes"),
            QStringLiteral("16-bit Mono PCM, 48000 Hz, 500 Bytes"),
        };
        const char* aNames[] = {"s0.wav", "s2.wav", "s3.wav", "s4.wav"};
        for (int i = 0; i < 4; ++i)
        {
            QCOMPARE(RowTip(v, i), QString::fromStdString(h.Path(aNames[i])));
            QVERIFY(RowText(v, i).endsWith(QString::fromLatin1(aNames[i])));
            v.m_lbPool->SetCurSel(i);
            v.Controller().OnSelchangePoolList();
            QCOMPARE(v.Form().m_edWavType->text(), aExpected[i]);
        }
        QCOMPARE(h.Doc().m_aPool[2].m_nRootKey, 61);
        const CWPoolObj& vacated = h.Doc().m_aPool[4];
        QVERIFY(vacated.m_strFileName.empty() && vacated.m_strSampleName.empty());
        QCOMPARE(vacated.m_nRootKey, 48);
        QCOMPARE(vacated.m_bKeymapEnable, 0);
        QCOMPARE(vacated.m_bProgramEnable, 0);
    }

    void deleteRemovesEverySelectedEntry_data()
    {
        QTest::addColumn<QList<int>>("aSelected");
        QTest::addColumn<QString>("strLeft"); // the titles of the entries left
        QTest::newRow("one") << QList<int>{3} << QStringLiteral("s0 s1 s2 s4");
        QTest::newRow("apart") << QList<int>{0, 2, 4} << QStringLiteral("s1 s3");
        QTest::newRow("together") << QList<int>{1, 2} << QStringLiteral("s0 s3 s4");
        QTest::newRow("all") << QList<int>{4, 0, 1, 2, 3} << QString();
    }
    void deleteRemovesEverySelectedEntry()
    {
        QFETCH(QList<int>, aSelected);
        QFETCH(QString, strLeft);
        CAppHarness h;
        for (int i = 0; i < 5; ++i)
            h.Add(h.Wav("s" + std::to_string(i) + ".wav", 1, 16, 11025 * (i + 1), 100));
        CDorvane_V2View& v = h.View();
        v.m_lbPool->SetCurSel(aSelected[0]);
        for (const int i : aSelected)
            v.m_lbPool->selectionModel()->select(v.m_lbPool->model()->index(i, 0),
                                                 QItemSelectionModel::Select |
                                                     QItemSelectionModel::Rows);

        v.m_btnDelete->click();

        const QStringList aLeft = strLeft.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(h.Doc().m_nCount, int(aLeft.size()));
        QCOMPARE(v.m_lbPool->count(), int(aLeft.size()));
        QCOMPARE(v.m_edPoolCount->text(), QString::number(aLeft.size()));
        QCOMPARE(v.m_lbPool->GetCurSel(), -1);
        for (int i = 0; i < aLeft.size(); ++i)
        {
            QCOMPARE(h.Doc().m_aPool[i].m_strSampleName, aLeft[i].toStdString());
            // Each entry keeps its own file facts.
            QCOMPARE(v.Controller().m_aWavInfo[i].nSamplesPerSec,
                     11025 * (aLeft[i].mid(1).toInt() + 1));
        }
        QVERIFY(h.Doc().IsModified());
    }

    void deleteWithoutSelectionDoesNothing()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        h.View().m_lbPool->SetCurSel(-1);
        h.Doc().SetModifiedFlag(false);
        h.View().m_btnDelete->click();
        QCOMPARE(h.Doc().m_nCount, 1);
        QVERIFY(!h.Doc().IsModified());
        QVERIFY(h.m_dialogs.m_aMessages.empty());
    }

    void rootKeyArrowsStopAtBothEnds()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        CDorvane_V2View& v = h.View();
        QToolButton* pNoteUp = v.Form().m_ctlRootNote->UpButton();
        QToolButton* pNoteDown = v.Form().m_ctlRootNote->DownButton();
        QToolButton* pOctUp = v.Form().m_ctlRootOctave->UpButton();
        QToolButton* pOctDown = v.Form().m_ctlRootOctave->DownButton();
        const int& nKey = h.Doc().m_aPool[0].m_nRootKey;

        pNoteUp->click();
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("C#4"));
        QCOMPARE(nKey, 49);
        for (int i = 0; i < 10; ++i)
            pNoteUp->click();
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("B 4"));
        QCOMPARE(nKey, 59);
        pNoteUp->click(); // no wrap to C, no carry into the octave
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("B 4"));
        QCOMPARE(nKey, 59);
        for (int i = 0; i < 7; ++i)
            pOctUp->click();
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("B 9"));
        QCOMPARE(nKey, 119);
        for (int i = 0; i < 14; ++i)
        {
            pNoteDown->click();
            pOctDown->click();
        }
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("C 0"));
        QCOMPARE(nKey, 0);

        // Without a selection only the text moves.
        v.m_lbPool->SetCurSel(-1);
        pOctUp->click();
        QCOMPARE(v.Form().m_edRootKey->text(), QStringLiteral("C 1"));
        QCOMPARE(nKey, 0);
    }

    // A name the file holds otherwise than the entry is named in the status
    // line after the summary; names written as they are add nothing.
    void makeFileSaysWhichNamesAreWrittenOtherwise()
    {
        CAppHarness h;
        h.Add(h.Wav("Скрипка.wav", 1, 16, 44100, 300));
        h.Add(h.Wav("Piano.wav", 1, 16, 44100, 300));
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(h.Path("names.krz")));
        h.View().m_btnMakeFile->click();
        const QString strStatus = h.Frame().StatusText();
        QVERIFY2(strStatus.startsWith(QStringLiteral("Wrote names.krz: 2 samples, ")) &&
                     strStatus.endsWith(QStringLiteral(
                         " bytes. Names written otherwise: \"Скрипка\" as \"Skripka\".")),
                 qPrintable(strStatus));
    }

    void makeFileWritesWhatTheBuilderWrites()
    {
        CAppHarness h;
        h.Add(h.Wav("mono.wav", 1, 16, 44100, 3000));
        h.Add(h.Wav("stereo.wav", 2, 8, 22050, 1000));
        h.Add(h.Wav("bad.wav", 1, 24, 44100, 300));
        CDorvane_V2View& v = h.View();
        v.Controller().m_nFirstObjectID = 300;

        // The same build straight through the engine, from copies.
        CDorvane_V2Doc docCopy = h.Doc();
        TemplateBytes abTemplate = v.Controller().m_abTemplate;
        test::CRecordingFeedback direct;
        BuildKrzFile(docCopy, v.Controller().m_aWavInfo, 300, abTemplate, h.Path("direct.krz"),
                     direct);

        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(h.Path("window.krz")));
        v.m_btnMakeFile->click();
        const FileDialogCall& call = h.m_dialogs.m_aFileCalls.back();
        QVERIFY(call.bSave);
        QCOMPARE(call.strTitle, QStringLiteral("Select a Krz-File"));
        QCOMPARE(call.aFilters[0].strText, QStringLiteral("KRZ Files: *.KRZ"));
        QCOMPARE(call.strDefaultExt, QStringLiteral("KRZ"));
        QVERIFY(call.bOverwritePrompt);

        QCOMPARE(test::ReadFileBytes(h.Path("window.krz")),
                 test::ReadFileBytes(h.Path("direct.krz")));
        QCOMPARE(h.Frame().StatusText(),
                 QStringLiteral("Wrote window.krz: 2 samples, 2 keymaps, 2 programs, %1 bytes")
                     .arg(test::ReadFileBytes(h.Path("window.krz")).size()));
        QCOMPARE(v.m_ctlProgress->GetPos(), 0);
        // The bar followed the bytes written.
        QCOMPARE(v.m_ctlProgress->GetUpper(), kBuildProgressRange);
        // The names the build filled in show for the selected entry.
        QCOMPARE(v.m_lbPool->GetCurSel(), 2);
        v.m_lbPool->SetCurSel(0);
        v.Controller().OnSelchangePoolList();
        QCOMPARE(v.Form().m_edKeymapName->text(), QStringLiteral("mono"));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void makeFileReportsThroughTheWindow()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav", 1, 16, 44100, 5000));
        h.Add(h.Wav("b.wav"));
        CDorvane_V2View& v = h.View();
        test::CRecordingFeedback rec;
        v.SetFeedback(&rec);
        v.m_btnSplitFiles->setChecked(true);
        v.Controller().m_nMaxSplitKB = 1;
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(h.Path("out.krz")));
        v.m_btnMakeFile->click();
        QCOMPARE(rec.m_aStatus.front(), "Working on " + h.Path("a.wav"));
        const std::size_t nSize = test::ReadFileBytes(h.Path("out.krz")).size();
        QCOMPARE(
            QString::fromStdString(rec.m_aStatus.back()),
            QStringLiteral("Wrote out.krz: 2 samples, 2 keymaps, 2 programs, %1 bytes, 7 parts")
                .arg(nSize));
        QCOMPARE(rec.m_aStatus[rec.m_aStatus.size() - 3], std::string("Splitting..."));
        QCOMPARE(rec.m_aRanges.front(), std::make_pair(0, kBuildProgressRange));
        QCOMPARE(rec.m_nPos, 0);
        QVERIFY(test::FileExists(h.Path("out.krz")));
        QVERIFY(test::FileExists(h.Path("out.krz01")));
        QVERIFY(test::FileExists(h.Path("out.krz07")));
        QVERIFY(!test::FileExists(h.Path("out.krz08")));
    }

    void makeFileRefusesAnEmptyPoolAndHonoursCancel()
    {
        CAppHarness h;
        // Return on the focused button presses it, as a click does.
        h.View().m_btnMakeFile->setFocus();
        QTest::keyClick(h.View().m_btnMakeFile, Qt::Key_Return);
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(
            h.m_dialogs.m_aMessages[0].strText,
            QStringLiteral("Sorry, you must first add 1 or more wav-files to the sample pool..."));
        QCOMPARE(h.m_dialogs.m_aMessages[0].icon, MessageIcon::None);
        QVERIFY(h.m_dialogs.m_aFileCalls.empty());

        h.Add(h.Wav("a.wav"));
        const auto aBefore = test::ListDir(h.m_dir.Path());
        h.Frame().SetStatusText(QStringLiteral("Something"));
        h.m_dialogs.m_aFileAnswers.push_back(QString());
        h.View().m_btnMakeFile->click();
        QCOMPARE(h.Frame().StatusText(), QStringLiteral("Ready"));
        QCOMPARE(test::ListDir(h.m_dir.Path()), aBefore);
    }

    // An output that is one of the pool's files (a WAV file, the pool file
    // itself) is refused with a message naming it; nothing changes on disk.
    void makeFileRefusesAnOutputThatIsAnInput()
    {
        CAppHarness h;
        const std::string strWav = h.Wav("a.wav");
        h.Add(strWav);
        const std::string strPool = h.Path("p.dvn");
        test::CRecordingFeedback saved;
        QVERIFY(ShowAsMessages(h.Doc().OnSaveDocument(strPool), saved));
        h.Doc().SetPathName(strPool);
        for (const std::string& strInput : {strWav, strPool})
        {
            const test::Bytes abBefore = test::ReadFileBytes(strInput);
            h.m_dialogs.m_aMessages.clear();
            h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(strInput));
            h.View().m_btnMakeFile->click();
            QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
            QCOMPARE(h.m_dialogs.m_aMessages[0].strText,
                     QString::fromStdString(SameFileMessage(strInput, strInput)));
            QVERIFY(test::ReadFileBytes(strInput) == abBefore);
            QCOMPARE(h.Frame().StatusText(), QStringLiteral("Ready"));
        }
    }

    void aFileErrorIsReportedWithTheStopIcon()
    {
        CAppHarness h;
        h.Add(h.Wav("a.wav"));
        const std::string strOut = h.Path("missing-folder/out.krz");
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(strOut));
        h.Frame().SetStatusText(QStringLiteral("Before"));
        h.View().m_btnMakeFile->click();
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        const ShownMessage& msg = h.m_dialogs.m_aMessages[0];
        QCOMPARE(msg.icon, MessageIcon::Stop);
        QCOMPARE(msg.strCaption, QStringLiteral("Dorvane V2"));
        QVERIFY2(msg.strText.contains(QStringLiteral("missing-folder")), qPrintable(msg.strText));
        // The command was abandoned where it stood.
        QCOMPARE(h.Frame().StatusText(), QStringLiteral("Before"));
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void thePoolFullMessage()
    {
        CAppHarness h;
        const std::string strWav = h.Wav("a.wav");
        for (int i = 0; i < 100; ++i)
            h.Add(strWav);
        QCOMPARE(h.Doc().m_nCount, 100);
        QVERIFY(h.m_dialogs.m_aMessages.empty());
        // Typing with 100 entries stores without a message.
        QTest::keyClicks(h.View().Form().m_edKeymapName, "Full");
        QCOMPARE(h.Doc().m_aPool[99].m_strKeymapName, std::string("Full"));
        QVERIFY(h.m_dialogs.m_aMessages.empty());
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(strWav));
        h.View().m_btnAdd->click();
        QCOMPARE(h.Doc().m_nCount, 100);
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(h.m_dialogs.m_aMessages[0].strText,
                 QStringLiteral("Sorry, you can't have more than 100 samples in the pool..."));
    }
};

QTEST_MAIN(ViewTest)
#include "view_test.moc"
