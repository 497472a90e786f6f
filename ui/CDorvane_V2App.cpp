#include "CDorvane_V2App.h"

#include "CAboutDlg.h"
#include "CDialogService.h"
#include "CDorvane_V2View.h"
#include "CFeedback.h"
#include "CMainFrame.h"
#include "CPoolController.h"
#include "CSettingsDlg.h"
#include "CommandGuard.h"
#include "InstrumentFile.h"
#include "OptionTable.h"
#include "PoolInstruments.h"
#include "PoolPaths.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace
{
FileFilters PoolFilters()
{
    return {
        {CDorvane_V2App::tr("DVN Sample Pool (*.dvn)"), QStringLiteral("*.dvn")},
        {CDorvane_V2App::tr("All Files (*.*)"), QStringLiteral("*")},
    };
}

// Open takes pool files and, as a type of their own after them, instrument
// files.
FileFilters OpenFilters()
{
    FileFilters aFilters = PoolFilters();
    aFilters.push_back({CDorvane_V2App::tr("Instruments (*.sfz *.dspreset *.sf2)"),
                        QStringLiteral("*.sfz *.dspreset *.sf2")});
    return aFilters;
}

} // namespace

CDorvane_V2App::CDorvane_V2App(CDialogService& dialogs) : m_dialogs(dialogs) {}

CDorvane_V2App::~CDorvane_V2App() = default;

std::optional<int> CDorvane_V2App::InitInstance(const QStringList& aArgs, bool bShowAbout)
{
    {
        QSettings settings(QString::fromLatin1(kRegistryKey), QString::fromLatin1(kAppName));
        m_recent.ReadList(settings);
    }
    CreateMainWindow();

    // The command line: nothing, or a pool file to open.
    QString strFile;
    for (const QString& strArg : aArgs)
    {
        if (!strArg.isEmpty())
        {
            strFile = strArg;
            break;
        }
    }
    if (strFile.isEmpty() ? !NewDocument() : !OpenFirstPool(strFile))
        return 1;

    // Shown at the screen's top-left corner and painted at once: the pool's
    // WAV headers are read (with their messages) before the About box.
    CMainFrame* pFrame = m_pMainWnd.get();
    if (QScreen* pScreen = QGuiApplication::primaryScreen())
        pFrame->move(pScreen->geometry().topLeft());
    pFrame->show();
    pFrame->View()->Controller().RunPendingRefresh();
    if (bShowAbout)
        RunGuarded(m_dialogs, pFrame, [this] { OnAppAbout(); });
    return std::nullopt;
}

void CDorvane_V2App::CreateMainWindow()
{
    m_pMainWnd = std::make_unique<CMainFrame>(m_doc, m_dialogs);
    CMainFrame* pFrame = m_pMainWnd.get();
    CPoolController& controller = pFrame->View()->Controller();
    if (m_aTemplateDirs)
        controller.SetTemplateDirs(*m_aTemplateDirs);

    auto bind = [this, pFrame](QAction* pAction, auto fnCommand)
    {
        connect(pAction, &QAction::triggered, this,
                [this, pFrame, fnCommand] { RunGuarded(m_dialogs, pFrame, fnCommand); });
    };
    ReadOptions();
    controller.m_fnOptionsChanged = [this] { WriteOptions(); };
    bind(pFrame->m_actFileNew, [this] { OnFileNew(); });
    bind(pFrame->m_actFileOpen, [this] { OnFileOpen(); });
    bind(pFrame->m_actFileSave, [this] { OnFileSave(); });
    bind(pFrame->m_actFileSaveAs, [this] { OnFileSaveAs(); });
    bind(pFrame->m_actAppAbout, [this] { OnAppAbout(); });
    pFrame->m_fnCanClose = [this] { return SaveModified(); };
    pFrame->m_fnOpenRecent = [this, pFrame](int nIndex)
    { RunGuarded(m_dialogs, pFrame, [this, nIndex] { OnOpenRecentFile(nIndex); }); };
    pFrame->View()->m_fnOpenFile = [this, pFrame](const QString& strPath)
    { RunGuarded(m_dialogs, pFrame, [this, strPath] { OpenDocumentFile(strPath); }); };
    UpdateRecentMenu();

    // The window opens at the size it had when it was last closed.
    const QSettings settings(QString::fromLatin1(kRegistryKey), QString::fromLatin1(kAppName));
    pFrame->RestoreLayout(settings);
    pFrame->m_fnClosed = [this]
    {
        QSettings store(QString::fromLatin1(kRegistryKey), QString::fromLatin1(kAppName));
        m_pMainWnd->SaveLayout(store);
    };
}

