// The controller's side of instrument files: opening one into the pool,
// the form of an entry made from a zone, and Make File of such a pool.
#include "CPoolController.h"

#include "CBackgroundWork.h"
#include "CEntryForm.h"
#include "CFeedback.h"
#include "CPoolTable.h"
#include "CTextLimitValidator.h"
#include "InstrumentFile.h"
#include "InstrumentRunner.h"
#include "PoolInstruments.h"
#include "StdText.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>

bool CPoolController::OpenInstrumentFile(const std::string& strPath)
{
    // A SoundFont bank is read whole, which can take a while.
    CInstrumentSet set;
    const COutcome read = RunInBackground(m_pOwner, Feedback(),
                                          [&](CFeedback& work)
                                          {
                                              work.SetStatusText("Reading " + FileTitleOf(strPath));
                                              set = ReadInstrumentFile(strPath);
                                              work.SetStatusText(ToStd(tr("Ready")));
                                              return COutcome{};
                                          });
    if (read.IsCancelled())
        return false;
    const COutcome outcome = OpenInstrumentPool(set, strPath, m_doc);
    ShowOutcome(outcome);
    return outcome.IsOk();
}

bool CPoolController::ShowZoneFields()
{
    if (m_pTable == nullptr || m_pForm == nullptr)
        return false;
    const int nSel = m_pTable->GetCurSel();
    const bool bEntry = nSel >= 0 && nSel < m_doc.m_nCount && nSel < MAX_POOL;
    const CPoolZone* pZone = bEntry ? m_doc.m_aPool[nSel].m_pZone.get() : nullptr;
    // The builder gives each instrument one keymap and one program of its
    // name; loop points come from the zone only.
    m_pForm->m_edProgramName->setReadOnly(pZone != nullptr);
    m_pForm->m_btnKeymapEnable->setEnabled(pZone == nullptr && !m_bBusy);
    m_pForm->m_btnProgramEnable->setEnabled(pZone == nullptr && !m_bBusy);
    m_pForm->m_btnLoopSwitch->setEnabled(
        (pZone == nullptr || pZone->zone.loop.nEnd > pZone->zone.loop.nStart) && !m_bBusy);
    if (pZone != nullptr)
        m_pForm->ShowGroupLine(true, FromStd(ZoneDetailsText(pZone->zone)));
    return pZone != nullptr;
}

void CPoolController::NameInstrumentOfSelected()
{
    const CWPoolObj* pEntry = SelectedEntry();
    if (pEntry == nullptr || !pEntry->m_pZone)
        return;
    const std::string strName = pEntry->m_strKeymapName;
    const CPoolZone& zone = *pEntry->m_pZone;
    for (int i = 0; i < m_doc.m_nCount && i < MAX_POOL; ++i)
    {
        CWPoolObj& other = m_doc.m_aPool[i];
        if (other.m_pZone && other.m_pZone->nInstrument == zone.nInstrument &&
            other.m_pZone->strSource == zone.strSource)
        {
            other.m_strKeymapName = strName;
            other.m_strProgramName = strName;
        }
    }
    m_pForm->m_strProgramName = FromStd(strName);
    CTextLimitValidator::SetText(m_pForm->m_edProgramName, m_pForm->m_strProgramName);
    m_model.AllChanged();
}

bool CPoolController::BuildInstruments(const std::string& strOutput, CFeedback& feedback,
                                       QString& strSummary)
{
    // The options of Make File as for a pool of files; the instrument runner
    // notes those that do not apply.
    const CMakeOptions options = FormMakeOptions();
    const CInstrumentSet set = InstrumentsFromPool(m_doc);
    std::vector<std::string> aOtherInputs = MakeOtherInputs();
    // The zones come from one instrument file, opened into the pool.
    if (m_doc.m_nCount > 0 && m_doc.m_aPool[0].m_pZone)
        aOtherInputs.push_back(m_doc.m_aPool[0].m_pZone->strSource);
    SMadeInstruments made;
    const COutcome outcome =
        RunInBackground(m_pOwner, feedback,
                        [&](CFeedback& work) {
                            return RunMakeInstruments({set}, options, m_abTemplate, strOutput,
                                                      aOtherInputs, work, made);
                        });
    ShowOutcome(outcome);
    if (!outcome.IsOk())
        return !outcome.IsFileError();
    strSummary.clear();
    for (const std::string& strLine : made.aSummary)
        strSummary += (strSummary.isEmpty() ? QString() : QStringLiteral("; ")) + FromStd(strLine);
    return true;
}
