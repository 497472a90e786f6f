#include "CAcceleratorFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>

CAcceleratorFilter::CAcceleratorFilter(QWidget* pWindow, std::vector<QKeyCombination> aKeys,
                                       QObject* pParent)
    : QObject(pParent), m_pWindow(pWindow), m_aKeys(std::move(aKeys))
{
}

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
    // Not accepted: the key goes to the shortcut, not to the widget.
    pKey->ignore();
    return true;
}
