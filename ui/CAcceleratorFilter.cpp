#include "CAcceleratorFilter.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>
#include <algorithm>

CAcceleratorFilter::CAcceleratorFilter(QWidget* pWindow, std::vector<QKeyCombination> aKeys,
                                       QObject* pParent)
    : QObject(pParent), m_pWindow(pWindow), m_aKeys(std::move(aKeys))
{
}

namespace
{

// A text field the user types in keeps Space, every printable character
// and the standard editing keys (copy, paste, cut, select all, undo, redo):
// a name may hold a blank, and Ctrl+C copies there. Everywhere else the
// accelerators win.
// Space toggles the focused check box, as it does everywhere; the
// accelerator would take away the one key that works it.
bool CheckBoxOwnsKey(QWidget* pWidget, QKeyEvent* pKey)
{
    auto* pBox = qobject_cast<QCheckBox*>(pWidget);
    return pBox && pBox->isEnabled() && pKey->key() == Qt::Key_Space &&
           (pKey->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                                 Qt::MetaModifier)) == Qt::NoModifier;
}

bool FieldOwnsKey(QWidget* pWidget, QKeyEvent* pKey)
{
    auto* pEdit = qobject_cast<QLineEdit*>(pWidget);
    if (!pEdit || pEdit->isReadOnly() || !pEdit->isEnabled())
        return false;
    const Qt::KeyboardModifiers mods =
        pKey->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (mods == Qt::NoModifier && !pKey->text().isEmpty() && pKey->text().at(0).isPrint())
        return true;
    for (const QKeySequence::StandardKey key :
         {QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut, QKeySequence::SelectAll,
          QKeySequence::Undo, QKeySequence::Redo})
        if (pKey->matches(key))
            return true;
    return false;
}

} // namespace

bool CAcceleratorFilter::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() != QEvent::ShortcutOverride)
        return false;
    auto* pWidget = qobject_cast<QWidget*>(pWatched);
    if (!pWidget || pWidget->window() != m_pWindow || QApplication::activeModalWidget())
        return false;
    auto* pKey = static_cast<QKeyEvent*>(pEvent);
    const Qt::KeyboardModifiers mods =
        pKey->modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const QKeyCombination combo(mods, static_cast<Qt::Key>(pKey->key()));
    if (std::find(m_aKeys.begin(), m_aKeys.end(), combo) == m_aKeys.end())
        return false;
    if (FieldOwnsKey(pWidget, pKey))
        return false;
    if (CheckBoxOwnsKey(pWidget, pKey))
    {
        // A check box does not claim the key itself: accepted here, the key
        // goes to the box and not to the shortcut.
        pKey->accept();
        return true;
    }
    // Not accepted: the key goes to the shortcut, not to the widget.
    pKey->ignore();
    return true;
}
