#include "CDorvane_V2View.h"

#include "CDialogService.h"
#include "CFatVolume.h"
#include "CFeedback.h"
#include "CGroupNamesDlg.h"
#include "CKrzFileDlg.h"
#include "CProgressCtrl.h"
#include "CSettingsDlg.h"
#include "CSoundPlayer.h"
#include "CTextLimitValidator.h"
#include "CUpDownCtrl.h"
#include "CWindowFeedback.h"
#include "CommandGuard.h"
#include "DialogInt.h"
#include "DialogUnits.h"
#include "FloppyImage.h"
#include "ImageRunner.h"
#include "JoinRunner.h"
#include "KrzBuilder.h"
#include "KrzJoin.h"
#include "KrzSplit.h"
#include "MakeRunner.h"
#include "MultiDiskCommands.h"
#include "Multisample.h"
#include "PoolPaths.h"
#include "RootKey.h"
#include "SplitRunner.h"
#include "WavReader.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <filesystem>

namespace
{
// The wait cursor while a command keeps the window busy.
class CWaitCursor
{
  public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

std::string ToStd(const QString& str)
{
    return str.toStdString();
}

QString FromStd(const std::string& str)
{
    return QString::fromStdString(str);
}

const QString kAppTitleText = QString::fromLatin1(kAppTitle);

const FileFilters kWavFilters = {{QStringLiteral("WAV Files: *.WAV"), QStringLiteral("*.wav")},
                                 {QStringLiteral("All Files: *.*"), QStringLiteral("*")}};

// With conversion on, Add's file dialogs propose every audio file Add takes.
const FileFilters kAudioFilters = {
    {QStringLiteral("Audio Files: *.WAV *.AIF *.AIFF *.AIFC *.FLAC *.CAF *.W64"),
     QStringLiteral("*.wav *.aif *.aiff *.aifc *.flac *.caf *.w64")},
    {QStringLiteral("WAV Files: *.WAV"), QStringLiteral("*.wav")},
    {QStringLiteral("All Files: *.*"), QStringLiteral("*")}};

// The extensions conversion adds to ".wav" (compared in any case).
const QStringList kOtherAudioSuffixes = {QStringLiteral("aif"),  QStringLiteral("aiff"),
                                         QStringLiteral("aifc"), QStringLiteral("flac"),
                                         QStringLiteral("caf"),  QStringLiteral("w64")};

// The Type line: a converted or resampled entry says what its file is and
// what it becomes; a plain one shows its format as before.
QString TypeText(const WAVINFO& info)
{
    return FromStd(info.strTypeText.empty() ? WavTypeText(info) : info.strTypeText);
}

bool IsFile(const std::string& strPath);

// A file that is not there is no unsupported file type: the line says so.
QString TypeText(const WAVINFO& info, const CWPoolObj& entry)
{
    return IsFile(entry.FilePath()) ? TypeText(info) : QStringLiteral("File not found");
}

const QString kPoolFullText = QString::fromLatin1(kPoolFullMessage);

// The most missing files one message names; the rest are counted.
constexpr int kMaxListedMissing = 15;

// An operation from its start to its end, whatever way it ends.
class CBusyScope
{
  public:
    explicit CBusyScope(CDorvane_V2View& view) : m_view(view) { m_view.SetBusy(true); }
    ~CBusyScope() { m_view.SetBusy(false); }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

  private:
    CDorvane_V2View& m_view;
};

bool IsFile(const std::string& strPath)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(strPath, ec);
}
} // namespace

// ---------------------------------------------------------------------------
// CPoolListBox

int CPoolListBox::GetCurSel() const
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && selectionModel()->isSelected(current))
        return current.row();
    const std::vector<int> aLines = GetSelectedLines();
    return aLines.empty() ? -1 : aLines.front();
}

std::vector<int> CPoolListBox::GetSelectedLines() const
{
    std::vector<int> aLines;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        aLines.push_back(index.row());
    std::sort(aLines.begin(), aLines.end());
    return aLines;
}

void CPoolListBox::SetCurSel(int nIndex)
{
    const QSignalBlocker blocker(this);
    const QSignalBlocker modelBlocker(selectionModel());
    if (nIndex >= 0 && nIndex < count())
    {
        setCurrentRow(nIndex, QItemSelectionModel::ClearAndSelect);
    }
    else
    {
        clearSelection();
        setCurrentIndex(QModelIndex());
    }
    viewport()->update();
}

QItemSelectionModel::SelectionFlags CPoolListBox::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* pEvent) const
{
    // A click or a key moves or extends the selection; nothing clears it,
    // not even Ctrl+click on the last selected line.
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    const QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, pEvent);
    const bool bRemoves = (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)) &&
                          !(flags & QItemSelectionModel::Clear);
    if (bRemoves && selectionModel()->isSelected(index) &&
        selectionModel()->selectedIndexes().size() == 1)
        return QItemSelectionModel::NoUpdate;
    return flags;
}

// ---------------------------------------------------------------------------
// CDorvane_V2View

CDorvane_V2View::CDorvane_V2View(CDorvane_V2Doc& doc, CDialogService& dialogs, QWidget* pParent)
    : QScrollArea(pParent), m_doc(doc), m_dialogs(dialogs),
      m_pSound(std::make_unique<CSoundPlayer>()),
      m_aTemplateDirs(TemplateSearchDirs(QCoreApplication::applicationDirPath().toStdString()))
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    CreateForm();
    m_pOwnFeedback = std::make_unique<CWindowFeedback>(nullptr, m_ctlProgress, m_dialogs, this);
}

CDorvane_V2View::~CDorvane_V2View() = default;

void CDorvane_V2View::SetSoundPlayer(std::unique_ptr<CSoundPlayer> pPlayer)
{
    m_pSound = std::move(pPlayer);
}

CFeedback& CDorvane_V2View::Feedback() const
{
    return m_pFeedback ? *m_pFeedback : *m_pOwnFeedback;
}

CMessageSink& CDorvane_V2View::Messages() const
{
    return m_pMessages ? *m_pMessages : *m_pOwnFeedback;
}

template <typename Fn> void CDorvane_V2View::Guard(Fn fn)
{
    RunGuarded(m_dialogs, this, fn);
}

