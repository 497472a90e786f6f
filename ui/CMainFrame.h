// The main window: menu bar, toolbar, status bar (message pane and the
// CAP / NUM / SCRL indicators), the accelerator keys, and the pool form
// view as its client.
#pragma once

#include "CDorvane_V2Doc.h"
#include "CWindowFeedback.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <vector>

class CAcceleratorFilter;
class CBackgroundWork;
class CDialogService;
class CDorvane_V2View;
class CFeedback;
class QAction;
class QLabel;
class QMenu;
class QSettings;
class QTimer;

class CMainFrame : public QMainWindow
{
    Q_OBJECT
  public:
    // The window's size at start and the title after the pool's title.
    static constexpr int kWidth = 468;
    static constexpr int kHeight = 524;
    static constexpr const char* kWindowTitle = "Dorvane";

    CMainFrame(CDorvane_V2Doc& doc, CDialogService& dialogs);
    ~CMainFrame() override;

    CDorvane_V2View* View() const { return m_pView; }
    // The document commands' channel: message boxes owned by the window.
    CFeedback& Feedback() const { return *m_pFeedback; }
    // Where the window shows messages: message boxes over the frame.
    CMessageSink& Messages() const { return *m_pFeedback; }

    // Sets the message pane's text and shows it at once.
    void SetStatusText(const QString& strText);
    QString StatusText() const;
    // "<pool title> - Dorvane".
    void UpdateCaption(const QString& strPoolTitle);
    // Fills the recent-file entries of the File menu ("&1 name" ...); with
    // no names the grayed "Recent File" placeholder shows.
    void SetRecentFiles(const QStringList& aDisplayNames);
    // Reads the lock keys and shows the indicators.
    void UpdateIndicators();
    // While an operation runs: every command is disabled (those enabled
    // before come back after), the window cannot be closed and the
    // channels repaint the window as they report.
    void SetBusy(bool bBusy);
    bool IsBusy() const { return m_bBusy; }
    // Where the view's long operations run (CBackgroundWork), with its
    // Cancel button beside the progress bar.
    CBackgroundWork& Work() const { return *m_pWork; }

    // The question asked when the window is closed while an operation runs.
    static constexpr const char* kCancelRunningQuestion = "Cancel the operation that is running?";

    // Asked before the window closes (Exit, the close box); false keeps it.
    std::function<bool()> m_fnCanClose;
    // Told when the window closes, after m_fnCanClose let it.
    std::function<void()> m_fnClosed;

    // The window's size and the divider between pool and form, as the
    // settings store keeps them between runs (kSizeKey, kSplitterKey); a
    // store without them, or with a size under kMinKeptSize, leaves the
    // window as it is, and a size larger than the screen is cut to it.
    static constexpr const char* kSizeKey = "Window/Size";
    static constexpr const char* kSplitterKey = "Window/Splitter";
    static constexpr int kMinKeptSize = 100; // pixels, each way
    void RestoreLayout(const QSettings& settings);
    void SaveLayout(QSettings& settings) const;
    // A recent-file entry was chosen (0 = the newest).
    std::function<void(int)> m_fnOpenRecent;

    // Commands, as the menus and the toolbar show them.
    QAction* m_actFileNew;
    QAction* m_actFileOpen;
    QAction* m_actFileSave;
    QAction* m_actFileSaveAs;
    QAction* m_actAppExit;
    QAction* m_actViewToolbar;
    QAction* m_actViewStatusBar;
    QAction* m_actAdd;
    QAction* m_actAddFolder;
    QAction* m_actDelete;
    QAction* m_actRelink;
    QAction* m_actSetGroupNames;
    QAction* m_actPlay;
    QAction* m_actStop;
    QAction* m_actMakeFile;
    QAction* m_actSettings;
    QAction* m_actToolsSplit;
    QAction* m_actToolsJoin;
    QAction* m_actToolsCopyToImage;
    QAction* m_actToolsExtract;
    QAction* m_actAppAbout;
    QAction* m_actRecentPlaceholder;
    std::vector<QAction*> m_aRecentActions;
    // The accelerator table: hidden actions, one per key.
    std::vector<QAction*> m_aAccelerators;

    QMenu* m_menuFile;
    QToolBar* m_wndToolBar;
    QStatusBar* m_wndStatusBar;
    QLabel* m_lblMessage;
    QLabel* m_lblCaps;
    QLabel* m_lblNum;
    QLabel* m_lblScroll;

  protected:
    void closeEvent(QCloseEvent* pEvent) override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateAccelerators();

    CDorvane_V2Doc& m_doc;
    CDialogService& m_dialogs;
    CDorvane_V2View* m_pView;
    std::unique_ptr<CWindowFeedback> m_pFeedback;
    std::unique_ptr<CWindowFeedback> m_pViewFeedback;
    bool m_bBusy = false;
    std::vector<QAction*> m_aBusyDisabled; // the commands SetBusy disabled
    CAcceleratorFilter* m_pAccelFilter = nullptr;
    CBackgroundWork* m_pWork = nullptr;
    bool m_bCloseWhenIdle = false; // closing waits for a cancelled operation
    QTimer* m_pIndicatorTimer = nullptr;
};
