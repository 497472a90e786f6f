// Every file dialog and message box of the window goes through this one
// interface, so that tests can answer them. CQtDialogService shows the real
// dialogs and opens each file dialog in the folder last used for files of
// its kind (the default extension: WAV, dvn, KRZ), kept between runs.
#pragma once

#include "CFeedback.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class QDialog;
class QFileDialog;
class QWidget;

// One entry of a file dialog's type list: the text shown and its pattern.
struct FileFilter
{
    QString strText;    // "WAV Files: *.WAV"
    QString strPattern; // "*.wav"
};
using FileFilters = std::vector<FileFilter>;

enum class YesNoCancel
{
    Yes,
    No,
    Cancel,
};

class CDialogService
{
  public:
    virtual ~CDialogService() = default;

    // A file-open dialog that accepts only an existing file. Returns the
    // chosen file's full path, or an empty string when cancelled.
    virtual QString GetOpenFileName(QWidget* pOwner, const QString& strTitle,
                                    const FileFilters& aFilters, const QString& strDefaultExt) = 0;

    // A file-open dialog that accepts one or more existing files. Returns
    // their full paths in the order the dialog gives them, or an empty list
    // when cancelled.
    virtual QStringList GetOpenFileNames(QWidget* pOwner, const QString& strTitle,
                                         const FileFilters& aFilters,
                                         const QString& strDefaultExt) = 0;

    // A folder dialog. strKindExt names the kind of file looked for in the
    // folder (as a default extension does), which decides the folder it
    // opens in. Returns the folder's full path, or "" when cancelled.
    virtual QString GetExistingDirectory(QWidget* pOwner, const QString& strTitle,
                                         const QString& strKindExt) = 0;

    // A file-save dialog that accepts new names, appends strDefaultExt to a
    // name without extension and, with bOverwritePrompt, asks before an
    // existing file is chosen. strInitialName proposes a name. Returns the
    // full path, or an empty string when cancelled.
    virtual QString GetSaveFileName(QWidget* pOwner, const QString& strTitle,
                                    const FileFilters& aFilters, const QString& strDefaultExt,
                                    bool bOverwritePrompt, const QString& strInitialName = {}) = 0;

    // A modal message box with one OK button.
    virtual void MessageBox(QWidget* pOwner, const QString& strText, const QString& strCaption,
                            MessageIcon icon) = 0;

    // A modal question with Yes, No and Cancel and the exclamation icon.
    virtual YesNoCancel AskYesNoCancel(QWidget* pOwner, const QString& strText,
                                       const QString& strCaption) = 0;

    // A modal question with Yes and No; true for Yes. By default asked as
    // AskYesNoCancel, whose Cancel is a No.
    virtual bool AskYesNo(QWidget* pOwner, const QString& strText, const QString& strCaption)
    {
        return AskYesNoCancel(pOwner, strText, strCaption) == YesNoCancel::Yes;
    }

    // Runs one of the program's own modal dialogs (Settings, Split, Join,
    // About) and returns its result (QDialog::Accepted or Rejected).
    virtual int ExecDialog(QDialog& dlg) = 0;
};

class CQtDialogService : public CDialogService
{
  public:
    // The last folders are kept in the settings store of organisation
    // strOrganization and application strApplication.
    CQtDialogService(QString strOrganization, QString strApplication);

    QString GetOpenFileName(QWidget* pOwner, const QString& strTitle, const FileFilters& aFilters,
                            const QString& strDefaultExt) override;
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
    bool AskYesNo(QWidget* pOwner, const QString& strText, const QString& strCaption) override;
    int ExecDialog(QDialog& dlg) override;

    // The folder last used for files of the kind strExt ("" when none has
    // been), and noting a file or folder chosen for that kind. Extensions
    // differing only in case are one kind.
    QString LastFolder(const QString& strExt) const;
    void RememberFolder(const QString& strExt, const QString& strFolder);

  private:
    void OpenInLastFolder(QFileDialog& dlg, const QString& strExt) const;
    QString RunFileDialog(QFileDialog& dlg, const QString& strExt, QStringList* pAll);

    QString m_strOrganization;
    QString m_strApplication;
};