void CDorvane_V2View::CreateForm()
{
    m_pForm = new QWidget;
    m_pForm->setFont(DialogFont());
    const CDialogUnits du(m_pForm->font());
    m_pForm->setFixedSize(du.X(kFormWidthDlu), du.Y(kFormHeightDlu));

    std::vector<QGroupBox*> aGroups;
    auto group = [&](const char* szText, int x, int y, int w, int h)
    {
        auto* pGroup = new QGroupBox(QString::fromLatin1(szText), m_pForm);
        pGroup->setGeometry(du.Rect(x, y, w, h));
        pGroup->setFocusPolicy(Qt::NoFocus);
        aGroups.push_back(pGroup);
    };
    auto label = [&](const char* szText, int x, int y, int w, int h)
    {
        auto* pLabel = new QLabel(QString::fromLatin1(szText), m_pForm);
        pLabel->setGeometry(du.Rect(x, y, w, h));
        pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        FitLabel(pLabel);
    };
    auto button = [&](const char* szText, int x, int y, int w, int h)
    {
        auto* pButton = new QPushButton(QString::fromLatin1(szText), m_pForm);
        pButton->setGeometry(du.Rect(x, y, w, h));
        // Return or Enter on a button that has the focus clicks it.
        pButton->setAutoDefault(true);
        return pButton;
    };
    auto edit = [&](int x, int y, int w, int h, bool bReadOnly)
    {
        auto* pEdit = new QLineEdit(m_pForm);
        pEdit->setGeometry(du.Rect(x, y, w, h));
        if (bReadOnly)
        {
            pEdit->setReadOnly(true);
            QPalette pal = pEdit->palette();
            pal.setColor(QPalette::Base, pal.color(QPalette::Window));
            pEdit->setPalette(pal);
        }
        return pEdit;
    };
    auto check = [&](const char* szText, int x, int y, int w, int h)
    {
        auto* pCheck = new QCheckBox(QString::fromLatin1(szText), m_pForm);
        pCheck->setGeometry(du.Rect(x, y, w, h));
        return pCheck;
    };

    // The controls in tab order.
    m_lbPool = new CPoolListBox(m_pForm);
    m_lbPool->setGeometry(du.Rect(16, 20, 90, 174));
    m_lbPool->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lbPool->setFocusPolicy(Qt::StrongFocus);
    m_lbPool->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_lbPool->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_lbPool->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_lbPool->setUniformItemSizes(true);
    m_btnAdd = button("&Add", 13, 218, 45, 12);
    m_btnDelete = button("&Delete", 63, 218, 45, 12);
    group("Sample Pool", 7, 7, 108, 231);
    group("Wav-Info", 124, 7, 170, 62);
    m_edFileName = edit(162, 19, 125, 12, true);
    label("Filename:", 129, 21, 31, 8);
    label("Type:", 129, 36, 19, 8);
    m_edWavType = edit(162, 35, 125, 12, true);
    group("Sample Object", 124, 75, 170, 45);
    label("Name:", 129, 88, 22, 8);
    m_edSampleName = edit(162, 87, 125, 12, false);
    group("Keymap", 124, 122, 170, 40);
    label("Name:", 130, 135, 22, 8);
    m_edKeymapName = edit(162, 134, 125, 12, false);
    group("Program", 124, 163, 170, 40);
    label("Name:", 130, 177, 22, 8);
    m_edProgramName = edit(162, 175, 125, 12, false);
    m_btnLoopSwitch = check("&LoopSwitch", 125, 104, 53, 10);
    label("RootKey:", 213, 105, 30, 8);
    group("Krz-File Control", 124, 205, 170, 32);
    m_btnMakeFile = button("&Make File", 133, 218, 45, 12);
    m_btnSplitFiles = check("Split Files", 188, 219, 45, 10);
    label("# Samples in Pool:", 15, 196, 60, 8);
    m_edPoolCount = edit(78, 194, 27, 12, true);
    m_edPoolCount->setAlignment(Qt::AlignRight);
    m_btnPlay = button("Play", 162, 52, 45, 12);
    m_btnStop = button("Stop", 242, 52, 45, 12);
    m_edRootKey = edit(257, 103, 20, 12, true);
    m_ctlRootNote = new CUpDownCtrl(m_pForm);
    m_ctlRootNote->setGeometry(du.Rect(247, 103, 8, 12));
    m_ctlRootOctave = new CUpDownCtrl(m_pForm);
    m_ctlRootOctave->setGeometry(du.Rect(279, 103, 8, 12));
    m_btnSettings = button("&Settings...", 239, 218, 45, 12);
    m_ctlProgress = new CProgressCtrl(m_pForm);
    m_ctlProgress->setGeometry(du.Rect(40, 241, 254, 8));
    m_ctlProgress->setFocusPolicy(Qt::NoFocus);
    label("Progress:", 7, 241, 30, 8);
    m_btnKeymapEnable = check("Enable", 129, 148, 38, 10);
    m_btnProgramEnable = check("Enable", 129, 190, 38, 10);
    // Beside the keymap's Enable box; out of the tab order, as it only shows.
    m_edGroupKeys = edit(170, 147, 117, 12, true);
    m_edGroupKeys->setFocusPolicy(Qt::NoFocus);
    m_edGroupKeys->hide();

    // The group boxes only frame the controls: behind everything, so that
    // they never take a click meant for a control inside them.
    for (QGroupBox* pGroup : aGroups)
        pGroup->lower();

    // The typing limits of the data exchange.
    new CTextLimitValidator(m_edFileName, kFileNameLimit);
    new CTextLimitValidator(m_edSampleName, kNameLimit);
    new CTextLimitValidator(m_edProgramName, kNameLimit);
    new CTextLimitValidator(m_edKeymapName, kNameLimit);
    new CTextLimitValidator(m_edRootKey, kRootKeyLimit);

    // Tab goes in reading order: the list and its count, then the form top
    // to bottom, then the buttons below it.
    m_ctlRootNote->setFocusPolicy(Qt::TabFocus);
    m_ctlRootOctave->setFocusPolicy(Qt::TabFocus);
    m_aInputs = {m_lbPool,          m_edPoolCount,   m_edFileName,       m_edWavType,
                 m_btnPlay,         m_btnStop,       m_edSampleName,     m_btnLoopSwitch,
                 m_ctlRootNote,     m_edRootKey,     m_ctlRootOctave,    m_edKeymapName,
                 m_btnKeymapEnable, m_edProgramName, m_btnProgramEnable, m_btnAdd,
                 m_btnDelete,       m_btnMakeFile,   m_btnSplitFiles,    m_btnSettings};
    for (std::size_t i = 0; i + 1 < m_aInputs.size(); ++i)
        QWidget::setTabOrder(m_aInputs[i], m_aInputs[i + 1]);
    m_edRootKey->installEventFilter(this);
    m_edWavType->setToolTip(QString());

    setWidget(m_pForm);

    connect(m_btnAdd, &QPushButton::clicked, this, [this] { Guard([this] { OnAdd(); }); });
    connect(m_btnDelete, &QPushButton::clicked, this, [this] { Guard([this] { OnDelete(); }); });
    connect(m_btnPlay, &QPushButton::clicked, this, [this] { Guard([this] { OnPlay(); }); });
    connect(m_btnStop, &QPushButton::clicked, this, [this] { Guard([this] { OnStop(); }); });
    connect(m_btnMakeFile, &QPushButton::clicked, this,
            [this] { Guard([this] { OnMakeFile(); }); });
    connect(m_btnSettings, &QPushButton::clicked, this,
            [this] { Guard([this] { OnSettings(); }); });
    connect(m_lbPool, &QListWidget::itemSelectionChanged, this,
            [this] { Guard([this] { OnSelchangePoolList(); }); });
    connect(m_ctlRootNote, &CUpDownCtrl::DeltaPos, this,
            [this](int nDelta) { Guard([this, nDelta] { OnDeltaposRootNote(nDelta); }); });
    connect(m_ctlRootOctave, &CUpDownCtrl::DeltaPos, this,
            [this](int nDelta) { Guard([this, nDelta] { OnDeltaposRootOctave(nDelta); }); });
    // textEdited reports the user's changes only, never the program's.
    connect(m_edSampleName, &QLineEdit::textEdited, this,
            [this] { Guard([this] { OnChangeSampleName(); }); });
    connect(m_edKeymapName, &QLineEdit::textEdited, this,
            [this] { Guard([this] { OnChangeKeymapName(); }); });
    connect(m_edProgramName, &QLineEdit::textEdited, this,
            [this] { Guard([this] { OnChangeProgramName(); }); });
    connect(m_btnLoopSwitch, &QCheckBox::clicked, this,
            [this] { Guard([this] { OnLoopSwitch(); }); });
    connect(m_btnKeymapEnable, &QCheckBox::clicked, this,
            [this] { Guard([this] { OnKeymapEnable(); }); });
    connect(m_btnProgramEnable, &QCheckBox::clicked, this,
            [this] { Guard([this] { OnProgramEnable(); }); });
}

