// A pair of vertical arrows not attached to any field. Each click reports a
// signed delta as the platform's arrow control does under its default
// range: the up arrow -1, the down arrow +1. Holding an arrow repeats it.
#pragma once

#include <QWidget>

class QToolButton;

class CUpDownCtrl : public QWidget
{
    Q_OBJECT
  public:
    explicit CUpDownCtrl(QWidget* pParent = nullptr);

    QToolButton* UpButton() const { return m_btnUp; }
    QToolButton* DownButton() const { return m_btnDown; }

  signals:
    void DeltaPos(int nDelta);

  protected:
    void resizeEvent(QResizeEvent* pEvent) override;

  private:
    QToolButton* m_btnUp;
    QToolButton* m_btnDown;
};
