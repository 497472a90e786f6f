// The progress bar of the pool form: a range, a step and a position, each
// change shown at once (the operations that drive it keep the thread busy).
#pragma once

#include <QProgressBar>

class CProgressCtrl : public QProgressBar
{
    Q_OBJECT
  public:
    explicit CProgressCtrl(QWidget* pParent = nullptr);

    void SetRange(int nLower, int nUpper);
    void SetStep(int nStep) { m_nStep = nStep; }
    // Positions outside the range are held at its ends.
    void SetPos(int nPos);
    // Advances by the step; past the upper end the bar starts over from the
    // lower end, as the bar control does.
    void StepIt();

    int GetPos() const { return m_nPos; }
    int GetLower() const { return m_nLower; }
    int GetUpper() const { return m_nUpper; }
    int GetStep() const { return m_nStep; }

  private:
    void Show();

    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nStep = 10;
    int m_nPos = 0;
};
