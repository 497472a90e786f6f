// Tools > Extract KRZ File: a KRZ file, the first part of a split file or a
// disk image taken apart into WAV and SFZ files, on the worker thread.
#include "CDialogService.h"
#include "CPoolController.h"
#include "ExtractRunner.h"
#include "KrzExtract.h"
#include "StdText.h"

void CPoolController::OnToolsExtract()
{
    const QString strSource = m_dialogs.GetOpenFileName(
        m_pOwner, tr("Select a Krz-File or Disk Image to extract"),
        {{tr("KRZ Files and Disk Images: *.KRZ;*.K25;*.K26;*.KRZ01;*.IMG;*.HDS"),
          QStringLiteral("*.KRZ *.krz *.K25 *.k25 *.K26 *.k26 *.KRZ01 *.krz01 *.K2501 *.K2601 "
                         "*.IMG *.img *.IMA *.ima *.HDS *.hds *.ISO *.iso")},
         {tr("All Files: *.*"), QStringLiteral("*")}},
        QStringLiteral("KRZ"));
    if (strSource.isEmpty())
        return;
    const QString strDir = m_dialogs.GetExistingDirectory(
        m_pOwner, tr("Select a Folder to extract into"), QStringLiteral("WAV"));
    if (strDir.isEmpty())
        return;
    const std::string strOutDir = ToStd(strDir);
    RunWhileBusy(
        [&](CFeedback& work)
        {
            COutcome outcome = RunExtract({ToStd(strSource)}, strOutDir, work);
            // A success says where the files went; the report in each
            // folder says what they are.
            if (outcome.IsOk() && !outcome.IsCancelled() && outcome.Notes().empty())
                outcome.Note({"Extracted into " + strOutDir +
                                  ": a folder per KRZ file, each with " + kExtractReportName +
                                  " listing what was written.",
                              kAppTitle, MessageIcon::None, strOutDir});
            return outcome;
        });
}
