#include "CGroupNamesDlg.h"

#include "CTextLimitValidator.h"
#include "DialogUnits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{
constexpr int kNameLimit = 16;
}

CGroupNamesDlg::CGroupNamesDlg(const QString& strKeymapName, const QString& strProgramName,
                               QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(tr("Set Group Names"));
    setFont(DialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    const CDialogUnits du(font());
    setFixedSize(du.X(186), du.Y(62));

    auto* pKeymapLabel = new QLabel(tr("&Keymap name:"), this);
    pKeymapLabel->setGeometry(du.Rect(7, 9, 50, 8));
    m_edKeymapName = new QLineEdit(this);
    m_edKeymapName->setGeometry(du.Rect(60, 7, 119, 12));
    pKeymapLabel->setBuddy(m_edKeymapName);
    auto* pProgramLabel = new QLabel(tr("&Program name:"), this);
    pProgramLabel->setGeometry(du.Rect(7, 25, 50, 8));
    m_edProgramName = new QLineEdit(this);
    m_edProgramName->setGeometry(du.Rect(60, 23, 119, 12));
    pProgramLabel->setBuddy(m_edProgramName);

    // The proposal may be longer than the limit (a name from a pool file);
    // it is shown whole and the user can shorten it.
    new CTextLimitValidator(m_edKeymapName, kNameLimit);
    new CTextLimitValidator(m_edProgramName, kNameLimit);
    CTextLimitValidator::SetText(m_edKeymapName, strKeymapName);
    CTextLimitValidator::SetText(m_edProgramName, strProgramName);

    m_btnOK = new QPushButton(tr("OK"), this);
    m_btnOK->setGeometry(du.Rect(75, 43, 50, 14));
    m_btnOK->setDefault(true);
    m_btnCancel = new QPushButton(tr("Cancel"), this);
    m_btnCancel->setGeometry(du.Rect(129, 43, 50, 14));
    connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    m_edKeymapName->setFocus();
    m_edKeymapName->selectAll();
}

QString CGroupNamesDlg::KeymapName() const
{
    return m_edKeymapName->text();
}

QString CGroupNamesDlg::ProgramName() const
{
    return m_edProgramName->text();
}
