#include "CPoolController.h"

#include "CDialogService.h"
#include "CEntryForm.h"
#include "CFeedback.h"
#include "CPoolTable.h"
#include "CSoundPlayer.h"
#include "CTextLimitValidator.h"
#include "CWindowFeedback.h"
#include "DialogInt.h"
#include "MakeFile.h"
#include "PoolInstruments.h"
#include "RootKey.h"
#include "StdText.h"
#include "WavReader.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <filesystem>

namespace
{
QString AppTitle()
{
    return CPoolController::tr(kAppTitle);
}

// The kept option that lives in the document rather than in Make File's
// options.
constexpr const char* kRelativePathsKey = "relativePaths";
} // namespace

CPoolController::CPoolController(CDorvane_V2Doc& doc, CDialogService& dialogs, QWidget* pOwner)
    : QObject(pOwner), m_doc(doc), m_dialogs(dialogs), m_pOwner(pOwner),
      m_model(doc, m_aWavInfo, this), m_pSound(std::make_unique<CSoundPlayer>()),
      m_aTemplateDirs(TemplateSearchDirs(QCoreApplication::applicationDirPath().toStdString()))
{
}

CPoolController::~CPoolController() = default;

void CPoolController::Attach(CPoolTable* pTable, CEntryForm* pForm, QLineEdit* pPoolCount,
                             QCheckBox* pSplitFiles)
{
    m_pTable = pTable;
    m_pForm = pForm;
    m_edPoolCount = pPoolCount;
    m_btnSplitFiles = pSplitFiles;
    m_pTable->setModel(&m_model);
    connect(m_pTable, &CPoolTable::SelectionChanged, this,
            [this] { Guard([this] { OnSelchangePoolList(); }); });
    ConnectForm();
}

void CPoolController::ConnectForm()
{
    // Each of the user's changes runs under the top-level command handling.
    auto on = [this](auto pSignal, void (CPoolController::*pHandler)())
    {
        connect(m_pForm, pSignal, this,
                [this, pHandler] { Guard([this, pHandler] { (this->*pHandler)(); }); });
    };
    on(&CEntryForm::PlayClicked, &CPoolController::OnPlay);
    on(&CEntryForm::StopClicked, &CPoolController::OnStop);
    on(&CEntryForm::SampleNameEdited, &CPoolController::OnChangeSampleName);
    on(&CEntryForm::KeymapNameEdited, &CPoolController::OnChangeKeymapName);
    on(&CEntryForm::ProgramNameEdited, &CPoolController::OnChangeProgramName);
    on(&CEntryForm::LoopClicked, &CPoolController::OnLoopSwitch);
    on(&CEntryForm::KeymapEnableClicked, &CPoolController::OnKeymapEnable);
    on(&CEntryForm::ProgramEnableClicked, &CPoolController::OnProgramEnable);
    auto onStep = [this](auto pSignal, void (CPoolController::*pHandler)(int))
    {
        connect(m_pForm, pSignal, this,
                [this, pHandler](int n) { Guard([this, pHandler, n] { (this->*pHandler)(n); }); });
    };
    onStep(&CEntryForm::RootNoteDelta, &CPoolController::OnDeltaposRootNote);
    onStep(&CEntryForm::RootOctaveDelta, &CPoolController::OnDeltaposRootOctave);
    onStep(&CEntryForm::RootKeyStep, &CPoolController::StepRootKeyBy);
}

void CPoolController::SetSoundPlayer(std::unique_ptr<CSoundPlayer> pPlayer)
{
    m_pSound = std::move(pPlayer);
}

CFeedback& CPoolController::Feedback() const
{
    return m_pFeedback ? *m_pFeedback : *m_pDefault;
}

CMessageSink& CPoolController::Messages() const
{
    return m_pMessages ? *m_pMessages : *m_pDefault;
}

void CPoolController::SetModified()
{
    m_doc.SetModifiedFlag(true);
}

// ---------------------------------------------------------------------------
// Data exchange

