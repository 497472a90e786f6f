// The controller's commands that write or read files (Make File, Split,
// Join, Copy to Disk Image), play a sample, change the settings or name
// groups.
#include "CPoolController.h"

#include "CBackgroundWork.h"
#include "CDialogService.h"
#include "CEntryForm.h"
#include "CFeedback.h"
#include "CGroupNamesDlg.h"
#include "CKrzFileDlg.h"
#include "CPoolTable.h"
#include "CSettingsDlg.h"
#include "CSoundPlayer.h"
#include "CTextLimitValidator.h"
#include "ImageRunner.h"
#include "InstrumentCommand.h"
#include "JoinRunner.h"
#include "MakeRunner.h"
#include "MultiDiskCommands.h"
#include "PoolInstruments.h"
#include "SplitRunner.h"
#include "StdText.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>

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

// An operation from its start to its end, whatever way it ends.
class CBusyScope
{
  public:
    explicit CBusyScope(CPoolController& controller) : m_controller(controller)
    {
        m_controller.SetBusy(true);
    }
    ~CBusyScope() { m_controller.SetBusy(false); }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

  private:
    CPoolController& m_controller;
};
} // namespace

void CPoolController::OnPlay()
{
    const int nSel = m_pTable->GetCurSel();
    if (nSel < 0 || nSel >= MAX_POOL || !m_pSound)
        return;
    const CWPoolObj& entry = m_doc.m_aPool[nSel];
    m_pSound->Play(FromStd(entry.FilePath()), entry.m_bLoop != 0);
}

void CPoolController::OnStop()
{
    if (m_pSound)
        m_pSound->Stop();
}

void CPoolController::ShowOutcome(const COutcome& outcome)
{
    for (const SOutcomeNote& note : outcome.Notes())
        Messages().MessageBox(note.strText, note.strCaption, note.icon);
}

// ---------------------------------------------------------------------------
// Make File

void CPoolController::OnMakeFile()
{
    UpdateData(true);
    if (m_nPoolCount < 1)
    {
        m_dialogs.MessageBox(m_pOwner, tr(kEmptyPoolMessage), tr(kAppTitle), MessageIcon::None);
        return;
    }
    if (PoolKind(m_doc) == EPoolKind::Mixed)
    {
        m_dialogs.MessageBox(m_pOwner, tr(kInstrumentMixMessage), tr(kAppTitle), MessageIcon::None);
        return;
    }

    const QString strPath =
        m_dialogs.GetSaveFileName(m_pOwner, tr("Select a Krz-File"),
                                  {{tr("KRZ Files: *.KRZ"), QStringLiteral("*.KRZ")},
                                   {tr("All Files: *.*"), QStringLiteral("*")}},
                                  QStringLiteral("KRZ"), true);
    const CWaitCursor wait;
    CFeedback& feedback = Feedback();
    QString strSummary = tr("Ready");
    if (!strPath.isEmpty() && strPath.size() <= kMaxWavPath)
    {
        const CBusyScope busy(*this);
        // A file error leaves the command where it stood.
        if (!BuildFromFoundFiles(ToStd(strPath), feedback, strSummary))
            return;
        ShowFilledNames();
    }
    feedback.SetStatusText(ToStd(strSummary));
    feedback.ProgressSetPos(0);
}

void CPoolController::ShowFilledNames()
{
    // The build filled empty keymap and program names of the entries; show
    // the selected entry's names as they now are.
    m_model.AllChanged();
    const int nSel = m_pTable->GetCurSel();
    if (nSel < 0 || nSel >= m_doc.m_nCount)
        return;
    m_pForm->m_strKeymapName = FromStd(m_doc.m_aPool[nSel].m_strKeymapName);
    m_pForm->m_strProgramName = FromStd(m_doc.m_aPool[nSel].m_strProgramName);
    CTextLimitValidator::SetText(m_pForm->m_edKeymapName, m_pForm->m_strKeymapName);
    CTextLimitValidator::SetText(m_pForm->m_edProgramName, m_pForm->m_strProgramName);
}

CMakeOptions CPoolController::FormMakeOptions() const
{
    CMakeOptions options;
    options.nFirstObjectID = m_nFirstObjectID;
    options.bSplit = m_btnSplitFiles->isChecked();
    options.nMaxSplitKB = m_nMaxSplitKB;
    options.nFloppyKB = m_nFloppyImageKB;
    m_options.ApplyTo(options);
    return options;
}

std::vector<std::string> CPoolController::MakeOtherInputs() const
{
    std::vector<std::string> aOtherInputs{m_strTemplatePath};
    if (!m_doc.GetPathName().empty())
        aOtherInputs.push_back(m_doc.GetPathName());
    return aOtherInputs;
}

bool CPoolController::BuildFromFoundFiles(const std::string& strOutput, CFeedback& feedback,
                                          QString& strSummary)
{
    if (PoolKind(m_doc) == EPoolKind::Zones)
        return BuildInstruments(strOutput, feedback, strSummary);
    // The build reads each entry's file where it was found (FilePath()); the
    // names it fills in stay in the document.
    // The same options the headers in m_aWavInfo were read with.
    const CMakeOptions options = FormMakeOptions();
    const std::vector<std::string> aOtherInputs = MakeOtherInputs();
    SMadeFile made;
    const std::string strShownName = ToStd(QFileInfo(FromStd(strOutput)).fileName());
    const COutcome outcome =
        RunInBackground(m_pOwner, feedback,
                        [&](CFeedback& work)
                        {
                            return RunMakeFile(m_doc, m_aWavInfo, options, m_abTemplate, strOutput,
                                               strShownName, aOtherInputs, work, made);
                        });
    ShowOutcome(outcome);
    if (!outcome.IsOk())
        return !outcome.IsFileError();
    strSummary = FromStd(made.strSummary);
    // A name the file holds otherwise (another script, an accent, cut).
    if (!made.strNames.empty())
        strSummary += ". " + FromStd(made.strNames);
    return true;
}

