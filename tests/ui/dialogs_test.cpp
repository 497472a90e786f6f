// The Settings dialog with its number rules, the Split and Join dialogs and
// commands, and the helpers behind them.
#include "CKrzFileDlg.h"
#include "CProgressCtrl.h"
#include "CRecentFileList.h"
#include "CSettingsDlg.h"
#include "DialogInt.h"
#include "DialogUnits.h"
#include "FloppyImage.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace uitest;

namespace
{
// One run of the Settings dialog through the view: the size choice (0:
// leave, 1..3: click that button), the two fields' texts (null: leave),
// then OK or Cancel. Returns the messages the dialog showed.
struct SettingsRun
{
    int nClick = 0;
    std::optional<QString> strSize;
    std::optional<QString> strFirstID;
    bool bOK = true;
};

struct SettingsSeen
{
    QString strSize;
    QString strFirstID;
    int nChecked = 0; // 1..3
    bool bClosedByOK = false;
};

SettingsSeen RunSettings(CAppHarness& h, const SettingsRun& run)
{
    SettingsSeen seen;
    h.m_dialogs.m_fnDialog = [&](QDialog& base)
    {
        auto& dlg = static_cast<CSettingsDlg&>(base);
        seen.strSize = dlg.m_edCustomKB->text();
        seen.strFirstID = dlg.m_edFirstObjectID->text();
        seen.nChecked = dlg.m_rbSizeDD->isChecked()       ? 1
                        : dlg.m_rbSizeHD->isChecked()     ? 2
                        : dlg.m_rbSizeCustom->isChecked() ? 3
                                                          : 0;
        QRadioButton* aButtons[] = {dlg.m_rbSizeDD, dlg.m_rbSizeHD, dlg.m_rbSizeCustom};
        if (run.nClick > 0)
            aButtons[run.nClick - 1]->click();
        if (run.strSize)
            dlg.m_edCustomKB->setText(*run.strSize);
        if (run.strFirstID)
            dlg.m_edFirstObjectID->setText(*run.strFirstID);
        (run.bOK ? dlg.m_btnOK : dlg.m_btnCancel)->click();
        seen.bClosedByOK = !dlg.isVisible() && dlg.result() == QDialog::Accepted;
    };
    h.View().m_btnSettings->click();
    h.m_dialogs.m_fnDialog = nullptr;
    return seen;
}
} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setFont(DialogFont()); }

    void parseDialogInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "250" << true << 250;
        QTest::newRow("blanks around") << " \t250  " << true << 250;
        QTest::newRow("plus sign") << "+7" << true << 7;
        QTest::newRow("minus sign") << "-12" << true << -12;
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("zero with blanks") << "  00 " << true << 0;
        QTest::newRow("minus zero") << "-0" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blanks only") << "   " << false << 0;
        QTest::newRow("trailing letter") << "250a" << false << 0;
        QTest::newRow("inner blank") << "2 50" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("huge saturates") << "99999999999" << true << 2147483647;
        QTest::newRow("only 31 characters read")
            << (QString(28, QLatin1Char(' ')) + QStringLiteral("1234")) << true << 123;
    }

    void parseDialogInt()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int n = -999;
        QCOMPARE(ParseDialogInt(text, n), ok);
        if (ok)
            QCOMPARE(n, value);
    }

    void abbreviatePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::newRow("short") << "/home/a/pool.dvn"
                               << "/home/a/pool.dvn";
        QTest::newRow("middle left out") << "/home/someone/projects/sounds/pool.dvn"
                                         << "/home/.../sounds/pool.dvn";
        QTest::newRow("only the name fits")
            << "/verylongfoldername/another/x/averyveryverylongname.dvn"
            << "averyveryverylongname.dvn";
        QTest::newRow("name longer than the limit")
            << "/a/b/a-pool-file-name-longer-than-thirty.dvn"
            << "a-pool-file-name-longer-than-thirty.dvn";
    }

    void abbreviatePath()
    {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        QCOMPARE(AbbreviatePath(path, 30), shown);
    }

    void settingsChoicesAndRefusals()
    {
        CAppHarness h;
        CDorvane_V2View& v = h.View();

        SettingsSeen seen = RunSettings(h, {0, {}, {}, false});
        QCOMPARE(seen.strFirstID, QStringLiteral("200"));
        QCOMPARE(seen.strSize, QStringLiteral("1400"));
        QCOMPARE(seen.nChecked, 2);

        // Floppy DD: 700 units; reopened it shows 700 and DD.
        QVERIFY(RunSettings(h, {1, {}, {}, true}).bClosedByOK);
        QCOMPARE(v.Controller().m_nMaxSplitKB, 700);
        seen = RunSettings(h, {0, {}, {}, false});
        QCOMPARE(seen.strSize, QStringLiteral("700"));
        QCOMPARE(seen.nChecked, 1);

        // "--->" with 2000.
        QVERIFY(RunSettings(h, {3, QStringLiteral("2000"), {}, true}).bClosedByOK);
        QCOMPARE(v.Controller().m_nMaxSplitKB, 2000);
        QCOMPARE(RunSettings(h, {0, {}, {}, false}).nChecked, 3);

        // Typing 700 with "--->" shows as the DD button next time.
        QVERIFY(RunSettings(h, {3, QStringLiteral("700"), {}, true}).bClosedByOK);
        QCOMPARE(v.Controller().m_nMaxSplitKB, 700);
        QCOMPARE(RunSettings(h, {0, {}, {}, false}).nChecked, 1);

        // Clicking HD then Cancel changes nothing.
        RunSettings(h, {2, {}, {}, false});
        QCOMPARE(v.Controller().m_nMaxSplitKB, 700);

        // First object ID limits.
        for (const char* szBad : {"199", "901"})
        {
            h.m_dialogs.m_aMessages.clear();
            QVERIFY(!RunSettings(h, {0, {}, QString::fromLatin1(szBad), true}).bClosedByOK);
            QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
            QCOMPARE(h.m_dialogs.m_aMessages[0].strText,
                     QStringLiteral("Please enter an integer between 200 and 900."));
            QCOMPARE(h.m_dialogs.m_aMessages[0].icon, MessageIcon::Exclamation);
            QCOMPARE(v.Controller().m_nFirstObjectID, 200);
        }
        for (const char* szGood : {"200", "900"})
        {
            QVERIFY(RunSettings(h, {0, {}, QString::fromLatin1(szGood), true}).bClosedByOK);
            QCOMPARE(v.Controller().m_nFirstObjectID, QString::fromLatin1(szGood).toInt());
        }

        // The size field is read even when a floppy button is chosen.
        h.m_dialogs.m_aMessages.clear();
        QVERIFY(!RunSettings(h, {2, QString(), {}, true}).bClosedByOK);
        QCOMPARE(h.m_dialogs.m_aMessages[0].strText, QStringLiteral("Please enter an integer."));

        // Both fields wrong: only the size field's message.
        h.m_dialogs.m_aMessages.clear();
        QVERIFY(!RunSettings(h, {3, QStringLiteral("0"), QStringLiteral("5"), true}).bClosedByOK);
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(h.m_dialogs.m_aMessages[0].strText,
                 QStringLiteral("Please enter an integer between 1 and 650000."));

        // Blanks around a number are fine; a letter after it is not.
        QVERIFY(RunSettings(h, {3, QStringLiteral("  250 "), {}, true}).bClosedByOK);
        QCOMPARE(v.Controller().m_nMaxSplitKB, 250);
        QVERIFY(!RunSettings(h, {3, QStringLiteral("250k"), {}, true}).bClosedByOK);
        QCOMPARE(v.Controller().m_nMaxSplitKB, 250);
    }

    void settingsRefusalSelectsTheField()
    {
        CAppHarness h;
        bool bStillOpen = false;
        QWidget* pFocus = nullptr;
        QString strSelected;
        h.m_dialogs.m_fnDialog = [&](QDialog& base)
        {
            auto& dlg = static_cast<CSettingsDlg&>(base);
            dlg.m_edFirstObjectID->setText(QStringLiteral("12x"));
            dlg.m_btnOK->click();
            bStillOpen = dlg.isVisible();
            pFocus = dlg.focusWidget();
            strSelected = dlg.m_edFirstObjectID->selectedText();
            QCOMPARE(pFocus, static_cast<QWidget*>(dlg.m_edFirstObjectID));
        };
        h.View().m_btnSettings->click();
        QVERIFY(bStillOpen);
        QCOMPARE(strSelected, QStringLiteral("12x"));
    }

    void theSplitDialogHoldsOneHundredCharacters()
    {
        CFakeDialogs dialogs;
        CSplitDlg dlg(dialogs);
        dlg.show();
        QTest::keyClicks(dlg.m_edSource, QString(105, QLatin1Char('s')));
        QCOMPARE(dlg.m_edSource->text().size(), 100);

        // A longer path put there by Browse stays whole but cannot pass.
        const QString strLong = QStringLiteral("/") + QString(120, QLatin1Char('d'));
        dialogs.m_aFileAnswers = {strLong};
        dlg.m_btnBrowseDest->click();
        QCOMPARE(dlg.m_edDest->text(), strLong);
        QCOMPARE(dialogs.m_aFileCalls.back().strTitle, QStringLiteral("Select a Krz-File"));
        QVERIFY(dialogs.m_aFileCalls.back().bSave);
        dlg.m_btnOK->click();
        QVERIFY(dlg.isVisible());
        QCOMPARE(dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(dialogs.m_aMessages[0].strText,
                 QStringLiteral("Please enter no more than 100 characters."));
        QCOMPARE(dlg.focusWidget(), static_cast<QWidget*>(dlg.m_edDest));
        QCOMPARE(dlg.m_edDest->selectedText(), strLong);

        // Browse refills both fields from the members: the typed source
        // text is replaced by its stored (empty) value.
        dialogs.m_aFileAnswers = {QStringLiteral("/k/piano.krz")};
        dlg.m_btnBrowseDest->click();
        QCOMPARE(dlg.m_edSource->text(), QString());
        dlg.m_btnOK->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_strDest, QStringLiteral("/k/piano.krz"));
    }

    // Return on a button that has the focus presses that button, not the
    // dialog's default one: Cancel cancels, Browse browses.
    void returnPressesTheFocusedButton()
    {
        CFakeDialogs dialogs;
        CSplitDlg split(dialogs);
        CJoinDlg join(dialogs);
        CSettingsDlg settings(dialogs);
        struct Case
        {
            QDialog* pDlg;
            QPushButton* pButton;
            int nBrowseCalls; // file dialogs the key opens
            bool bCloses;
        };
        const Case aCases[] = {
            {&split, split.m_btnCancel, 0, true},      {&split, split.m_btnBrowseSource, 1, false},
            {&split, split.m_btnBrowseDest, 1, false}, {&join, join.m_btnCancel, 0, true},
            {&join, join.m_btnBrowseDest, 1, false},   {&settings, settings.m_btnCancel, 0, true},
        };
        for (const Case& c : aCases)
        {
            dialogs.m_aFileCalls.clear();
            dialogs.m_aFileAnswers = {QString()}; // the file dialog is cancelled
            c.pDlg->show();
            c.pButton->setFocus();
            QTest::keyClick(c.pButton, Qt::Key_Return);
            QCOMPARE(dialogs.m_aFileCalls.size(), size_t(c.nBrowseCalls));
            QCOMPARE(c.pDlg->isVisible(), !c.bCloses);
            if (c.bCloses)
                QCOMPARE(c.pDlg->result(), int(QDialog::Rejected));
            QVERIFY(dialogs.m_aMessages.empty());
            c.pDlg->hide();
        }
    }

    void theJoinDialogHasNoLimit()
    {
        CFakeDialogs dialogs;
        CJoinDlg dlg(dialogs);
        dlg.show();
        QTest::keyClicks(dlg.m_edSource, QString(150, QLatin1Char('j')));
        dlg.m_btnOK->click();
        QVERIFY(dialogs.m_aMessages.empty());
        QCOMPARE(dlg.m_strSource.size(), 150);
    }

    void splitWithAnEmptyDestinationNamesThePartsAfterTheSource()
    {
        CAppHarness h;
        CDorvane_V2View& v = h.View();
        test::Bytes ab(3000);
        for (std::size_t i = 0; i < ab.size(); ++i)
            ab[i] = static_cast<std::uint8_t>(i);
        ab[5] = 0; // a sample-data offset of 32 in the header
        ab[6] = 0;
        ab[7] = 32;
        test::WriteFileBytes(h.Path("PIANO.KRZ"), ab);
        v.Controller().m_nMaxSplitKB = 1;
        test::CRecordingFeedback rec;
        v.SetFeedback(&rec);
        h.m_dialogs.m_fnDialog = [&](QDialog& base)
        {
            auto& dlg = static_cast<CKrzFileDlg&>(base);
            dlg.m_edSource->setText(QString::fromStdString(h.Path("PIANO.KRZ")));
            dlg.m_btnOK->click();
        };
        h.Frame().m_actToolsSplit->trigger();
        QCOMPARE(h.m_dialogs.m_aDialogTitles, QStringList{"Split Existing Krz-File"});
        QVERIFY(test::FileExists(h.Path("PIANO.KRZ01")));
        QVERIFY(test::FileExists(h.Path("PIANO.KRZ03")));
        QCOMPARE(rec.m_aStatus.front(), std::string("Splitting PIANO.KRZ..."));
        QCOMPARE(rec.m_aStatus.back(), std::string("Ready"));
    }

    void splitWithBothFieldsEmptyOnlyShowsItsTexts()
    {
        CAppHarness h;
        test::CRecordingFeedback rec;
        h.View().SetFeedback(&rec);
        h.m_dialogs.m_fnDialog = [](QDialog& base)
        { static_cast<CKrzFileDlg&>(base).m_btnOK->click(); };
        h.Frame().m_actToolsSplit->trigger();
        QCOMPARE(rec.m_aStatus, (std::vector<std::string>{"Splitting...", "Ready"}));
        QVERIFY(rec.m_aMessages.empty());
    }

    void cancelledToolsDialogsChangeNothing()
    {
        CAppHarness h;
        test::CRecordingFeedback rec;
        h.View().SetFeedback(&rec);
        h.Frame().m_actToolsSplit->trigger();
        h.Frame().m_actToolsJoin->trigger();
        QVERIFY(rec.m_aStatus.empty());
        QVERIFY(rec.m_aPositions.empty());
    }

    void joinWithAnEmptyDestinationAppendsJ()
    {
        CAppHarness h;
        CDorvane_V2View& v = h.View();
        // Two parts made by the split, joined back.
        test::Bytes ab(2500, 0x11);
        ab[5] = 0;
        ab[6] = 0;
        ab[7] = 32;
        test::WriteFileBytes(h.Path("S.KRZ"), ab);
        v.Controller().m_nMaxSplitKB = 1;
        h.m_dialogs.m_fnDialog = [&](QDialog& base)
        {
            auto& dlg = static_cast<CKrzFileDlg&>(base);
            dlg.m_edSource->setText(QString::fromStdString(h.Path("S.KRZ")));
            dlg.m_btnOK->click();
        };
        h.Frame().m_actToolsSplit->trigger();
        QVERIFY(test::FileExists(h.Path("S.KRZ02")));

        test::CRecordingFeedback rec;
        v.SetFeedback(&rec);
        h.m_dialogs.m_fnDialog = [&](QDialog& base)
        {
            auto& dlg = static_cast<CKrzFileDlg&>(base);
            dlg.m_edSource->setText(QString::fromStdString(h.Path("S.KRZ01")));
            dlg.m_btnOK->click();
        };
        h.Frame().m_actToolsJoin->trigger();
        // The parts' headers hold their own counts; the joined file has the
        // source's length and its data.
        const test::Bytes abJoined = test::ReadFileBytes(h.Path("S.KRZ01J"));
        QCOMPARE(abJoined.size(), ab.size());
        QVERIFY(std::equal(abJoined.begin() + 32, abJoined.end(), ab.begin() + 32));
        QCOMPARE(rec.m_aStatus, (std::vector<std::string>{"Joining S.KRZ01...", "Ready"}));
        QCOMPARE(rec.m_aRanges.front(), std::make_pair(0, 2));
        QCOMPARE(rec.m_aPositions.front(), 1);
        QCOMPARE(rec.m_nPos, 0);
    }

    void joinWithAnEmptyFirstPartIsRefused()
    {
        CAppHarness h;
        h.m_dialogs.m_fnDialog = [](QDialog& base)
        { static_cast<CKrzFileDlg&>(base).m_btnOK->click(); };
        h.Frame().m_actToolsJoin->trigger();
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QVERIFY(!test::FileExists(h.Path("J")));
        QCOMPARE(h.Frame().StatusText(), QStringLiteral("Ready"));
        QCOMPARE(h.View().m_ctlProgress->GetPos(), 0);
    }
    void floppyImagesSettingIsOffByDefaultAndKept()
    {
        CAppHarness h;
        CDorvane_V2View& v = h.View();
        QCOMPARE(v.Controller().m_nFloppyImageKB, 0);
        int nShown = -1;
        h.m_dialogs.m_fnDialog = [&](QDialog& base)
        {
            auto& dlg = static_cast<CSettingsDlg&>(base);
            nShown = dlg.m_cbFloppyImages->currentIndex();
            dlg.m_cbFloppyImages->setCurrentIndex(2);
            dlg.m_btnOK->click();
        };
        v.Controller().OnSettings();
        QCOMPARE(nShown, 0);
        QCOMPARE(v.Controller().m_nFloppyImageKB, 1440);
        h.m_dialogs.m_fnDialog = [&](QDialog& base)
        {
            auto& dlg = static_cast<CSettingsDlg&>(base);
            nShown = dlg.m_cbFloppyImages->currentIndex();
            dlg.m_btnCancel->click();
        };
        v.Controller().OnSettings();
        QCOMPARE(nShown, 2);
        QCOMPARE(v.Controller().m_nFloppyImageKB, 1440);
    }

    // The file goes in once; a second copy of the same name is refused
    // with a message and leaves the image as it was.
    void copyToDiskImageAsksForTheFileThenTheImage()
    {
        CAppHarness h;
        test::WriteFileBytes(h.Path("piano.krz"), test::RampData(5000));
        const std::vector<std::uint8_t> abEmpty = FormatFloppy(*FloppyGeometry(720), "DISK", 1);
        test::WriteFileBytes(h.Path("disk.img"), abEmpty);
        const QString strKrz = QString::fromStdString(h.Path("piano.krz"));
        const QString strImage = QString::fromStdString(h.Path("disk.img"));

        h.m_dialogs.m_aFileAnswers = {strKrz, strImage};
        h.Frame().m_actToolsCopyToImage->trigger();
        QVERIFY(h.m_dialogs.m_aMessages.empty());
        const test::Bytes abAfter = test::ReadFileBytes(h.Path("disk.img"));
        QVERIFY(abAfter != abEmpty);

        h.m_dialogs.m_aFileAnswers = {strKrz, strImage};
        h.Frame().m_actToolsCopyToImage->trigger();
        QCOMPARE(h.m_dialogs.m_aMessages.size(), size_t(1));
        QVERIFY(h.m_dialogs.m_aMessages[0].strText.contains(QStringLiteral("PIANO.KRZ exists")));
        QVERIFY(test::ReadFileBytes(h.Path("disk.img")) == abAfter);
        QCOMPARE(h.Frame().StatusText(), QStringLiteral("Ready"));

        // Cancelling the first dialog asks nothing more.
        h.m_dialogs.m_aFileAnswers = {QString()};
        h.Frame().m_actToolsCopyToImage->trigger();
        QCOMPARE(h.m_dialogs.m_aFileCalls.size(), size_t(5));
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
