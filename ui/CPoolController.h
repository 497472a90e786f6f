// The pool's commands and the working state that is not saved with the
// pool: the object template, the WAV facts of every entry, the Krz-File
// settings, the options of the audio input and of multisample keymaps. The
// controller keeps the table model, the entry form and the pool count in
// step with the document: every edit of the form goes at once into the
// selected entry. Commands run the operations of ops/ and show their
// outcomes through the dialog service.
#pragma once

#include "CDorvane_V2Doc.h"
#include "COptionValues.h"
#include "CPoolTableModel.h"
#include "CommandGuard.h"
#include "KrzTemplate.h"
#include "PoolEdit.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CDialogService;
class CEntryForm;
class CFeedback;
class CMessageSink;
class COutcome;
class CPoolTable;
class CSoundPlayer;
class CWindowFeedback;
class QCheckBox;
class QLineEdit;
class QWidget;

class CPoolController : public QObject
{
    Q_OBJECT
  public:
    // The longest path Add's file dialog can return (256 characters with
    // the terminating zero).
    static constexpr int kMaxWavPath = 255;

    // pOwner: the widget the controller's dialogs belong to.
    CPoolController(CDorvane_V2Doc& doc, CDialogService& dialogs, QWidget* pOwner);
    ~CPoolController() override;

    // The widgets the controller shows the pool in and reads the user's
    // choices from: the table (its selection), the entry form, the pool
    // count field and the Split Files box. Connects the form's signals.
    void Attach(CPoolTable* pTable, CEntryForm* pForm, QLineEdit* pPoolCount,
                QCheckBox* pSplitFiles);
    CPoolTableModel& Model() { return m_model; }

    // Where the commands report status and progress, and the messages of
    // their outcomes (one object that is both); until one is set, the
    // default (SetDefaultFeedback).
    template <typename T> void SetFeedback(T* pFeedback)
    {
        m_pFeedback = pFeedback;
        m_pMessages = pFeedback;
    }
    void SetDefaultFeedback(CWindowFeedback* pFeedback) { m_pDefault = pFeedback; }
    CFeedback& Feedback() const;
    CMessageSink& Messages() const;
    // Where "dvntemp.dat" is looked for (default: the current folder, the
    // executable's folder, the installed data folder).
    void SetTemplateDirs(std::vector<std::string> aDirs) { m_aTemplateDirs = std::move(aDirs); }
    // Replaces the sound output (tests record the calls).
    void SetSoundPlayer(std::unique_ptr<CSoundPlayer> pPlayer);

    // Run after each New and Open: resets the root-key arrows and the
    // settings (after New, bNewPool, also LoopSwitch), loads the template
    // the first time, sets the refresh flag and queues the rebuild. Returns
    // false only when the template could not be loaded (its message has
    // been shown); the program must then end with exit status 1.
    bool OnInitialUpdate(bool bNewPool = false);
    // The rebuild of a new or opened pool, run as a queued call after the
    // initial update: when the document's refresh flag is set, every WAV
    // header is read again (each bad file showing its message), the detail
    // fields are emptied and the table is filled anew, the old selected
    // index selected again without showing it.
    void OnRefresh();
    // Runs a queued rebuild now, if one is pending.
    void RunPendingRefresh();
    bool IsRefreshPending() const { return m_bRefreshQueued; }

    // Reads the header of entry nIndex's file into m_aWavInfo[nIndex]
    // (ReadAudioHeader with AudioOptions()); a loop of the file that lies
    // outside its data puts "Loop of <file> lies outside its data: ignored"
    // into the status bar.
    void ReadWavHeader(int nIndex);
    // Reads every entry's header, empties the detail fields and clears the
    // document's refresh flag. Entries whose files are missing get no
    // message each but one message that lists them, be they one or several.
    void RefreshWavInfo();

    // The data exchange. false: members into fields. true: fields into
    // members in the order count, file name, sample name, program name,
    // keymap name, root key, type; the first field over its limit shows its
    // message, gets the focus with its text selected and ends the copy.
    bool UpdateData(bool bSaveAndValidate);

