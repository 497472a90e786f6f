#include "CDialogService.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

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

QString RunFileDialog(QFileDialog& dlg)
{
    if (dlg.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dlg.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}
} // namespace

QString CQtDialogService::GetOpenFileName(QWidget* pOwner, const QString& strTitle,
                                          const FileFilters& aFilters, const QString& strDefaultExt)
{
    QFileDialog dlg(pOwner, strTitle);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setNameFilters(NameFilters(aFilters));
    dlg.setDefaultSuffix(strDefaultExt);
    return RunFileDialog(dlg);
}

QString CQtDialogService::GetSaveFileName(QWidget* pOwner, const QString& strTitle,
                                          const FileFilters& aFilters, const QString& strDefaultExt,
                                          bool bOverwritePrompt, const QString& strInitialName)
{
    QFileDialog dlg(pOwner, strTitle);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !bOverwritePrompt);
    dlg.setNameFilters(NameFilters(aFilters));
    dlg.setDefaultSuffix(strDefaultExt);
    if (!strInitialName.isEmpty())
        dlg.selectFile(strInitialName);
    return RunFileDialog(dlg);
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

int CQtDialogService::ExecDialog(QDialog& dlg)
{
    return dlg.exec();
}
