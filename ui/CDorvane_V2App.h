// The application: start-up, the document commands (New, Open, Save, Save
// As, the recent files, Exit) and the About box. One document, one main
// window and one view live for the whole run and are reused for every pool.
#pragma once

#include "CDorvane_V2Doc.h"
#include "CRecentFileList.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CDialogService;
class CMainFrame;
struct SZoneSave;

class CDorvane_V2App : public QObject
{
    Q_OBJECT
  public:
    // The settings store of the recent-file list and of the Settings
    // dialog's options kept between runs.
    static constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
    static constexpr const char* kAppName = "Dorvane V2";

    explicit CDorvane_V2App(CDialogService& dialogs);
    ~CDorvane_V2App() override;

    // Where the template is looked for; set before InitInstance (tests).
    void SetTemplateDirs(std::vector<std::string> aDirs) { m_aTemplateDirs = std::move(aDirs); }

    // Start-up: reads the recent-file list, creates the window and gives
    // its view the kept options (ReadOptions), carries out
    // the command line (nothing: a new pool; a path: that pool file or
    // instrument file), which
    // loads the template; shows the window at the screen's top-left corner
    // with the pool's list built, then the About box (bShowAbout). Returns
    // nothing to go on with the event loop, or the exit status when the
    // program must end: 1 for a missing template or a pool file named on
    // the command line that cannot be opened.
    std::optional<int> InitInstance(const QStringList& aArgs, bool bShowAbout = true);

    void OnAppAbout();
    void OnFileNew();
    void OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    void OnOpenRecentFile(int nIndex);

    enum class OpenResult
    {
        Opened,
        Cancelled, // the user kept the modified pool
        Failed,    // the file could not be read (the user was told)
    };
    OpenResult OpenDocumentFile(const QString& strPath);
    // Offers to save a modified pool: "Save changes to %1?". false when the
    // user cancels or the save fails.
    bool SaveModified();

    CMainFrame* MainWnd() const { return m_pMainWnd.get(); }
    CDorvane_V2Doc& Doc() { return m_doc; }
    const CRecentFileList& RecentFiles() const { return m_recent; }

  private:
    // The main window with its commands bound, the kept options given to
    // its controller and its size as the store keeps it.
    void CreateMainWindow();
    // Opens the pool file or instrument file named on the command line; a
    // file that is no pool at all gives an empty untitled pool. false: the program ends
    // with exit status 1.
    bool OpenFirstPool(const QString& strFile);
    bool NewDocument();
    // Open of an instrument file: its zones as the entries of an untitled
    // pool, the file in the recent list and the caption.
    OpenResult OpenInstrumentFile(const QString& strPath);
    bool DoSave(QString strPath);
    // Before a pool with entries made from instrument zones is saved: asks
    // whether to save what a pool file can hold (true: Yes), or says that
    // it can hold none of them (false).
    bool AskZoneSave(const SZoneSave& save);
    // Saves the entries a pool file can hold to strPath (chosen in Save
    // As's dialog: paths rebased as for any pool); the window's pool keeps
    // its zones and takes the file's name.
    bool SaveZonePool(const QString& strPath, bool bChosen);
    void AddToRecentFileList(const std::string& strPath);
    void UpdateRecentMenu();
    void WriteRecentFileList();
    // The Settings dialog's options kept between runs (conversion, the rate
    // limit and its value, the files' root key and loop, multisample
    // keymaps), all off when never stored; a stored rate outside the
    // dialog's range gives the default value.
    void ReadOptions();
    void WriteOptions();
    void UpdateCaption();

    CDialogService& m_dialogs;
    CDorvane_V2Doc m_doc;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    CRecentFileList m_recent;
    std::optional<std::vector<std::string>> m_aTemplateDirs;
};
