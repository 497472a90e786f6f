#include "CMainFrame.h"

#include "CAcceleratorFilter.h"
#include "CBackgroundWork.h"
#include "CDialogService.h"
#include "CDorvane_V2View.h"
#include "CProgressCtrl.h"
#include "CWindowFeedback.h"
#include "CommandGuard.h"
#include "DialogUnits.h"
#include "LockKeys.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

// The pictures are compiled into the static library: register them.
static void InitResources()
{
    Q_INIT_RESOURCE(ui);
}

namespace
{
// An action with its menu text, status-bar prompt and tooltip.
QAction* MakeAction(QObject* pParent, const char* szText, const char* szPrompt,
                    const char* szTip = nullptr)
{
    auto* pAction = new QAction(QCoreApplication::translate("CMainFrame", szText), pParent);
    if (szPrompt)
        pAction->setStatusTip(QCoreApplication::translate("CMainFrame", szPrompt));
    // Without a tooltip of its own a toolbar button would show the menu
    // text; the commands without a button have none to show.
    pAction->setToolTip(szTip ? QCoreApplication::translate("CMainFrame", szTip) : QString());
    return pAction;
}
} // namespace

CMainFrame::CMainFrame(CDorvane_V2Doc& doc, CDialogService& dialogs)
    : m_doc(doc), m_dialogs(dialogs)
{
    InitResources();
    setFont(DialogFont());
    setWindowIcon(QIcon(QStringLiteral(":/ui/dorvane.png")));

    m_pView = new CDorvane_V2View(m_doc, m_dialogs, this);
    setCentralWidget(m_pView);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateAccelerators();

    auto status = [this](const QString& strText) { SetStatusText(strText); };
    m_pFeedback = std::make_unique<CWindowFeedback>(status, nullptr, m_dialogs, this);
    m_pViewFeedback =
        std::make_unique<CWindowFeedback>(status, m_pView->m_ctlProgress, m_dialogs, m_pView);
    m_pView->SetFeedback(m_pViewFeedback.get());
    m_pView->Controller().m_fnBusy = [this](bool bBusy) { SetBusy(bBusy); };
    m_pWork = new CBackgroundWork(this);
    m_pWork->AttachCancel(m_pView->m_ctlProgress);
    // The controller's busy state disables the form and, through m_fnBusy,
    // every command here.
    m_pWork->m_fnBusy = [this](bool bBusy) { m_pView->Controller().SetBusy(bBusy); };
    m_pWork->m_fnIsBusy = [this] { return m_bBusy; };

    // The size inside the frame: a window's outer size cannot be set
    // before the window manager has decorated it, and without one the two
    // are the same.
    resize(kWidth, kHeight);
    UpdateCaption(tr("Untitled"));
}

CMainFrame::~CMainFrame()
{
    if (m_pAccelFilter)
        qApp->removeEventFilter(m_pAccelFilter);
}

