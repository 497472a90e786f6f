#include "CDorvane_V2View.h"

#include "CEntryForm.h"
#include "CPoolTable.h"
#include "CProgressCtrl.h"
#include "CSoundPlayer.h"
#include "CWindowFeedback.h"
#include "DialogUnits.h"
#include "InstrumentFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <iterator>

namespace
{
QPushButton* MakeButton(const QString& strText, QWidget* pParent)
{
    auto* pButton = new QPushButton(strText, pParent);
    // Return or Enter on a button that has the focus clicks it.
    pButton->setAutoDefault(true);
    // As wide as the form's buttons were (45 units), narrower only when the
    // window is made small.
    const CDialogUnits du(DialogFont());
    pButton->setMinimumWidth(std::min(pButton->sizeHint().width(), du.X(45)));
    pButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return pButton;
}

// The starting widths of the table's columns, in dialog units.
constexpr int kColumnWidthsDlu[] = {60, 50, 45, 45, 34, 24, 125, 100, 40};
static_assert(std::size(kColumnWidthsDlu) == CPoolTableModel::kAllColumns);
} // namespace

CDorvane_V2View::CDorvane_V2View(CDorvane_V2Doc& doc, CDialogService& dialogs, QWidget* pParent)
    : QScrollArea(pParent), m_doc(doc), m_dialogs(dialogs)
{
    setFrameShape(QFrame::NoFrame);
    // The content follows the window's size; only below its smallest size
    // do scroll bars appear.
    setWidgetResizable(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);

    auto* pContent = new QWidget;
    pContent->setFont(DialogFont());
    m_pController = new CPoolController(m_doc, m_dialogs, this);
    m_pSplitter = new QSplitter(Qt::Horizontal, pContent);
    m_pSplitter->setObjectName(QStringLiteral("PoolSplitter"));
    m_pSplitter->setChildrenCollapsible(false);
    m_pSplitter->addWidget(CreatePoolSide());
    m_pSplitter->addWidget(CreateFormSide());
    m_pSplitter->setStretchFactor(0, 1);
    m_pSplitter->setStretchFactor(1, 0);
    auto* pMain = new QVBoxLayout(pContent);
    const CDialogUnits du(pContent->font());
    pMain->setContentsMargins(du.X(4), du.Y(3), du.X(4), du.Y(2));
    pMain->setSpacing(du.Y(2));
    pMain->addWidget(m_pSplitter, 1);
    pMain->addWidget(CreateProgressRow());
    setWidget(pContent);

    m_pController->Attach(m_lbPool, m_pForm, m_edPoolCount, m_btnSplitFiles);
    for (int i = 0; i < CPoolTableModel::kAllColumns; ++i)
        m_lbPool->horizontalHeader()->resizeSection(i, du.X(kColumnWidthsDlu[i]));
    // The Keys column comes and goes with the multisample option, Keys and
    // Velocity with instrument zones.
    connect(&m_pController->Model(), &QAbstractItemModel::columnsInserted, this,
            [this, du](const QModelIndex&, int nFirst, int nLast)
            {
                for (int i = nFirst; i <= nLast && i < CPoolTableModel::kAllColumns; ++i)
                    m_lbPool->horizontalHeader()->resizeSection(i, du.X(kColumnWidthsDlu[i]));
            });
    m_pOwnFeedback = std::make_unique<CWindowFeedback>(nullptr, m_ctlProgress, m_dialogs, this);
    m_pController->SetDefaultFeedback(m_pOwnFeedback.get());
    connect(m_pController, &CPoolController::BusyChanged, this, &CDorvane_V2View::OnBusyChanged);
    SetTabOrder();
    ConnectButtons();
}

CDorvane_V2View::~CDorvane_V2View() = default;

QWidget* CDorvane_V2View::CreatePoolSide()
{
    auto* pGroup = new QGroupBox(tr("Sample Pool"));
    pGroup->setFocusPolicy(Qt::NoFocus);
    m_lbPool = new CPoolTable(pGroup);
    const CDialogUnits du(DialogFont());
    m_lbPool->setMinimumSize(du.X(60), du.Y(60));

    auto* pCountRow = new QHBoxLayout;
    pCountRow->addWidget(new QLabel(tr("# Samples in Pool:"), pGroup));
    pCountRow->addStretch(1);
    m_edPoolCount = new QLineEdit(pGroup);
    m_edPoolCount->setReadOnly(true);
    QPalette pal = m_edPoolCount->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Window));
    m_edPoolCount->setPalette(pal);
    m_edPoolCount->setAlignment(Qt::AlignRight);
    m_edPoolCount->setFixedWidth(du.X(27));
    pCountRow->addWidget(m_edPoolCount);

    auto* pButtons = new QHBoxLayout;
    m_btnAdd = MakeButton(tr("&Add"), pGroup);
    m_btnDelete = MakeButton(tr("&Delete"), pGroup);
    pButtons->addWidget(m_btnAdd);
    pButtons->addWidget(m_btnDelete);
    pButtons->addStretch(1);

    auto* pColumn = new QVBoxLayout(pGroup);
    CompactLayout(pColumn, du);
    pColumn->addWidget(m_lbPool, 1);
    pColumn->addLayout(pCountRow);
    pColumn->addLayout(pButtons);
    return pGroup;
}

