#include "CDialogService.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

namespace
{
// While a message box is open, the arrow stands in for a wait cursor that an
// operation set for its whole length: the box waits for the user, not the
// other way round.
class CArrowCursor
{
  public:
    CArrowCursor() : m_bSet(QApplication::overrideCursor() != nullptr)
    {
        if (m_bSet)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~CArrowCursor()
    {
        if (m_bSet)
            QApplication::restoreOverrideCursor();
    }
    CArrowCursor(const CArrowCursor&) = delete;
    CArrowCursor& operator=(const CArrowCursor&) = delete;

  private:
    bool m_bSet;
};

QStringList NameFilters(const FileFilters& aFilters)
{
    // The text before the parentheses is what the list shows (the pattern
    // itself is hidden), so the entries read exactly as given.
    QStringList list;
    for (const FileFilter& filter : aFilters)
        list << QStringLiteral("%1 (%2)").arg(filter.strText, filter.strPattern);
    return list;
}

QString FolderKey(const QString& strExt)
{
    return QStringLiteral("LastFolders/") +
           (strExt.isEmpty() ? QStringLiteral("any") : strExt.toLower());
}
} // namespace

CQtDialogService::CQtDialogService(QString strOrganization, QString strApplication)
    : m_strOrganization(std::move(strOrganization)), m_strApplication(std::move(strApplication))
{
}

QString CQtDialogService::LastFolder(const QString& strExt) const
{
    const QSettings settings(m_strOrganization, m_strApplication);
    return settings.value(FolderKey(strExt)).toString();
}

void CQtDialogService::RememberFolder(const QString& strExt, const QString& strFolder)
{
    if (strFolder.isEmpty())
        return;
    QSettings settings(m_strOrganization, m_strApplication);
    settings.setValue(FolderKey(strExt), strFolder);
}

void CQtDialogService::OpenInLastFolder(QFileDialog& dlg, const QString& strExt) const
{
    // A folder that has gone since is left to the dialog's own choice.
    const QString strLast = LastFolder(strExt);
    if (!strLast.isEmpty() && QFileInfo(strLast).isDir())
        dlg.setDirectory(strLast);
}

QString CQtDialogService::RunFileDialog(QFileDialog& dlg, const QString& strExt, QStringList* pAll)
{
    if (dlg.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dlg.selectedFiles();
    if (files.isEmpty())
        return {};
    const QFileInfo first(files.first());
    RememberFolder(strExt, dlg.fileMode() == QFileDialog::Directory ? first.absoluteFilePath()
                                                                    : first.absolutePath());
    if (pAll)
        *pAll = files;
    return files.first();
}

QString CQtDialogService::GetOpenFileName(QWidget* pOwner, const QString& strTitle,
                                          const FileFilters& aFilters, const QString& strDefaultExt)
{
    QFileDialog dlg(pOwner, strTitle);
    OpenInLastFolder(dlg, strDefaultExt);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setNameFilters(NameFilters(aFilters));
    dlg.setDefaultSuffix(strDefaultExt);
    return RunFileDialog(dlg, strDefaultExt, nullptr);
}

QStringList CQtDialogService::GetOpenFileNames(QWidget* pOwner, const QString& strTitle,
                                               const FileFilters& aFilters,
                                               const QString& strDefaultExt)
{
    QFileDialog dlg(pOwner, strTitle);
    OpenInLastFolder(dlg, strDefaultExt);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFiles);
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setNameFilters(NameFilters(aFilters));
    dlg.setDefaultSuffix(strDefaultExt);
    QStringList aFiles;
    RunFileDialog(dlg, strDefaultExt, &aFiles);
    return aFiles;
}

QString CQtDialogService::GetExistingDirectory(QWidget* pOwner, const QString& strTitle,
                                               const QString& strKindExt)
{
    QFileDialog dlg(pOwner, strTitle);
    OpenInLastFolder(dlg, strKindExt);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setOption(QFileDialog::ShowDirsOnly);
    return RunFileDialog(dlg, strKindExt, nullptr);
}

QString CQtDialogService::GetSaveFileName(QWidget* pOwner, const QString& strTitle,
                                          const FileFilters& aFilters, const QString& strDefaultExt,
                                          bool bOverwritePrompt, const QString& strInitialName)
{
    QFileDialog dlg(pOwner, strTitle);
    OpenInLastFolder(dlg, strDefaultExt);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !bOverwritePrompt);
    dlg.setNameFilters(NameFilters(aFilters));
    dlg.setDefaultSuffix(strDefaultExt);
    if (!strInitialName.isEmpty())
        dlg.selectFile(strInitialName);
    return RunFileDialog(dlg, strDefaultExt, nullptr);
}

void CQtDialogService::MessageBox(QWidget* pOwner, const QString& strText,
                                  const QString& strCaption, MessageIcon icon)
{
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    if (icon == MessageIcon::Exclamation)
        qicon = QMessageBox::Warning;
    else if (icon == MessageIcon::Stop)
        qicon = QMessageBox::Critical;
    QMessageBox box(qicon, strCaption, strText, QMessageBox::Ok, pOwner);
    CArrowCursor arrow;
    box.exec();
}

YesNoCancel CQtDialogService::AskYesNoCancel(QWidget* pOwner, const QString& strText,
                                             const QString& strCaption)
{
    QMessageBox box(QMessageBox::Warning, strCaption, strText,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, pOwner);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    CArrowCursor arrow;
    switch (box.exec())
    {
    case QMessageBox::Yes:
        return YesNoCancel::Yes;
    case QMessageBox::No:
        return YesNoCancel::No;
    default:
        return YesNoCancel::Cancel;
    }
}

bool CQtDialogService::AskYesNo(QWidget* pOwner, const QString& strText, const QString& strCaption)
{
    QMessageBox box(QMessageBox::Question, strCaption, strText, QMessageBox::Yes | QMessageBox::No,
                    pOwner);
    // A stray Return keeps the work going.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    CArrowCursor arrow;
    return box.exec() == QMessageBox::Yes;
}

int CQtDialogService::ExecDialog(QDialog& dlg)
{
    return dlg.exec();
}
