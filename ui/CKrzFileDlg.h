// The two Tools dialogs: a source and a destination, typed or picked with a
// Browse button. CSplitDlg ("Split Existing Krz-File") limits each field to
// 100 characters; CJoinDlg ("Join Existing Krz-Files") has no limit.
#pragma once

#include "CDialogService.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

class CKrzFileDlg : public QDialog
{
    Q_OBJECT
  public:
    // The longest path a Browse button can pick (its buffer holds 500
    // characters, the terminating zero included).
    static constexpr int kMaxBrowsePath = 499;
    // The Split dialog's field limit.
    static constexpr int kSplitFieldLimit = 100;

    // Copies the members into the fields (false), or the fields into the
    // members (true): the destination first, then the source. With a limit,
    // a field longer than it shows "Please enter no more than %1
    // characters.", selects the field and returns false.
    bool UpdateData(bool bSaveAndValidate);

    // Browse: picks a file into m_strSource (open dialog) or m_strDest (save
    // dialog); afterwards both fields are filled again from the members,
    // whether a file was picked or not.
    void OnBrowseSource();
    void OnBrowseDest();

    // The default button: closes the dialog only when the fields pass.
    void accept() override;

    QString m_strDest;   // destination: base name of the parts, or the joined file
    QString m_strSource; // the file to split, or the first part of a series

    QPushButton* m_btnOK;
    QPushButton* m_btnCancel;
    QLineEdit* m_edSource;
    QLineEdit* m_edDest;
    QPushButton* m_btnBrowseSource;
    QPushButton* m_btnBrowseDest;

  protected:
    enum class Kind
    {
        Split,
        Join,
    };
    CKrzFileDlg(Kind kind, CDialogService& dialogs, QWidget* pParent);
    void showEvent(QShowEvent* pEvent) override;

  private:
    bool ReadField(QLineEdit* pEdit, QString& strMember);

    CDialogService& m_dialogs;
    int m_nLimit; // 0: none
    bool m_bInitialized = false;
};

class CSplitDlg : public CKrzFileDlg
{
    Q_OBJECT
  public:
    explicit CSplitDlg(CDialogService& dialogs, QWidget* pParent = nullptr)
        : CKrzFileDlg(Kind::Split, dialogs, pParent)
    {
    }
};

class CJoinDlg : public CKrzFileDlg
{
    Q_OBJECT
  public:
    explicit CJoinDlg(CDialogService& dialogs, QWidget* pParent = nullptr)
        : CKrzFileDlg(Kind::Join, dialogs, pParent)
    {
    }
};
