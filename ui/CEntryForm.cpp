#include "CEntryForm.h"

#include "CTextLimitValidator.h"
#include "CUpDownCtrl.h"
#include "DialogUnits.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
QLineEdit* MakeEdit(QWidget* pParent, bool bReadOnly)
{
    auto* pEdit = new QLineEdit(pParent);
    if (bReadOnly)
    {
        pEdit->setReadOnly(true);
        QPalette pal = pEdit->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
        pEdit->setPalette(pal);
    }
    return pEdit;
}

QPushButton* MakeButton(const QString& strText, QWidget* pParent)
{
    auto* pButton = new QPushButton(strText, pParent);
    // Return or Enter on a button that has the focus clicks it.
    pButton->setAutoDefault(true);
    return pButton;
}

// The semitones a key of the root-key field moves the key by; 0 for others.
int RootKeySteps(const QKeyEvent& key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return 0;
    switch (key.key())
    {
    case Qt::Key_Up:
        return 1;
    case Qt::Key_Down:
        return -1;
    case Qt::Key_PageUp:
        return 12;
    case Qt::Key_PageDown:
        return -12;
    default:
        return 0;
    }
}
} // namespace

CEntryForm::CEntryForm(QWidget* pParent) : QWidget(pParent)
{
    CreateControls();
    LayOut();
    Connect();
}

void CEntryForm::CreateControls()
{
    m_edFileName = MakeEdit(this, true);
    m_edWavType = MakeEdit(this, true);
    m_btnPlay = MakeButton(tr("Play"), this);
    m_btnStop = MakeButton(tr("Stop"), this);
    m_edSampleName = MakeEdit(this, false);
    m_btnLoopSwitch = new QCheckBox(tr("&LoopSwitch"), this);
    m_ctlRootNote = new CUpDownCtrl(this);
    m_edRootKey = MakeEdit(this, true);
    m_ctlRootOctave = new CUpDownCtrl(this);
    m_edKeymapName = MakeEdit(this, false);
    m_btnKeymapEnable = new QCheckBox(tr("Enable"), this);
    m_edGroupKeys = MakeEdit(this, true);
    m_edProgramName = MakeEdit(this, false);
    m_btnProgramEnable = new QCheckBox(tr("Enable"), this);

    // Beside the keymap's Enable box; out of the tab order, as it only shows.
    m_edGroupKeys->setFocusPolicy(Qt::NoFocus);
    m_edGroupKeys->hide();
    m_ctlRootNote->setFocusPolicy(Qt::TabFocus);
    m_ctlRootOctave->setFocusPolicy(Qt::TabFocus);
    m_edWavType->setToolTip(QString());
    m_edRootKey->installEventFilter(this);

    // The typing limits of the data exchange.
    new CTextLimitValidator(m_edFileName, kFileNameLimit);
    new CTextLimitValidator(m_edSampleName, kNameLimit);
    new CTextLimitValidator(m_edProgramName, kNameLimit);
    new CTextLimitValidator(m_edKeymapName, kNameLimit);
    new CTextLimitValidator(m_edRootKey, kRootKeyLimit);

    const std::vector<QWidget*> aInputs = Inputs();
    for (std::size_t i = 0; i + 1 < aInputs.size(); ++i)
        QWidget::setTabOrder(aInputs[i], aInputs[i + 1]);
}

