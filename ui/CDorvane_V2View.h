// The main window's client: the pool table with its count and the Add and
// Delete buttons on the left, the entry form on the right (the two sides
// split by a movable divider), the Krz-File controls under the form and the
// progress bar along the bottom, all in layouts that follow the window's
// size. The view only assembles these; the controller runs the commands.
// Files dropped onto the view are added to the pool.
#pragma once

#include "CPoolController.h"

#include <QPointer>
#include <QScrollArea>
#include <functional>
#include <memory>
#include <vector>

class CDialogService;
class CEntryForm;
class CPoolTable;
class CProgressCtrl;
class CWindowFeedback;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QSplitter;

class CDorvane_V2View : public QScrollArea
{
    Q_OBJECT
  public:
    CDorvane_V2View(CDorvane_V2Doc& doc, CDialogService& dialogs, QWidget* pParent = nullptr);
    ~CDorvane_V2View() override;

    CPoolController& Controller() { return *m_pController; }
    const CPoolController& Controller() const { return *m_pController; }
    CEntryForm& Form() const { return *m_pForm; }
    // The widget inside the scroll area: everything the view shows.
    QWidget* Content() const { return widget(); }

    // Forwarded to the controller, for the frame and the application.
    template <typename T> void SetFeedback(T* pFeedback) { m_pController->SetFeedback(pFeedback); }
    void SetSoundPlayer(std::unique_ptr<CSoundPlayer> pPlayer);

    // The controls the view itself holds.
    CPoolTable* m_lbPool;
    QLineEdit* m_edPoolCount;
    QPushButton* m_btnAdd;
    QPushButton* m_btnDelete;
    QPushButton* m_btnMakeFile;
    QCheckBox* m_btnSplitFiles;
    QPushButton* m_btnSettings;
    CProgressCtrl* m_ctlProgress;
    // Between the pool and the form; its state is kept between runs.
    QSplitter* m_pSplitter;

    // A single instrument file (.sfz, .dspreset, .sf2) dropped on the view
    // is opened through this, as File > Open opens it (asking first to save
    // changes); it runs after the drop has ended.
    std::function<void(const QString&)> m_fnOpenFile;
    // The local path of aUrls when they are one instrument file; else empty.
    static QString DroppedInstrumentFile(const QList<QUrl>& aUrls);

  protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

  private:
    QWidget* CreatePoolSide();
    QWidget* CreateFormSide();
    QWidget* CreateProgressRow();
    void SetTabOrder();
    void ConnectButtons();
    // An operation started or ended: the inputs are refused while it runs,
    // and the focus goes back where it was.
    void OnBusyChanged(bool bBusy);

    CDorvane_V2Doc& m_doc;
    CDialogService& m_dialogs;
    CEntryForm* m_pForm = nullptr;
    CPoolController* m_pController = nullptr;
    std::unique_ptr<CWindowFeedback> m_pOwnFeedback; // used until the frame sets one
    std::vector<QWidget*> m_aInputs;                 // the controls an operation disables
    QPointer<QWidget> m_pBusyFocus;                  // where the focus was when it started
};