    // Adds each file as Add adds one, in order, up to the pool's limit:
    // empty paths are passed over, paths longer than kMaxWavPath are left
    // out and named in one message (LongPathsMessage), the last entry added
    // is selected and shown, and one message tells how many files were
    // left out for the limit. With the files' metadata option each new entry takes its
    // root key and LoopSwitch from its file (ApplyFileMetadata). Returns the
    // number added.
    int AddFiles(const QStringList& aPaths);
    // A drop of files: the form's values go into the selected entry first,
    // then the files are added as Add adds them.
    void DropFiles(const QStringList& aPaths);
    // Whether Add takes strPath by its extension (any case): ".wav", and
    // with bOtherAudio also ".aif", ".aiff", ".aifc", ".flac", ".caf" and
    // ".w64".
    static bool IsAddablePath(const QString& strPath, bool bOtherAudio);
    // The files IsAddablePath takes directly in strFolder, by name.
    static QStringList WavFilesIn(const QString& strFolder, bool bOtherAudio = false);
    // The files a drop brings: dropped files IsAddablePath takes and those
    // of dropped folders, in the order dropped; other files are passed over.
    static QStringList DroppedWavFiles(const QList<QUrl>& aUrls, bool bOtherAudio = false);
    static QString LeftOutMessage(int nLeftOut);
    // One message for the entries whose files are missing, one or several.
    static QString MissingFilesMessage(const QStringList& aPaths);
    // The files Add, Add folder, a drop or Relink left out because their
    // paths are longer than kMaxWavPath, named in one message.
    static QString LongPathsMessage(const QStringList& aPaths);
    // Shows every entry's path anew in the table and the Filename field
    // (after the paths were rewritten by Save As).
    void UpdatePathsShown();

    // While an operation (Make File, Split, Join) runs: BusyChanged lets
    // the window refuse input and drops, m_fnBusy tells the frame, and the
    // window keeps repainting. Nested calls are not counted.
    void SetBusy(bool bBusy);
    bool IsBusy() const { return m_bBusy; }
    std::function<void(bool)> m_fnBusy;

    // Commands and notifications.
    void OnAdd();
    // Adds every WAV file of a folder the user picks.
    void OnAddFolder();
    // Points the selected entry at a file the user picks; its names, loop,
    // root key and Enable switches stay.
    void OnRelink();
    // Removes every selected entry.
    void OnDelete();
    void OnSelchangePoolList();
    void OnPlay();
    void OnStop();
    void OnDeltaposRootNote(int nDelta);
    void OnDeltaposRootOctave(int nDelta);
    // Up and Down (nSemitones ±1) and Page Up and Page Down (±12) in the
    // root-key field: the key moves with carry between note and octave and
    // holds at C 0 and B 9.
    void StepRootKeyBy(int nSemitones);
    void OnChangeSampleName();
    void OnChangeKeymapName();
    void OnChangeProgramName();
    void OnLoopSwitch();
    void OnKeymapEnable();
    void OnProgramEnable();
    void OnMakeFile();
    // The Settings dialog. When its audio options change, every entry's
    // header is read again (the Type lines and the usable entries follow);
    // a change of the kept options is reported through m_fnOptionsChanged.
    void OnSettings();
    void OnToolsSplit();
    void OnToolsJoin();
    // Tools > Copy to Disk Image: a KRZ file (or part) and a FAT12/FAT16
    // disk image chosen in file dialogs; the file goes into the image's
    // root folder under its 8.3 name.
    void OnToolsCopyToImage();
    // Tools > Extract KRZ File: a source (KRZ file, first part or disk
    // image) and a folder chosen in dialogs; RunExtract on the worker
    // thread, its outcome (or where the files went) shown.
    void OnToolsExtract();
    // Pool > Set Group Names: asks for one keymap name and one program name
    // (proposing the current entry's) and sets them on every selected
    // entry, each cut to 16 characters; the document is then modified.
    void OnSetGroupNames();

    // Shows or hides the group line and the table's Keys column as the
    // multisample option says, with the text for the current entry; run
    // after the option changes. With entries made from instrument zones
    // the table shows their Keys and Velocity columns, and a zone entry's
    // form its zone (ShowZoneFields).
    void UpdateGroupKeys();

    // File > Open of an instrument file (.sfz, .dspreset, .sf2): reads it
    // on the worker and puts its zones into the pool (OpenInstrumentPool),
    // showing the outcome's notes. false when it was refused (its message
    // shown): the pool is as it was.
    bool OpenInstrumentFile(const std::string& strPath);
    // m_options into force: the document's path option and the group line.
    void ApplyOptions();
    // The document's path option into m_options (it may have been set on
    // the document itself).
    void TakeDocumentOptions();
    // The options of Make File that m_options hold, in force.
    CMakeOptions KeptMakeOptions() const;
    // Make File's options: the kept ones and the first ID, split and floppy
    // sizes the form holds; and the inputs its outputs must not replace
    // (the template, the pool file when it has one).
    CMakeOptions FormMakeOptions() const;
    std::vector<std::string> MakeOtherInputs() const;

    // The audio input's options as the Settings dialog set them.
    CAudioOptions AudioOptions() const;
    // Called after the Settings dialog changed one of the options kept
    // between runs, so that the application stores them.
    std::function<void()> m_fnOptionsChanged;

