// Helpers of the window tests: a dialog service that answers from queues
// and records what was asked, and a started application in a temporary
// folder with its own template and settings store.
#pragma once

#include "CDialogService.h"
#include "CDorvane_V2App.h"
#include "CDorvane_V2View.h"
#include "CEntryForm.h"
#include "CMainFrame.h"
#include "CPoolTable.h"
#include "CPoolTableModel.h"
#include "CSoundPlayer.h"
#include "TestSupport.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace uitest
{

struct ShownMessage
{
    QString strText;
    QString strCaption;
    MessageIcon icon;
};

struct FileDialogCall
{
    bool bSave;
    QString strTitle;
    FileFilters aFilters;
    QString strDefaultExt;
    bool bOverwritePrompt;
};

class CFakeDialogs : public CDialogService
{
  public:
    QString GetOpenFileName(QWidget* pOwner, const QString& strTitle, const FileFilters& aFilters,
                            const QString& strDefaultExt) override;
    // Answers from m_aMultiFileAnswers, or else from m_aFileAnswers as a
    // list of the one path ("" = cancel).
    QStringList GetOpenFileNames(QWidget* pOwner, const QString& strTitle,
                                 const FileFilters& aFilters,
                                 const QString& strDefaultExt) override;
    QString GetExistingDirectory(QWidget* pOwner, const QString& strTitle,
                                 const QString& strKindExt) override;
    QString GetSaveFileName(QWidget* pOwner, const QString& strTitle, const FileFilters& aFilters,
                            const QString& strDefaultExt, bool bOverwritePrompt,
                            const QString& strInitialName) override;
    void MessageBox(QWidget* pOwner, const QString& strText, const QString& strCaption,
                    MessageIcon icon) override;
    YesNoCancel AskYesNoCancel(QWidget* pOwner, const QString& strText,
                               const QString& strCaption) override;
    // Shows the dialog, lets m_fnDialog work on it (default: nothing), and
    // closes it with Cancel if it is still open afterwards.
    int ExecDialog(QDialog& dlg) override;

    std::deque<QString> m_aFileAnswers; // answers of the file dialogs, in order ("" = cancel)
    std::deque<QStringList> m_aMultiFileAnswers;
    std::deque<YesNoCancel> m_aYesNoAnswers;
    std::function<void(QDialog&)> m_fnDialog;

    std::vector<FileDialogCall> m_aFileCalls;
    std::vector<ShownMessage> m_aMessages;
    QStringList m_aQuestions;
    QStringList m_aDialogTitles;
};

// Records Play and Stop instead of playing.
class CRecordingSound : public CSoundPlayer
{
  public:
    void Play(const QString& strPath, bool bLoop) override
    {
        m_aCalls << (bLoop ? "loop " : "play ") + strPath;
    }
    void Stop() override { m_aCalls << QStringLiteral("stop"); }
    QStringList m_aCalls;
};

// 1248 bytes that differ from position to position.
test::Bytes PatternTemplate();

// An application started in its own temporary folder (the current folder
// while it lives), with a template there and the settings store there.
class CAppHarness
{
  public:
    explicit CAppHarness(const QStringList& aArgs = {}, bool bShowAbout = false,
                         bool bWithTemplate = true);
    ~CAppHarness();

    std::optional<int> m_nExit; // what InitInstance returned
    CDorvane_V2App& App() { return *m_pApp; }
    CMainFrame& Frame() { return *m_pApp->MainWnd(); }
    CDorvane_V2View& View() { return *m_pApp->MainWnd()->View(); }
    CPoolController& Controller() { return View().Controller(); }
    CEntryForm& Form() { return View().Form(); }
    CDorvane_V2Doc& Doc() { return m_pApp->Doc(); }
    std::string Path(const std::string& strName) const { return m_dir / strName; }
    // Writes a WAV file into the folder and returns its path.
    std::string Wav(const std::string& strName, int nChannels = 1, int nBits = 16,
                    int nRate = 44100, std::size_t nDataBytes = 400);
    // Adds a file to the pool through the Add command.
    void Add(const std::string& strPath);

    test::TempDir m_dir;
    CFakeDialogs m_dialogs;
    CRecordingSound* m_pSound = nullptr;

  private:
    std::unique_ptr<test::ScopedCurrentDir> m_pCwd;
    std::unique_ptr<CDorvane_V2App> m_pApp;
};

// The tooltip and the text of row nRow's cell in the pool table (the file
// column unless nColumn is given).
QString RowTip(CDorvane_V2View& view, int nRow, int nColumn = CPoolTableModel::kColFile);
QString RowText(CDorvane_V2View& view, int nRow, int nColumn = CPoolTableModel::kColFile);

// Lets queued calls (the pool rebuild after New and Open) run.
void ProcessEvents();

// Triggers pCommand with the frame's work cancelled as soon as it starts;
// returns whether the frame showed itself busy at that moment.
bool TriggerCancelledAtStart(CMainFrame& frame, QAction* pCommand);

} // namespace uitest
