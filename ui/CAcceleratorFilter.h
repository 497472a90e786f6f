// Makes the accelerator keys win over the focused control of one window.
// A text field claims Space, Ctrl+C and the like before any shortcut runs;
// this application-wide filter refuses that claim for the keys of the
// accelerator table when they come with exactly their modifiers, so the
// accelerator fires and the field sees nothing. An editable text field of
// the window keeps Space, printable characters and the standard editing
// keys (copy, paste, cut, select all, undo, redo); a focused check box keeps
// Space, which toggles it. Modal dialogs are left
// alone: typing in their fields stays normal.
#pragma once

#include <QKeyCombination>
#include <QObject>
#include <vector>

class QWidget;

class CAcceleratorFilter : public QObject
{
    Q_OBJECT
  public:
    CAcceleratorFilter(QWidget* pWindow, std::vector<QKeyCombination> aKeys,
                       QObject* pParent = nullptr);

    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

  private:
    QWidget* m_pWindow;
    std::vector<QKeyCombination> m_aKeys;
};
