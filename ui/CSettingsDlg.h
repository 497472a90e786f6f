// The Settings dialog: the first object ID (200..900), the largest part
// size of a split KRZ file (a floppy size or a typed size, 1..650000 units
// of 1024 bytes), the floppy images Make File writes (none, 720 KB or
// 1.44 MB), and the options of the audio input and of multisample keymaps
// (converting other audio files, a sample rate limit, the root key and loop
// stored in the files, one keymap for the entries that share a keymap name)
// and how pool files store paths (relative to the pool file).
#pragma once

#include <QDialog>

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
    static constexpr int kMinSizeKB = 1;
    static constexpr int kMaxSizeKB = 650000;
    static constexpr int kMinFirstObjectID = 200;
    static constexpr int kMaxFirstObjectID = 900;
    // The sample rate limit in Hz: its range and the value proposed.
    static constexpr int kMinRateLimitHz = 1000;
    static constexpr int kMaxRateLimitHz = 384000;
    static constexpr int kDefaultRateLimitHz = 48000;

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
    bool m_bConvert = false;
    bool m_bLimitRate = false;
    int m_nRateLimitHz = kDefaultRateLimitHz; // kept when the limit is off
    bool m_bFileMetadata = false;
    bool m_bMultisample = false;
    bool m_bRelativePaths = false; // save paths relative to the pool file

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

  protected:
    void showEvent(QShowEvent* pEvent) override;

  private:
    bool ReadIntField(QLineEdit* pEdit, int& nMember, int nMin, int nMax);

    CDialogService& m_dialogs;
    bool m_bInitialized = false;
};