void CDorvane_V2View::SetModified()
{
    m_doc.SetModifiedFlag(true);
}

// ---------------------------------------------------------------------------
// Data exchange

bool CDorvane_V2View::CheckField(QLineEdit* pEdit, const QString& strValue, int nLimit)
{
    if (strValue.size() <= nLimit)
        return true;
    m_dialogs.MessageBox(this, MaxCharsMessage(nLimit), kAppTitleText, MessageIcon::Exclamation);
    pEdit->setFocus();
    pEdit->selectAll();
    return false;
}

bool CDorvane_V2View::UpdateData(bool bSaveAndValidate)
{
    if (!bSaveAndValidate)
    {
        // Setting a text from the program never runs a change handler:
        // those listen to the user's edits only.
        m_edPoolCount->setText(QString::number(m_nPoolCount));
        CTextLimitValidator::SetText(m_edFileName, m_strFileName);
        CTextLimitValidator::SetText(m_edSampleName, m_strSampleName);
        CTextLimitValidator::SetText(m_edProgramName, m_strProgramName);
        CTextLimitValidator::SetText(m_edKeymapName, m_strKeymapName);
        CTextLimitValidator::SetText(m_edRootKey, m_strRootKey);
        m_edWavType->setText(m_strWavType);
        // Like the platform's fields, show the start of a long text.
        for (QLineEdit* pEdit : {m_edFileName, m_edSampleName, m_edProgramName, m_edKeymapName,
                                 m_edRootKey, m_edWavType})
            pEdit->setCursorPosition(0);
        FitTypeField();
        m_edFileName->setToolTip(m_strFileName);
        return true;
    }

    int nCount = 0;
    if (!ParseDialogInt(m_edPoolCount->text(), nCount))
    {
        m_dialogs.MessageBox(this, IntegerMessage(), kAppTitleText, MessageIcon::Exclamation);
        m_edPoolCount->setFocus();
        m_edPoolCount->selectAll();
        return false;
    }
    m_nPoolCount = nCount;
    if (nCount < 0 || nCount > MAX_POOL)
    {
        m_dialogs.MessageBox(this, IntegerRangeMessage(0, MAX_POOL), kAppTitleText,
                             MessageIcon::Exclamation);
        m_edPoolCount->setFocus();
        m_edPoolCount->selectAll();
        return false;
    }
    m_strFileName = m_edFileName->text();
    if (!CheckField(m_edFileName, m_strFileName, kFileNameLimit))
        return false;
    m_strSampleName = m_edSampleName->text();
    if (!CheckField(m_edSampleName, m_strSampleName, kNameLimit))
        return false;
    m_strProgramName = m_edProgramName->text();
    if (!CheckField(m_edProgramName, m_strProgramName, kNameLimit))
        return false;
    m_strKeymapName = m_edKeymapName->text();
    if (!CheckField(m_edKeymapName, m_strKeymapName, kNameLimit))
        return false;
    m_strRootKey = m_edRootKey->text();
    if (!CheckField(m_edRootKey, m_strRootKey, kRootKeyLimit))
        return false;
    m_strWavType = m_edWavType->text();
    return true;
}

// ---------------------------------------------------------------------------
// Initial update and rebuild

bool CDorvane_V2View::OnInitialUpdate(bool bNewPool)
{
    // Opening the pool found each entry's file (the stored paths stay as
    // they are; where each file was found is noted beside them).
    UpdateData(false);
    m_nRootNote = 0;
    m_nRootOctave = 4;
    m_nFirstObjectID = 200;
    m_nMaxSplitKB = 1400;
    m_nFloppyImageKB = 0;
    if (m_bTemplatePending)
    {
        m_bTemplatePending = false;
        if (!LoadTemplateFile(m_abTemplate, m_aTemplateDirs, &m_strTemplatePath))
        {
            m_dialogs.MessageBox(this, QString::fromLatin1(kTemplateErrorMessage), kAppTitleText,
                                 MessageIcon::None);
            return false;
        }
    }
    m_nPoolCount = m_doc.m_nCount;
    m_doc.m_bRefresh = true;
    OnSelchangePoolList();
    // After the display of the old selection, which would set it again.
    if (bNewPool)
        m_btnLoopSwitch->setChecked(false);
    QueueRefresh();
    return true;
}

void CDorvane_V2View::QueueRefresh()
{
    if (m_bRefreshQueued)
        return;
    m_bRefreshQueued = true;
    // The rebuild may show message boxes, so it runs as a call of its own
    // right after the command, never inside a paint.
    QTimer::singleShot(0, this, [this] { RunPendingRefresh(); });
}

void CDorvane_V2View::RunPendingRefresh()
{
    if (!m_bRefreshQueued)
        return;
    m_bRefreshQueued = false;
    Guard([this] { OnRefresh(); });
}

void CDorvane_V2View::ReadWavHeader(int nIndex)
{
    const std::string strPath = m_doc.m_aPool[nIndex].FilePath();
    ShowAsMessages(ReadAudioHeader(strPath, m_aWavInfo[nIndex], AudioOptions()), Messages());
    // A loop that cannot be used gives no message box (the file is usable),
    // only a note the user can see after the command.
    if (m_aWavInfo[nIndex].bLoopIgnored)
        Feedback().SetStatusText("Loop of " + FileTitleOf(strPath) +
                                 " lies outside its data: ignored");
    if (m_aWavInfo[nIndex].bMetadataIgnored)
        Feedback().SetStatusText("Markers or instrument of " + FileTitleOf(strPath) +
                                 " cannot be read: ignored");
}

CAudioOptions CDorvane_V2View::AudioOptions() const
{
    CAudioOptions options;
    options.bConvert = m_bConvert;
    options.nMaxRate = m_bLimitRate ? m_nRateLimitHz : 0;
    options.bFileMetadata = m_bFileMetadata;
    return options;
}

