// The pool table's model on its own, and the pool controller's commands on
// a document with the dialogs' answers given beforehand: the table follows
// every change the commands make.
#include "AudioInput.h"
#include "CGroupNamesDlg.h"
#include "CSettingsDlg.h"
#include "DialogUnits.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace uitest;

namespace
{
QString Q(const std::string& str)
{
    return QString::fromStdString(str);
}

QString Cell(const QAbstractItemModel& model, int nRow, int nColumn, int nRole = Qt::DisplayRole)
{
    return model.index(nRow, nColumn).data(nRole).toString();
}

// A view of its own (no main window) over a document, with the template of
// the harness's folder loaded.
struct SLoneView
{
    explicit SLoneView(CAppHarness& h) : view(doc, h.m_dialogs)
    {
        view.Controller().SetTemplateDirs({h.m_dir.Path().string()});
        view.Controller().OnInitialUpdate(true);
        view.Controller().RunPendingRefresh();
    }
    CPoolController& Controller() { return view.Controller(); }
    CPoolTableModel& Model() { return view.Controller().Model(); }

    CDorvane_V2Doc doc;
    CDorvane_V2View view;
};
} // namespace

class ModelTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setFont(DialogFont()); }

    // Each column's text and tooltip, for a usable entry, a missing file
    // and a path written on another machine.
    void cellsShowTheEntry()
    {
        test::TempDir dir;
        CDorvane_V2Doc doc;
        WavInfoArray aWavInfo{};
        CPoolTableModel model(doc, aWavInfo);
        test::WavSpec spec;
        spec.abData = test::RampData(400);
        const std::string strWav = dir / "kick.wav";
        test::WriteFileBytes(strWav, test::MakeWav(spec));
        QCOMPARE(AddPoolEntry(doc, strWav, "kick"), 0);
        QCOMPARE(AddPoolEntry(doc, "C:\\Samples\\Gone\\snare.wav", "snare"), 1);
        doc.m_aPool[0].m_strKeymapName = "Drums";
        doc.m_aPool[0].m_strProgramName = "Kit";
        doc.m_aPool[0].m_nRootKey = 42; // F#3
        doc.m_aPool[0].m_bLoop = 1;
        QVERIFY(ReadAudioHeader(strWav, aWavInfo[0], CAudioOptions{}).IsOk());
        model.Reset();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), int(CPoolTableModel::kColKeys));

        struct Case
        {
            int nRow;
            int nColumn;
            QString strText;
            QString strTip;
        };
        const Case aCases[] = {
            {0, CPoolTableModel::kColFile, "kick.wav", Q(strWav)},
            {0, CPoolTableModel::kColSample, "kick", "kick"},
            {0, CPoolTableModel::kColKeymap, "Drums", "Drums"},
            {0, CPoolTableModel::kColProgram, "Kit", "Kit"},
            {0, CPoolTableModel::kColRootKey, "F#3", "F#3"},
            {0, CPoolTableModel::kColLoop, "On", "On"},
            {0, CPoolTableModel::kColFormat, "16-bit Mono PCM, 44100 Hz, 400 Bytes",
             "16-bit Mono PCM, 44100 Hz, 400 Bytes"},
            // Another machine's path: the name after the last backslash.
            {1, CPoolTableModel::kColFile, "snare.wav", "C:\\Samples\\Gone\\snare.wav"},
            {1, CPoolTableModel::kColRootKey, "C 4", "C 4"},
            {1, CPoolTableModel::kColLoop, "Off", "Off"},
            {1, CPoolTableModel::kColFormat, "File not found", "File not found"},
        };
        for (const Case& c : aCases)
        {
            QCOMPARE(Cell(model, c.nRow, c.nColumn), c.strText);
            QCOMPARE(Cell(model, c.nRow, c.nColumn, Qt::ToolTipRole), c.strTip);
        }
        // No Keys column while grouping is off.
        QVERIFY(!model.index(0, CPoolTableModel::kColKeys).isValid());
    }

    // The rows change only when the model is told: a table must never see
    // a count that moved behind its back.
    void rowsFollowOnlyWhatTheModelIsTold()
    {
        CDorvane_V2Doc doc;
        WavInfoArray aWavInfo{};
        CPoolTableModel model(doc, aWavInfo);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        AddPoolEntry(doc, "/a.wav", "a");
        QCOMPARE(model.rowCount(), 0);
        model.RowAdded(0);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(inserted.size(), 1);
        // A row added out of order (two entries added while one was told)
        // gives a whole new table rather than a wrong one.
        AddPoolEntry(doc, "/b.wav", "b");
        AddPoolEntry(doc, "/c.wav", "c");
        model.RowAdded(2);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(reset.size(), 1);
        doc.m_nCount = 1;
        QCOMPARE(model.rowCount(), 3);
        model.Reset();
        QCOMPARE(model.rowCount(), 1);
    }

    // With grouping on, the Keys column shows each entry's range and one
    // entry's change reaches every row's range.
    void keysColumnWhileGrouping()
    {
        CAppHarness h;
        h.Add(h.Wav("p48.wav"));
        h.Add(h.Wav("p60.wav"));
        for (const int n : {0, 1})
        {
            h.Doc().m_aPool[n].m_strKeymapName = "Piano";
            h.Doc().m_aPool[n].m_nRootKey = 48 + 12 * n;
        }
        CPoolTableModel& model = h.Controller().Model();
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        h.Controller().m_options.SetValue("multisample", 1);
        h.Controller().UpdateGroupKeys();
        QCOMPARE(model.columnCount(), int(CPoolTableModel::kColumnCount));
        QCOMPARE(model.headerData(CPoolTableModel::kColKeys, Qt::Horizontal).toString(),
                 QStringLiteral("Keys"));
        QCOMPARE(Cell(model, 0, CPoolTableModel::kColKeys),
                 QStringLiteral("C 0-F#4 (2 samples in group)"));
        QCOMPARE(Cell(model, 1, CPoolTableModel::kColKeys, Qt::ToolTipRole),
                 QStringLiteral("Keys: G 4-G 10 (2 samples in group)"));

        // The second entry's root key moves the first one's range too.
        h.View().m_lbPool->SetCurrentRow(1, QItemSelectionModel::ClearAndSelect);
        changed.clear();
        h.Controller().StepRootKeyBy(12);
        bool bFirstRowTold = false;
        for (const QList<QVariant>& args : changed)
        {
            const auto top = args[0].value<QModelIndex>();
            const auto bottom = args[1].value<QModelIndex>();
            bFirstRowTold =
                bFirstRowTold || (top.row() == 0 && top.column() <= CPoolTableModel::kColKeys &&
                                  bottom.column() >= CPoolTableModel::kColKeys);
        }
        QVERIFY(bFirstRowTold);
        QCOMPARE(Cell(model, 0, CPoolTableModel::kColKeys),
                 QStringLiteral("C 0-C 5 (2 samples in group)"));

        h.Controller().m_options.SetValue("multisample", 0);
        h.Controller().UpdateGroupKeys();
        QCOMPARE(model.columnCount(), int(CPoolTableModel::kColKeys));
    }

    // The controller's commands on a document of its own: the table shows
    // what each command left.
    void commandsKeepTheTableInStep()
    {
        CAppHarness h;
        SLoneView lone(h);
        CPoolController& c = lone.Controller();
        CPoolTableModel& model = lone.Model();
        const std::string strA = h.Wav("a.wav");
        const std::string strB = h.Wav("b.wav");
        const std::string strC = h.Wav("c.wav", 2);

        h.m_dialogs.m_aMultiFileAnswers.push_back({Q(strA), Q(strB)});
        c.OnAdd();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(lone.view.m_lbPool->GetCurSel(), 1);
        QCOMPARE(lone.view.Form().m_edFileName->text(), Q(strB));

        // Relink: the row's file and format change, its names stay.
        h.m_dialogs.m_aFileAnswers.push_back(Q(strC));
        c.OnRelink();
        QCOMPARE(Cell(model, 1, CPoolTableModel::kColFile), QStringLiteral("c.wav"));
        QCOMPARE(Cell(model, 1, CPoolTableModel::kColSample), QStringLiteral("b"));
        QVERIFY(Cell(model, 1, CPoolTableModel::kColFormat).contains(QStringLiteral("Stereo")));

        // A name typed into the form reaches the table at once.
        QTest::keyClicks(lone.view.Form().m_edKeymapName, "Pad");
        QCOMPARE(Cell(model, 1, CPoolTableModel::kColKeymap), QStringLiteral("Pad"));

        // Set Group Names on both rows.
        lone.view.m_lbPool->SetCurrentRow(0, QItemSelectionModel::Select);
        h.m_dialogs.m_fnDialog = [](QDialog& base)
        {
            auto& dlg = static_cast<CGroupNamesDlg&>(base);
            dlg.findChildren<QLineEdit*>()[0]->setText(QStringLiteral("Strings"));
            dlg.accept();
        };
        c.OnSetGroupNames();
        h.m_dialogs.m_fnDialog = nullptr;
        QCOMPARE(Cell(model, 0, CPoolTableModel::kColKeymap), QStringLiteral("Strings"));
        QCOMPARE(Cell(model, 1, CPoolTableModel::kColKeymap), QStringLiteral("Strings"));

        // Delete both: an empty table, nothing selected, the form emptied.
        c.OnDelete();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(lone.view.m_lbPool->GetCurSel(), -1);
        QCOMPARE(lone.view.Form().m_edFileName->text(), QString());
        QCOMPARE(lone.view.m_edPoolCount->text(), QStringLiteral("0"));
        QVERIFY(lone.doc.IsModified());
        QVERIFY(h.m_dialogs.m_aMessages.empty());
    }

    // Clicks on a column's cells select whole rows, and the selection can
    // grow with Ctrl but never be emptied.
    void rowsAreSelectedWhole()
    {
        CAppHarness h;
        for (const char* sz : {"a.wav", "b.wav"})
            h.Add(h.Wav(sz));
        h.Frame().show();
        ProcessEvents();
        CPoolTable& table = *h.View().m_lbPool;
        const QRect rect = table.visualRect(table.model()->index(0, CPoolTableModel::kColLoop));
        QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
        QCOMPARE(table.GetSelectedLines(), (std::vector<int>{0, 1}));
        QCOMPARE(table.GetCurSel(), 0);
        QCOMPARE(h.Form().m_edFileName->text(), Q(h.Path("a.wav")));
        QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
        QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::ControlModifier,
                          table.RowRect(1).center());
        QCOMPARE(table.GetSelectedLines(), (std::vector<int>{1}));
        // Columns are resized by the user; the last one takes the rest.
        QCOMPARE(table.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        QVERIFY(table.horizontalHeader()->stretchLastSection());
    }
};

QTEST_MAIN(ModelTest)
#include "model_test.moc"