QWidget* CDorvane_V2View::CreateFormSide()
{
    auto* pSide = new QWidget;
    m_pForm = new CEntryForm(pSide);

    auto* pKrz = new QGroupBox(tr("Krz-File Control"), pSide);
    pKrz->setFocusPolicy(Qt::NoFocus);
    m_btnMakeFile = MakeButton(tr("&Make File"), pKrz);
    m_btnSplitFiles = new QCheckBox(tr("Split Files"), pKrz);
    m_btnSettings = MakeButton(tr("&Settings..."), pKrz);
    auto* pRow = new QHBoxLayout(pKrz);
    CompactLayout(pRow, CDialogUnits(DialogFont()));
    pRow->addWidget(m_btnMakeFile);
    pRow->addStretch(1);
    pRow->addWidget(m_btnSplitFiles);
    pRow->addStretch(1);
    pRow->addWidget(m_btnSettings);

    auto* pColumn = new QVBoxLayout(pSide);
    pColumn->setContentsMargins(0, 0, 0, 0);
    pColumn->setSpacing(CDialogUnits(DialogFont()).Y(2));
    pColumn->addWidget(m_pForm, 1);
    pColumn->addWidget(pKrz);
    return pSide;
}

QWidget* CDorvane_V2View::CreateProgressRow()
{
    auto* pRowWidget = new QWidget;
    auto* pRow = new QHBoxLayout(pRowWidget);
    pRow->setContentsMargins(0, 0, 0, 0);
    pRow->addWidget(new QLabel(tr("Progress:"), pRowWidget));
    m_ctlProgress = new CProgressCtrl(pRowWidget);
    m_ctlProgress->setFocusPolicy(Qt::NoFocus);
    m_ctlProgress->setFixedHeight(CDialogUnits(DialogFont()).Y(8));
    pRow->addWidget(m_ctlProgress, 1);
    return pRowWidget;
}

void CDorvane_V2View::SetTabOrder()
{
    // Tab goes in reading order: the table and its count, then the form top
    // to bottom, then the buttons below them.
    m_aInputs = {m_lbPool, m_edPoolCount};
    for (QWidget* pInput : m_pForm->Inputs())
        m_aInputs.push_back(pInput);
    for (QWidget* pInput : std::initializer_list<QWidget*>{m_btnAdd, m_btnDelete, m_btnMakeFile,
                                                           m_btnSplitFiles, m_btnSettings})
        m_aInputs.push_back(pInput);
    for (std::size_t i = 0; i + 1 < m_aInputs.size(); ++i)
        QWidget::setTabOrder(m_aInputs[i], m_aInputs[i + 1]);
}

void CDorvane_V2View::ConnectButtons()
{
    auto on = [this](QPushButton* pButton, void (CPoolController::*pHandler)())
    {
        connect(pButton, &QPushButton::clicked, this,
                [this, pHandler]
                { m_pController->Guard([this, pHandler] { (m_pController->*pHandler)(); }); });
    };
    on(m_btnAdd, &CPoolController::OnAdd);
    on(m_btnDelete, &CPoolController::OnDelete);
    on(m_btnMakeFile, &CPoolController::OnMakeFile);
    on(m_btnSettings, &CPoolController::OnSettings);
}

void CDorvane_V2View::SetSoundPlayer(std::unique_ptr<CSoundPlayer> pPlayer)
{
    m_pController->SetSoundPlayer(std::move(pPlayer));
}

void CDorvane_V2View::OnBusyChanged(bool bBusy)
{
    if (bBusy)
        m_pBusyFocus = QApplication::focusWidget();
    for (QWidget* pInput : m_aInputs)
        pInput->setEnabled(!bBusy);
    if (bBusy)
    {
        // Whatever a closed dialog left on the screen is painted over now;
        // the operation's own reports keep the window painted after this.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    else if (m_pBusyFocus && m_pBusyFocus->isEnabled())
    {
        m_pBusyFocus->setFocus();
    }
}

void CDorvane_V2View::dragEnterEvent(QDragEnterEvent* pEvent)
{
    if (!m_pController->IsBusy() && pEvent->mimeData()->hasUrls() &&
        (!DroppedInstrumentFile(pEvent->mimeData()->urls()).isEmpty() ||
         !CPoolController::DroppedWavFiles(pEvent->mimeData()->urls(),
                                           m_pController->AudioOptions().bConvert)
              .isEmpty()))
        pEvent->acceptProposedAction();
    else
        pEvent->ignore();
}

void CDorvane_V2View::dragMoveEvent(QDragMoveEvent* pEvent)
{
    if (!m_pController->IsBusy())
        pEvent->acceptProposedAction();
    else
        pEvent->ignore();
}

QString CDorvane_V2View::DroppedInstrumentFile(const QList<QUrl>& aUrls)
{
    if (aUrls.size() != 1 || !aUrls.front().isLocalFile())
        return {};
    const QString strPath = aUrls.front().toLocalFile();
    return IsInstrumentPath(strPath.toStdString()) && QFileInfo(strPath).isFile() ? strPath
                                                                                  : QString();
}

void CDorvane_V2View::dropEvent(QDropEvent* pEvent)
{
    const QString strInstrument = m_pController->IsBusy()
                                      ? QString()
                                      : DroppedInstrumentFile(pEvent->mimeData()->urls());
    if (!strInstrument.isEmpty() && m_fnOpenFile)
    {
        pEvent->acceptProposedAction();
        // Opening may ask to save changes: not inside the drop's own loop.
        QTimer::singleShot(0, this, [this, strInstrument] { m_fnOpenFile(strInstrument); });
        return;
    }
    const QStringList aFiles =
        m_pController->IsBusy()
            ? QStringList()
            : CPoolController::DroppedWavFiles(pEvent->mimeData()->urls(),
                                               m_pController->AudioOptions().bConvert);
    if (aFiles.isEmpty())
    {
        pEvent->ignore();
        return;
    }
    pEvent->acceptProposedAction();
    m_pController->Guard([this, &aFiles] { m_pController->DropFiles(aFiles); });
}
