// The Settings dialog: the first object ID (200..900), the largest part
// size of a split KRZ file (a floppy size or a typed size, 1..650000 units
// of 1024 bytes), the floppy images Make File writes (none, 720 KB or
// 1.44 MB), and the options of the audio input and of multisample keymaps
// (converting other audio files, a sample rate limit, the root key and loop
// stored in the files, one keymap for the entries that share a keymap name)
// and how pool files store paths (relative to the pool file). Its rows,
// texts and ranges are the option table's (OptionTable.h): each option the
// table gives the Settings face has one control, named by the option's key.
#pragma once

#include "COptionValues.h"
#include "OptionTable.h"

#include <QDialog>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CDialogService;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CSettingsDlg : public QDialog
{
    Q_OBJECT
  public:
    // The fixed sizes of the two floppy buttons, in units of 1024 bytes.
    static constexpr int kSizeDD = 700;
    static constexpr int kSizeHD = 1400;
    // The sample rate limit proposed while the limit is off, in Hz.
    static inline const int kDefaultRateLimitHz = Option("maxRate").nProposed;

    explicit CSettingsDlg(CDialogService& dialogs, QWidget* pParent = nullptr);

    // Fills the fields from the members and selects the button of
    // m_nSizeChoice; runs when the dialog is first shown.
    void OnInitDialog();
    // Copies the members into the fields (false), or the fields into the
    // members with their checks (true): the size field first, then the
    // first object ID, then the rate limit field when its check box is
    // checked (unchecked, the field is disabled and keeps its value unread);
    // the first failure shows its message, selects the field and returns
    // false.
    bool UpdateData(bool bSaveAndValidate);

    void OnSizeDD() { m_nSizeChoice = 1; }
    void OnSizeHD() { m_nSizeChoice = 2; }
    void OnSizeCustom() { m_nSizeChoice = 3; }
    // The rate limit check box: enables its Hz field.
    void OnLimitRate();

    // OK: closes the dialog only when both fields pass their checks.
    void accept() override;

    int m_nSizeChoice = 0; // 1 = "720 Kb DD Floppy", 2 = "1.4 Mb HD Floppy", 3 = "--->"
    int m_nCustomKB = 0;
    int m_nFirstObjectID = 0;
    int m_nFloppyImageKB = 0; // 0 (none), 720 or 1440
    // The options kept between runs, one control each: a box for an on/off
    // option, a box and a field for a switched value (the rate limit, whose
    // value is kept while it is off).
    COptionValues m_options;

    QPushButton* m_btnOK;
    QPushButton* m_btnCancel;
    QLineEdit* m_edFirstObjectID;
    QLineEdit* m_edCustomKB;
    QRadioButton* m_rbSizeDD;
    QRadioButton* m_rbSizeHD;
    QRadioButton* m_rbSizeCustom;
    QComboBox* m_cbFloppyImages;
    QCheckBox* m_btnConvert;
    QCheckBox* m_btnLimitRate;
    QLineEdit* m_edRateLimit;
    QCheckBox* m_btnFileMetadata;
    QCheckBox* m_btnMultisample;
    QCheckBox* m_btnRelativePaths;

    // The control of the option of svKey (a check box, a field or the
    // floppy images choice); nullptr when the dialog shows no such option.
    QWidget* OptionControl(std::string_view svKey) const;

  protected:
    void showEvent(QShowEvent* pEvent) override;

  private:
    // The check boxes of the table's on/off options and of the rate limit,
    // one row each from dialog unit nTop down, in the table's order, at
    // least nWidth dialog units wide. Returns the rows' right edge (pixels).
    int CreateOptionRows(int nTop, int nWidth);
    QCheckBox* CreateCheckBox(const SOption& option, int nTop, int nWidth);
    QCheckBox* OptionBox(std::string_view svKey) const;
    // Whether the option of svKey is one kept between runs (in m_options).
    static bool IsKept(std::string_view svKey);
    bool ReadIntField(QLineEdit* pEdit, int& nMember, const SOption& option);

    CDialogService& m_dialogs;
    bool m_bInitialized = false;
    std::vector<std::pair<std::string, QCheckBox*>> m_aOptionBoxes; // the on/off options' boxes
    std::string m_strSwitchedKey; // the option of m_btnLimitRate and m_edRateLimit
};