void CMainFrame::CreateActions()
{
    m_actFileNew =
        MakeAction(this, "&New Sample-pool\tCtrl+N", "Create a new Sample-pool", "New Pool");
    m_actFileOpen = MakeAction(this, "&Open Sample-pool...\tCtrl+O", "Open an existing Sample-pool",
                               "Open Pool");
    m_actFileSave =
        MakeAction(this, "&Save Sample-pool\tCtrl+S", "Save the active Sample-pool", "Save Pool");
    m_actFileSaveAs = MakeAction(this, "Save Sample-pool &As...",
                                 "Save the active pool with a new name", "Save Pool As");
    m_actAppExit = MakeAction(this, "E&xit", "Quit the application; prompts to save pool", "Exit");
    m_actViewToolbar = MakeAction(this, "&Toolbar", "Show or hide the toolbar", "Toggle ToolBar");
    m_actViewStatusBar =
        MakeAction(this, "&Status Bar", "Show or hide the status bar", "Toggle StatusBar");
    m_actAdd = MakeAction(this, "&Add wav-file\tCtrl+A", "Add a wav-file to the Sample-pool",
                          "Add wav to pool");
    m_actAddFolder =
        MakeAction(this, "Add &folder...", "Add every wav-file of a folder to the Sample-pool");
    m_actDelete = MakeAction(this, "&Delete wav-file\tCtrl+D",
                             "Delete a wav-file from the Sample-pool", "Delete wav from pool");
    m_actRelink =
        MakeAction(this, "&Relink wav-file...", "Point the selected entry at another wav-file");
    m_actSetGroupNames =
        MakeAction(this, "Set &Group Names...",
                   "Set one keymap name and one program name on every selected entry");
    m_actPlay = MakeAction(this, "&Play Sample\tCtrl+P", "Play the selected sample", "Play wav");
    m_actStop = MakeAction(this, "&Stop Sample\tSpace", "Stop playing sample", "Stop wav play");
    m_actMakeFile =
        MakeAction(this, "&Make krz-file\tCtrl+M", "Make & Save krz-file", "Make .krz-file");
    m_actSettings = MakeAction(this, "Settings...\tCtrl+C", "Krz-file control settings");
    m_actToolsSplit = MakeAction(this, "Split existing krz-file...",
                                 "Splits an existing krz-file in multiple krz-files");
    m_actToolsJoin = MakeAction(this, "Join existing krz-files...", nullptr);
    m_actToolsCopyToImage = MakeAction(this, "Copy to Disk Image...",
                                       "Copies a krz-file into a FAT12 or FAT16 disk image");
    m_actToolsExtract = MakeAction(this, "Extract KRZ File...",
                                   "Takes a krz-file or the krz-files of a disk image apart "
                                   "into WAV and SFZ files");
    m_actAppAbout =
        MakeAction(this, "&About Dorvane_V2...", "Show the program's picture and name", "About");
    m_actRecentPlaceholder = MakeAction(this, "Recent File", nullptr);
    m_actRecentPlaceholder->setEnabled(false);

    m_actViewToolbar->setCheckable(true);
    m_actViewToolbar->setChecked(true);
    m_actViewStatusBar->setCheckable(true);
    m_actViewStatusBar->setChecked(true);

    // The view's commands, each under the top-level command handling.
    auto bind = [this](QAction* pAction, void (CPoolController::*pHandler)())
    {
        connect(pAction, &QAction::triggered, this,
                [this, pHandler] {
                    RunGuarded(m_dialogs, this,
                               [this, pHandler] { (m_pView->Controller().*pHandler)(); });
                });
    };
    bind(m_actAdd, &CPoolController::OnAdd);
    bind(m_actAddFolder, &CPoolController::OnAddFolder);
    bind(m_actDelete, &CPoolController::OnDelete);
    bind(m_actRelink, &CPoolController::OnRelink);
    bind(m_actSetGroupNames, &CPoolController::OnSetGroupNames);
    bind(m_actPlay, &CPoolController::OnPlay);
    bind(m_actStop, &CPoolController::OnStop);
    bind(m_actMakeFile, &CPoolController::OnMakeFile);
    bind(m_actSettings, &CPoolController::OnSettings);
    bind(m_actToolsSplit, &CPoolController::OnToolsSplit);
    bind(m_actToolsJoin, &CPoolController::OnToolsJoin);
    bind(m_actToolsCopyToImage, &CPoolController::OnToolsCopyToImage);
    bind(m_actToolsExtract, &CPoolController::OnToolsExtract);
    connect(m_actAppExit, &QAction::triggered, this, &QWidget::close);
}

void CMainFrame::CreateMenus()
{
    m_menuFile = menuBar()->addMenu(tr("&File"));
    m_menuFile->addAction(m_actFileNew);
    m_menuFile->addAction(m_actFileOpen);
    m_menuFile->addAction(m_actFileSave);
    m_menuFile->addAction(m_actFileSaveAs);
    m_menuFile->addSeparator();
    m_menuFile->addAction(m_actRecentPlaceholder);
    m_menuFile->addSeparator();
    m_menuFile->addAction(m_actAppExit);

    QMenu* pView = menuBar()->addMenu(tr("&View"));
    pView->addAction(m_actViewToolbar);
    pView->addAction(m_actViewStatusBar);

    QMenu* pPool = menuBar()->addMenu(tr("&Pool"));
    pPool->addAction(m_actAdd);
    pPool->addAction(m_actAddFolder);
    pPool->addAction(m_actDelete);
    pPool->addAction(m_actRelink);
    pPool->addAction(m_actSetGroupNames);
    pPool->addSeparator();
    pPool->addAction(m_actPlay);
    pPool->addAction(m_actStop);

    QMenu* pControl = menuBar()->addMenu(tr("&Control"));
    pControl->addAction(m_actMakeFile);
    pControl->addSeparator();
    pControl->addAction(m_actSettings);

    QMenu* pTools = menuBar()->addMenu(tr("Tools"));
    pTools->addAction(m_actToolsSplit);
    pTools->addAction(m_actToolsJoin);
    pTools->addAction(m_actToolsCopyToImage);
    pTools->addAction(m_actToolsExtract);

    QMenu* pHelp = menuBar()->addMenu(tr("&Help"));
    pHelp->addAction(m_actAppAbout);
}