void CDorvane_V2View::RefreshWavInfo()
{
    const int nCount = std::clamp<int>(m_doc.m_nCount, 0, MAX_POOL);
    std::vector<bool> abMissing(static_cast<std::size_t>(nCount));
    QStringList aMissing;
    for (int i = 0; i < nCount; ++i)
    {
        abMissing[i] = !IsFile(m_doc.m_aPool[i].FilePath());
        if (abMissing[i])
            aMissing << FromStd(m_doc.m_aPool[i].m_strFileName);
    }
    // Missing files, one or several, are named together in one message
    // after the others.
    const bool bListMissing = !aMissing.isEmpty();
    for (int i = 0; i < nCount; ++i)
    {
        if (bListMissing && abMissing[i])
            m_aWavInfo[i] = WAVINFO{};
        else
            ReadWavHeader(i);
    }
    if (bListMissing)
        m_dialogs.MessageBox(this, MissingFilesMessage(aMissing),
                             QString::fromLatin1(kWavInfoCaption), MessageIcon::None);
    m_strSampleName.clear();
    m_strKeymapName.clear();
    m_strProgramName.clear();
    m_strFileName.clear();
    m_strWavType.clear();
    UpdateData(false);
    m_doc.m_bRefresh = false;
}

QString CDorvane_V2View::MissingFilesMessage(const QStringList& aPaths)
{
    const bool bOne = aPaths.size() == 1;
    QString strText =
        bOne ? QStringLiteral("1 file of the pool was not found:\n")
             : QStringLiteral("%1 files of the pool were not found:\n").arg(aPaths.size());
    for (int i = 0; i < aPaths.size() && i < kMaxListedMissing; ++i)
        strText += QStringLiteral("\n") + aPaths[i];
    if (aPaths.size() > kMaxListedMissing)
        strText += QStringLiteral("\n... and %1 more").arg(aPaths.size() - kMaxListedMissing);
    strText += bOne ? QStringLiteral("\n\nIts entry stays in the pool and is left out of the ")
                    : QStringLiteral("\n\nTheir entries stay in the pool and are left out of the ");
    strText += QStringLiteral("Krz-File. Pool > Relink wav-file... points an entry at its file.");
    return strText;
}

QString CDorvane_V2View::LeftOutMessage(int nLeftOut)
{
    return kPoolFullText +
           (nLeftOut == 1
                ? QStringLiteral("\n1 of the chosen files was not added.")
                : QStringLiteral("\n%1 of the chosen files were not added.").arg(nLeftOut));
}

QString CDorvane_V2View::ShortPathText(const QString& strPath, const QFontMetrics& fm, int nWidth)
{
    if (fm.horizontalAdvance(strPath) <= nWidth)
        return strPath;
    // Paths from another machine may use either separator.
    const qsizetype nSep =
        std::max(strPath.lastIndexOf(QLatin1Char('/')), strPath.lastIndexOf(QLatin1Char('\\')));
    const QString strName = strPath.mid(nSep + 1);
    const QString strFolder = strPath.left(nSep + 1);
    const int nFolderWidth = nWidth - fm.horizontalAdvance(strName);
    const QString strEllipsis(QChar(0x2026));
    if (nSep >= 0 && nFolderWidth >= fm.horizontalAdvance(strEllipsis + strPath.at(nSep)))
    {
        const QString strShort = fm.elidedText(strFolder, Qt::ElideMiddle, nFolderWidth);
        if (!strShort.isEmpty())
            return strShort + strName;
    }
    return fm.elidedText(strName, Qt::ElideMiddle, nWidth);
}

int CDorvane_V2View::ListTextWidth() const
{
    // Room for the vertical scroll bar is always kept, so that a line does
    // not change when the list grows past its height.
    const int nScroll =
        m_lbPool->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_lbPool);
    return m_lbPool->width() - 2 * m_lbPool->frameWidth() - nScroll - 6;
}

void CDorvane_V2View::AddListLine(int n)
{
    const QString strPath = FromStd(m_doc.m_aPool[n].FilePath());
    auto* pItem =
        new QListWidgetItem(ShortPathText(strPath, m_lbPool->fontMetrics(), ListTextWidth()));
    pItem->setToolTip(strPath);
    m_lbPool->addItem(pItem);
}

void CDorvane_V2View::FillList()
{
    const QSignalBlocker blocker(m_lbPool);
    m_lbPool->clear();
    for (int i = 0; i < m_doc.m_nCount && i < MAX_POOL; ++i)
        AddListLine(i);
}

void CDorvane_V2View::UpdatePathsShown()
{
    const int nSel = m_lbPool->GetCurSel();
    FillList();
    m_lbPool->SetCurSel(nSel);
    if (nSel >= 0 && nSel < m_doc.m_nCount)
    {
        m_strFileName = FromStd(m_doc.m_aPool[nSel].FilePath());
        CTextLimitValidator::SetText(m_edFileName, m_strFileName);
        m_edFileName->setCursorPosition(0);
        m_edFileName->setToolTip(m_strFileName);
    }
}

void CDorvane_V2View::FitTypeField()
{
    // The longest format line is wider than the field at the form's font:
    // a smaller size of the same font shows it whole.
    QFont font = m_pForm->font();
    const QString strText = m_edWavType->text();
    const int nRoom = m_edWavType->contentsRect().width() - 6;
    for (qreal rSize = font.pointSizeF(); rSize >= 5.0; rSize -= 0.5)
    {
        font.setPointSizeF(rSize);
        if (QFontMetrics(font).horizontalAdvance(strText) <= nRoom)
            break;
    }
    m_edWavType->setFont(font);
    m_edWavType->setToolTip(strText);
}

void CDorvane_V2View::OnRefresh()
{
    const int nSel = m_lbPool->GetCurSel();
    m_nPoolCount = m_doc.m_nCount;
    if (m_doc.m_bRefresh)
    {
        RefreshWavInfo();
        FillList();
        // The old index is selected again without showing the entry: the
        // detail fields stay empty until the user picks a line.
        m_lbPool->SetCurSel(nSel);
    }
    UpdateData(false);
}

// ---------------------------------------------------------------------------
// Add and Delete

void CDorvane_V2View::StoreSelectedEntry()
{
    const int nSel = m_lbPool->GetCurSel();
    if (nSel >= 0 && nSel < MAX_POOL)
    {
        UpdateData(true);
        CWPoolObj& entry = m_doc.m_aPool[nSel];
        entry.m_strSampleName = ToStd(m_strSampleName);
        entry.m_strProgramName = ToStd(m_strProgramName);
        entry.m_strKeymapName = ToStd(m_strKeymapName);
        entry.m_bLoop = m_btnLoopSwitch->isChecked() ? 1 : 0;
        entry.m_nRootKey = m_nRootNote + 12 * m_nRootOctave;
        entry.m_bKeymapEnable = m_btnKeymapEnable->isChecked() ? 1 : 0;
        entry.m_bProgramEnable = m_btnProgramEnable->isChecked() ? 1 : 0;
    }
}

void CDorvane_V2View::OnAdd()
{
    m_nPoolCount = m_doc.m_nCount;
    StoreSelectedEntry();
    if (m_nPoolCount >= MAX_POOL)
    {
        m_dialogs.MessageBox(this, kPoolFullText, kAppTitleText, MessageIcon::None);
        return;
    }
    AddFiles(m_dialogs.GetOpenFileNames(this, QStringLiteral("Open a WAV-File"),
                                        m_bConvert ? kAudioFilters : kWavFilters,
                                        QStringLiteral("WAV")));
}

