#include "CAboutDlg.h"

#include "DialogUnits.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(tr("About Dorvane_V2"));
    setFont(DialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    const CDialogUnits du(font());
    setFixedSize(du.X(169), du.Y(161));

    // The picture at its own size, centred in a sunken frame; the frame
    // grows around its centre if the picture would not fit in it.
    // On a screen at scale 2 the picture drawn at twice the size, shown
    // at the same size in the dialog.
    QPixmap picture(QStringLiteral(":/ui/about.png"));
    if (devicePixelRatioF() > 1.0)
    {
        QPixmap large(QStringLiteral(":/ui/about@2x.png"));
        large.setDevicePixelRatio(2.0);
        picture = large;
    }
    m_ctlPicture = new QLabel(this);
    m_ctlPicture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_ctlPicture->setAlignment(Qt::AlignCenter);
    m_ctlPicture->setPixmap(picture);
    QRect rect = du.Rect(7, 7, 155, 76);
    const int nFrame = 2 * m_ctlPicture->frameWidth();
    const QSize size = picture.deviceIndependentSize().toSize();
    const int nGrowX = std::max(0, size.width() + nFrame - rect.width());
    const int nGrowY = std::max(0, size.height() + nFrame - rect.height());
    rect.adjust(-nGrowX / 2, -nGrowY / 2, nGrowX - nGrowX / 2, nGrowY - nGrowY / 2);
    m_ctlPicture->setGeometry(rect);

    m_btnOK = new QPushButton(tr("OK"), this);
    m_btnOK->setGeometry(du.Rect(70, 140, 32, 14));
    m_btnOK->setDefault(true);
    m_btnOK->setFocus();
    connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
}