bool CDorvane_V2App::OpenFirstPool(const QString& strFile)
{
    // An instrument file opens into a new pool; one that is refused leaves
    // that pool empty, as a file that is no pool does.
    if (IsInstrumentPath(strFile.toStdString()))
    {
        if (!NewDocument())
            return false;
        OpenInstrumentFile(strFile);
        return true;
    }
    const COutcome opened = m_doc.OnOpenDocument(strFile.toStdString());
    const bool bOpened = opened.IsOk();
    ShowAsMessages(opened, m_pMainWnd->Messages());
    if (bOpened)
    {
        AddToRecentFileList(m_doc.GetPathName());
    }
    // A file refused as no pool file at all.
    else if (opened.Text() == kIncompatiblePoolMessage)
    {
        // The file is no pool: go on with an empty, untitled pool, so that
        // Save can never write over that file.
        m_doc.OnNewDocument();
        m_doc.SetPathName({});
        m_doc.SetModifiedFlag(false);
    }
    else
    {
        return false;
    }
    UpdateCaption();
    return m_pMainWnd->View()->Controller().OnInitialUpdate();
}

void CDorvane_V2App::OnAppAbout()
{
    CAboutDlg dlg(m_pMainWnd.get());
    m_dialogs.ExecDialog(dlg);
}

bool CDorvane_V2App::NewDocument()
{
    m_doc.OnNewDocument();
    m_doc.SetPathName({});
    m_doc.SetModifiedFlag(false);
    UpdateCaption();
    return m_pMainWnd->View()->Controller().OnInitialUpdate(true);
}

void CDorvane_V2App::OnFileNew()
{
    if (!SaveModified())
        return;
    NewDocument();
}

void CDorvane_V2App::OnFileOpen()
{
    const QString strPath = m_dialogs.GetOpenFileName(m_pMainWnd.get(), tr("Open"), OpenFilters(),
                                                      QStringLiteral("dvn"));
    if (strPath.isEmpty())
        return;
    OpenDocumentFile(strPath);
}

CDorvane_V2App::OpenResult CDorvane_V2App::OpenDocumentFile(const QString& strPath)
{
    if (!SaveModified())
        return OpenResult::Cancelled;
    if (IsInstrumentPath(strPath.toStdString()))
        return OpenInstrumentFile(strPath);
    CDorvane_V2View* pView = m_pMainWnd->View();
    if (!ShowAsMessages(m_doc.OnOpenDocument(strPath.toStdString()), m_pMainWnd->Messages()))
    {
        // A file that broke off while it was read has left an empty new
        // pool behind: show that one.
        UpdateCaption();
        if (m_doc.m_bRefresh)
            pView->Controller().OnInitialUpdate();
        return OpenResult::Failed;
    }
    AddToRecentFileList(m_doc.GetPathName());
    UpdateCaption();
    pView->Controller().OnInitialUpdate();
    return OpenResult::Opened;
}

CDorvane_V2App::OpenResult CDorvane_V2App::OpenInstrumentFile(const QString& strPath)
{
    CPoolController& controller = m_pMainWnd->View()->Controller();
    if (!controller.OpenInstrumentFile(strPath.toStdString()))
        return OpenResult::Failed;
    // An untitled pool: Save asks where, and can never write over the
    // instrument file.
    m_doc.SetPathName({});
    m_doc.SetModifiedFlag(false);
    AddToRecentFileList(strPath.toStdString());
    m_pMainWnd->UpdateCaption(QFileInfo(strPath).fileName());
    controller.OnInitialUpdate();
    return OpenResult::Opened;
}

void CDorvane_V2App::OnOpenRecentFile(int nIndex)
{
    if (nIndex < 0 || nIndex >= m_recent.GetSize())
        return;
    const QString strPath = m_recent[nIndex];
    if (OpenDocumentFile(strPath) == OpenResult::Failed)
    {
        // The entry may have moved while the file was tried: remove it by
        // its path.
        const int nAt = static_cast<int>(m_recent.Files().indexOf(strPath));
        if (nAt >= 0)
        {
            m_recent.Remove(nAt);
            WriteRecentFileList();
            UpdateRecentMenu();
        }
    }
}

bool CDorvane_V2App::OnFileSave()
{
    return DoSave(QString::fromStdString(m_doc.GetPathName()));
}

bool CDorvane_V2App::OnFileSaveAs()
{
    return DoSave({});
}

