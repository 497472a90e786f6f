#include "DialogUnits.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLayout>

QFont DialogFont()
{
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

CDialogUnits::CDialogUnits(const QFont& font)
{
    const QFontMetrics fm(font);
    const int nWidth = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = (nWidth / 26 + 1) / 2;
    m_nBaseY = fm.height();
}

int CDialogUnits::X(int nDlu) const
{
    return (nDlu * m_nBaseX * 2 + 4) / 8;
}

int CDialogUnits::Y(int nDlu) const
{
    return (nDlu * m_nBaseY * 2 + 8) / 16;
}

QRect CDialogUnits::Rect(int x, int y, int w, int h) const
{
    return QRect(X(x), Y(y), X(w), Y(h));
}

void FitLabel(QLabel* pLabel)
{
    const int nText = pLabel->fontMetrics().horizontalAdvance(pLabel->text()) + 1;
    if (nText > pLabel->width())
        pLabel->resize(nText, pLabel->height());
}

void CompactLayout(QLayout* pLayout, const CDialogUnits& du)
{
    pLayout->setContentsMargins(du.X(4), du.Y(2), du.X(4), du.Y(3));
    pLayout->setSpacing(du.Y(3));
}
