// Renders the main window with a pool loaded, the Pool menu, the Settings,
// Split, Join and About dialogs, the messages for missing files and a full
// pool, and the window with an instrument file opened, to PNG files:
//   dorvane-screenshots OUTPUT_DIR [POOL_FILE]
// Without a readable pool file it makes a pool of generated WAV files in a
// temporary folder. Meant to run with QT_QPA_PLATFORM=offscreen.
#include "CDialogService.h"
#include "CDorvane_V2App.h"
#include "CDorvane_V2View.h"
#include "CMainFrame.h"
#include "CPoolTable.h"
#include "CSoundPlayer.h"
#include "DialogUnits.h"
#include "KrzTemplate.h"
#include "PoolEdit.h"
#include "WavReader.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>

namespace
{
// Shows each dialog, saves a picture of it and closes it; message boxes
// are printed instead of shown.
class CScreenshotDialogs : public CDialogService
{
  public:
    explicit CScreenshotDialogs(QString strDir) : m_strDir(std::move(strDir)) {}

    QString GetOpenFileName(QWidget*, const QString&, const FileFilters&, const QString&) override
    {
        return {};
    }
    QStringList GetOpenFileNames(QWidget*, const QString&, const FileFilters&,
                                 const QString&) override
    {
        return {};
    }
    QString GetExistingDirectory(QWidget*, const QString&, const QString&) override { return {}; }
    QString GetSaveFileName(QWidget*, const QString&, const FileFilters&, const QString&, bool,
                            const QString&) override
    {
        return {};
    }
    void MessageBox(QWidget*, const QString& strText, const QString& strCaption,
                    MessageIcon) override
    {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(strCaption), qPrintable(strText));
    }
    YesNoCancel AskYesNoCancel(QWidget*, const QString&, const QString&) override
    {
        return YesNoCancel::No;
    }
    int ExecDialog(QDialog& dlg) override
    {
        static const std::map<QString, QString> kNames = {
            {QStringLiteral("Settings"), QStringLiteral("settings.png")},
            {QStringLiteral("Split Existing Krz-File"), QStringLiteral("split.png")},
            {QStringLiteral("Join Existing Krz-Files"), QStringLiteral("join.png")},
            {QStringLiteral("About Dorvane_V2"), QStringLiteral("about.png")},
        };
        dlg.show();
        QApplication::processEvents();
        const auto it = kNames.find(dlg.windowTitle());
        if (it != kNames.end())
            Save(dlg, it->second);
        dlg.reject();
        return QDialog::Rejected;
    }

    void Save(QWidget& widget, const QString& strName)
    {
        const QString strPath = QDir(m_strDir).filePath(strName);
        if (!widget.grab().save(strPath))
        {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(strPath));
            m_bFailed = true;
        }
        else
        {
            std::printf("%s\n", qPrintable(strPath));
        }
    }

    bool m_bFailed = false;

  private:
    QString m_strDir;
};

