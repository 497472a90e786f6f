// Instrument files in the window: File > Open (or a drop) puts an instrument's zones
// into the pool (one row each, with their key and velocity ranges), the
// fields a pool cannot hold are read-only, Make File writes what
// dorvane-cli makes of the file, a pool mixing zones and files is refused
// at Make File, and Save keeps what a pool file can hold after asking.
#include "CDorvane_V2Doc.h"
#include "CTextLimitValidator.h"
#include "InstrumentCommand.h"
#include "UiTestSupport.h"

#include "../cli/CliRun.h"

#include <QAction>
#include <QDropEvent>
#include <QMimeData>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

using namespace uitest;

namespace
{

// Two velocity layers over two key ranges: "lo" 1-63, "hi" 64-127.
std::string WriteTwoLayers(CAppHarness& h)
{
    h.Wav("c3_lo.wav", 1, 16, 44100, 800);
    h.Wav("c4_lo.wav", 1, 16, 44100, 600);
    h.Wav("c3_hi.wav", 2, 16, 44100, 1200);
    h.Wav("c4_hi.wav", 1, 16, 22050, 400);
    const std::string strSfz = h.Path("Grand Piano.sfz");
    const std::string str = "<group> lovel=1 hivel=63 volume=-3\n"
                            "<region> sample=c3_lo.wav lokey=c3 hikey=b3 pitch_keycenter=c3\n"
                            "<region> sample=c4_lo.wav lokey=c4 hikey=c6 pitch_keycenter=c4 "
                            "tune=7\n"
                            "<group> lovel=64 hivel=127\n"
                            "<region> sample=c3_hi.wav lokey=c3 hikey=b3 pitch_keycenter=c3\n"
                            "<region> sample=c4_hi.wav lokey=c4 hikey=c6 pitch_keycenter=c4 "
                            "loop_mode=loop_continuous loop_start=10 loop_end=150\n";
    test::WriteFileBytes(strSfz, test::Bytes(str.begin(), str.end()));
    return strSfz;
}

void Open(CAppHarness& h, const std::string& strPath)
{
    h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(strPath));
    h.Frame().m_actFileOpen->trigger();
    ProcessEvents();
}

void Select(CAppHarness& h, int nRow)
{
    h.View().m_lbPool->SetCurSel(nRow);
    h.Controller().OnSelchangePoolList();
}

bool Contains(const test::Bytes& ab, const std::string& str)
{
    return std::search(ab.begin(), ab.end(), str.begin(), str.end()) != ab.end();
}

// Drags aUrls over the view and drops them; returns whether the drag was
// accepted.
bool Drop(CAppHarness& h, const QList<QUrl>& aUrls)
{
    QMimeData mime;
    mime.setUrls(aUrls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h.View().viewport(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h.View().viewport(), &drop);
    ProcessEvents();
    return enter.isAccepted();
}

} // namespace

class InstrumentTest : public QObject
{
    Q_OBJECT
  private slots:
    void openShowsOneRowPerZoneAndMakesWhatTheCommandLineMakes()
    {
        CAppHarness h;
        const std::string strSfz = WriteTwoLayers(h);
        Open(h, strSfz);
        QCOMPARE(h.m_dialogs.m_aFileCalls.back().aFilters.back().strPattern,
                 "*.sfz *.dspreset *.sf2");
        QVERIFY(h.m_dialogs.m_aMessages.empty());
        QCOMPARE(h.Doc().m_nCount, 4);
        QVERIFY(h.Doc().GetPathName().empty());
        QVERIFY(!h.Doc().IsModified());
        QVERIFY(h.Frame().windowTitle().contains("Grand Piano.sfz"));
        struct Row
        {
            const char* szSample;
            const char* szKeys;
            const char* szVelocity;
            const char* szLoop;
        };
        const Row aRows[] = {{"c3_lo", "C 3-B 3", "1-63", "Off"},
                             {"c4_lo", "C 4-C 6", "1-63", "Off"},
                             {"c3_hi", "C 3-B 3", "64-127", "Off"},
                             {"c4_hi", "C 4-C 6", "64-127", "On"}};
        for (int i = 0; i < 4; ++i)
        {
            QCOMPARE(RowText(h.View(), i), QString::fromLatin1(aRows[i].szSample) + ".wav");
            QCOMPARE(RowText(h.View(), i, CPoolTableModel::kColSample), aRows[i].szSample);
            QCOMPARE(RowText(h.View(), i, CPoolTableModel::kColKeymap), "Grand Piano");
            QCOMPARE(RowText(h.View(), i, CPoolTableModel::kColProgram), "Grand Piano");
            QCOMPARE(RowText(h.View(), i, CPoolTableModel::kColKeys), aRows[i].szKeys);
            QCOMPARE(RowText(h.View(), i, CPoolTableModel::kColVelocity), aRows[i].szVelocity);
            QCOMPARE(RowText(h.View(), i, CPoolTableModel::kColLoop), aRows[i].szLoop);
        }
        QCOMPARE(RowText(h.View(), 0, CPoolTableModel::kColRootKey), "C 3");

        // Make File writes the bytes dorvane-cli makes of the file.
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(h.Path("WIN.KRZ")));
        h.Frame().m_actMakeFile->trigger();
        QVERIFY(h.m_dialogs.m_aMessages.empty());
        QVERIFY(h.Frame().StatusText().startsWith("Wrote "));
        const test::CliResult cli =
            test::RunCli(h.m_dir.Path(), "make -o CLI.KRZ 'Grand Piano.sfz'");
        QCOMPARE(cli.nStatus, 0);
        const test::Bytes abWindow = test::ReadFileBytes(h.Path("WIN.KRZ"));
        QVERIFY(abWindow.size() > 32);
        QVERIFY(abWindow == test::ReadFileBytes(h.Path("CLI.KRZ")));