bool CDorvane_V2App::DoSave(QString strPath)
{
    const SZoneSave zoneSave = PlanZoneSave(m_doc);
    if (zoneSave.nZones > 0 && !AskZoneSave(zoneSave))
        return false;
    const bool bChosen = strPath.isEmpty();
    if (bChosen)
    {
        QString strProposed = QString::fromStdString(m_doc.GetTitle());
        if (!strProposed.contains(QLatin1Char('.')))
            strProposed += QStringLiteral(".dvn");
        strPath = m_dialogs.GetSaveFileName(m_pMainWnd.get(), tr("Save As"), PoolFilters(),
                                            QStringLiteral("dvn"), true, strProposed);
        if (strPath.isEmpty())
            return false;
        if (!QFileInfo(strPath).fileName().contains(QLatin1Char('.')))
            strPath += QStringLiteral(".dvn");
    }
    if (zoneSave.nZones > 0)
        return SaveZonePool(strPath, bChosen);
    // A pool saved into another folder: entries whose stored paths would
    // no longer lead to their files from there get paths that do. A save
    // that fails leaves them as they were.
    int nRebased = 0;
    auto pOldEntries = std::make_unique<std::array<CWPoolObj, MAX_POOL>>(m_doc.m_aPool);
    if (bChosen)
        nRebased = RebasePoolPaths(m_doc, strPath.toStdString());
    if (!ShowAsMessages(m_doc.OnSaveDocument(strPath.toStdString()), m_pMainWnd->Messages()))
    {
        if (nRebased > 0)
            m_doc.m_aPool = *pOldEntries;
        return false;
    }
    if (nRebased > 0)
        m_pMainWnd->View()->Controller().UpdatePathsShown();
    AddToRecentFileList(m_doc.GetPathName());
    UpdateCaption();
    return true;
}

bool CDorvane_V2App::AskZoneSave(const SZoneSave& save)
{
    if (save.nKept == 0)
    {
        m_dialogs.MessageBox(m_pMainWnd.get(), QString::fromStdString(save.strText), tr(kAppTitle),
                             MessageIcon::None);
        return false;
    }
    return m_dialogs.AskYesNo(m_pMainWnd.get(), QString::fromStdString(save.strText),
                              tr(kAppTitle));
}

bool CDorvane_V2App::SaveZonePool(const QString& strPath, bool bChosen)
{
    // The pool file gets the entries it can hold; the window keeps every
    // zone, so that Make File still writes the instrument as it stands.
    auto pKept = std::make_unique<CDorvane_V2Doc>(m_doc);
    DropEntriesWithoutFile(*pKept);
    if (bChosen)
        RebasePoolPaths(*pKept, strPath.toStdString());
    if (!ShowAsMessages(pKept->OnSaveDocument(strPath.toStdString()), m_pMainWnd->Messages()))
        return false;
    m_doc.SetPathName(pKept->GetPathName());
    m_doc.SetModifiedFlag(false);
    AddToRecentFileList(m_doc.GetPathName());
    UpdateCaption();
    return true;
}

bool CDorvane_V2App::SaveModified()
{
    if (!m_doc.IsModified())
        return true;
    const QString strText = tr("Save changes to %1?").arg(QString::fromStdString(m_doc.GetTitle()));
    switch (m_dialogs.AskYesNoCancel(m_pMainWnd.get(), strText, tr(kAppTitle)))
    {
    case YesNoCancel::Yes:
        return OnFileSave();
    case YesNoCancel::No:
        return true;
    case YesNoCancel::Cancel:
        break;
    }
    return false;
}

void CDorvane_V2App::AddToRecentFileList(const std::string& strPath)
{
    if (strPath.empty())
        return;
    m_recent.Add(QString::fromStdString(strPath));
    WriteRecentFileList();
    UpdateRecentMenu();
}

void CDorvane_V2App::WriteRecentFileList()
{
    QSettings settings(QString::fromLatin1(kRegistryKey), QString::fromLatin1(kAppName));
    m_recent.WriteList(settings);
}

void CDorvane_V2App::ReadOptions()
{
    const QSettings settings(QString::fromLatin1(kRegistryKey), QString::fromLatin1(kAppName));
    CPoolController& controller = m_pMainWnd->View()->Controller();
    controller.m_options.Read(settings);
    controller.ApplyOptions();
}

void CDorvane_V2App::WriteOptions()
{
    QSettings settings(QString::fromLatin1(kRegistryKey), QString::fromLatin1(kAppName));
    CPoolController& controller = m_pMainWnd->View()->Controller();
    controller.TakeDocumentOptions();
    controller.m_options.Write(settings);
}

void CDorvane_V2App::UpdateRecentMenu()
{
    if (!m_pMainWnd)
        return;
    QStringList aNames;
    const QString strCurrentDir = QDir::currentPath();
    for (int i = 0; i < m_recent.GetSize(); ++i)
        aNames << m_recent.GetDisplayName(i, strCurrentDir);
    m_pMainWnd->SetRecentFiles(aNames);
}

void CDorvane_V2App::UpdateCaption()
{
    if (m_pMainWnd)
        m_pMainWnd->UpdateCaption(QString::fromStdString(m_doc.GetTitle()));
}
