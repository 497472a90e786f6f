#include "CDorvane_V2View.h"

#include "CDialogService.h"
#include "CFatVolume.h"
#include "CFeedback.h"
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
#include "KrzBuilder.h"
#include "KrzJoin.h"
#include "KrzSplit.h"
#include "MakeFile.h"
#include "RootKey.h"
#include "WavReader.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

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
} // namespace

// ---------------------------------------------------------------------------
// CPoolListBox

int CPoolListBox::GetCurSel() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
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
                                                                   const QEvent*) const
{
    // A click or a key moves the selection; nothing clears it.
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    return QItemSelectionModel::ClearAndSelect;
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
    m_lbPool->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lbPool->setFocusPolicy(Qt::ClickFocus);
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

bool CDorvane_V2View::OnInitialUpdate()
{
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
    ::ReadWavHeader(m_doc.m_aPool[nIndex].m_strFileName, m_aWavInfo[nIndex], Feedback());
}

void CDorvane_V2View::RefreshWavInfo()
{
    for (int i = 0; i < m_doc.m_nCount && i < MAX_POOL; ++i)
        ReadWavHeader(i);
    m_strSampleName.clear();
    m_strKeymapName.clear();
    m_strProgramName.clear();
    m_strFileName.clear();
    m_strWavType.clear();
    UpdateData(false);
    m_doc.m_bRefresh = false;
}

void CDorvane_V2View::FillList()
{
    const QSignalBlocker blocker(m_lbPool);
    m_lbPool->clear();
    for (int i = 0; i < m_doc.m_nCount && i < MAX_POOL; ++i)
        m_lbPool->addItem(FromStd(m_doc.m_aPool[i].m_strFileName));
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

void CDorvane_V2View::OnAdd()
{
    m_nPoolCount = m_doc.m_nCount;

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

    if (m_nPoolCount >= MAX_POOL)
    {
        m_dialogs.MessageBox(this,
                             QStringLiteral("Sorry, you can't have more than 100 samples in the "
                                            "pool..."),
                             kAppTitleText, MessageIcon::None);
        return;
    }

    const QString strPath =
        m_dialogs.GetOpenFileName(this, QStringLiteral("Open a WAV-File"),
                                  {{QStringLiteral("WAV Files: *.WAV"), QStringLiteral("*.wav")},
                                   {QStringLiteral("All Files: *.*"), QStringLiteral("*")}},
                                  QStringLiteral("WAV"));
    // A path longer than the dialog's buffer cannot be picked.
    if (strPath.isEmpty() || strPath.size() > kMaxWavPath)
        return;
    const std::string strTitle = FileTitleOf(ToStd(strPath));
    if (strTitle.empty())
        return;

    const int n = AddPoolEntry(m_doc, ToStd(strPath), strTitle);
    if (n < 0)
        return;
    m_nPoolCount = m_doc.m_nCount;
    const CWPoolObj& entry = m_doc.m_aPool[n];

    m_strFileName = strPath;
    m_lbPool->addItem(strPath);
    m_lbPool->SetCurSel(n);

    ReadWavHeader(n);
    m_strWavType = FromStd(WavTypeText(m_aWavInfo[n]));
    m_strSampleName = FromStd(entry.m_strSampleName);
    m_strKeymapName.clear();
    m_strProgramName.clear();
    m_btnLoopSwitch->setChecked(false);
    m_nRootNote = RootKeyNote(kDefaultRootKey);
    m_nRootOctave = RootKeyOctave(kDefaultRootKey);
    m_strRootKey = FromStd(RootKeyText(m_nRootNote, m_nRootOctave));
    m_btnKeymapEnable->setChecked(true);
    m_btnProgramEnable->setChecked(true);
    UpdateData(false);
    SetModified();
}

void CDorvane_V2View::OnDelete()
{
    m_doc.m_nCount = m_nPoolCount;
    const int nSel = m_lbPool->GetCurSel();
    if (m_nPoolCount < 1 || nSel < 0)
        return;
    if (!DeletePoolEntry(m_doc, m_aWavInfo, nSel))
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
    m_strFileName = FromStd(entry.m_strFileName);
    m_strSampleName = FromStd(entry.m_strSampleName);
    m_strProgramName = FromStd(entry.m_strProgramName);
    m_strKeymapName = FromStd(entry.m_strKeymapName);
    m_btnLoopSwitch->setChecked(entry.m_bLoop != 0);
    m_nRootNote = RootKeyNote(entry.m_nRootKey);
    m_nRootOctave = RootKeyOctave(entry.m_nRootKey);
    m_strRootKey = FromStd(RootKeyText(m_nRootNote, m_nRootOctave));
    m_btnKeymapEnable->setChecked(entry.m_bKeymapEnable != 0);
    m_btnProgramEnable->setChecked(entry.m_bProgramEnable != 0);
    m_strWavType = FromStd(WavTypeText(m_aWavInfo[i]));
    UpdateData(false);
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
    // The text changes also with no selection; only a selected entry stores.
    m_strRootKey = FromStd(RootKeyText(m_nRootNote, m_nRootOctave));
    UpdateData(false);
    if (CWPoolObj* pEntry = SelectedEntry())
    {
        pEntry->m_nRootKey = m_nRootNote + 12 * m_nRootOctave;
        SetModified();
    }
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
    }
}

void CDorvane_V2View::StoreCheckBox(std::int32_t CWPoolObj::*pField, const QCheckBox* pBox)
{
    if (CWPoolObj* pEntry = SelectedEntry())
    {
        pEntry->*pField = pBox->isChecked() ? 1 : 0;
        SetModified();
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
    m_pSound->Play(FromStd(entry.m_strFileName), entry.m_bLoop != 0);
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
    if (!strPath.isEmpty() && strPath.size() <= kMaxWavPath)
    {
        const std::string strOutput = ToStd(strPath);
        CMakeOptions options;
        options.nFirstObjectID = m_nFirstObjectID;
        options.bSplit = m_btnSplitFiles->isChecked();
        options.nMaxSplitKB = m_nMaxSplitKB;
        options.nFloppyKB = m_nFloppyImageKB;
        std::vector<std::string> aOtherInputs{m_strTemplatePath};
        if (!m_doc.GetPathName().empty())
            aOtherInputs.push_back(m_doc.GetPathName());
        CMakeResult result;
        MakeKrzFile(m_doc, m_aWavInfo, options, m_abTemplate, strOutput, aOtherInputs, feedback,
                    result);

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
        return; // Make File ended with "Ready" and the bar at 0
    }
    feedback.SetStatusText("Ready");
    feedback.ProgressSetPos(0);
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
    if (m_dialogs.ExecDialog(dlg) != QDialog::Accepted)
        return;
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
    feedback.SetStatusText("Splitting...");
    if (strDest.empty())
        strDest = strSource;
    if (!strDest.empty())
    {
        const CWaitCursor wait;
        SplitKrzFile(strSource, strDest, m_nMaxSplitKB, feedback);
    }
    feedback.SetStatusText("Ready");
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
    feedback.SetStatusText("Joining...");
    feedback.ProgressSetRange(0, 2);
    feedback.ProgressSetPos(1);
    feedback.ProgressSetStep(1);
    if (strDest.empty())
        strDest = strSource + "J";
    {
        const CWaitCursor wait;
        JoinKrzFiles(strSource, strDest, feedback);
    }
    feedback.ProgressSetPos(0);
    feedback.SetStatusText("Ready");
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
    CFeedback& feedback = Feedback();
    {
        const CWaitCursor wait;
        PutIntoDiskImage(ToStd(strImage), {ToStd(strFile)}, {}, false, feedback);
    }
    feedback.ProgressSetPos(0);
    feedback.SetStatusText("Ready");
}