bool CPoolController::PoolCountFromField()
{
    int nCount = 0;
    const bool bNumber = ParseDialogInt(m_edPoolCount->text(), nCount);
    if (bNumber)
        m_nPoolCount = nCount;
    if (!bNumber || nCount < 0 || nCount > MAX_POOL)
    {
        m_dialogs.MessageBox(m_pOwner,
                             bNumber ? IntegerRangeMessage(0, MAX_POOL) : IntegerMessage(),
                             AppTitle(), MessageIcon::Exclamation);
        m_edPoolCount->setFocus();
        m_edPoolCount->selectAll();
        return false;
    }
    return true;
}

bool CPoolController::UpdateData(bool bSaveAndValidate)
{
    if (!bSaveAndValidate)
    {
        m_edPoolCount->setText(QString::number(m_nPoolCount));
        m_pForm->ShowValues();
        return true;
    }
    if (!PoolCountFromField())
        return false;
    int nLimit = 0;
    QLineEdit* pLong = m_pForm->ReadValues(nLimit);
    if (!pLong)
        return true;
    m_dialogs.MessageBox(m_pOwner, MaxCharsMessage(nLimit), AppTitle(), MessageIcon::Exclamation);
    pLong->setFocus();
    pLong->selectAll();
    return false;
}

void CPoolController::ClearFields()
{
    m_pForm->m_strSampleName.clear();
    m_pForm->m_strKeymapName.clear();
    m_pForm->m_strProgramName.clear();
    m_pForm->m_strFileName.clear();
    m_pForm->m_strWavType.clear();
}

// ---------------------------------------------------------------------------
// Initial update and rebuild

bool CPoolController::OnInitialUpdate(bool bNewPool)
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
            m_dialogs.MessageBox(m_pOwner, tr(kTemplateErrorMessage), AppTitle(),
                                 MessageIcon::None);
            return false;
        }
    }
    m_nPoolCount = m_doc.m_nCount;
    m_doc.m_bRefresh = true;
    OnSelchangePoolList();
    // After the display of the old selection, which would set it again.
    if (bNewPool)
        m_pForm->m_btnLoopSwitch->setChecked(false);
    QueueRefresh();
    return true;
}

void CPoolController::QueueRefresh()
{
    if (m_bRefreshQueued)
        return;
    m_bRefreshQueued = true;
    // The rebuild may show message boxes, so it runs as a call of its own
    // right after the command, never inside a paint.
    QTimer::singleShot(0, this, [this] { RunPendingRefresh(); });
}

void CPoolController::RunPendingRefresh()
{
    // An operation may be reading the pool on its worker: SetBusy(false)
    // queues the refresh again.
    if (!m_bRefreshQueued || m_bBusy)
        return;
    m_bRefreshQueued = false;
    Guard([this] { OnRefresh(); });
}

void CPoolController::ReadWavHeader(int nIndex)
{
    // Audio held in an instrument file has no file to read.
    if (ZoneDataInfo(m_doc.m_aPool[nIndex], m_aWavInfo[nIndex]))
        return;
    const std::string strPath = m_doc.m_aPool[nIndex].FilePath();
    ShowAsMessages(ReadAudioHeader(strPath, m_aWavInfo[nIndex], AudioOptions()), Messages());
    // A loop that cannot be used gives no message box (the file is usable),
    // only a note the user can see after the command.
    if (m_aWavInfo[nIndex].bLoopIgnored)
        Feedback().SetStatusText(tr("Loop of %1 lies outside its data: ignored")
                                     .arg(FromStd(FileTitleOf(strPath)))
                                     .toStdString());
    if (m_aWavInfo[nIndex].bMetadataIgnored)
        Feedback().SetStatusText(tr("Markers or instrument of %1 cannot be read: ignored")
                                     .arg(FromStd(FileTitleOf(strPath)))
                                     .toStdString());
}

CAudioOptions CPoolController::AudioOptions() const
{
    return KeptMakeOptions().audio;
}

CMakeOptions CPoolController::KeptMakeOptions() const
{
    CMakeOptions options;
    m_options.ApplyTo(options);
    return options;
}