void CEntryForm::LayOut()
{
    const CDialogUnits du(font());
    auto group = [this, &du](const QString& strTitle)
    {
        auto* pGroup = new QGroupBox(strTitle, this);
        pGroup->setFocusPolicy(Qt::NoFocus);
        auto* pGrid = new QGridLayout(pGroup);
        CompactLayout(pGrid, du);
        pGrid->setColumnStretch(1, 1);
        return pGrid;
    };
    auto label = [this](const QString& strText) { return new QLabel(strText, this); };

    QGridLayout* pInfo = group(tr("Wav-Info"));
    pInfo->addWidget(label(tr("Filename:")), 0, 0);
    pInfo->addWidget(m_edFileName, 0, 1);
    pInfo->addWidget(label(tr("Type:")), 1, 0);
    pInfo->addWidget(m_edWavType, 1, 1);
    auto* pPlayRow = new QHBoxLayout;
    m_btnPlay->setMinimumWidth(du.X(45));
    m_btnStop->setMinimumWidth(du.X(45));
    pPlayRow->addWidget(m_btnPlay);
    pPlayRow->addStretch(1);
    pPlayRow->addWidget(m_btnStop);
    pInfo->addLayout(pPlayRow, 2, 1);

    QGridLayout* pSample = group(tr("Sample Object"));
    pSample->addWidget(label(tr("Name:")), 0, 0);
    pSample->addWidget(m_edSampleName, 0, 1);
    auto* pKeyRow = new QHBoxLayout;
    pKeyRow->addWidget(m_btnLoopSwitch);
    pKeyRow->addStretch(1);
    pKeyRow->addWidget(label(tr("RootKey:")));
    m_ctlRootNote->setFixedSize(du.X(8), du.Y(12));
    m_ctlRootOctave->setFixedSize(du.X(8), du.Y(12));
    m_edRootKey->setFixedWidth(du.X(20));
    pKeyRow->addWidget(m_ctlRootNote);
    pKeyRow->addWidget(m_edRootKey);
    pKeyRow->addWidget(m_ctlRootOctave);
    pSample->addLayout(pKeyRow, 1, 0, 1, 2);

    QGridLayout* pKeymap = group(tr("Keymap"));
    pKeymap->addWidget(label(tr("Name:")), 0, 0);
    pKeymap->addWidget(m_edKeymapName, 0, 1);
    pKeymap->addWidget(m_btnKeymapEnable, 1, 0);
    pKeymap->addWidget(m_edGroupKeys, 1, 1);

    QGridLayout* pProgram = group(tr("Program"));
    pProgram->addWidget(label(tr("Name:")), 0, 0);
    pProgram->addWidget(m_edProgramName, 0, 1);
    pProgram->addWidget(m_btnProgramEnable, 1, 0);

    auto* pColumn = new QVBoxLayout(this);
    pColumn->setContentsMargins(0, 0, 0, 0);
    pColumn->setSpacing(du.Y(2));
    for (QGridLayout* pGrid : {pInfo, pSample, pKeymap, pProgram})
        pColumn->addWidget(pGrid->parentWidget());
    pColumn->addStretch(1);
}

void CEntryForm::Connect()
{
    connect(m_btnPlay, &QPushButton::clicked, this, &CEntryForm::PlayClicked);
    connect(m_btnStop, &QPushButton::clicked, this, &CEntryForm::StopClicked);
    // textEdited reports the user's changes only, never the program's.
    connect(m_edSampleName, &QLineEdit::textEdited, this, &CEntryForm::SampleNameEdited);
    connect(m_edKeymapName, &QLineEdit::textEdited, this, &CEntryForm::KeymapNameEdited);
    connect(m_edProgramName, &QLineEdit::textEdited, this, &CEntryForm::ProgramNameEdited);
    connect(m_btnLoopSwitch, &QCheckBox::clicked, this, &CEntryForm::LoopClicked);
    connect(m_btnKeymapEnable, &QCheckBox::clicked, this, &CEntryForm::KeymapEnableClicked);
    connect(m_btnProgramEnable, &QCheckBox::clicked, this, &CEntryForm::ProgramEnableClicked);
    connect(m_ctlRootNote, &CUpDownCtrl::DeltaPos, this, &CEntryForm::RootNoteDelta);
    connect(m_ctlRootOctave, &CUpDownCtrl::DeltaPos, this, &CEntryForm::RootOctaveDelta);
}