void CMainFrame::CreateToolBar()
{
    m_wndToolBar = new QToolBar(tr("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("Toolbar"));
    m_wndToolBar->setIconSize(QSize(16, 15));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    // Nine 16 x 15 images side by side, in button order, and the same drawn
    // at twice the size for screens at scale 2.
    const QPixmap strip(QStringLiteral(":/ui/toolbar.png"));
    const QPixmap strip2x(QStringLiteral(":/ui/toolbar@2x.png"));
    const QList<QAction*> aButtons = {m_actFileNew, m_actFileOpen, m_actFileSave,
                                      m_actAdd,     m_actDelete,   m_actPlay,
                                      m_actStop,    m_actMakeFile, m_actAppAbout};
    // The pictures are the toolbar's; the menus show text only.
    for (int i = 0; i < aButtons.size(); ++i)
    {
        QIcon icon(strip.copy(i * 16, 0, 16, 15));
        QPixmap large = strip2x.copy(i * 32, 0, 32, 30);
        large.setDevicePixelRatio(2.0);
        icon.addPixmap(large);
        aButtons[i]->setIcon(icon);
        aButtons[i]->setIconVisibleInMenu(false);
    }

    m_wndToolBar->addAction(m_actFileNew);
    m_wndToolBar->addAction(m_actFileOpen);
    m_wndToolBar->addAction(m_actFileSave);
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(m_actAdd);
    m_wndToolBar->addAction(m_actDelete);
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(m_actPlay);
    m_wndToolBar->addAction(m_actStop);
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(m_actMakeFile);
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(m_actAppAbout);

    connect(m_actViewToolbar, &QAction::toggled, m_wndToolBar, &QToolBar::setVisible);
    connect(m_wndToolBar, &QToolBar::visibilityChanged, m_actViewToolbar, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar()
{
    m_wndStatusBar = statusBar();
    m_lblMessage = new QLabel(tr("Ready"));
    m_lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_lblMessage->setMinimumWidth(1);
    m_wndStatusBar->addWidget(m_lblMessage, 1);

    const QFontMetrics fm(font());
    auto indicator = [&](const char* szText)
    {
        auto* pLabel = new QLabel;
        pLabel->setAlignment(Qt::AlignCenter);
        pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pLabel->setFixedWidth(fm.horizontalAdvance(tr(szText)) + 10);
        m_wndStatusBar->addPermanentWidget(pLabel);
        return pLabel;
    };
    m_lblCaps = indicator("CAP");
    m_lblNum = indicator("NUM");
    m_lblScroll = indicator("SCRL");

    connect(m_actViewStatusBar, &QAction::toggled, m_wndStatusBar, &QStatusBar::setVisible);

    // Where the keyboard's lock state cannot be read, the indicators stay
    // away rather than guess.
    if (ReadLockKeys())
    {
        m_pIndicatorTimer = new QTimer(this);
        connect(m_pIndicatorTimer, &QTimer::timeout, this, &CMainFrame::UpdateIndicators);
        m_pIndicatorTimer->start(250);
    }
    UpdateIndicators();
}

void CMainFrame::CreateAccelerators()
{
    struct AccelDef
    {
        QKeyCombination key;
        QAction* pCommand;
    };
    const AccelDef aTable[] = {
        {Qt::CTRL | Qt::Key_A, m_actAdd},
        {Qt::CTRL | Qt::Key_C, m_actSettings},
        {Qt::CTRL | Qt::Key_D, m_actDelete},
        {Qt::CTRL | Qt::Key_M, m_actMakeFile},
        {Qt::CTRL | Qt::Key_N, m_actFileNew},
        {Qt::CTRL | Qt::Key_O, m_actFileOpen},
        {Qt::CTRL | Qt::Key_P, m_actPlay},
        {Qt::CTRL | Qt::Key_S, m_actFileSave},
        {QKeyCombination(Qt::Key_Space), m_actStop},
    };
    std::vector<QKeyCombination> aKeys;
    for (const AccelDef& def : aTable)
    {
        // Separate from the menu entries, whose texts show only the keys
        // the menus name.
        auto* pAccel = new QAction(this);
        pAccel->setShortcut(QKeySequence(def.key));
        pAccel->setShortcutContext(Qt::WindowShortcut);
        QAction* pCommand = def.pCommand;
        connect(pAccel, &QAction::triggered, pCommand, [pCommand] { pCommand->trigger(); });
        addAction(pAccel);
        m_aAccelerators.push_back(pAccel);
        aKeys.push_back(def.key);
    }
    m_pAccelFilter = new CAcceleratorFilter(this, std::move(aKeys), this);
    qApp->installEventFilter(m_pAccelFilter);
}

void CMainFrame::SetStatusText(const QString& strText)
{
    // A prompt shown for the command that started the operation gives way.
    m_wndStatusBar->clearMessage();
    m_lblMessage->setText(strText);
    // The operations that set the text keep the event loop busy: paint now.
    m_lblMessage->repaint();
}

QString CMainFrame::StatusText() const
{
    return m_lblMessage->text();
}

void CMainFrame::UpdateCaption(const QString& strPoolTitle)
{
    setWindowTitle(tr("%1 - %2").arg(strPoolTitle, tr(kWindowTitle)));
}

void CMainFrame::SetRecentFiles(const QStringList& aDisplayNames)
{
    for (QAction* pAction : m_aRecentActions)
    {
        m_menuFile->removeAction(pAction);
        pAction->deleteLater();
    }
    m_aRecentActions.clear();
    m_actRecentPlaceholder->setVisible(aDisplayNames.isEmpty());
    for (int i = 0; i < aDisplayNames.size(); ++i)
    {
        QString strName = aDisplayNames[i];
        strName.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* pAction = new QAction(tr("&%1 %2").arg(i + 1).arg(strName), this);
        pAction->setStatusTip(tr("Open this Sample-pool"));
        connect(pAction, &QAction::triggered, this,
                [this, i]
                {
                    if (m_fnOpenRecent)
                        m_fnOpenRecent(i);
                });
        m_menuFile->insertAction(m_actRecentPlaceholder, pAction);
        m_aRecentActions.push_back(pAction);
    }
}

void CMainFrame::UpdateIndicators()
{
    const std::optional<LockKeyState> state = ReadLockKeys();
    const bool bKnown = state.has_value();
    m_lblCaps->setVisible(bKnown);
    m_lblNum->setVisible(bKnown);
    m_lblScroll->setVisible(bKnown);
    if (!bKnown)
        return;
    m_lblCaps->setText(state->bCaps ? tr("CAP") : QString());
    m_lblNum->setText(state->bNum ? tr("NUM") : QString());
    m_lblScroll->setText(state->bScroll ? tr("SCRL") : QString());
}

void CMainFrame::SetBusy(bool bBusy)
{
    if (bBusy == m_bBusy)
        return;
    m_bBusy = bBusy;
    if (bBusy)
    {
        for (QAction* pAction : findChildren<QAction*>())
        {
            if (pAction->isEnabled() && !pAction->isSeparator())
            {
                pAction->setEnabled(false);
                m_aBusyDisabled.push_back(pAction);
            }
        }
    }
    else
    {
        for (QAction* pAction : m_aBusyDisabled)
            pAction->setEnabled(true);
        m_aBusyDisabled.clear();
    }
    m_pFeedback->SetPumpEvents(bBusy);
    m_pViewFeedback->SetPumpEvents(bBusy);
    // A close that waited for a cancelled operation: the operation's command
    // has ended now; the close comes from the event loop, as usual.
    if (!bBusy && m_bCloseWhenIdle)
    {
        m_bCloseWhenIdle = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    // Closing in the middle of an operation would pull the pool from under
    // it: one running in the background may be cancelled, and the window
    // closes once it has ended.
    if (m_pWork->IsRunning())
    {
        pEvent->ignore();
        if (!m_bCloseWhenIdle &&
            m_dialogs.AskYesNo(this, QString::fromLatin1(kCancelRunningQuestion),
                               QString::fromLatin1(kAppTitle)))
        {
            m_bCloseWhenIdle = true;
            m_pWork->RequestCancel();
        }
        return;
    }
    if (m_bBusy)
    {
        pEvent->ignore();
        return;
    }
    bool bClose = true;
    RunGuarded(m_dialogs, this, [&] { bClose = !m_fnCanClose || m_fnCanClose(); });
    if (bClose)
    {
        pEvent->accept();
        if (m_fnClosed)
            m_fnClosed();
    }
    else
        pEvent->ignore();
}

void CMainFrame::RestoreLayout(const QSettings& settings)
{
    QSize size = settings.value(QString::fromLatin1(kSizeKey)).toSize();
    // A size kept on a larger screen is cut to this one's; one too small to
    // show anything (edited by hand) is passed over.
    if (const QScreen* pScreen = QGuiApplication::primaryScreen())
        size = size.boundedTo(pScreen->availableSize());
    if (size.width() >= kMinKeptSize && size.height() >= kMinKeptSize)
        resize(size);
    const QByteArray abSplitter = settings.value(QString::fromLatin1(kSplitterKey)).toByteArray();
    if (!abSplitter.isEmpty())
        m_pView->m_pSplitter->restoreState(abSplitter);
}

void CMainFrame::SaveLayout(QSettings& settings) const
{
    settings.setValue(QString::fromLatin1(kSizeKey), size());
    settings.setValue(QString::fromLatin1(kSplitterKey), m_pView->m_pSplitter->saveState());
}
