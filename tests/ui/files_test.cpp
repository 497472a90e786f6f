// Files into the pool and paths that travel: several files per Add, a
// folder, drops, the limit of 100, Relink, pools opened from another
// folder or machine, missing files, Save As into another folder.
#include "PoolEdit.h"
#include "PoolPaths.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <filesystem>

using namespace uitest;

namespace
{
QString Q(const std::string& str)
{
    return QString::fromStdString(str);
}

// Writes a pool whose entries hold the given paths exactly as given.
void WritePool(const std::string& strPath, const std::vector<std::string>& aStored)
{
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    pDoc->OnNewDocument();
    for (const std::string& strStored : aStored)
        AddPoolEntry(*pDoc, strStored, SplitStoredPath(strStored).strName);
    CNullFeedback feedback;
    QVERIFY(ShowAsMessages(pDoc->OnSaveDocument(strPath), feedback));
}

// The stored paths of a pool file as it is on disk.
std::vector<std::string> StoredPaths(const std::string& strPath)
{
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    CNullFeedback feedback;
    ShowAsMessages(pDoc->OnOpenDocument(strPath), feedback);
    std::vector<std::string> aPaths;
    for (int i = 0; i < pDoc->m_nCount; ++i)
        aPaths.push_back(pDoc->m_aPool[i].m_strFileName);
    return aPaths;
}

// Sends a drag over the view and then the drop; returns whether the drag
// was accepted.
bool Drop(CDorvane_V2View& view, const QList<QUrl>& aUrls)
{
    QMimeData mime;
    mime.setUrls(aUrls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Drops land on the view's viewport, as a drop on the form does.
    QApplication::sendEvent(view.viewport(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &drop);
    return enter.isAccepted();
}
} // namespace

class FilesTest : public QObject
{
    Q_OBJECT

  private slots:
    void addTakesSeveralFilesInOrder()
    {
        CAppHarness h;
        h.m_dialogs.m_aMultiFileAnswers.push_back(
            {Q(h.Wav("b.wav")), Q(h.Wav("deep.wav", 1, 24)), Q(h.Wav("a.wav", 2))});
        h.View().m_btnAdd->click();
        CDorvane_V2View& v = h.View();
        QCOMPARE(h.Doc().m_nCount, 3);
        QCOMPARE(h.Doc().m_aPool[0].m_strFileName, h.Path("b.wav"));
        QCOMPARE(h.Doc().m_aPool[2].m_strFileName, h.Path("a.wav"));
        QCOMPARE(RowTip(v, 1), Q(h.Path("deep.wav")));
        // The last one shows as a single Add would show it; the rejected
        // file gave its own message and stays.
        QCOMPARE(v.m_lbPool->GetCurSel(), 2);
        QCOMPARE(v.Form().m_edSampleName->text(), QStringLiteral("a"));
        QCOMPARE(v.Form().m_edWavType->text(),
                 QStringLiteral("16-bit Stereo PCM, 44100 Hz, 400 Bytes"));
        QCOMPARE(v.m_edPoolCount->text(), QStringLiteral("3"));
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QVERIFY(h.m_dialogs.m_aMessages[0].strText.contains(QStringLiteral("24-bit")));
        QVERIFY(h.Doc().IsModified());
    }

    void theLimitLeavesFilesOutWithOneMessage_data()
    {
        QTest::addColumn<int>("nBefore");
        QTest::addColumn<int>("nChosen");
        QTest::addColumn<int>("nAfter");
        QTest::addColumn<QString>("strTail");
        QTest::newRow("all fit") << 95 << 5 << 100 << QString();
        QTest::newRow("one left out")
            << 97 << 4 << 100 << QStringLiteral("1 of the chosen files was not added.");
        QTest::newRow("many left out")
            << 60 << 45 << 100 << QStringLiteral("5 of the chosen files were not added.");
    }
    void theLimitLeavesFilesOutWithOneMessage()
    {
        QFETCH(int, nBefore);
        QFETCH(int, nChosen);
        QFETCH(int, nAfter);
        QFETCH(QString, strTail);
        CAppHarness h;
        const QString strWav = Q(h.Wav("s.wav"));
        QCOMPARE(h.View().Controller().AddFiles(QStringList(nBefore, strWav)), nBefore);
        h.m_dialogs.m_aMultiFileAnswers.push_back(QStringList(nChosen, strWav));
        h.View().m_btnAdd->click();
        QCOMPARE(h.Doc().m_nCount, nAfter);
        QCOMPARE(h.View().m_lbPool->count(), nAfter);
        if (strTail.isEmpty())
        {
            QVERIFY(h.m_dialogs.m_aMessages.empty());
            return;
        }
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(h.m_dialogs.m_aMessages[0].strText,
                 QStringLiteral("Sorry, you can't have more than 100 samples in the pool...\n") +
                     strTail);
        // A full pool refuses before any dialog, as it always did.
        h.m_dialogs.m_aFileCalls.clear();
        h.View().m_btnAdd->click();
        QVERIFY(h.m_dialogs.m_aFileCalls.empty());
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(2));
    }

    void addFolderTakesItsWavFilesByName()
    {
        CAppHarness h;
        std::filesystem::create_directories(h.Path("kit/sub"));
        h.Wav("kit/b.WAV");
        h.Wav("kit/a.wav");
        h.Wav("kit/sub/c.wav");
        test::WriteFileBytes(h.Path("kit/notes.txt"), {1});
        std::filesystem::create_directories(h.Path("empty"));

        h.m_dialogs.m_aFileAnswers.push_back(Q(h.Path("kit")));
        h.Frame().m_actAddFolder->trigger();
        QCOMPARE(h.m_dialogs.m_aFileCalls.back().strDefaultExt, QStringLiteral("WAV"));
        QCOMPARE(h.Doc().m_nCount, 2);
        QCOMPARE(h.Doc().m_aPool[0].m_strFileName, h.Path("kit/a.wav"));
        QCOMPARE(h.Doc().m_aPool[1].m_strFileName, h.Path("kit/b.WAV"));

        h.m_dialogs.m_aFileAnswers.push_back(Q(h.Path("empty")));
        h.Frame().m_actAddFolder->trigger();
        QCOMPARE(h.Doc().m_nCount, 2);
        QCOMPARE(h.m_dialogs.m_aMessages.back().strText,
                 QStringLiteral("There are no WAV-Files in ") + Q(h.Path("empty")));
    }

    void dropsAddWavFilesAndTheWavFilesOfFolders()
    {
        CAppHarness h;
        std::filesystem::create_directories(h.Path("kit"));
        h.Wav("kit/k.wav");
        const std::string strText = h.Path("readme.txt");
        test::WriteFileBytes(strText, {1});
        CDorvane_V2View& v = h.View();

        QVERIFY(!Drop(v, {QUrl::fromLocalFile(Q(strText))}));
        QCOMPARE(h.Doc().m_nCount, 0);

        QVERIFY(Drop(v, {QUrl::fromLocalFile(Q(h.Wav("x.wav"))), QUrl::fromLocalFile(Q(strText)),
                         QUrl::fromLocalFile(Q(h.Path("kit"))),
                         QUrl(QStringLiteral("https://example.org/y.wav"))}));
        QCOMPARE(h.Doc().m_nCount, 2);
        QCOMPARE(h.Doc().m_aPool[0].m_strFileName, h.Path("x.wav"));
        QCOMPARE(h.Doc().m_aPool[1].m_strFileName, h.Path("kit/k.wav"));
        QCOMPARE(v.m_lbPool->GetCurSel(), 1);

        // While an operation runs, drops are refused.
        v.Controller().SetBusy(true);
        QVERIFY(!Drop(v, {QUrl::fromLocalFile(Q(h.Path("x.wav")))}));
        v.Controller().SetBusy(false);
        QCOMPARE(h.Doc().m_nCount, 2);
    }

    // A file whose path is longer than the pool takes is never left out in
    // silence: Add, Add folder, a drop and Relink name such files in one
    // message and take the others.
    void longPathsAreNamedInOneMessage_data()
    {
        QTest::addColumn<QString>("strHow");
        QTest::newRow("add") << QStringLiteral("add");
        QTest::newRow("add folder") << QStringLiteral("folder");
        QTest::newRow("drop") << QStringLiteral("drop");
        QTest::newRow("relink") << QStringLiteral("relink");
    }
    void longPathsAreNamedInOneMessage()
    {
        QFETCH(QString, strHow);
        CAppHarness h;
        // A folder deep enough that its files' paths pass 255 characters.
        const std::string strDeep = "deep/" + std::string(120, 'f') + "/" + std::string(120, 'g');
        std::filesystem::create_directories(h.Path(strDeep));
        const QString strLong1 = Q(h.Wav(strDeep + "/one.wav"));
        const QString strLong2 = Q(h.Wav(strDeep + "/two.wav"));
        QVERIFY(strLong1.size() > CPoolController::kMaxWavPath);
        const QString strShort = Q(h.Wav("short.wav"));
        CDorvane_V2View& v = h.View();
        QStringList aLong{strLong1, strLong2};
        int nAdded = 1;
        if (strHow == QStringLiteral("add"))
        {
            h.m_dialogs.m_aMultiFileAnswers.push_back({strLong1, strShort, strLong2});
            v.m_btnAdd->click();
        }
        else if (strHow == QStringLiteral("folder"))
        {
            h.m_dialogs.m_aFileAnswers.push_back(Q(h.Path(strDeep)));
            h.Frame().m_actAddFolder->trigger();
            nAdded = 0;
        }
        else if (strHow == QStringLiteral("drop"))
        {
            QVERIFY(Drop(v, {QUrl::fromLocalFile(strLong1), QUrl::fromLocalFile(strShort),
                             QUrl::fromLocalFile(Q(h.Path(strDeep)))}));
            aLong = QStringList{strLong1, strLong1, strLong2};
        }
        else
        {
            h.Add(h.Path("short.wav"));
            h.m_dialogs.m_aFileAnswers.push_back(strLong2);
            h.Frame().m_actRelink->trigger();
            aLong = QStringList{strLong2};
        }
        QCOMPARE(h.Doc().m_nCount, nAdded);
        if (nAdded == 1)
            QCOMPARE(h.Doc().m_aPool[0].m_strFileName, h.Path("short.wav"));
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        const QString strText = h.m_dialogs.m_aMessages[0].strText;
        QCOMPARE(strText, CPoolController::LongPathsMessage(aLong));
        QVERIFY(strText.contains(strLong1) == aLong.contains(strLong1));
        QVERIFY(strText.contains(strLong2));
        QVERIFY(strText.contains(QStringLiteral("longer than 255 characters")));
    }

    void relinkKeepsTheEntrysSettings()
    {
        CAppHarness h;
        h.Add(h.Wav("old.wav"));
        CDorvane_V2View& v = h.View();
        QTest::keyClicks(v.Form().m_edSampleName, QStringLiteral("X"));
        v.Form().m_btnLoopSwitch->click();
        v.Controller().OnDeltaposRootNote(-1);
        h.Doc().SetModifiedFlag(false);
        const CWPoolObj before = h.Doc().m_aPool[0];

        h.m_dialogs.m_aFileAnswers.push_back(Q(h.Wav("new.wav", 2, 8)));
        h.Frame().m_actRelink->trigger();
        const CWPoolObj& after = h.Doc().m_aPool[0];
        QCOMPARE(after.m_strFileName, h.Path("new.wav"));
        QCOMPARE(after.m_strSampleName, before.m_strSampleName);
        QCOMPARE(after.m_bLoop, 1);
        QCOMPARE(after.m_nRootKey, before.m_nRootKey);
        QCOMPARE(v.Form().m_edFileName->text(), Q(h.Path("new.wav")));
        QCOMPARE(v.Form().m_edWavType->text(),
                 QStringLiteral("8-bit Stereo PCM, 44100 Hz, 400 Bytes"));
        QCOMPARE(RowTip(v, 0), Q(h.Path("new.wav")));
        QVERIFY(h.Doc().IsModified());

        // Without a selection there is nothing to relink.
        v.m_lbPool->SetCurSel(-1);
        h.m_dialogs.m_aFileCalls.clear();
        h.Frame().m_actRelink->trigger();
        QVERIFY(h.m_dialogs.m_aFileCalls.empty());
    }

    void aPoolFromAnotherMachineFindsItsFiles()
    {
        CAppHarness h;
        std::filesystem::create_directories(h.Path("moved/drums"));
        h.Wav("moved/drums/snare.wav");
        h.Wav("moved/kick.wav", 2);
        const std::string strPool = h.Path("moved/set.dvn");
        WritePool(strPool, {"drums\\snare.wav", "C:\\Users\\Ann\\Kit\\kick.wav"});

        h.m_dialogs.m_aFileAnswers.push_back(Q(strPool));
        h.Frame().m_actFileOpen->trigger();
        ProcessEvents();
        CDorvane_V2View& v = h.View();
        QVERIFY(h.m_dialogs.m_aMessages.empty());
        QCOMPARE(RowTip(v, 0), Q(h.Path("moved/drums/snare.wav")));
        QCOMPARE(RowTip(v, 1), Q(h.Path("moved/kick.wav")));
        QVERIFY(v.Controller().m_aWavInfo[0].bValid && v.Controller().m_aWavInfo[1].bValid);
        v.m_lbPool->SetCurSel(1);
        v.Controller().OnSelchangePoolList();
        QCOMPARE(v.Form().m_edFileName->text(), Q(h.Path("moved/kick.wav")));

        // Make File reads the files where they were found.
        h.m_dialogs.m_aFileAnswers.push_back(Q(h.Path("out.krz")));
        v.m_btnMakeFile->click();
        QVERIFY(h.m_dialogs.m_aMessages.empty());
        QVERIFY(h.Frame().StatusText().startsWith(QStringLiteral("Wrote out.krz: 2 samples, ")));

        // Save keeps the paths as they were stored; Save As into another
        // folder gives paths that lead to the files from there.
        h.Doc().SetModifiedFlag(true);
        h.Frame().m_actFileSave->trigger();
        QCOMPARE(StoredPaths(strPool),
                 (std::vector<std::string>{"drums\\snare.wav", "C:\\Users\\Ann\\Kit\\kick.wav"}));
        std::filesystem::create_directories(h.Path("elsewhere"));
        h.m_dialogs.m_aFileAnswers.push_back(Q(h.Path("elsewhere/copy.dvn")));
        h.Frame().m_actFileSaveAs->trigger();
        QCOMPARE(
            StoredPaths(h.Path("elsewhere/copy.dvn")),
            (std::vector<std::string>{h.Path("moved/drums/snare.wav"), h.Path("moved/kick.wav")}));
        QCOMPARE(RowTip(v, 1), Q(h.Path("moved/kick.wav")));
    }

    // One missing file gives the same kind of message as several: one list
    // after the other messages; its Type line says it is not found.
    void missingFilesGiveOneList_data()
    {
        QTest::addColumn<QStringList>("aMissing");
        QTest::addColumn<QString>("strHead");
        QTest::newRow("one") << QStringList{"/gone/one.wav"}
                             << QStringLiteral(
                                    "1 file of the pool was not found:\n\n/gone/one.wav\n\n"
                                    "Its entry stays");
        QTest::newRow("two") << QStringList{"/gone/one.wav", "C:\\gone\\two.wav"}
                             << QStringLiteral("2 files of the pool were not found:\n\n"
                                               "/gone/one.wav\nC:\\gone\\two.wav\n\nTheir entries");
    }
    void missingFilesGiveOneList()
    {
        QFETCH(QStringList, aMissing);
        QFETCH(QString, strHead);
        CAppHarness h;
        std::vector<std::string> aStored{h.Wav("here.wav"), h.Wav("deep.wav", 1, 24)};
        for (const QString& strPath : aMissing)
            aStored.push_back(strPath.toStdString());
        const std::string strPool = h.Path("set.dvn");
        WritePool(strPool, aStored);
        h.m_dialogs.m_aFileAnswers.push_back(Q(strPool));
        h.Frame().m_actFileOpen->trigger();
        ProcessEvents();
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(2));
        QVERIFY(h.m_dialogs.m_aMessages[0].strText.contains(QStringLiteral("24-bit")));
        QVERIFY2(h.m_dialogs.m_aMessages[1].strText.startsWith(strHead),
                 qPrintable(h.m_dialogs.m_aMessages[1].strText));
        QCOMPARE(h.m_dialogs.m_aMessages[1].strCaption, QStringLiteral("Dorvane Info"));

        CDorvane_V2View& v = h.View();
        const QString aTypes[] = {QStringLiteral("16-bit Mono PCM, 44100 Hz, 400 Bytes"),
                                  QStringLiteral("UNSUPPORTED FILETYPE !!!"),
                                  QStringLiteral("File not found")};
        for (int i = 0; i < h.Doc().m_nCount; ++i)
        {
            v.m_lbPool->SetCurSel(i);
            v.Controller().OnSelchangePoolList();
            QCOMPARE(v.Form().m_edWavType->text(), aTypes[std::min(i, 2)]);
        }
    }

