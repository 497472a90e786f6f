// The "Set Group Names" dialog: one keymap name and one program name for
// every selected pool entry. Each field takes 16 characters, as the form's
// name fields do.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

class CGroupNamesDlg : public QDialog
{
    Q_OBJECT
  public:
    // Proposes strKeymapName and strProgramName (the current entry's).
    CGroupNamesDlg(const QString& strKeymapName, const QString& strProgramName,
                   QWidget* pParent = nullptr);

    QString KeymapName() const;
    QString ProgramName() const;

    QLineEdit* m_edKeymapName;
    QLineEdit* m_edProgramName;
    QPushButton* m_btnOK;
    QPushButton* m_btnCancel;
};
