// A pair of vertical arrows not attached to any field. Each click reports a
// signed delta as the platform's arrow control does under its default
// range: the up arrow -1, the down arrow +1. Holding an arrow repeats it.
// With the keyboard focus (reached by Tab only; a click on an arrow leaves
// the focus where it is) it is framed in the highlight colour, and the Up
// and Down keys act as its arrows.
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
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

  private:
    void PlaceButtons();

    QToolButton* m_btnUp;
    QToolButton* m_btnDown;
};