    void severalMissingFilesShareOneMessage()
    {
        CAppHarness h;
        const std::string strPool = h.Path("set.dvn");
        WritePool(strPool, {h.Wav("here.wav"), "/gone/one.wav", "C:\\gone\\two.wav",
                            h.Wav("deep.wav", 1, 24)});
        h.m_dialogs.m_aFileAnswers.push_back(Q(strPool));
        h.Frame().m_actFileOpen->trigger();
        ProcessEvents();
        // The unsupported file keeps its own message; the missing ones are
        // named together after it.
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(2));
        QVERIFY(h.m_dialogs.m_aMessages[0].strText.contains(QStringLiteral("24-bit")));
        const QString strList = h.m_dialogs.m_aMessages[1].strText;
        QVERIFY(strList.startsWith(QStringLiteral(
            "2 files of the pool were not found:\n\n/gone/one.wav\nC:\\gone\\two.wav\n")));
        QCOMPARE(h.m_dialogs.m_aMessages[1].strCaption, QStringLiteral("Dorvane Info"));
        QCOMPARE(h.View().m_lbPool->count(), 4);
        QVERIFY(!h.View().Controller().m_aWavInfo[1].bValid &&
                !h.View().Controller().m_aWavInfo[2].bValid);
        QVERIFY(h.View().Controller().m_aWavInfo[0].bValid);
    }
};

QTEST_MAIN(FilesTest)
#include "files_test.moc"
