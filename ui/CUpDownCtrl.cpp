#include "CUpDownCtrl.h"

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
    const int nUpper = height() / 2;
    m_btnUp->setGeometry(0, 0, width(), nUpper);
    m_btnDown->setGeometry(0, nUpper, width(), height() - nUpper);
}
