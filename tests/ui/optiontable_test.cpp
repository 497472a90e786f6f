// The Settings dialog and the saved settings are made from the option
// table: a control per option the table gives the dialog, the table's
// ranges for its fields, and the table's keys in the settings store.
#include "CDorvane_V2App.h"
#include "CSettingsDlg.h"
#include "DialogUnits.h"
#include "OptionTable.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <set>

using namespace uitest;

class OptionTableTest : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase() { QApplication::setFont(DialogFont()); }

    // Every option the table gives the dialog has its control, showing the
    // table's text and choices, and the dialog names no other option.
    void theDialogHasAControlPerOption()
    {
        CFakeDialogs dialogs;
        CSettingsDlg dlg(dialogs);
        std::set<std::string> aTable, aNamed;
        for (const SOption& o : OptionTable())
        {
            if ((o.nFaces & kFaceSettings) == 0)
                continue;
            aTable.insert(o.szKey);
            QWidget* pControl = dlg.OptionControl(o.szKey);
            QVERIFY2(pControl != nullptr, o.szKey);
            if (auto* pBox = qobject_cast<QCheckBox*>(pControl))
                QCOMPARE(pBox->text(), QString::fromLatin1(o.szLabel));
            else if (auto* pChoice = qobject_cast<QComboBox*>(pControl))
            {
                QCOMPARE(pChoice->count(), static_cast<int>(o.aChoices.size()));
                for (int i = 0; i < pChoice->count(); ++i)
                {
                    QCOMPARE(pChoice->itemText(i), QString::fromLatin1(o.aChoices[i].szLabel));
                    QCOMPARE(pChoice->itemData(i).toInt(), o.aChoices[i].nValue);
                }
            }
            else
                QVERIFY2(qobject_cast<QLineEdit*>(pControl) != nullptr, o.szKey);
        }
        for (const QWidget* pWidget : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!pWidget->objectName().isEmpty())
                aNamed.insert(pWidget->objectName().toStdString());
        QCOMPARE(aNamed, aTable);
    }

    // The rate field takes the table's range, the one dorvane-cli and the
    // page take (it took up to 384000 Hz before).
    void theRateFieldTakesTheTablesRange_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        QTest::newRow("lowest") << QStringLiteral("1000") << true;
        QTest::newRow("below") << QStringLiteral("999") << false;
        QTest::newRow("highest") << QStringLiteral("192000") << true;
        QTest::newRow("above") << QStringLiteral("192001") << false;
        QTest::newRow("the old highest") << QStringLiteral("384000") << false;
    }
    void theRateFieldTakesTheTablesRange()
    {
        QFETCH(QString, text);
        QFETCH(bool, taken);
        CFakeDialogs dialogs;
        CSettingsDlg dlg(dialogs);
        dlg.m_nFirstObjectID = 200;
        dlg.m_nCustomKB = 1400;
        dlg.m_options.SetSwitch("maxRate", true);
        dlg.UpdateData(false);
        dlg.m_edRateLimit->setText(text);
        QCOMPARE(dlg.UpdateData(true), taken);
        if (taken)
        {
            QVERIFY(dialogs.m_aMessages.empty());
            QCOMPARE(dlg.m_options.Value("maxRate"), text.toInt());
            return;
        }
        QCOMPARE(dialogs.m_aMessages.size(), size_t(1));
        QCOMPARE(dialogs.m_aMessages[0].strText,
                 QStringLiteral("Please enter an integer between 1000 and 192000."));
    }

    // Every option the table keeps starts at the table's default, goes to
    // the store under the table's keys and comes back whole; the values in
    // force reach Make File's options, a switched-off value as none.
    void keptOptionsFollowTheTable()
    {
        const COptionValues defaults;
        for (const SOption* pOption : COptionValues::KeptOptions())
        {
            const bool bSwitched = *pOption->szSwitchKey != '\0';
            QCOMPARE(defaults.Value(pOption->szKey),
                     bSwitched ? pOption->nProposed : pOption->nDefault);
            QCOMPARE(defaults.IsSwitchedOn(pOption->szKey), !bSwitched || pOption->nDefault);
        }

        CAppHarness h;
        COptionValues values;
        values.SetValue("convert", 1);
        values.SetValue("maxRate", 96000);
        values.SetValue("relativePaths", 1);
        {
            QSettings settings(QString::fromLatin1(CDorvane_V2App::kRegistryKey),
                               QString::fromLatin1(CDorvane_V2App::kAppName));
            values.Write(settings);
        }
        const QSettings settings(QString::fromLatin1(CDorvane_V2App::kRegistryKey),
                                 QString::fromLatin1(CDorvane_V2App::kAppName));
        QCOMPARE(settings.value(QStringLiteral("Options/SampleRateLimit")).toInt(), 96000);
        QCOMPARE(settings.value(QStringLiteral("Options/LimitSampleRate")).toBool(), false);
        QCOMPARE(settings.value(QStringLiteral("Options/RelativePaths")).toBool(), true);
        COptionValues read;
        read.Read(settings);
        QVERIFY(read == values);

        struct Case
        {
            bool bRateOn;
            int nMaxRate; // Make File's limit
        };
        for (const Case& c : {Case{false, 0}, Case{true, 96000}})
        {
            read.SetSwitch("maxRate", c.bRateOn);
            CMakeOptions options;
            read.ApplyTo(options);
            QCOMPARE(options.audio.nMaxRate, c.nMaxRate);
            QVERIFY(options.audio.bConvert);
            QVERIFY(!options.audio.bFileMetadata && !options.bMultisample);
        }
    }

    // A store of an earlier version is read under the same keys; a limit
    // it kept above today's range becomes the highest taken.
    void savedSettingsUseTheTablesKeys_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("read");
        QTest::newRow("in range") << QVariant(44100) << 44100;
        QTest::newRow("above today's range") << QVariant(384000) << 192000;
        QTest::newRow("below the range") << QVariant(10) << 48000;
        QTest::newRow("not a number") << QVariant(QStringLiteral("fast")) << 48000;
    }
    void savedSettingsUseTheTablesKeys()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, read);
        CAppHarness h;
        {
            QSettings settings(QString::fromLatin1(CDorvane_V2App::kRegistryKey),
                               QString::fromLatin1(CDorvane_V2App::kAppName));
            settings.setValue(QStringLiteral("Options/ConvertAudio"), true);
            settings.setValue(QStringLiteral("Options/LimitSampleRate"), true);
            settings.setValue(QStringLiteral("Options/SampleRateLimit"), stored);
            settings.setValue(QStringLiteral("Options/Multisample"), true);
        }
        CDorvane_V2App second(h.m_dialogs);
        second.SetTemplateDirs({h.m_dir.Path().string()});
        QVERIFY(!second.InitInstance({}, false));
        const CDorvane_V2View& v = *second.MainWnd()->View();
        const COptionValues& o = v.Controller().m_options;
        QVERIFY(o.IsOn("convert"));
        QVERIFY(o.IsSwitchedOn("maxRate"));
        QCOMPARE(o.Value("maxRate"), read);
        QCOMPARE(o.EffectiveValue("maxRate"), read);
        QVERIFY(!o.IsOn("fileMetadata"));
        QVERIFY(o.IsOn("multisample"));
        second.MainWnd()->hide();
    }
};

QTEST_MAIN(OptionTableTest)
#include "optiontable_test.moc"