void CDorvane_V2View::OnAddFolder()
{
    m_nPoolCount = m_doc.m_nCount;
    StoreSelectedEntry();
    if (m_nPoolCount >= MAX_POOL)
    {
        m_dialogs.MessageBox(this, kPoolFullText, kAppTitleText, MessageIcon::None);
        return;
    }
    const QString strFolder = m_dialogs.GetExistingDirectory(
        this, QStringLiteral("Add the WAV-Files of a Folder"), QStringLiteral("WAV"));
    if (strFolder.isEmpty())
        return;
    const QStringList aFiles = WavFilesIn(strFolder, m_bConvert);
    if (aFiles.isEmpty())
    {
        const QString strText = m_bConvert ? QStringLiteral("There are no audio files in %1")
                                           : QStringLiteral("There are no WAV-Files in %1");
        m_dialogs.MessageBox(this, strText.arg(strFolder), kAppTitleText, MessageIcon::None);
        return;
    }
    AddFiles(aFiles);
}

bool CDorvane_V2View::IsAddablePath(const QString& strPath, bool bOtherAudio)
{
    const QString strSuffix = QFileInfo(strPath).suffix().toLower();
    return strSuffix == QStringLiteral("wav") ||
           (bOtherAudio && kOtherAudioSuffixes.contains(strSuffix));
}

QStringList CDorvane_V2View::WavFilesIn(const QString& strFolder, bool bOtherAudio)
{
    const QDir dir(strFolder);
    QStringList aFiles;
    const QFileInfoList aInfos =
        dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : aInfos)
    {
        if (IsAddablePath(info.fileName(), bOtherAudio))
            aFiles << info.absoluteFilePath();
    }
    return aFiles;
}

QStringList CDorvane_V2View::DroppedWavFiles(const QList<QUrl>& aUrls, bool bOtherAudio)
{
    QStringList aFiles;
    for (const QUrl& url : aUrls)
    {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isDir())
            aFiles << WavFilesIn(info.absoluteFilePath(), bOtherAudio);
        else if (info.isFile() && IsAddablePath(info.fileName(), bOtherAudio))
            aFiles << info.absoluteFilePath();
    }
    return aFiles;
}

QString CDorvane_V2View::LongPathsMessage(const QStringList& aPaths)
{
    QString strText =
        aPaths.size() == 1
            ? QStringLiteral("This file was not added: its path is longer than %1 characters:\n")
                  .arg(kMaxWavPath)
            : QStringLiteral("These %1 files were not added: their paths are longer than %2 "
                             "characters:\n")
                  .arg(aPaths.size())
                  .arg(kMaxWavPath);
    for (const QString& strPath : aPaths)
        strText += QStringLiteral("\n") + strPath;
    return strText + QStringLiteral("\n\nA shorter folder or file name lets them be added.");
}

int CDorvane_V2View::AddFiles(const QStringList& aPaths)
{
    int nAdded = 0;
    int nLeftOut = 0;
    int nLast = -1;
    QStringList aTooLong;
    for (const QString& strPath : aPaths)
    {
        if (strPath.isEmpty())
            continue;
        // The pool keeps paths of at most kMaxWavPath characters; a longer
        // one is named to the user, never passed over in silence.
        if (strPath.size() > kMaxWavPath)
        {
            aTooLong << strPath;
            continue;
        }
        const std::string strTitle = FileTitleOf(ToStd(strPath));
        if (strTitle.empty())
            continue;
        const int n = AddPoolEntry(m_doc, ToStd(strPath), strTitle);
        if (n < 0)
        {
            ++nLeftOut;
            continue;
        }
        ++nAdded;
        nLast = n;
        m_nPoolCount = m_doc.m_nCount;
        AddListLine(n);
        m_lbPool->SetCurSel(n);
        // Each file's header is read as it is added, with its message; the
        // root key and loop it stores are known only after that.
        ReadWavHeader(n);
        ApplyFileMetadata(m_doc.m_aPool[n], m_aWavInfo[n], strTitle, AudioOptions());
    }
    if (nLast >= 0)
    {
        ShowNewEntry(nLast);
        SetModified();
    }
    if (!aTooLong.isEmpty())
        m_dialogs.MessageBox(this, LongPathsMessage(aTooLong), kAppTitleText,
                             MessageIcon::Exclamation);
    if (nLeftOut > 0)
        m_dialogs.MessageBox(this, LeftOutMessage(nLeftOut), kAppTitleText, MessageIcon::None);
    return nAdded;
}

void CDorvane_V2View::ShowNewEntry(int n)
{
    const CWPoolObj& entry = m_doc.m_aPool[n];
    m_nPoolCount = m_doc.m_nCount;
    m_strFileName = FromStd(entry.FilePath());
    m_lbPool->SetCurSel(n);
    m_strWavType = TypeText(m_aWavInfo[n], entry);
    m_strSampleName = FromStd(entry.m_strSampleName);
    m_strKeymapName.clear();
    m_strProgramName.clear();
    // Add's defaults, or what the file stores (ApplyFileMetadata).
    m_btnLoopSwitch->setChecked(entry.m_bLoop != 0);
    m_nRootNote = RootKeyNote(entry.m_nRootKey);
    m_nRootOctave = RootKeyOctave(entry.m_nRootKey);
    m_strRootKey = FromStd(RootKeyText(m_nRootNote, m_nRootOctave));
    m_btnKeymapEnable->setChecked(true);
    m_btnProgramEnable->setChecked(true);
    UpdateData(false);
}

void CDorvane_V2View::OnRelink()
{
    const int nSel = m_lbPool->GetCurSel();
    if (nSel < 0 || nSel >= m_doc.m_nCount || nSel >= MAX_POOL)
        return;
    const QString strPath =
        m_dialogs.GetOpenFileName(this, QStringLiteral("Relink a WAV-File"),
                                  m_bConvert ? kAudioFilters : kWavFilters, QStringLiteral("WAV"));
    if (strPath.isEmpty())
        return;
    if (strPath.size() > kMaxWavPath)
    {
        m_dialogs.MessageBox(this, LongPathsMessage({strPath}), kAppTitleText,
                             MessageIcon::Exclamation);
        return;
    }
    CWPoolObj& entry = m_doc.m_aPool[nSel];
    entry.m_strFileName = ToStd(strPath);
    entry.m_strFoundPath.clear();
    ReadWavHeader(nSel);
    QListWidgetItem* pItem = m_lbPool->item(nSel);
    pItem->setText(ShortPathText(strPath, m_lbPool->fontMetrics(), ListTextWidth()));
    pItem->setToolTip(strPath);
    m_strFileName = strPath;
    m_strWavType = TypeText(m_aWavInfo[nSel], entry);
    m_edFileName->setText(m_strFileName);
    m_edFileName->setCursorPosition(0);
    m_edFileName->setToolTip(m_strFileName);
    m_edWavType->setText(m_strWavType);
    m_edWavType->setCursorPosition(0);
    FitTypeField();
    SetModified();
    UpdateGroupKeys();
}

