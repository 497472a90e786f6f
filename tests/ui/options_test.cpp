// The Settings dialog's options of the audio input and of multisample
// keymaps: kept between runs, off by default, and what they change in Add,
// Add folder, the Type line and the root key.
#include "CSettingsDlg.h"
#include "DialogUnits.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <memory>
#include <optional>

using namespace uitest;

namespace
{
// The kept options as the dialog or a view holds them.
struct Options
{
    bool bConvert = false;
    bool bLimitRate = false;
    int nRateLimitHz = CSettingsDlg::kDefaultRateLimitHz;
    bool bFileMetadata = false;
    bool bMultisample = false;
    bool operator==(const Options&) const = default;
};

Options OptionsOf(const CDorvane_V2View& v)
{
    const COptionValues& o = v.Controller().m_options;
    return {o.IsOn("convert"), o.IsSwitchedOn("maxRate"), o.Value("maxRate"),
            o.IsOn("fileMetadata"), o.IsOn("multisample")};
}

// Opens Settings on view v and returns what its option controls show;
// with wanted, clicks the check boxes that differ, types the rate and
// presses OK, else Cancel.
Options RunOptions(CAppHarness& h, CDorvane_V2View& v, const std::optional<Options>& wanted)
{
    Options seen;
    h.m_dialogs.m_fnDialog = [&](QDialog& base)
    {
        auto& dlg = static_cast<CSettingsDlg&>(base);
        seen = {dlg.m_btnConvert->isChecked(), dlg.m_btnLimitRate->isChecked(),
                dlg.m_edRateLimit->text().toInt(), dlg.m_btnFileMetadata->isChecked(),
                dlg.m_btnMultisample->isChecked()};
        // The Hz field is usable only with its check box.
        QCOMPARE(dlg.m_edRateLimit->isEnabled(), seen.bLimitRate);
        if (!wanted)
            return dlg.m_btnCancel->click();
        const std::pair<QCheckBox*, bool> aBoxes[] = {
            {dlg.m_btnConvert, wanted->bConvert},
            {dlg.m_btnLimitRate, wanted->bLimitRate},
            {dlg.m_btnFileMetadata, wanted->bFileMetadata},
            {dlg.m_btnMultisample, wanted->bMultisample}};
        for (const auto& [pBox, bOn] : aBoxes)
            if (pBox->isChecked() != bOn)
                pBox->click();
        if (wanted->bLimitRate)
            dlg.m_edRateLimit->setText(QString::number(wanted->nRateLimitHz));
        dlg.m_btnOK->click();
    };
    v.m_btnSettings->click();
    h.m_dialogs.m_fnDialog = nullptr;
    return seen;
}

void SetOptions(CAppHarness& h, const Options& wanted)
{
    RunOptions(h, h.View(), wanted);
}

// A "smpl" chunk with a unity note and one forward loop (frames).
test::Bytes Smpl(std::uint32_t nUnity, std::uint32_t nStart, std::uint32_t nEnd)
{
    test::Bytes ab;
    for (const std::uint32_t n :
         {0u, 0u, 22675u, nUnity, 0u, 0u, 0u, 1u, 0u, 0u, 0u, nStart, nEnd, 0u, 0u})
        test::PutLE32(ab, n);
    return test::MakeChunk("smpl", ab);
}
} // namespace

class OptionsTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setFont(DialogFont()); }

    void optionsAreKeptBetweenRuns_data()
    {
        QTest::addColumn<bool>("convert");
        QTest::addColumn<bool>("limit");
        QTest::addColumn<int>("rate");
        QTest::addColumn<bool>("metadata");
        QTest::addColumn<bool>("multisample");
        QTest::newRow("convert") << true << false << 48000 << false << false;
        QTest::newRow("rate limit") << false << true << 44100 << false << false;
        QTest::newRow("root key and loop") << false << false << 48000 << true << false;
        QTest::newRow("multisample") << false << false << 48000 << false << true;
        QTest::newRow("all") << true << true << 22050 << true << true;
    }

    void optionsAreKeptBetweenRuns()
    {
        QFETCH(bool, convert);
        QFETCH(bool, limit);
        QFETCH(int, rate);
        QFETCH(bool, metadata);
        QFETCH(bool, multisample);
        const Options wanted{convert, limit, rate, metadata, multisample};

        CAppHarness h;
        QCOMPARE(RunOptions(h, h.View(), std::nullopt), Options{});
        QCOMPARE(OptionsOf(h.View()), Options{});
        RunOptions(h, h.View(), wanted);
        QCOMPARE(OptionsOf(h.View()), wanted);

        h.App().OnFileNew(); // resets the first object ID, not these
        QCOMPARE(OptionsOf(h.View()), wanted);

        // A second run, with the same settings store, reads them back.
        CDorvane_V2App second(h.m_dialogs);
        second.SetTemplateDirs({h.m_dir.Path().string()});
        QVERIFY(!second.InitInstance({}, false));
        CDorvane_V2View& v2 = *second.MainWnd()->View();
        QCOMPARE(OptionsOf(v2), wanted);
        QCOMPARE(RunOptions(h, v2, std::nullopt), wanted);
        QCOMPARE(v2.Form().m_edGroupKeys->isVisibleTo(&v2.Form()), multisample);
        second.MainWnd()->hide();
    }

    // "Save paths relative to the pool file": off by default, kept between
    // runs, and what Save writes with it.
    void relativePathsOption_data()
    {
        QTest::addColumn<bool>("bOn");
        QTest::newRow("off") << false;
        QTest::newRow("on") << true;
    }
    void relativePathsOption()
    {
        QFETCH(bool, bOn);
        CAppHarness h;
        auto runSettings = [&](CDorvane_V2View& v, std::optional<bool> wanted)
        {
            bool bSeen = false;
            h.m_dialogs.m_fnDialog = [&](QDialog& base)
            {
                auto& dlg = static_cast<CSettingsDlg&>(base);
                bSeen = dlg.m_btnRelativePaths->isChecked();
                if (wanted && *wanted != bSeen)
                    dlg.m_btnRelativePaths->click();
                (wanted ? dlg.m_btnOK : dlg.m_btnCancel)->click();
            };
            v.m_btnSettings->click();
            h.m_dialogs.m_fnDialog = nullptr;
            return bSeen;
        };
        QVERIFY(!runSettings(h.View(), std::nullopt));
        runSettings(h.View(), bOn);
        QCOMPARE(h.Doc().m_bRelativePaths, bOn);

        std::filesystem::create_directories(h.Path("proj/kit"));
        h.Add(h.Wav("proj/kit/a.wav"));
        h.Add(h.Wav("outside.wav"));
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(h.Path("proj/set.dvn")));
        h.Frame().m_actFileSaveAs->trigger();
        auto pSaved = std::make_unique<CDorvane_V2Doc>();
        CNullFeedback feedback;
        QVERIFY(ShowAsMessages(pSaved->OnOpenDocument(h.Path("proj/set.dvn")), feedback));
        QCOMPARE(pSaved->m_aPool[0].m_strFileName,
                 bOn ? std::string("kit/a.wav") : h.Path("proj/kit/a.wav"));
        QCOMPARE(pSaved->m_aPool[1].m_strFileName, h.Path("outside.wav"));
        // The window still shows where the file is.
        QCOMPARE(RowTip(h.View(), 0), QString::fromStdString(h.Path("proj/kit/a.wav")));

        CDorvane_V2App second(h.m_dialogs);
        second.SetTemplateDirs({h.m_dir.Path().string()});
        QVERIFY(!second.InitInstance({}, false));
        QCOMPARE(second.Doc().m_bRelativePaths, bOn);
        QCOMPARE(runSettings(*second.MainWnd()->View(), std::nullopt), bOn);
        second.MainWnd()->hide();
    }

    void aTwentyFourBitFile_data()
    {
        QTest::addColumn<bool>("convertAtAdd");
        QTest::addColumn<bool>("convertAfter");
        QTest::newRow("conversion off") << false << false;
        QTest::newRow("conversion on") << true << true;
        QTest::newRow("conversion turned on after Add") << false << true;
    }

    void aTwentyFourBitFile()
    {
        QFETCH(bool, convertAtAdd);
        QFETCH(bool, convertAfter);
        CAppHarness h;
        CDorvane_V2View& v = h.View();
        SetOptions(h, {convertAtAdd});
        h.Add(h.Wav("Deep.wav", 1, 24, 44100, 600));
        QCOMPARE(h.m_dialogs.m_aFileCalls.back().aFilters.front().strPattern.contains("*.flac"),
                 convertAtAdd);
        SetOptions(h, {convertAfter});

        // Refused once for every reading without conversion.
        const size_t nRefusals = convertAtAdd && convertAfter ? 0 : 1;
        QCOMPARE(h.m_dialogs.m_aMessages.size(), nRefusals);
        for (const ShownMessage& message : h.m_dialogs.m_aMessages)
            QVERIFY(message.strText.contains("24-bit files are currently not supported."));
        QCOMPARE(v.Controller().m_aWavInfo[0].bValid, convertAfter);
        QCOMPARE(v.Form().m_edWavType->text().contains(QStringLiteral(", converted, 44100 Hz")),
                 convertAfter);
    }

    void addTakesTheRootKeyAndLoopFromTheFile_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("loopEnd"); // the smpl chunk's loop end; 0: no chunk
        QTest::addColumn<bool>("metadata");
        QTest::addColumn<QString>("rootKey");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<bool>("loopIgnored");
        QTest::newRow("note name") << "Piano C5.wav" << 0 << true << "C 5" << false << false;
        QTest::newRow("note name, option off")
            << "Piano C5.wav" << 0 << false << "C 4" << false << false;
        QTest::newRow("smpl before the name")
            << "Pad C2.wav" << 150 << true << "G 4" << true << false;
        QTest::newRow("loop past the end") << "Pad C2.wav" << 500 << true << "G 4" << false << true;
    }

    void addTakesTheRootKeyAndLoopFromTheFile()
    {
        QFETCH(QString, title);
        QFETCH(int, loopEnd);
        QFETCH(bool, metadata);
        QFETCH(QString, rootKey);
        QFETCH(bool, loop);
        QFETCH(bool, loopIgnored);
        CAppHarness h;
        CDorvane_V2View& v = h.View();
        SetOptions(h, {false, false, 48000, metadata});
        test::WavSpec spec;
        spec.abData = test::RampData(400); // 200 frames
        if (loopEnd > 0)
            spec.abChunkBeforeData = Smpl(67, 10, static_cast<std::uint32_t>(loopEnd));
        const std::string strPath = h.Path(title.toStdString());
        test::WriteFileBytes(strPath, test::MakeWav(spec));
        h.Add(strPath);

        QCOMPARE(v.Form().m_edRootKey->text(), rootKey);
        QCOMPARE(v.Form().m_btnLoopSwitch->isChecked(), loop);
        QCOMPARE(h.Frame().StatusText() ==
                     QStringLiteral("Loop of %1 lies outside its data: ignored").arg(title),
                 loopIgnored);
    }

    void otherAudioFilesWithConversion_data()
    {
        QTest::addColumn<bool>("convert");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("off") << false << QStringList{"a.WAV", "e.wav"};
        QTest::newRow("on") << true << QStringList{"a.WAV", "b.aif",  "c.AIFF", "d.aifc",
                                                   "e.wav", "f.Flac", "g.caf",  "h.w64"};
    }

    void otherAudioFilesWithConversion()
    {
        QFETCH(bool, convert);
        QFETCH(QStringList, found);
        const test::TempDir dir;
        for (const char* szName : {"a.WAV", "b.aif", "c.AIFF", "d.aifc", "e.wav", "f.Flac", "g.caf",
                                   "h.w64", "i.mp3", "j.ogg", "k.wav.txt"})
            test::WriteFileBytes(dir / szName, test::Bytes(4));
        const QString strDir = QString::fromStdString(dir.Path().string());
        QStringList aNames;
        for (const QString& strPath : CPoolController::WavFilesIn(strDir, convert))
            aNames << QFileInfo(strPath).fileName();
        QCOMPARE(aNames, found);
        const QList<QUrl> aDropped = {QUrl::fromLocalFile(strDir + "/i.mp3"),
                                      QUrl::fromLocalFile(strDir + "/c.AIFF")};
        QCOMPARE(CPoolController::DroppedWavFiles(aDropped, convert).size(), convert ? 1 : 0);
    }

    void makeFileTakesTheOptions_data()
    {
        QTest::addColumn<bool>("convert");
        QTest::addColumn<bool>("multisample");
        QTest::addColumn<QString>("wrote");
        QTest::newRow("convert") << true << false
                                 << "Wrote out.krz: 3 samples, 3 keymaps, 3 programs, ";
        QTest::newRow("multisample")
            << false << true << "Wrote out.krz: 2 samples, 1 keymap, 1 program, ";
        QTest::newRow("both") << true << true << "Wrote out.krz: 3 samples, 1 keymap, 1 program, ";
    }

    void makeFileTakesTheOptions()
    {
        QFETCH(bool, convert);
        QFETCH(bool, multisample);
        QFETCH(QString, wrote);
        CAppHarness h;
        CDorvane_V2View& v = h.View();
        SetOptions(h, {convert, false, 48000, true, multisample});
        // Three roots of one keymap name; the 24-bit one is usable only
        // when converted.
        h.Add(h.Wav("Keys C3.wav"));
        h.Add(h.Wav("Keys C4.wav", 1, 24, 44100, 600));
        h.Add(h.Wav("Keys C5.wav"));
        h.m_dialogs.m_aMessages.clear();
        for (int i = 0; i < 3; ++i)
            h.Doc().m_aPool[i].m_strKeymapName = "Keys";
        h.m_dialogs.m_aFileAnswers.push_back(QString::fromStdString(h.Path("out.krz")));
        v.m_btnMakeFile->click();
        QVERIFY2(h.Frame().StatusText().startsWith(wrote), qPrintable(h.Frame().StatusText()));
    }
};

QTEST_MAIN(OptionsTest)
#include "options_test.moc"
