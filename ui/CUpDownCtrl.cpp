#include "CUpDownCtrl.h"

#include <QKeyEvent>
#include <QPainter>
#include <QToolButton>

CUpDownCtrl::CUpDownCtrl(QWidget* pParent) : QWidget(pParent)
{
    setFocusPolicy(Qt::NoFocus);
    m_btnUp = new QToolButton(this);
    m_btnDown = new QToolButton(this);
    for (QToolButton* pButton : {m_btnUp, m_btnDown})
    {
        pButton->setFocusPolicy(Qt::NoFocus);
        pButton->setAutoRepeat(true);
        pButton->setAutoRaise(false);
    }
    m_btnUp->setArrowType(Qt::UpArrow);
    m_btnDown->setArrowType(Qt::DownArrow);
    connect(m_btnUp, &QToolButton::clicked, this, [this] { emit DeltaPos(-1); });
    connect(m_btnDown, &QToolButton::clicked, this, [this] { emit DeltaPos(1); });
}

void CUpDownCtrl::resizeEvent(QResizeEvent*)
{
    PlaceButtons();
}

void CUpDownCtrl::PlaceButtons()
{
    // With the focus, a one-pixel frame shows around the arrows.
    const QRect rect = hasFocus() ? this->rect().adjusted(1, 1, -1, -1) : this->rect();
    const int nUpper = rect.height() / 2;
    m_btnUp->setGeometry(rect.x(), rect.y(), rect.width(), nUpper);
    m_btnDown->setGeometry(rect.x(), rect.y() + nUpper, rect.width(), rect.height() - nUpper);
}

void CUpDownCtrl::keyPressEvent(QKeyEvent* pEvent)
{
    if (pEvent->modifiers() == Qt::NoModifier || pEvent->modifiers() == Qt::KeypadModifier)
    {
        if (pEvent->key() == Qt::Key_Up)
        {
            emit DeltaPos(-1);
            return;
        }
        if (pEvent->key() == Qt::Key_Down)
        {
            emit DeltaPos(1);
            return;
        }
    }
    QWidget::keyPressEvent(pEvent);
}

void CUpDownCtrl::focusInEvent(QFocusEvent* pEvent)
{
    PlaceButtons();
    update();
    QWidget::focusInEvent(pEvent);
}

void CUpDownCtrl::focusOutEvent(QFocusEvent* pEvent)
{
    PlaceButtons();
    update();
    QWidget::focusOutEvent(pEvent);
}

void CUpDownCtrl::paintEvent(QPaintEvent*)
{
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Highlight));
}