// ---------------------------------------------------------------------------
// Settings

void CPoolController::OnSettings()
{
    CSettingsDlg dlg(m_dialogs, m_pOwner->window());
    dlg.m_nCustomKB = m_nMaxSplitKB;
    dlg.m_nFirstObjectID = m_nFirstObjectID;
    dlg.m_nFloppyImageKB = m_nFloppyImageKB;
    dlg.m_nSizeChoice = 3;
    if (m_nMaxSplitKB == CSettingsDlg::kSizeDD)
        dlg.m_nSizeChoice = 1;
    if (m_nMaxSplitKB == CSettingsDlg::kSizeHD)
        dlg.m_nSizeChoice = 2;
    TakeDocumentOptions();
    dlg.m_options = m_options;
    if (m_dialogs.ExecDialog(dlg) != QDialog::Accepted)
        return;
    const CAudioOptions before = AudioOptions();
    const bool bKeptChanged = !(dlg.m_options == m_options);
    m_options = dlg.m_options;
    ApplyOptions();
    if (AudioOptions() != before)
    {
        // Which files are usable, their Type lines and loops follow the
        // options; the current entry is shown again with its new facts.
        RefreshWavInfo();
        m_model.AllChanged();
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

// ---------------------------------------------------------------------------
// Split, Join and Copy to Disk Image

template <typename TDialog>
bool CPoolController::AskSourceAndDest(std::string& strSource, std::string& strDest)
{
    TDialog dlg(m_dialogs, m_pOwner->window());
    dlg.m_strSource.clear();
    dlg.m_strDest.clear();
    if (m_dialogs.ExecDialog(dlg) != QDialog::Accepted)
        return false;
    UpdateData(false);
    strSource = ToStd(dlg.m_strSource);
    strDest = ToStd(dlg.m_strDest);
    return true;
}

void CPoolController::RunWhileBusy(const std::function<COutcome(CFeedback&)>& work)
{
    COutcome outcome;
    {
        const CWaitCursor wait;
        const CBusyScope busy(*this);
        outcome = RunInBackground(m_pOwner, Feedback(), work);
    }
    ShowOutcome(outcome);
}

void CPoolController::OnToolsSplit()
{
    std::string strSource;
    std::string strDest;
    if (!AskSourceAndDest<CSplitDlg>(strSource, strDest))
        return;
    // Nothing to split and nowhere to put it: the command ends at once.
    if (strSource.empty() && strDest.empty())
    {
        Feedback().SetStatusText(WorkingText("Splitting", strSource));
        Feedback().SetStatusText(tr("Ready").toStdString());
        return;
    }
    int nParts = 0;
    RunWhileBusy([&](CFeedback& work)
                 { return RunSplitFile(strSource, strDest, m_nMaxSplitKB, work, nParts); });
}

void CPoolController::OnToolsJoin()
{
    std::string strSource;
    std::string strDest;
    if (AskSourceAndDest<CJoinDlg>(strSource, strDest))
        RunWhileBusy([&](CFeedback& work) { return RunJoinFiles(strSource, strDest, work); });
}

void CPoolController::OnToolsCopyToImage()
{
    const QString strFile = m_dialogs.GetOpenFileName(
        m_pOwner, tr("Select a Krz-File to copy"),
        {{tr("KRZ Files: *.KRZ;*.K25;*.K26"), QStringLiteral("*.KRZ *.K25 *.K26")},
         {tr("All Files: *.*"), QStringLiteral("*")}},
        QStringLiteral("KRZ"));
    if (strFile.isEmpty())
        return;
    const QString strImage = m_dialogs.GetOpenFileName(
        m_pOwner, tr("Select a Disk Image"),
        {{tr("Disk Images: *.IMG;*.HDS"), QStringLiteral("*.img *.IMG *.hds *.HDS")},
         {tr("All Files: *.*"), QStringLiteral("*")}},
        QStringLiteral("IMG"));
    if (strImage.isEmpty())
        return;
    COutcome outcome;
    {
        const CWaitCursor wait;
        outcome = RunInBackground(
            m_pOwner, Feedback(),
            [&](CFeedback& work)
            { return RunPutFiles(ToStd(strImage), {ToStd(strFile)}, {}, false, work); });
    }
    ShowOutcome(outcome);
}

// ---------------------------------------------------------------------------
// Groups of entries that share a keymap

void CPoolController::OnSetGroupNames()
{
    const std::vector<int> aLines = m_pTable->GetSelectedLines();
    const int nCur = m_pTable->GetCurSel();
    if (aLines.empty() || nCur < 0 || nCur >= m_doc.m_nCount || nCur >= MAX_POOL)
        return;
    const CWPoolObj& current = m_doc.m_aPool[nCur];
    CGroupNamesDlg dlg(FromStd(current.m_strKeymapName), FromStd(current.m_strProgramName),
                       m_pOwner);
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
    m_model.AllChanged();
    OnSelchangePoolList();
}
