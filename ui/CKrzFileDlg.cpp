#include "CKrzFileDlg.h"

#include "CTextLimitValidator.h"
#include "DialogInt.h"
#include "DialogUnits.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{
QString BrowseTitle()
{
    return QCoreApplication::translate("CKrzFileDlg", "Select a Krz-File");
}
} // namespace

CKrzFileDlg::CKrzFileDlg(Kind kind, CDialogService& dialogs, QWidget* pParent)
    : QDialog(pParent), m_dialogs(dialogs), m_nLimit(kind == Kind::Split ? kSplitFieldLimit : 0)
{
    const bool bSplit = kind == Kind::Split;
    setWindowTitle(bSplit ? tr("Split Existing Krz-File") : tr("Join Existing Krz-Files"));
    setFont(DialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    const CDialogUnits du(font());
    setFixedSize(du.X(bSplit ? 192 : 205), du.Y(63));

    // Created in tab order: the default button first, so it has the focus.
    m_btnOK = new QPushButton(bSplit ? tr("Split") : tr("Join"), this);
    m_btnOK->setGeometry(bSplit ? du.Rect(135, 42, 50, 14) : du.Rect(148, 42, 50, 14));
    m_btnOK->setDefault(true);
    m_btnCancel = new QPushButton(tr("Cancel"), this);
    m_btnCancel->setGeometry(du.Rect(7, 42, 50, 14));

    auto* pSourceLabel = new QLabel(bSplit ? tr("Source File:") : tr("First Source-File:"), this);
    pSourceLabel->setGeometry(bSplit ? du.Rect(7, 9, 38, 8) : du.Rect(7, 9, 53, 8));
    auto* pDestLabel = new QLabel(bSplit ? tr("Destination:") : tr("Destination-File:"), this);
    pDestLabel->setGeometry(bSplit ? du.Rect(7, 24, 38, 8) : du.Rect(7, 25, 51, 8));
    for (QLabel* pLabel : {pSourceLabel, pDestLabel})
    {
        pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        FitLabel(pLabel);
    }

    const int xEdit = bSplit ? 49 : 63;
    const int xBrowse = bSplit ? 155 : 168;
    m_edSource = new QLineEdit(this);
    m_edSource->setGeometry(du.Rect(xEdit, 7, 100, 12));
    if (bSplit)
    {
        m_btnBrowseSource = new QPushButton(tr("Browse"), this);
        m_btnBrowseSource->setGeometry(du.Rect(xBrowse, 7, 30, 12));
        m_edDest = new QLineEdit(this);
        m_edDest->setGeometry(du.Rect(xEdit, 22, 100, 12));
        m_btnBrowseDest = new QPushButton(tr("Browse"), this);
        m_btnBrowseDest->setGeometry(du.Rect(xBrowse, 23, 30, 12));
    }
    else
    {
        m_edDest = new QLineEdit(this);
        m_edDest->setGeometry(du.Rect(xEdit, 23, 100, 12));
        m_btnBrowseSource = new QPushButton(tr("Browse"), this);
        m_btnBrowseSource->setGeometry(du.Rect(xBrowse, 7, 30, 12));
        m_btnBrowseDest = new QPushButton(tr("Browse"), this);
        m_btnBrowseDest->setGeometry(du.Rect(xBrowse, 23, 30, 12));
    }
    if (m_nLimit > 0)
    {
        new CTextLimitValidator(m_edSource, m_nLimit);
        new CTextLimitValidator(m_edDest, m_nLimit);
    }

    connect(m_btnOK, &QPushButton::clicked, this, &CKrzFileDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CKrzFileDlg::reject);
    connect(m_btnBrowseSource, &QPushButton::clicked, this, &CKrzFileDlg::OnBrowseSource);
    connect(m_btnBrowseDest, &QPushButton::clicked, this, &CKrzFileDlg::OnBrowseDest);
}

void CKrzFileDlg::showEvent(QShowEvent* pEvent)
{
    if (!m_bInitialized)
    {
        m_bInitialized = true;
        UpdateData(false);
        m_btnOK->setFocus();
    }
    QDialog::showEvent(pEvent);
}

bool CKrzFileDlg::ReadField(QLineEdit* pEdit, QString& strMember)
{
    strMember = pEdit->text();
    if (m_nLimit <= 0 || strMember.size() <= m_nLimit)
        return true;
    m_dialogs.MessageBox(this, MaxCharsMessage(m_nLimit), tr(kAppTitle), MessageIcon::Exclamation);
    pEdit->setFocus();
    pEdit->selectAll();
    return false;
}

bool CKrzFileDlg::UpdateData(bool bSaveAndValidate)
{
    if (!bSaveAndValidate)
    {
        CTextLimitValidator::SetText(m_edDest, m_strDest);
        CTextLimitValidator::SetText(m_edSource, m_strSource);
        m_edDest->setCursorPosition(0);
        m_edSource->setCursorPosition(0);
        return true;
    }
    return ReadField(m_edDest, m_strDest) && ReadField(m_edSource, m_strSource);
}

void CKrzFileDlg::OnBrowseSource()
{
    const QString strPath =
        m_dialogs.GetOpenFileName(this, BrowseTitle(),
                                  {{QStringLiteral("Krz Files: *.KRZ"), QStringLiteral("*.krz")},
                                   {QStringLiteral("Krz Files: *.K25"), QStringLiteral("*.k25")},
                                   {QStringLiteral("All Files: *.*"), QStringLiteral("*")}},
                                  QStringLiteral("KRZ"));
    if (!strPath.isEmpty() && strPath.size() <= kMaxBrowsePath)
        m_strSource = strPath;
    UpdateData(false);
}

void CKrzFileDlg::OnBrowseDest()
{
    const QString strPath =
        m_dialogs.GetSaveFileName(this, BrowseTitle(),
                                  {{QStringLiteral("KRZ Files: *.KRZ"), QStringLiteral("*.KRZ")},
                                   {QStringLiteral("All Files: *.*"), QStringLiteral("*")}},
                                  QStringLiteral("KRZ"), true);
    if (!strPath.isEmpty() && strPath.size() <= kMaxBrowsePath)
        m_strDest = strPath;
    UpdateData(false);
}

void CKrzFileDlg::accept()
{
    if (UpdateData(true))
        QDialog::accept();
}
