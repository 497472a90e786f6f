// Tools > Extract KRZ File: the source and the folder come from the dialog
// service, the run goes to the worker thread (stopped as it starts, nothing
// is written), and the files written are those dorvane-cli extract (the
// same RunExtract) writes for the same source.
#include "CBackgroundWork.h"
#include "CCancel.h"
#include "ExtractRunner.h"
#include "KrzTemplate.h"
#include "MakeRunner.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QTest>

#include <filesystem>
#include <map>

using namespace uitest;
namespace fs = std::filesystem;


class ExtractTest : public QObject
{
    Q_OBJECT

  private slots:
    void extractWritesWhatTheCommandLineWrites()
    {
        CAppHarness h;
        // A KRZ file made with the real object template.
        {
            SMakePool pool;
            QVERIFY(
                LoadMakePool(
                    {h.Wav("a.wav", 1, 16, 44100, 6000), h.Wav("b.wav", 2, 8, 22050, 3000)}, pool)
                    .IsOk());
            CMakeOptions options;
            QVERIFY(ReadEntryHeaders(pool, options.audio, false, false).IsOk());
            TemplateBytes abTemplate{};
            QVERIFY(LoadTemplateFile(abTemplate,
                                     {fs::path(DORVANE_TEST_TEMPLATE).parent_path().string()}));
            test::CRecordingFeedback feedback;
            SMadeFile made;
            QVERIFY(RunMakeFile(*pool.pDoc, *pool.pWavInfo, options, abTemplate, h.Path("OUT.KRZ"),
                                "OUT.KRZ", {}, feedback, made)
                        .IsOk());
        }
        QCOMPARE(h.Frame().m_actToolsExtract->text(), QString("Extract KRZ File..."));
        const auto Answer = [&]
        {
            h.m_dialogs.m_aFileCalls.clear();
            h.m_dialogs.m_aMessages.clear();
            h.m_dialogs.m_aFileAnswers = {QString::fromStdString(h.Path("OUT.KRZ")),
                                          QString::fromStdString(h.Path("out"))};
        };

        // Stopped as it starts: no folder, the status line says so.
        Answer();
        QVERIFY(TriggerCancelledAtStart(h.Frame(), h.Frame().m_actToolsExtract));
        QVERIFY(test::FileTree(h.m_dir.Path() / "out").empty());
        QCOMPARE(h.Frame().StatusText(), QString::fromLatin1(kCancelledMessage));
        QVERIFY(h.m_dialogs.m_aMessages.empty());

        Answer();
        h.Frame().m_actToolsExtract->trigger();
        QCOMPARE(h.m_dialogs.m_aFileCalls.size(), std::size_t{2});
        test::CRecordingFeedback feedback;
        const COutcome outcome = RunExtract({h.Path("OUT.KRZ")}, h.Path("cli"), feedback);
        QVERIFY2(outcome.IsOk(), outcome.Text().c_str());
        const auto aWant = test::FileTree(h.m_dir.Path() / "cli");
        QCOMPARE(aWant.size(), std::size_t{5}); // 2 WAVs, 2 SFZs, the report
        QVERIFY(test::FileTree(h.m_dir.Path() / "out") == aWant);
        QCOMPARE(h.m_dialogs.m_aMessages.size(), std::size_t{1});
        QVERIFY(h.m_dialogs.m_aMessages[0].strText.startsWith("Extracted into "));

        // Cancelled dialogs: nothing runs.
        h.m_dialogs.m_aMessages.clear();
        h.m_dialogs.m_aFileAnswers = {QString::fromStdString(h.Path("OUT.KRZ")), QString()};
        h.Frame().m_actToolsExtract->trigger();
        QVERIFY(h.m_dialogs.m_aMessages.empty());
    }
};

QTEST_MAIN(ExtractTest)
#include "extract_test.moc"
