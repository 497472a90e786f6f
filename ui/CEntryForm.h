// The form of the current pool entry: its file and Type line with Play and
// Stop, the sample name with the loop switch and the root key (note arrows,
// the key, octave arrows), the keymap name with its Enable box and group
// line, and the program name with its Enable box. The form holds the values
// its fields show (the data exchange members) and reports each change the
// user makes as a signal; what a change does is up to whoever listens.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class CUpDownCtrl;
class QCheckBox;
class QLineEdit;
class QPushButton;

class CEntryForm : public QWidget
{
    Q_OBJECT
  public:
    // The typing limits of the fields, in characters.
    static constexpr int kNameLimit = 16;
    static constexpr int kFileNameLimit = 256;
    static constexpr int kRootKeyLimit = 3;

    explicit CEntryForm(QWidget* pParent = nullptr);

    // The values into the fields, each showing the start of its text; the
    // Type field's font shrinks until its whole text fits. No change signal
    // is sent.
    void ShowValues();
    // The fields into the values in the order file name, sample name,
    // program name, keymap name, root key, type. The first field over its
    // limit ends the copy: it is returned (its value has taken the long
    // text, the later values keep theirs) with its limit in nLimit; nullptr
    // when every field was taken.
    QLineEdit* ReadValues(int& nLimit);
    // Shows strPath as the file and strType as the Type line, without
    // touching the other fields.
    void ShowFile(const QString& strPath, const QString& strType);
    // Shows or hides the group line, with its text.
    void ShowGroupLine(bool bShow, const QString& strText);
    // Shrinks the Type field's font until its whole text fits.
    void FitTypeField();
    // The form's controls that take input, in tab order.
    std::vector<QWidget*> Inputs() const;

    // The values of the fields.
    QString m_strFileName;
    QString m_strSampleName;
    QString m_strProgramName;
    QString m_strKeymapName;
    QString m_strRootKey;
    QString m_strWavType;

    // The controls.
    QLineEdit* m_edFileName;
    QLineEdit* m_edWavType;
    QPushButton* m_btnPlay;
    QPushButton* m_btnStop;
    QLineEdit* m_edSampleName;
    QCheckBox* m_btnLoopSwitch;
    CUpDownCtrl* m_ctlRootNote;
    QLineEdit* m_edRootKey;
    CUpDownCtrl* m_ctlRootOctave;
    QLineEdit* m_edKeymapName;
    QCheckBox* m_btnKeymapEnable;
    QLineEdit* m_edGroupKeys; // read-only; shown only with multisample keymaps
    QLineEdit* m_edProgramName;
    QCheckBox* m_btnProgramEnable;

  signals:
    // The user typed into a name field (never sent for the program's texts).
    void SampleNameEdited();
    void KeymapNameEdited();
    void ProgramNameEdited();
    // The user clicked a check box.
    void LoopClicked();
    void KeymapEnableClicked();
    void ProgramEnableClicked();
    // One click on the note or octave arrows: -1 up, +1 down.
    void RootNoteDelta(int nDelta);
    void RootOctaveDelta(int nDelta);
    // Up, Down, Page Up or Page Down in the root-key field: +1, -1, +12, -12
    // semitones.
    void RootKeyStep(int nSemitones);
    void PlayClicked();
    void StopClicked();

  protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

  private:
    void CreateControls();
    void LayOut();
    void Connect();
};
