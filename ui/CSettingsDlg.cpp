#include "CSettingsDlg.h"

#include "CDialogService.h"
#include "CFeedback.h"
#include "DialogInt.h"
#include "DialogUnits.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <stdexcept>

namespace
{

// An option's text as the dialog's labels show it, followed by a colon.
QString LabelText(const SOption& option)
{
    return CSettingsDlg::tr(option.szLabel) + QLatin1Char(':');
}

} // namespace

CSettingsDlg::CSettingsDlg(CDialogService& dialogs, QWidget* pParent)
    : QDialog(pParent), m_dialogs(dialogs)
{
    setWindowTitle(tr("Settings"));
    setFont(DialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    const CDialogUnits du(font());
    // The width grows to the long check box texts below (at least kWidth).
    constexpr int kWidth = 161;
    constexpr int kHeight = 183;

    // Created in tab order; OK comes first, so it has the focus at the start.
    m_btnOK = new QPushButton(tr("OK"), this);
    m_btnOK->setGeometry(du.Rect(kWidth - 57, kHeight - 21, 50, 14));
    m_btnOK->setDefault(true);
    m_btnOK->setAutoDefault(true);
    m_btnCancel = new QPushButton(tr("Cancel"), this);
    m_btnCancel->setGeometry(du.Rect(7, kHeight - 21, 50, 14));
    m_edFirstObjectID = new QLineEdit(this);
    m_edFirstObjectID->setGeometry(du.Rect(77, 13, 30, 12));
    m_edCustomKB = new QLineEdit(this);
    m_edCustomKB->setGeometry(du.Rect(102, 56, 30, 12));
    const SOption& floppy = Option("floppyKB");
    m_cbFloppyImages = new QComboBox(this);
    m_cbFloppyImages->setObjectName(QString::fromLatin1(floppy.szKey));
    m_cbFloppyImages->setGeometry(du.Rect(74, 74, 60, 12));
    for (const SOptionChoice& choice : floppy.aChoices)
        m_cbFloppyImages->addItem(tr(choice.szLabel), choice.nValue);
    m_edFirstObjectID->setObjectName(QString::fromLatin1(Option("firstObjectID").szKey));
    m_edCustomKB->setObjectName(QString::fromLatin1(Option("splitKB").szKey));

    struct LabelDef
    {
        QString strText;
        int x, y, w, h;
    };
    const SOption& firstID = Option("firstObjectID");
    const QString strFirstIDRange =
        QStringLiteral("( %1 - %2 )").arg(firstID.nMin).arg(firstID.nMax);
    for (const LabelDef& def : {LabelDef{LabelText(firstID), 12, 15, 46, 8},
                                LabelDef{LabelText(Option("splitKB")), 12, 32, 55, 8},
                                LabelDef{strFirstIDRange, 111, 15, 39, 8},
                                LabelDef{QStringLiteral("( Kb )"), 136, 58, 18, 8},
                                LabelDef{LabelText(floppy), 12, 76, 55, 8}})
    {
        auto* pLabel = new QLabel(def.strText, this);
        pLabel->setGeometry(du.Rect(def.x, def.y, def.w, def.h));
        pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        FitLabel(pLabel);
    }

    m_rbSizeDD = new QRadioButton(QStringLiteral("720 Kb DD Floppy"), this);
    m_rbSizeDD->setGeometry(du.Rect(74, 32, 74, 10));
    m_rbSizeHD = new QRadioButton(QStringLiteral("1.4 Mb HD Floppy"), this);
    m_rbSizeHD->setGeometry(du.Rect(74, 44, 73, 10));
    m_rbSizeCustom = new QRadioButton(QStringLiteral("--->"), this);
    m_rbSizeCustom->setGeometry(du.Rect(74, 57, 26, 10));
    auto* pGroup = new QButtonGroup(this);
    pGroup->addButton(m_rbSizeDD);
    pGroup->addButton(m_rbSizeHD);
    pGroup->addButton(m_rbSizeCustom);

    // The options of the audio input, of multisample keymaps and of pool
    // files, in tab order after the controls above.
    const int nRight = std::max(du.X(kWidth), CreateOptionRows(93, kWidth - 19) + du.X(7));
    setFixedSize(nRight, du.Y(kHeight));
    // OK stays at the right edge.
    m_btnOK->move(nRight - du.X(57), m_btnOK->y());

    connect(m_btnLimitRate, &QCheckBox::clicked, this, &CSettingsDlg::OnLimitRate);
    connect(m_btnOK, &QPushButton::clicked, this, &CSettingsDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CSettingsDlg::reject);
    connect(m_rbSizeDD, &QRadioButton::clicked, this, &CSettingsDlg::OnSizeDD);
    connect(m_rbSizeHD, &QRadioButton::clicked, this, &CSettingsDlg::OnSizeHD);
    connect(m_rbSizeCustom, &QRadioButton::clicked, this, &CSettingsDlg::OnSizeCustom);
}

QCheckBox* CSettingsDlg::CreateCheckBox(const SOption& option, int nTop, int nWidth)
{
    const CDialogUnits du(font());
    auto* pBox = new QCheckBox(tr(option.szLabel), this);
    pBox->setObjectName(QString::fromLatin1(option.szKey));
    pBox->setGeometry(du.Rect(12, nTop, nWidth, 10));
    // The indicator and its gap come on top of the text.
    const int nNeeded = pBox->sizeHint().width();
    if (nNeeded > pBox->width())
        pBox->resize(nNeeded, pBox->height());
    return pBox;
}

int CSettingsDlg::CreateOptionRows(int nTop, int nWidth)
{
    const CDialogUnits du(font());
    int nRight = 0;
    int y = nTop;
    for (const SOption& option : OptionTable())
    {
        if ((option.nFaces & kFaceSettings) == 0 || option.kind == EOptionKind::Choice)
            continue;
        if (option.kind == EOptionKind::Flag)
        {
            QCheckBox* pBox = CreateCheckBox(option, y, nWidth);
            m_aOptionBoxes.emplace_back(option.szKey, pBox);
            nRight = std::max(nRight, pBox->geometry().right() + 1);
            y += 12;
            continue;
        }
        if (option.szSwitchKey[0] == '\0')
            continue; // the first object ID and the part size have rows of their own
        // A value option switched by a check box: its field follows the
        // box's text, however wide the font makes it, then its unit. The
        // field is 2 units higher than a box, above and below.
        y += 2;
        m_strSwitchedKey = option.szKey;
        m_btnLimitRate = CreateCheckBox(option, y, 88);
        m_edRateLimit = new QLineEdit(this);
        m_edRateLimit->setGeometry(du.Rect(102, y - 1, 34, 12));
        m_edRateLimit->move(
            std::max(m_edRateLimit->x(), m_btnLimitRate->geometry().right() + du.X(3)),
            m_edRateLimit->y());
        auto* pHz = new QLabel(tr("Hz"), this);
        pHz->setGeometry(du.Rect(0, y + 1, 12, 8));
        pHz->move(m_edRateLimit->geometry().right() + du.X(4), pHz->y());
        pHz->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        FitLabel(pHz);
        nRight = std::max(nRight, pHz->geometry().right() + 1);
        y += 14;
    }
    m_btnConvert = OptionBox("convert");
    m_btnFileMetadata = OptionBox("fileMetadata");
    m_btnMultisample = OptionBox("multisample");
    m_btnRelativePaths = OptionBox("relativePaths");
    return nRight;
}

bool CSettingsDlg::IsKept(std::string_view svKey)
{
    const SOption* pOption = FindOption(svKey);
    return pOption && *pOption->szSettingsKey != '\0';
}

QCheckBox* CSettingsDlg::OptionBox(std::string_view svKey) const
{
    for (const auto& [strKey, pBox] : m_aOptionBoxes)
        if (strKey == svKey)
            return pBox;
    throw std::out_of_range("the Settings dialog has no box " + std::string(svKey));
}

QWidget* CSettingsDlg::OptionControl(std::string_view svKey) const
{
    return findChild<QWidget*>(
        QString::fromUtf8(svKey.data(), static_cast<qsizetype>(svKey.size())),
        Qt::FindDirectChildrenOnly);
}

void CSettingsDlg::showEvent(QShowEvent* pEvent)
{
    if (!m_bInitialized)
    {
        m_bInitialized = true;
        OnInitDialog();
    }
    QDialog::showEvent(pEvent);
}

void CSettingsDlg::OnInitDialog()
{
    UpdateData(false);
    m_rbSizeCustom->setChecked(true);
    if (m_nSizeChoice == 1)
        m_rbSizeDD->setChecked(true);
    else if (m_nSizeChoice == 2)
        m_rbSizeHD->setChecked(true);
    m_btnOK->setFocus();
}

void CSettingsDlg::OnLimitRate()
{
    m_edRateLimit->setEnabled(m_btnLimitRate->isChecked());
}

bool CSettingsDlg::ReadIntField(QLineEdit* pEdit, int& nMember, const SOption& option)
{
    const int nMin = option.nMin;
    const int nMax = option.nMax;
    int nValue = 0;
    QString strMessage;
    if (!ParseDialogInt(pEdit->text(), nValue))
    {
        strMessage = IntegerMessage();
    }
    else
    {
        nMember = nValue;
        if (nValue < nMin || nValue > nMax)
            strMessage = IntegerRangeMessage(nMin, nMax);
    }
    if (strMessage.isEmpty())
        return true;
    m_dialogs.MessageBox(this, strMessage, tr(kAppTitle), MessageIcon::Exclamation);
    pEdit->setFocus();
    pEdit->selectAll();
    return false;
}

bool CSettingsDlg::UpdateData(bool bSaveAndValidate)
{
    if (!bSaveAndValidate)
    {
        m_edCustomKB->setText(QString::number(m_nCustomKB));
        m_edFirstObjectID->setText(QString::number(m_nFirstObjectID));
        m_cbFloppyImages->setCurrentIndex(
            std::max(0, m_cbFloppyImages->findData(m_nFloppyImageKB)));
        for (const auto& [strKey, pBox] : m_aOptionBoxes)
            if (IsKept(strKey))
                pBox->setChecked(m_options.Value(strKey) != 0);
        m_btnLimitRate->setChecked(m_options.IsSwitchedOn(m_strSwitchedKey));
        m_edRateLimit->setText(QString::number(m_options.Value(m_strSwitchedKey)));
        OnLimitRate();
        return true;
    }
    m_nFloppyImageKB = m_cbFloppyImages->currentData().toInt();
    for (const auto& [strKey, pBox] : m_aOptionBoxes)
        if (IsKept(strKey))
            m_options.SetValue(strKey, pBox->isChecked() ? 1 : 0);
    const bool bSwitchedOn = m_btnLimitRate->isChecked();
    m_options.SetSwitch(m_strSwitchedKey, bSwitchedOn);
    int nSwitched = m_options.Value(m_strSwitchedKey);
    const bool bRead =
        ReadIntField(m_edCustomKB, m_nCustomKB, Option("splitKB")) &&
        ReadIntField(m_edFirstObjectID, m_nFirstObjectID, Option("firstObjectID")) &&
        (!bSwitchedOn || ReadIntField(m_edRateLimit, nSwitched, Option(m_strSwitchedKey)));
    m_options.SetValue(m_strSwitchedKey, nSwitched);
    return bRead;
}

void CSettingsDlg::accept()
{
    if (UpdateData(true))
        QDialog::accept();
}