void CPoolController::ApplyOptions()
{
    // The one option that is the document's: how Save writes paths.
    m_doc.m_bRelativePaths = m_options.IsOn(kRelativePathsKey);
    UpdateGroupKeys();
}

void CPoolController::TakeDocumentOptions()
{
    m_options.SetValue(kRelativePathsKey, m_doc.m_bRelativePaths ? 1 : 0);
}

void CPoolController::RefreshWavInfo()
{
    const int nCount = std::clamp<int>(m_doc.m_nCount, 0, MAX_POOL);
    std::vector<bool> abMissing(static_cast<std::size_t>(nCount));
    QStringList aMissing;
    for (int i = 0; i < nCount; ++i)
    {
        abMissing[i] = !HasZoneData(m_doc.m_aPool[i]) && !IsFile(m_doc.m_aPool[i].FilePath());
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
        m_dialogs.MessageBox(m_pOwner, MissingFilesMessage(aMissing), tr(kWavInfoCaption),
                             MessageIcon::None);
    ClearFields();
    UpdateData(false);
    m_doc.m_bRefresh = false;
}

void CPoolController::UpdatePathsShown()
{
    const int nSel = m_pTable->GetCurSel();
    m_model.Reset();
    m_pTable->SetCurSel(nSel);
    if (nSel >= 0 && nSel < m_doc.m_nCount)
        m_pForm->ShowFile(FromStd(m_doc.m_aPool[nSel].FilePath()), m_pForm->m_strWavType);
}

void CPoolController::OnRefresh()
{
    const int nSel = m_pTable->GetCurSel();
    m_nPoolCount = m_doc.m_nCount;
    if (m_doc.m_bRefresh)
    {
        RefreshWavInfo();
        m_model.Reset();
        // The old index is selected again without showing the entry: the
        // detail fields stay empty until the user picks a row.
        m_pTable->SetCurSel(nSel);
    }
    // An opened instrument's Keys and Velocity columns, or none.
    m_model.SetShowZones(PoolKind(m_doc) >= EPoolKind::Zones);
    UpdateData(false);
}

// ---------------------------------------------------------------------------
// Selection display and the edits of the selected entry

void CPoolController::OnSelchangePoolList()
{
    const int i = m_pTable->GetCurSel();
    if (i < 0 || i >= MAX_POOL)
        return;
    m_nPoolCount = m_doc.m_nCount;
    const CWPoolObj& entry = m_doc.m_aPool[i];
    m_pForm->m_strFileName = FromStd(entry.FilePath());
    m_pForm->m_strSampleName = FromStd(entry.m_strSampleName);
    m_pForm->m_strProgramName = FromStd(entry.m_strProgramName);
    m_pForm->m_strKeymapName = FromStd(entry.m_strKeymapName);
    m_pForm->m_btnLoopSwitch->setChecked(entry.m_bLoop != 0);
    m_nRootNote = RootKeyNote(entry.m_nRootKey);
    m_nRootOctave = RootKeyOctave(entry.m_nRootKey);
    m_pForm->m_strRootKey = FromStd(RootKeyText(m_nRootNote, m_nRootOctave));
    m_pForm->m_btnKeymapEnable->setChecked(entry.m_bKeymapEnable != 0);
    m_pForm->m_btnProgramEnable->setChecked(entry.m_bProgramEnable != 0);
    m_pForm->m_strWavType = CPoolTableModel::TypeText(m_aWavInfo[i], entry);
    UpdateData(false);
    UpdateGroupKeys();
}

void CPoolController::StepRootKey(int& nValue, int nMax, int nDelta)
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

void CPoolController::ShowRootKey()
{
    // The text changes also with no selection; only a selected entry stores.
    m_pForm->m_strRootKey = FromStd(RootKeyText(m_nRootNote, m_nRootOctave));
    UpdateData(false);
    if (CWPoolObj* pEntry = SelectedEntry())
    {
        pEntry->m_nRootKey = m_nRootNote + 12 * m_nRootOctave;
        SetModified();
        EntryEdited(m_pTable->GetCurSel());
    }
}

void CPoolController::StepRootKeyBy(int nSemitones)
{
    const int nKey = m_nRootNote + 12 * m_nRootOctave;
    const int nNew = std::clamp(nKey + nSemitones, 0, 12 * 9 + 11);
    if (nNew == nKey)
        return;
    m_nRootNote = nNew % 12;
    m_nRootOctave = nNew / 12;
    ShowRootKey();
}

void CPoolController::OnDeltaposRootNote(int nDelta)
{
    StepRootKey(m_nRootNote, 11, nDelta);
}

void CPoolController::OnDeltaposRootOctave(int nDelta)
{
    StepRootKey(m_nRootOctave, 9, nDelta);
}

CWPoolObj* CPoolController::SelectedEntry()
{
    const int nSel = m_pTable->GetCurSel();
    return nSel >= 0 && nSel < MAX_POOL ? &m_doc.m_aPool[nSel] : nullptr;
}

void CPoolController::EntryEdited(int nRow)
{
    m_model.RowChanged(nRow);
    UpdateGroupKeys();
}

void CPoolController::StoreNameField(std::string CWPoolObj::*pField, const QString& strValue)
{
    CWPoolObj* pEntry = SelectedEntry();
    // All fields are taken into the values, selection or not; a field that
    // fails its test stops the copy, and the values after it keep their
    // earlier texts (strValue is one of them).
    UpdateData(true);
    if (pEntry)
    {
        pEntry->*pField = strValue.toStdString();
        SetModified();
        EntryEdited(m_pTable->GetCurSel());
    }
}

void CPoolController::StoreCheckBox(std::int32_t CWPoolObj::*pField, const QCheckBox* pBox)
{
    if (CWPoolObj* pEntry = SelectedEntry())
    {
        pEntry->*pField = pBox->isChecked() ? 1 : 0;
        SetModified();
        EntryEdited(m_pTable->GetCurSel());
    }
}

void CPoolController::OnChangeSampleName()
{
    StoreNameField(&CWPoolObj::m_strSampleName, m_pForm->m_strSampleName);
}

void CPoolController::OnChangeKeymapName()
{
    StoreNameField(&CWPoolObj::m_strKeymapName, m_pForm->m_strKeymapName);
    NameInstrumentOfSelected();
}

void CPoolController::OnChangeProgramName()
{
    StoreNameField(&CWPoolObj::m_strProgramName, m_pForm->m_strProgramName);
}

void CPoolController::OnLoopSwitch()
{
    StoreCheckBox(&CWPoolObj::m_bLoop, m_pForm->m_btnLoopSwitch);
}

void CPoolController::OnKeymapEnable()
{
    StoreCheckBox(&CWPoolObj::m_bKeymapEnable, m_pForm->m_btnKeymapEnable);
}

void CPoolController::OnProgramEnable()
{
    StoreCheckBox(&CWPoolObj::m_bProgramEnable, m_pForm->m_btnProgramEnable);
}

void CPoolController::UpdateGroupKeys()
{
    const bool bGroups = KeptMakeOptions().bMultisample;
    m_model.SetShowKeys(bGroups);
    m_model.SetShowZones(PoolKind(m_doc) >= EPoolKind::Zones);
    if (ShowZoneFields())
        return;
    m_pForm->ShowGroupLine(
        bGroups, bGroups ? CPoolTableModel::GroupKeysText(m_doc, m_aWavInfo, m_pTable->GetCurSel())
                         : QString());
}

// ---------------------------------------------------------------------------
// Operations in progress

void CPoolController::SetBusy(bool bBusy)
{
    if (bBusy == m_bBusy)
        return;
    m_bBusy = bBusy;
    if (!m_pFeedback && m_pDefault)
        m_pDefault->SetPumpEvents(bBusy);
    if (m_fnBusy)
        m_fnBusy(bBusy);
    emit BusyChanged(bBusy);
    // The busy state enabled every input again.
    if (!bBusy)
        ShowZoneFields();
    if (!bBusy && m_bRefreshQueued)
        QTimer::singleShot(0, this, [this] { RunPendingRefresh(); });
}