void PutLE(QByteArray& ab, std::uint32_t v, int nBytes)
{
    for (int i = 0; i < nBytes; ++i)
        ab.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A short PCM WAV file of a decaying tone.
bool WriteWav(const QString& strPath, int nChannels, int nRate, int nBits, int nFrames)
{
    const int nBlockAlign = nChannels * nBits / 8;
    QByteArray abData;
    for (int i = 0; i < nFrames; ++i)
    {
        const double dValue = std::sin(i * 2 * M_PI * 440.0 / nRate) * std::exp(-3.0 * i / nFrames);
        for (int c = 0; c < nChannels; ++c)
        {
            if (nBits == 8)
                abData.append(static_cast<char>(128 + static_cast<int>(dValue * 100)));
            else
                PutLE(abData, static_cast<std::uint16_t>(static_cast<std::int16_t>(dValue * 20000)),
                      2);
        }
    }
    QByteArray ab("RIFF");
    PutLE(ab, 36 + abData.size(), 4);
    ab.append("WAVEfmt ");
    PutLE(ab, 16, 4);
    PutLE(ab, 1, 2);
    PutLE(ab, nChannels, 2);
    PutLE(ab, nRate, 4);
    PutLE(ab, nRate * nBlockAlign, 4);
    PutLE(ab, nBlockAlign, 2);
    PutLE(ab, nBits, 2);
    ab.append("data");
    PutLE(ab, abData.size(), 4);
    ab.append(abData);
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(ab) == ab.size();
}

// A pool of generated WAV files, saved as a pool file in strDir.
QString MakeDemoPool(const QString& strDir)
{
    struct Spec
    {
        const char* szName;
        int nChannels, nRate, nBits;
    };
    const Spec aSpecs[] = {{"Piano C4.wav", 1, 44100, 16},
                           {"Strings Pad.wav", 2, 44100, 16},
                           {"Kick Drum.wav", 1, 22050, 8},
                           {"Choir Aah Loop.wav", 2, 32000, 16}};
    CDorvane_V2Doc doc;
    doc.OnNewDocument();
    for (const Spec& spec : aSpecs)
    {
        const QString strPath = QDir(strDir).filePath(QString::fromLatin1(spec.szName));
        WriteWav(strPath, spec.nChannels, spec.nRate, spec.nBits, spec.nRate / 4);
        AddPoolEntry(doc, strPath.toStdString(), spec.szName);
    }
    doc.m_aPool[3].m_bLoop = 1;
    const QString strPool = QDir(strDir).filePath(QStringLiteral("demo.dvn"));
    CNullFeedback feedback;
    ShowAsMessages(doc.OnSaveDocument(strPool.toStdString()), feedback);
    return strPool;
}
// An SFZ instrument of two velocity layers over three key ranges, with
// its WAV files, in strDir.
QString MakeDemoInstrument(const QString& strDir)
{
    QString strSfz = QStringLiteral("<group> lovel=1 hivel=79 volume=-3\n");
    const char* aszNotes[] = {"c3", "c4", "c5"};
    const char* aszRanges[] = {"lokey=c2 hikey=b3", "lokey=c4 hikey=b4", "lokey=c5 hikey=c7"};
    for (int nLayer = 0; nLayer < 2; ++nLayer)
    {
        if (nLayer == 1)
            strSfz += QStringLiteral("<group> lovel=80 hivel=127 tune=5\n");
        for (int i = 0; i < 3; ++i)
        {
            const QString strName =
                QStringLiteral("Piano_%1_%2.wav")
                    .arg(QString::fromLatin1(aszNotes[i]))
                    .arg(nLayer == 0 ? QStringLiteral("p") : QStringLiteral("f"));
            WriteWav(QDir(strDir).filePath(strName), 1, 44100, 16, 11025);
            strSfz += QStringLiteral("<region> sample=%1 %2 pitch_keycenter=%3\n")
                          .arg(strName, QString::fromLatin1(aszRanges[i]),
                               QString::fromLatin1(aszNotes[i]));
        }
    }
    const QString strPath = QDir(strDir).filePath(QStringLiteral("Grand Piano.sfz"));
    QFile file(strPath);
    if (file.open(QIODevice::WriteOnly))
        file.write(strSfz.toUtf8());
    return strPath;
}

// The Pool menu with its commands for many files and for relinking, and
// the messages as the window shows them.
void SaveMenuAndMessages(CMainFrame& frame, CScreenshotDialogs& dialogs)
{
    CMainFrame* pFrame = &frame;
    // The Pool menu with its commands for many files and for relinking.
    for (QAction* pAction : pFrame->menuBar()->actions())
    {
        if (pAction->text() == QStringLiteral("&Pool") && pAction->menu())
        {
            QMenu* pMenu = pAction->menu();
            pMenu->popup(pFrame->mapToGlobal(QPoint(0, 0)));
            QApplication::processEvents();
            dialogs.Save(*pMenu, QStringLiteral("pool-menu.png"));
            pMenu->hide();
        }
    }
    // The messages as the window shows them.
    auto message = [&](const QString& strText, const char* szCaption, const QString& strName)
    {
        QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(szCaption), strText,
                        QMessageBox::Ok, pFrame);
        box.show();
        QApplication::processEvents();
        dialogs.Save(box, strName);
        box.reject();
    };
    message(CPoolController::MissingFilesMessage(
                {QStringLiteral("C:\\Samples\\Piano\\Piano C4.wav"),
                 QStringLiteral("C:\\Samples\\Strings\\Strings Pad.wav"),
                 QStringLiteral("/home/ann/kits/Kick Drum.wav")}),
            kWavInfoCaption, QStringLiteral("missing-files.png"));
    message(CPoolController::LeftOutMessage(12), kAppTitle, QStringLiteral("pool-full.png"));
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setFont(DialogFont());
    const QStringList aArgs = QApplication::arguments();
    const QString strOutDir =
        QFileInfo(aArgs.size() > 1 ? aArgs[1] : QStringLiteral("docs/screenshots"))
            .absoluteFilePath();
    QDir().mkpath(strOutDir);

    QTemporaryDir tempDir;
    QString strPool = aArgs.size() > 2 ? QFileInfo(aArgs[2]).absoluteFilePath() : QString();
    if (strPool.isEmpty() || !QFileInfo(strPool).isFile())
        strPool = MakeDemoPool(tempDir.path());
    // Pool files may name their WAV files relative to their own folder.
    QDir::setCurrent(QFileInfo(strPool).absolutePath());

    CScreenshotDialogs dialogs(strOutDir);
    CDorvane_V2App theApp(dialogs);
    // The pictures need no real template: without one, a blank one will do.
    std::vector<std::string> aDirs =
        TemplateSearchDirs(QApplication::applicationDirPath().toStdString());
    TemplateBytes abProbe{};
    if (!LoadTemplateFile(abProbe, aDirs))
    {
        QFile blank(QDir(tempDir.path()).filePath(QString::fromLatin1(kTemplateFileName)));
        if (blank.open(QIODevice::WriteOnly))
            blank.write(QByteArray(static_cast<int>(kTemplateSize), '\0'));
        aDirs = {tempDir.path().toStdString()};
    }
    theApp.SetTemplateDirs(aDirs);
    if (const std::optional<int> nExit = theApp.InitInstance({strPool}, false))
        return *nExit;

    CMainFrame* pFrame = theApp.MainWnd();
    pFrame->View()->SetSoundPlayer(nullptr);
    CPoolController* pView = &pFrame->View()->Controller();
    if (pFrame->View()->m_lbPool->count() > 0)
    {
        pFrame->View()->m_lbPool->SetCurSel(0);
        pView->OnSelchangePoolList();
    }
    // At the default size, whatever size the user's store holds, and larger.
    pFrame->resize(CMainFrame::kWidth, CMainFrame::kHeight);
    QApplication::processEvents();
    dialogs.Save(*pFrame, QStringLiteral("main.png"));
    pFrame->resize(CMainFrame::kWidth * 2, CMainFrame::kHeight * 3 / 2);
    QApplication::processEvents();
    dialogs.Save(*pFrame, QStringLiteral("main-large.png"));
    pFrame->resize(CMainFrame::kWidth, CMainFrame::kHeight);

    // The Settings dialog with conversion and the rate limit on, whatever
    // the user's own store holds; Cancel keeps the store as it is.
    pView->m_options = COptionValues();
    pView->m_options.SetValue("convert", 1);
    pView->m_options.SetSwitch("maxRate", true);
    pView->m_options.SetValue("maxRate", 48000);
    pView->OnSettings();
    pView->OnToolsSplit();
    pView->OnToolsJoin();
    theApp.OnAppAbout();

    SaveMenuAndMessages(*pFrame, dialogs);

    // An instrument file opened into the pool, its loud layer's middle zone
    // selected.
    theApp.OpenDocumentFile(MakeDemoInstrument(tempDir.path()));
    pView->RunPendingRefresh();
    pFrame->View()->m_lbPool->SetCurSel(4);
    pView->OnSelchangePoolList();
    // Wide enough for the Keys and Velocity columns.
    pFrame->resize(CMainFrame::kWidth * 5 / 2, CMainFrame::kHeight);
    QApplication::processEvents();
    dialogs.Save(*pFrame, QStringLiteral("instrument.png"));
    return dialogs.m_bFailed ? 1 : 0;
}