void CDorvane_V2View::OnDelete()
{
    m_doc.m_nCount = m_nPoolCount;
    const std::vector<int> aSelected = m_lbPool->GetSelectedLines();
    if (m_nPoolCount < 1 || aSelected.empty())
        return;
    // From the last up, so that each index still names its entry.
    bool bDeleted = false;
    for (auto it = aSelected.rbegin(); it != aSelected.rend(); ++it)
        bDeleted = DeletePoolEntry(m_doc, m_aWavInfo, *it) || bDeleted;
    if (!bDeleted)
        return;
    m_nPoolCount = m_doc.m_nCount;

    FillList();
    m_lbPool->SetCurSel(-1);

    m_strSampleName.clear();
    m_strKeymapName.clear();
    m_strProgramName.clear();
    m_strFileName.clear();
    m_strWavType.clear();
    m_btnKeymapEnable->setChecked(true);
    m_btnProgramEnable->setChecked(true);
    UpdateData(false);
    SetModified();
    UpdateGroupKeys();
}

// ---------------------------------------------------------------------------
// Selection display and the edits of the selected entry

void CDorvane_V2View::OnSelchangePoolList()
{
    const int i = m_lbPool->GetCurSel();
    if (i < 0 || i >= MAX_POOL)
        return;
    m_nPoolCount = m_doc.m_nCount;
    const CWPoolObj& entry = m_doc.m_aPool[i];
    m_strFileName = FromStd(entry.FilePath());
    m_strSampleName = FromStd(entry.m_strSampleName);
    m_strProgramName = FromStd(entry.m_strProgramName);
    m_strKeymapName = FromStd(entry.m_strKeymapName);
    m_btnLoopSwitch->setChecked(entry.m_bLoop != 0);
    m_nRootNote = RootKeyNote(entry.m_nRootKey);
    m_nRootOctave = RootKeyOctave(entry.m_nRootKey);
    m_strRootKey = FromStd(RootKeyText(m_nRootNote, m_nRootOctave));
    m_btnKeymapEnable->setChecked(entry.m_bKeymapEnable != 0);
    m_btnProgramEnable->setChecked(entry.m_bProgramEnable != 0);
    m_strWavType = TypeText(m_aWavInfo[i], entry);
    UpdateData(false);
    UpdateGroupKeys();
}

void CDorvane_V2View::StepRootKey(int& nValue, int nMax, int nDelta)
{
    // Up reports a negative delta and raises; the ends hold, no wrap and no
    // carry between note and octave.
    if (nDelta < 0)
    {
        if (nValue < nMax)
            ++nValue;
    }
    else if (nValue > 0)
    {
        --nValue;
    }
    ShowRootKey();
}

void CDorvane_V2View::ShowRootKey()
{
    // The text changes also with no selection; only a selected entry stores.
    m_strRootKey = FromStd(RootKeyText(m_nRootNote, m_nRootOctave));
    UpdateData(false);
    if (CWPoolObj* pEntry = SelectedEntry())
    {
        pEntry->m_nRootKey = m_nRootNote + 12 * m_nRootOctave;
        SetModified();
        UpdateGroupKeys();
    }
}

void CDorvane_V2View::StepRootKeyBy(int nSemitones)
{
    const int nKey = m_nRootNote + 12 * m_nRootOctave;
    const int nNew = std::clamp(nKey + nSemitones, 0, 12 * 9 + 11);
    if (nNew == nKey)
        return;
    m_nRootNote = nNew % 12;
    m_nRootOctave = nNew / 12;
    ShowRootKey();
}

void CDorvane_V2View::OnDeltaposRootNote(int nDelta)
{
    StepRootKey(m_nRootNote, 11, nDelta);
}

void CDorvane_V2View::OnDeltaposRootOctave(int nDelta)
{
    StepRootKey(m_nRootOctave, 9, nDelta);
}

CWPoolObj* CDorvane_V2View::SelectedEntry()
{
    const int nSel = m_lbPool->GetCurSel();
    return nSel >= 0 && nSel < MAX_POOL ? &m_doc.m_aPool[nSel] : nullptr;
}

void CDorvane_V2View::StoreNameField(std::string CWPoolObj::*pField, const QString& strValue)
{
    CWPoolObj* pEntry = SelectedEntry();
    // All fields are taken into the members, selection or not; a field that
    // fails its test stops the copy, and the member keeps its earlier value.
    UpdateData(true);
    if (pEntry)
    {
        pEntry->*pField = ToStd(strValue);
        SetModified();
        UpdateGroupKeys();
    }
}

void CDorvane_V2View::StoreCheckBox(std::int32_t CWPoolObj::*pField, const QCheckBox* pBox)
{
    if (CWPoolObj* pEntry = SelectedEntry())
    {
        pEntry->*pField = pBox->isChecked() ? 1 : 0;
        SetModified();
        UpdateGroupKeys();
    }
}

void CDorvane_V2View::OnChangeSampleName()
{
    StoreNameField(&CWPoolObj::m_strSampleName, m_strSampleName);
}

void CDorvane_V2View::OnChangeKeymapName()
{
    StoreNameField(&CWPoolObj::m_strKeymapName, m_strKeymapName);
}

void CDorvane_V2View::OnChangeProgramName()
{
    StoreNameField(&CWPoolObj::m_strProgramName, m_strProgramName);
}

void CDorvane_V2View::OnLoopSwitch()
{
    StoreCheckBox(&CWPoolObj::m_bLoop, m_btnLoopSwitch);
}

void CDorvane_V2View::OnKeymapEnable()
{
    StoreCheckBox(&CWPoolObj::m_bKeymapEnable, m_btnKeymapEnable);
}

void CDorvane_V2View::OnProgramEnable()
{
    StoreCheckBox(&CWPoolObj::m_bProgramEnable, m_btnProgramEnable);
}

void CDorvane_V2View::OnPlay()
{
    const int nSel = m_lbPool->GetCurSel();
    if (nSel < 0 || nSel >= MAX_POOL || !m_pSound)
        return;
    const CWPoolObj& entry = m_doc.m_aPool[nSel];
    m_pSound->Play(FromStd(entry.FilePath()), entry.m_bLoop != 0);
}

void CDorvane_V2View::OnStop()
{
    if (m_pSound)
        m_pSound->Stop();
}

// ---------------------------------------------------------------------------
// Make File, Settings, Split and Join