        // A new name for the instrument, typed into one entry's keymap
        // field, names the whole instrument.
        Select(h, 2);
        CTextLimitValidator::SetText(h.Form().m_edKeymapName, QStringLiteral("Upright"));
        emit h.Form().KeymapNameEdited();
        for (int i = 0; i < 4; ++i)
        {
            QCOMPARE(RowText(h.View(), i, CPoolTableModel::kColKeymap), "Upright");
            QCOMPARE(RowText(h.View(), i, CPoolTableModel::kColProgram), "Upright");
        }
        QCOMPARE(h.Form().m_edProgramName->text(), "Upright");
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(h.Path("WIN.KRZ")));
        h.Frame().m_actMakeFile->trigger();
        const test::Bytes abRenamed = test::ReadFileBytes(h.Path("WIN.KRZ"));
        QVERIFY(Contains(abRenamed, "Upright"));
        QVERIFY(!Contains(abRenamed, "Grand Piano"));
    }

    void fieldsThePoolCannotHoldAreReadOnly()
    {
        CAppHarness h;
        Open(h, WriteTwoLayers(h));
        CEntryForm& form = h.Form();
        // A zone without loop points, then one with them, then a file.
        Select(h, 1);
        QVERIFY(form.m_edProgramName->isReadOnly());
        QVERIFY(!form.m_edKeymapName->isReadOnly());
        QVERIFY(!form.m_edSampleName->isReadOnly());
        QVERIFY(!form.m_btnKeymapEnable->isEnabled());
        QVERIFY(!form.m_btnProgramEnable->isEnabled());
        QVERIFY(!form.m_btnLoopSwitch->isEnabled());
        QVERIFY(!form.m_edGroupKeys->isHidden());
        QCOMPARE(form.m_edGroupKeys->text(), "Keys C 4-C 6, velocity 1-63, tuning +7.0 cents, "
                                             "gain -3.0 dB");
        Select(h, 3);
        QVERIFY(form.m_btnLoopSwitch->isEnabled());
        QCOMPARE(form.m_edGroupKeys->text(), "Keys C 4-C 6, velocity 64-127, loop 10-150");

        // After a Make File (busy on the way) the zone's fields stay as
        // they were.
        Select(h, 1);
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(h.Path("OUT.KRZ")));
        h.Frame().m_actMakeFile->trigger();
        QVERIFY(!form.m_btnLoopSwitch->isEnabled());
        QVERIFY(!form.m_btnKeymapEnable->isEnabled());

        // A new pool gives every field back.
        h.Frame().m_actFileNew->trigger();
        ProcessEvents();
        h.Add(h.Wav("plain.wav"));
        Select(h, 0);
        QVERIFY(!form.m_edProgramName->isReadOnly());
        QVERIFY(form.m_btnKeymapEnable->isEnabled());
        QVERIFY(form.m_btnLoopSwitch->isEnabled());
        QVERIFY(form.m_edGroupKeys->isHidden());
        QCOMPARE(h.View().m_lbPool->model()->columnCount(), int(CPoolTableModel::kColKeys));
    }

    void aRefusedFileLeavesThePoolAndMixingIsRefusedAtMakeFile()
    {
        CAppHarness h;
        h.Add(h.Wav("plain.wav"));
        h.Doc().SetModifiedFlag(false);
        Open(h, h.Path("gone.sfz"));
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QVERIFY(h.m_dialogs.m_aMessages[0].strText.contains("gone.sfz"));
        QCOMPARE(h.Doc().m_nCount, 1);
        QCOMPARE(RowText(h.View(), 0), "plain.wav");

        Open(h, WriteTwoLayers(h));
        h.Add(h.Wav("extra.wav"));
        QCOMPARE(h.Doc().m_nCount, 5);
        h.m_dialogs.m_aMessages.clear();
        const std::size_t nCalls = h.m_dialogs.m_aFileCalls.size();
        h.Frame().m_actMakeFile->trigger();
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(h.m_dialogs.m_aMessages[0].strText, kInstrumentMixMessage);
        QCOMPARE(h.m_dialogs.m_aFileCalls.size(), nCalls); // no KRZ file asked for
    }

    void aDroppedInstrumentFileOpensAsFileOpenOpensIt()
    {
        CAppHarness h;
        const QUrl sfz = QUrl::fromLocalFile(QString::fromStdString(WriteTwoLayers(h)));
        h.Add(h.Wav("plain.wav"));
        // Cancel at "save changes?" keeps the pool as it was.
        h.m_dialogs.m_aYesNoAnswers.push_back(YesNoCancel::Cancel);
        QVERIFY(Drop(h, {sfz}));
        QCOMPARE(h.m_dialogs.m_aQuestions.size(), qsizetype(1));
        QCOMPARE(h.Doc().m_nCount, 1);
        h.m_dialogs.m_aYesNoAnswers.push_back(YesNoCancel::No);
        QVERIFY(Drop(h, {sfz}));
        QCOMPARE(h.Doc().m_nCount, 4);
        QVERIFY(h.Frame().windowTitle().contains("Grand Piano.sfz"));
        // With other files, or as a file that is not there, it is no
        // instrument drop: the audio files are added as before.
        QVERIFY(!Drop(h, {QUrl::fromLocalFile(QString::fromStdString(h.Path("gone.sfz")))}));
        QVERIFY(Drop(h, {sfz, QUrl::fromLocalFile(QString::fromStdString(h.Wav("more.wav")))}));
        QCOMPARE(h.Doc().m_nCount, 5);
        QCOMPARE(RowText(h.View(), 4), "more.wav");
    }

    void saveAsksAndKeepsWhatAPoolFileCanHold()
    {
        CAppHarness h;
        Open(h, WriteTwoLayers(h));
        const std::string strPool = h.Path("piano.dvn");
        // No: nothing is asked further, nothing written.
        h.m_dialogs.m_aYesNoAnswers.push_back(YesNoCancel::No);
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(strPool));
        const std::size_t nCalls = h.m_dialogs.m_aFileCalls.size();
        QVERIFY(!h.App().OnFileSaveAs());
        QCOMPARE(h.m_dialogs.m_aQuestions.size(), qsizetype(1));
        QVERIFY(h.m_dialogs.m_aQuestions[0].contains("key and velocity ranges"));
        QCOMPARE(h.m_dialogs.m_aFileCalls.size(), nCalls);
        QVERIFY(!std::filesystem::exists(strPool));

        h.m_dialogs.m_aYesNoAnswers.push_back(YesNoCancel::Yes);
        QVERIFY(h.App().OnFileSaveAs());
        CDorvane_V2Doc saved;
        QVERIFY(saved.OnOpenDocument(strPool).IsOk());
        QCOMPARE(saved.m_nCount, 4);
        QCOMPARE(saved.m_aPool[3].m_strFileName, h.Path("c4_hi.wav"));
        QCOMPARE(saved.m_aPool[3].m_strKeymapName, "Grand Piano");
        QCOMPARE(saved.m_aPool[3].m_bLoop, 1);
        QVERIFY(!saved.m_aPool[3].m_pZone);
        // The window keeps the zones under the pool file's name.
        QCOMPARE(h.Doc().GetPathName(), strPool);
        QVERIFY(h.Doc().m_aPool[0].m_pZone);
        QVERIFY(!h.Doc().IsModified());
    }
};

QTEST_MAIN(InstrumentTest)
#include "instrument_test.moc"