    // Runs a handler under the top-level command handling.
    template <typename Fn> void Guard(Fn fn) { RunGuarded(m_dialogs, m_pOwner, fn); }

    int m_nPoolCount = 0;
    int m_nRootNote = 0;
    int m_nRootOctave = 4;
    int m_nMaxSplitKB = 1400;
    int m_nFirstObjectID = 200;
    int m_nFloppyImageKB = 0; // floppy images Make File writes: 0 (none), 720 or 1440
    // The options kept between runs (not reset at New and Open): those of
    // the audio input, multisample keymaps (entries with the same keymap
    // name share one keymap: the form shows the current entry's group line
    // and the table the Keys column) and the pool file's relative paths,
    // which the document holds (ApplyOptions).
    COptionValues m_options;
    TemplateBytes m_abTemplate{};
    WavInfoArray m_aWavInfo{};

  signals:
    // An operation starts (true) or ends (false).
    void BusyChanged(bool bBusy);

  private:
    // Add's first step: the form's values into the selected entry.
    void StoreSelectedEntry();
    // Shows new entry n as Add leaves it: selected, with Add's defaults.
    void ShowNewEntry(int n);
    void ShowRootKey();
    // Empties the detail fields' values.
    void ClearFields();
    // Shows an outcome's notes as message boxes, in order.
    void ShowOutcome(const COutcome& outcome);
    // Split's and Join's dialog: false when cancelled, else its two paths
    // (the form's fields are shown again first).
    template <typename TDialog> bool AskSourceAndDest(std::string& strSource, std::string& strDest);
    // Runs work on a worker with the window busy and a wait cursor, and
    // shows its outcome.
    void RunWhileBusy(const std::function<COutcome(CFeedback&)>& work);
    // Make File's build, reading every entry from where its file was found;
    // its outcome shown. False when a file error stopped it where it stood.
    bool BuildFromFoundFiles(const std::string& strOutput, CFeedback& feedback,
                             QString& strSummary);
    // Make File of a pool of zone entries: the instruments of the entries
    // (InstrumentsFromPool) written as dorvane-cli's make writes them from
    // the instrument file; the summary lines joined. As
    // BuildFromFoundFiles otherwise.
    bool BuildInstruments(const std::string& strOutput, CFeedback& feedback, QString& strSummary);
    // The form of a zone entry: the program name shows the instrument's
    // name (the keymap name) read-only, the Enable boxes are off limits
    // and the loop switch too for a zone without loop points; the group
    // line shows what the pool cannot hold. Every field as usual for an
    // entry of a file. true for a zone entry.
    bool ShowZoneFields();
    // A keymap name typed for a zone entry names its whole instrument: the
    // keymap and program names of every entry of the instrument follow.
    void NameInstrumentOfSelected();
    // The selected entry's keymap and program names after a build filled them.
    void ShowFilledNames();
    void QueueRefresh();
    void SetModified();
    // One click on the note (nMax 11) or octave (nMax 9) arrows.
    void StepRootKey(int& nValue, int nMax, int nDelta);
    // The selected entry, or nullptr when no row is selected.
    CWPoolObj* SelectedEntry();
    // An edit of the selected entry: the table's row and the group line follow.
    void EntryEdited(int nRow);
    // A name field's change: all fields into the members, then the given
    // member into the selected entry's field.
    void StoreNameField(std::string CWPoolObj::*pField, const QString& strValue);
    // A check box's click: its state into the selected entry's field.
    void StoreCheckBox(std::int32_t CWPoolObj::*pField, const QCheckBox* pBox);
    // Tells the user the pool is full; true when it is.
    bool RefuseFullPool();
    void ConnectForm();
    bool PoolCountFromField();

    CDorvane_V2Doc& m_doc;
    CDialogService& m_dialogs;
    QWidget* m_pOwner;
    CPoolTableModel m_model;
    CPoolTable* m_pTable = nullptr;
    CEntryForm* m_pForm = nullptr;
    QLineEdit* m_edPoolCount = nullptr;
    QCheckBox* m_btnSplitFiles = nullptr;
    CFeedback* m_pFeedback = nullptr;
    CMessageSink* m_pMessages = nullptr;
    CWindowFeedback* m_pDefault = nullptr; // used until a feedback is set
    std::unique_ptr<CSoundPlayer> m_pSound;
    std::vector<std::string> m_aTemplateDirs;
    std::string m_strTemplatePath;  // the template file loaded at start-up
    bool m_bTemplatePending = true; // the template is still to be loaded
    bool m_bRefreshQueued = false;
    bool m_bBusy = false;
};