std::vector<QWidget*> CEntryForm::Inputs() const
{
    return {m_edFileName,      m_edWavType,     m_btnPlay,         m_btnStop,       m_edSampleName,
            m_btnLoopSwitch,   m_ctlRootNote,   m_edRootKey,       m_ctlRootOctave, m_edKeymapName,
            m_btnKeymapEnable, m_edProgramName, m_btnProgramEnable};
}

void CEntryForm::ShowValues()
{
    // Setting a text from the program never sends a change signal: those
    // report the user's edits only.
    CTextLimitValidator::SetText(m_edFileName, m_strFileName);
    CTextLimitValidator::SetText(m_edSampleName, m_strSampleName);
    CTextLimitValidator::SetText(m_edProgramName, m_strProgramName);
    CTextLimitValidator::SetText(m_edKeymapName, m_strKeymapName);
    CTextLimitValidator::SetText(m_edRootKey, m_strRootKey);
    m_edWavType->setText(m_strWavType);
    // Like the platform's fields, show the start of a long text.
    for (QLineEdit* pEdit :
         {m_edFileName, m_edSampleName, m_edProgramName, m_edKeymapName, m_edRootKey, m_edWavType})
        pEdit->setCursorPosition(0);
    FitTypeField();
    m_edFileName->setToolTip(m_strFileName);
}

QLineEdit* CEntryForm::ReadValues(int& nLimit)
{
    struct SField
    {
        QLineEdit* pEdit;
        QString* pValue;
        int nLimit;
    };
    const SField aFields[] = {{m_edFileName, &m_strFileName, kFileNameLimit},
                              {m_edSampleName, &m_strSampleName, kNameLimit},
                              {m_edProgramName, &m_strProgramName, kNameLimit},
                              {m_edKeymapName, &m_strKeymapName, kNameLimit},
                              {m_edRootKey, &m_strRootKey, kRootKeyLimit}};
    for (const SField& field : aFields)
    {
        // The value takes the text before it is checked, as the platform's
        // data exchange does; a text over the limit ends the copy there.
        *field.pValue = field.pEdit->text();
        if (field.pValue->size() > field.nLimit)
        {
            nLimit = field.nLimit;
            return field.pEdit;
        }
    }
    m_strWavType = m_edWavType->text();
    return nullptr;
}

void CEntryForm::ShowFile(const QString& strPath, const QString& strType)
{
    m_strFileName = strPath;
    m_strWavType = strType;
    CTextLimitValidator::SetText(m_edFileName, m_strFileName);
    m_edFileName->setCursorPosition(0);
    m_edFileName->setToolTip(m_strFileName);
    m_edWavType->setText(m_strWavType);
    m_edWavType->setCursorPosition(0);
    FitTypeField();
}

void CEntryForm::ShowGroupLine(bool bShow, const QString& strText)
{
    m_edGroupKeys->setVisible(bShow);
    if (!bShow)
        return;
    m_edGroupKeys->setText(strText);
    m_edGroupKeys->setCursorPosition(0);
    m_edGroupKeys->setToolTip(strText);
}

void CEntryForm::FitTypeField()
{
    // The longest format line can be wider than the field at the form's
    // font: a smaller size of the same font shows it whole.
    QFont fnt = font();
    const QString strText = m_edWavType->text();
    const int nRoom = m_edWavType->contentsRect().width() - 6;
    for (qreal rSize = fnt.pointSizeF(); rSize >= 5.0; rSize -= 0.5)
    {
        fnt.setPointSizeF(rSize);
        if (QFontMetrics(fnt).horizontalAdvance(strText) <= nRoom)
            break;
    }
    m_edWavType->setFont(fnt);
    m_edWavType->setToolTip(strText);
}

void CEntryForm::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    // The field's width follows the window: fit its text to the new room.
    FitTypeField();
}

bool CEntryForm::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_edRootKey && pEvent->type() == QEvent::KeyPress)
    {
        const int nStep = RootKeySteps(*static_cast<QKeyEvent*>(pEvent));
        if (nStep != 0)
        {
            emit RootKeyStep(nStep);
            return true;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}
