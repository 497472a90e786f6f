// Dialog units: the forms and dialogs are laid out in units of the dialog
// font, a quarter of its average character width horizontally and an
// eighth of its height vertically, so that the layout grows with the font.
#pragma once

#include <QFont>
#include <QRect>

class QLabel;
class QLayout;

// The font of every form and dialog: 8-point DejaVu Sans Condensed, whose
// base units (6 x 13 pixels at 96 dots per inch) give the layout its
// intended size.
QFont DialogFont();

class CDialogUnits
{
  public:
    explicit CDialogUnits(const QFont& font);

    // Base units in pixels: horizontal = (width of "A".."Z""a".."z" / 26 + 1) / 2,
    // vertical = the font's height.
    int BaseX() const { return m_nBaseX; }
    int BaseY() const { return m_nBaseY; }

    // Dialog units to pixels, rounded half up.
    int X(int nDlu) const;
    int Y(int nDlu) const;
    QRect Rect(int x, int y, int w, int h) const;

  private:
    int m_nBaseX;
    int m_nBaseY;
};

// Gives a layout of a form the margins and spacing of the dialog-unit
// layouts: 4 units around (2 at the top, under a group box's title), and
// 3 between controls.
void CompactLayout(QLayout* pLayout, const CDialogUnits& du);

// Widens a label placed in dialog units to its text where the font's
// glyphs come out wider than the layout allowed, so no text is clipped.
void FitLabel(QLabel* pLabel);
