// Every file dialog and message box of the window goes through this one
// interface, so that tests can answer them. CQtDialogService shows the real
// dialogs.
#pragma once

#include "CFeedback.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class QDialog;
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

    // Runs one of the program's own modal dialogs (Settings, Split, Join,
    // About) and returns its result (QDialog::Accepted or Rejected).
    virtual int ExecDialog(QDialog& dlg) = 0;
};

class CQtDialogService : public CDialogService
{
  public:
    QString GetOpenFileName(QWidget* pOwner, const QString& strTitle, const FileFilters& aFilters,
                            const QString& strDefaultExt) override;
    QString GetSaveFileName(QWidget* pOwner, const QString& strTitle, const FileFilters& aFilters,
                            const QString& strDefaultExt, bool bOverwritePrompt,
                            const QString& strInitialName) override;
    void MessageBox(QWidget* pOwner, const QString& strText, const QString& strCaption,
                    MessageIcon icon) override;
    YesNoCancel AskYesNoCancel(QWidget* pOwner, const QString& strText,
                               const QString& strCaption) override;
    int ExecDialog(QDialog& dlg) override;
};
