// Groups of pool entries in the window: several selected lines, the Set
// Group Names command, and the group line of the current entry.
#include "CGroupNamesDlg.h"
#include "DialogUnits.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace uitest;

namespace
{
// Adds one WAV file per root key, each keymap named "Piano".
void AddPiano(CAppHarness& h, const std::vector<int>& anRootKeys)
{
    for (std::size_t i = 0; i < anRootKeys.size(); ++i)
        h.Add(h.Wav("p" + std::to_string(i) + ".wav"));
    for (std::size_t i = 0; i < anRootKeys.size(); ++i)
    {
        h.Doc().m_aPool[i].m_strKeymapName = "Piano";
        h.Doc().m_aPool[i].m_nRootKey = anRootKeys[i];
    }
}

void Select(CDorvane_V2View& v, const std::vector<int>& anLines)
{
    v.m_lbPool->SetCurrentRow(anLines.front(), QItemSelectionModel::ClearAndSelect);
    for (std::size_t i = 1; i < anLines.size(); ++i)
        v.m_lbPool->SetCurrentRow(anLines[i], QItemSelectionModel::Select);
}
} // namespace

class GroupsTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setFont(DialogFont()); }

    void setGroupNamesOnEverySelectedEntry()
    {
        CAppHarness h;
        for (const char* sz : {"a.wav", "b.wav", "c.wav"})
            h.Add(h.Wav(sz));
        h.Doc().m_aPool[2].m_strKeymapName = "Old keymap";
        CDorvane_V2View& v = h.View();
        Select(v, {0, 2});
        QCOMPARE(v.m_lbPool->GetSelectedLines(), (std::vector<int>{0, 2}));
        QCOMPARE(v.m_lbPool->GetCurSel(), 2); // the form shows the current line
        h.Doc().SetModifiedFlag(false);

        QString strProposed;
        h.m_dialogs.m_fnDialog = [&](QDialog& base)
        {
            auto& dlg = static_cast<CGroupNamesDlg&>(base);
            strProposed = dlg.m_edKeymapName->text();
            dlg.m_edKeymapName->setText(QStringLiteral("Grand"));
            dlg.m_edProgramName->setText(QStringLiteral("Grand Piano"));
            dlg.m_btnOK->click();
        };
        h.Frame().m_actSetGroupNames->trigger();
        h.m_dialogs.m_fnDialog = nullptr;

        QCOMPARE(strProposed, QStringLiteral("Old keymap"));
        for (const int n : {0, 2})
        {
            QCOMPARE(h.Doc().m_aPool[n].m_strKeymapName, std::string("Grand"));
            QCOMPARE(h.Doc().m_aPool[n].m_strProgramName, std::string("Grand Piano"));
        }
        QCOMPARE(h.Doc().m_aPool[1].m_strKeymapName, std::string());
        QVERIFY(h.Doc().IsModified());
        QCOMPARE(v.Form().m_edKeymapName->text(), QStringLiteral("Grand"));
        QCOMPARE(v.Form().m_edProgramName->text(), QStringLiteral("Grand Piano"));
    }

    void cancelChangesNothing()
    {
        CAppHarness h;
        for (const char* sz : {"a.wav", "b.wav"})
            h.Add(h.Wav(sz));
        CDorvane_V2View& v = h.View();
        Select(v, {0, 1});
        h.Doc().SetModifiedFlag(false);
        h.m_dialogs.m_fnDialog = [](QDialog& base)
        {
            auto& dlg = static_cast<CGroupNamesDlg&>(base);
            dlg.m_edKeymapName->setText(QStringLiteral("X"));
            dlg.m_btnCancel->click();
        };
        h.Frame().m_actSetGroupNames->trigger();
        h.m_dialogs.m_fnDialog = nullptr;
        QCOMPARE(h.m_dialogs.m_aDialogTitles.size(), qsizetype(1));
        QCOMPARE(h.Doc().m_aPool[0].m_strKeymapName, std::string());
        QVERIFY(!h.Doc().IsModified());
    }

    void ctrlClickKeepsTheLastSelectedLine()
    {
        CAppHarness h;
        for (const char* sz : {"a.wav", "b.wav"})
            h.Add(h.Wav(sz));
        CDorvane_V2View& v = h.View();
        Select(v, {1});
        const QRect rect = v.m_lbPool->RowRect(1);
        QTest::mouseClick(v.m_lbPool->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          rect.center());
        QCOMPARE(v.m_lbPool->GetSelectedLines(), (std::vector<int>{1}));
        const QRect rect0 = v.m_lbPool->RowRect(0);
        QTest::mouseClick(v.m_lbPool->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          rect0.center());
        QCOMPARE(v.m_lbPool->GetSelectedLines(), (std::vector<int>{0, 1}));
        QCOMPARE(v.m_lbPool->GetCurSel(), 0);
    }

    void groupLineOnlyWithTheOption()
    {
        CAppHarness h;
        AddPiano(h, {24, 36, 48});
        CDorvane_V2View& v = h.View();
        Select(v, {0});
        QVERIFY(v.Form().m_edGroupKeys->isHidden());

        v.Controller().m_options.SetValue("multisample", 1);
        v.Controller().UpdateGroupKeys();
        QVERIFY(!v.Form().m_edGroupKeys->isHidden());
        QCOMPARE(v.Form().m_edGroupKeys->text(),
                 QStringLiteral("Keys: C 0-F#2 (3 samples in group)"));
        Select(v, {1});
        QCOMPARE(v.Form().m_edGroupKeys->text(),
                 QStringLiteral("Keys: G 2-F#3 (3 samples in group)"));
        Select(v, {2});
        QCOMPARE(v.Form().m_edGroupKeys->text(),
                 QStringLiteral("Keys: G 3-G 10 (3 samples in group)"));

        // The root key's arrows move the range at once.
        v.Controller().OnDeltaposRootOctave(+1); // down an octave: 36, the same as entry 1
        QCOMPARE(v.Form().m_edGroupKeys->text(),
                 QStringLiteral("Keys: none, root key shared (3 samples in group)"));

        v.Controller().m_options.SetValue("multisample", 0);
        v.Controller().UpdateGroupKeys();
        QVERIFY(v.Form().m_edGroupKeys->isHidden());
    }

    void groupLineTexts_data()
    {
        QTest::addColumn<int>("nEntry");
        QTest::addColumn<QString>("strText");
        QTest::newRow("alone") << 3 << QStringLiteral("Keys: C 0-G 10 (1 sample in group)");
        QTest::newRow("keymap disabled") << 4 << QStringLiteral("Keys: none (keymap disabled)");
        QTest::newRow("file not usable") << 5 << QStringLiteral("Keys: none (file not usable)");
        QTest::newRow("two") << 0 << QStringLiteral("Keys: C 0-C 4 (2 samples in group)");
    }

    void groupLineTexts()
    {
        QFETCH(int, nEntry);
        QFETCH(QString, strText);
        CDorvane_V2Doc doc;
        WavInfoArray aWavInfo{};
        const struct
        {
            const char* szKeymap;
            int nRootKey;
            bool bKeymap;
            bool bValid;
        } aEntries[] = {{"Piano", 36, true, true},  {"Organ", 50, true, true},
                        {"Piano", 60, true, true},  {"Solo", 60, true, true},
                        {"Piano", 40, false, true}, {"Piano", 40, true, false}};
        for (const auto& e : aEntries)
        {
            const int n = doc.m_nCount++;
            doc.m_aPool[n].m_strKeymapName = e.szKeymap;
            doc.m_aPool[n].m_nRootKey = e.nRootKey;
            doc.m_aPool[n].m_bKeymapEnable = e.bKeymap;
            aWavInfo[n].bValid = e.bValid;
            aWavInfo[n].nChannels = 1;
        }
        QCOMPARE(CPoolTableModel::GroupKeysText(doc, aWavInfo, nEntry), strText);
    }
};

QTEST_MAIN(GroupsTest)
#include "groups_test.moc"