void CDorvane_V2View::OnMakeFile()
{
    UpdateData(true);
    if (m_nPoolCount < 1)
    {
        m_dialogs.MessageBox(this, QString::fromLatin1(kEmptyPoolMessage), kAppTitleText,
                             MessageIcon::None);
        return;
    }

    const QString strPath =
        m_dialogs.GetSaveFileName(this, QStringLiteral("Select a Krz-File"),
                                  {{QStringLiteral("KRZ Files: *.KRZ"), QStringLiteral("*.KRZ")},
                                   {QStringLiteral("All Files: *.*"), QStringLiteral("*")}},
                                  QStringLiteral("KRZ"), true);
    const CWaitCursor wait;
    CFeedback& feedback = Feedback();
    QString strSummary = QStringLiteral("Ready");
    if (!strPath.isEmpty() && strPath.size() <= kMaxWavPath)
    {
        const CBusyScope busy(*this);
        const std::string strOutput = ToStd(strPath);
        // A file error leaves the command where it stood.
        if (!BuildFromFoundFiles(strOutput, feedback, strSummary))
            return;

        // The build filled empty keymap and program names of the entries;
        // show the selected entry's names as they now are.
        const int nSel = m_lbPool->GetCurSel();
        if (nSel >= 0 && nSel < m_doc.m_nCount)
        {
            m_strKeymapName = FromStd(m_doc.m_aPool[nSel].m_strKeymapName);
            m_strProgramName = FromStd(m_doc.m_aPool[nSel].m_strProgramName);
            CTextLimitValidator::SetText(m_edKeymapName, m_strKeymapName);
            CTextLimitValidator::SetText(m_edProgramName, m_strProgramName);
        }
    }
    feedback.SetStatusText(ToStd(strSummary));
    feedback.ProgressSetPos(0);
}

bool CDorvane_V2View::BuildFromFoundFiles(const std::string& strOutput, CFeedback& feedback,
                                          QString& strSummary)
{
    // The build reads each entry's file where it was found (FilePath()); the
    // names it fills in stay in the document.
    CMakeOptions options;
    options.nFirstObjectID = m_nFirstObjectID;
    options.bSplit = m_btnSplitFiles->isChecked();
    options.nMaxSplitKB = m_nMaxSplitKB;
    options.nFloppyKB = m_nFloppyImageKB;
    // The same options the headers in m_aWavInfo were read with.
    options.audio = AudioOptions();
    options.bMultisample = m_bMultisample;
    std::vector<std::string> aOtherInputs{m_strTemplatePath};
    if (!m_doc.GetPathName().empty())
        aOtherInputs.push_back(m_doc.GetPathName());
    SMadeFile made;
    const COutcome outcome =
        RunMakeFile(m_doc, m_aWavInfo, options, m_abTemplate, strOutput,
                    ToStd(QFileInfo(FromStd(strOutput)).fileName()), aOtherInputs, feedback, made);
    ShowOutcome(outcome);
    if (!outcome.IsOk())
        return !outcome.IsFileError();
    strSummary = FromStd(made.strSummary);
    // A name the file holds otherwise (another script, an accent, cut).
    if (!made.strNames.empty())
        strSummary += ". " + FromStd(made.strNames);
    return true;
}

void CDorvane_V2View::ShowOutcome(const COutcome& outcome)
{
    for (const SOutcomeNote& note : outcome.Notes())
        Messages().MessageBox(note.strText, note.strCaption, note.icon);
}

void CDorvane_V2View::OnSettings()
{
    CSettingsDlg dlg(m_dialogs, window());
    dlg.m_nCustomKB = m_nMaxSplitKB;
    dlg.m_nFirstObjectID = m_nFirstObjectID;
    dlg.m_nFloppyImageKB = m_nFloppyImageKB;
    dlg.m_nSizeChoice = 3;
    if (m_nMaxSplitKB == CSettingsDlg::kSizeDD)
        dlg.m_nSizeChoice = 1;
    if (m_nMaxSplitKB == CSettingsDlg::kSizeHD)
        dlg.m_nSizeChoice = 2;
    dlg.m_bConvert = m_bConvert;
    dlg.m_bLimitRate = m_bLimitRate;
    dlg.m_nRateLimitHz = m_nRateLimitHz;
    dlg.m_bFileMetadata = m_bFileMetadata;
    dlg.m_bMultisample = m_bMultisample;
    dlg.m_bRelativePaths = m_doc.m_bRelativePaths;
    if (m_dialogs.ExecDialog(dlg) != QDialog::Accepted)
        return;
    const CAudioOptions before = AudioOptions();
    const bool bKeptChanged =
        dlg.m_bConvert != m_bConvert || dlg.m_bLimitRate != m_bLimitRate ||
        dlg.m_nRateLimitHz != m_nRateLimitHz || dlg.m_bFileMetadata != m_bFileMetadata ||
        dlg.m_bMultisample != m_bMultisample || dlg.m_bRelativePaths != m_doc.m_bRelativePaths;
    m_bConvert = dlg.m_bConvert;
    m_bLimitRate = dlg.m_bLimitRate;
    m_nRateLimitHz = dlg.m_nRateLimitHz;
    m_bFileMetadata = dlg.m_bFileMetadata;
    m_bMultisample = dlg.m_bMultisample;
    m_doc.m_bRelativePaths = dlg.m_bRelativePaths;
    if (AudioOptions() != before)
    {
        // Which files are usable, their Type lines and loops follow the
        // options; the current entry is shown again with its new facts.
        RefreshWavInfo();
        OnSelchangePoolList();
    }
    UpdateGroupKeys();
    if (bKeptChanged && m_fnOptionsChanged)
        m_fnOptionsChanged();
    m_nMaxSplitKB = dlg.m_nCustomKB;
    m_nFirstObjectID = dlg.m_nFirstObjectID;
    m_nFloppyImageKB = dlg.m_nFloppyImageKB;
    if (dlg.m_nSizeChoice == 1)
        m_nMaxSplitKB = CSettingsDlg::kSizeDD;
    if (dlg.m_nSizeChoice == 2)
        m_nMaxSplitKB = CSettingsDlg::kSizeHD;
}

void CDorvane_V2View::OnToolsSplit()
{
    CSplitDlg dlg(m_dialogs, window());
    dlg.m_strSource.clear();
    dlg.m_strDest.clear();
    if (m_dialogs.ExecDialog(dlg) != QDialog::Accepted)
        return;
    UpdateData(false);
    const std::string strSource = ToStd(dlg.m_strSource);
    std::string strDest = ToStd(dlg.m_strDest);
    CFeedback& feedback = Feedback();
    // Nothing to split and nowhere to put it: the command ends at once.
    if (strSource.empty() && strDest.empty())
    {
        feedback.SetStatusText(WorkingText("Splitting", strSource));
        feedback.SetStatusText("Ready");
        return;
    }
    COutcome outcome;
    {
        const CWaitCursor wait;
        const CBusyScope busy(*this);
        int nParts = 0;
        outcome = RunSplitFile(strSource, strDest, m_nMaxSplitKB, feedback, nParts);
    }
    ShowOutcome(outcome);
}

void CDorvane_V2View::OnToolsJoin()
{
    CJoinDlg dlg(m_dialogs, window());
    dlg.m_strSource.clear();
    dlg.m_strDest.clear();
    if (m_dialogs.ExecDialog(dlg) != QDialog::Accepted)
        return;
    UpdateData(false);
    const std::string strSource = ToStd(dlg.m_strSource);
    std::string strDest = ToStd(dlg.m_strDest);
    CFeedback& feedback = Feedback();
    COutcome outcome;
    {
        const CWaitCursor wait;
        const CBusyScope busy(*this);
        outcome = RunJoinFiles(strSource, strDest, feedback);
    }
    ShowOutcome(outcome);
}

void CDorvane_V2View::OnToolsCopyToImage()
{
    const QString strFile = m_dialogs.GetOpenFileName(
        this, QStringLiteral("Select a Krz-File to copy"),
        {{QStringLiteral("KRZ Files: *.KRZ;*.K25;*.K26"), QStringLiteral("*.KRZ *.K25 *.K26")},
         {QStringLiteral("All Files: *.*"), QStringLiteral("*")}},
        QStringLiteral("KRZ"));
    if (strFile.isEmpty())
        return;
    const QString strImage = m_dialogs.GetOpenFileName(
        this, QStringLiteral("Select a Disk Image"),
        {{QStringLiteral("Disk Images: *.IMG;*.HDS"), QStringLiteral("*.img *.IMG *.hds *.HDS")},
         {QStringLiteral("All Files: *.*"), QStringLiteral("*")}},
        QStringLiteral("IMG"));
    if (strImage.isEmpty())
        return;
    COutcome outcome;
    {
        const CWaitCursor wait;
        outcome = RunPutFiles(ToStd(strImage), {ToStd(strFile)}, {}, false, Feedback());
    }
    ShowOutcome(outcome);
}

// ---------------------------------------------------------------------------
// Operations in progress, drops and keys

void CDorvane_V2View::SetBusy(bool bBusy)
{
    if (bBusy == m_bBusy)
        return;
    m_bBusy = bBusy;
    if (bBusy)
        m_pBusyFocus = QApplication::focusWidget();
    for (QWidget* pInput : m_aInputs)
        pInput->setEnabled(!bBusy);
    if (!m_pFeedback)
        m_pOwnFeedback->SetPumpEvents(bBusy);
    if (m_fnBusy)
        m_fnBusy(bBusy);
    if (bBusy)
    {
        // Whatever a closed dialog left on the screen is painted over now;
        // the operation's own reports keep the window painted after this.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    else if (m_pBusyFocus && m_pBusyFocus->isEnabled())
    {
        m_pBusyFocus->setFocus();
    }
}

void CDorvane_V2View::dragEnterEvent(QDragEnterEvent* pEvent)
{
    if (!m_bBusy && pEvent->mimeData()->hasUrls() &&
        !DroppedWavFiles(pEvent->mimeData()->urls(), m_bConvert).isEmpty())
        pEvent->acceptProposedAction();
    else
        pEvent->ignore();
}

void CDorvane_V2View::dragMoveEvent(QDragMoveEvent* pEvent)
{
    if (!m_bBusy)
        pEvent->acceptProposedAction();
    else
        pEvent->ignore();
}

void CDorvane_V2View::dropEvent(QDropEvent* pEvent)
{
    const QStringList aFiles =
        m_bBusy ? QStringList() : DroppedWavFiles(pEvent->mimeData()->urls(), m_bConvert);
    if (aFiles.isEmpty())
    {
        pEvent->ignore();
        return;
    }
    pEvent->acceptProposedAction();
    Guard(
        [this, &aFiles]
        {
            m_nPoolCount = m_doc.m_nCount;
            StoreSelectedEntry();
            AddFiles(aFiles);
        });
}

bool CDorvane_V2View::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_edRootKey && pEvent->type() == QEvent::KeyPress)
    {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if (pKey->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return QScrollArea::eventFilter(pWatched, pEvent);
        int nStep = 0;
        switch (pKey->key())
        {
        case Qt::Key_Up:
            nStep = 1;
            break;
        case Qt::Key_Down:
            nStep = -1;
            break;
        case Qt::Key_PageUp:
            nStep = 12;
            break;
        case Qt::Key_PageDown:
            nStep = -12;
            break;
        default:
            break;
        }
        if (nStep != 0)
        {
            Guard([this, nStep] { StepRootKeyBy(nStep); });
            return true;
        }
    }
    return QScrollArea::eventFilter(pWatched, pEvent);
}

// ---------------------------------------------------------------------------
// Groups of entries that share a keymap

void CDorvane_V2View::OnSetGroupNames()
{
    const std::vector<int> aLines = m_lbPool->GetSelectedLines();
    const int nCur = m_lbPool->GetCurSel();
    if (aLines.empty() || nCur < 0 || nCur >= m_doc.m_nCount || nCur >= MAX_POOL)
        return;
    const CWPoolObj& current = m_doc.m_aPool[nCur];
    CGroupNamesDlg dlg(FromStd(current.m_strKeymapName), FromStd(current.m_strProgramName), this);
    if (m_dialogs.ExecDialog(dlg) != QDialog::Accepted)
        return;
    // A proposal longer than the field was shown whole; what is stored fits
    // the name fields as the form's own fields do.
    const std::string strKeymap = CutToChars(ToStd(dlg.KeymapName()), kNameFieldChars);
    const std::string strProgram = CutToChars(ToStd(dlg.ProgramName()), kNameFieldChars);
    for (const int n : aLines)
    {
        if (n >= m_doc.m_nCount || n >= MAX_POOL)
            continue;
        m_doc.m_aPool[n].m_strKeymapName = strKeymap;
        m_doc.m_aPool[n].m_strProgramName = strProgram;
    }
    SetModified();
    OnSelchangePoolList();
}

QString CDorvane_V2View::GroupKeysText(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo,
                                       int nEntry)
{
    if (nEntry < 0 || nEntry >= std::min(doc.m_nCount, MAX_POOL))
        return {};
    if (!doc.m_aPool[nEntry].m_bKeymapEnable)
        return QStringLiteral("Keys: none (keymap disabled)");
    if (!aWavInfo[nEntry].bValid)
        return QStringLiteral("Keys: none (file not usable)");
    for (const CKeymapGroup& group : GroupPoolEntries(doc, aWavInfo))
    {
        const auto it = std::find(group.aEntries.begin(), group.aEntries.end(), nEntry);
        if (it == group.aEntries.end())
            continue;
        const int nIndex = static_cast<int>(it - group.aEntries.begin());
        const int nSamples = static_cast<int>(group.aEntries.size());
        const QString strCount = nSamples == 1
                                     ? QStringLiteral("1 sample in group")
                                     : QStringLiteral("%1 samples in group").arg(nSamples);
        for (const CKeyRange& range :
             KeyRanges({group.anKeySample.begin(), group.anKeySample.end()}))
            if (range.nValue == nIndex)
                return QStringLiteral("Keys: %1 (%2)")
                    .arg(FromStd(KeyRangeText(range.nLowKey, range.nHighKey)), strCount);
        // Another entry of the group has the same root key and plays it.
        return QStringLiteral("Keys: none, root key shared (%1)").arg(strCount);
    }
    return {};
}

void CDorvane_V2View::UpdateGroupKeys()
{
    m_edGroupKeys->setVisible(m_bMultisample);
    if (!m_bMultisample)
        return;
    const QString strText = GroupKeysText(m_doc, m_aWavInfo, m_lbPool->GetCurSel());
    m_edGroupKeys->setText(strText);
    m_edGroupKeys->setCursorPosition(0);
    m_edGroupKeys->setToolTip(strText);
}
