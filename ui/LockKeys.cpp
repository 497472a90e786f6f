#include "LockKeys.h"

#include <QGuiApplication>

#ifdef DORVANE_HAVE_X11
#include <QtGui/qguiapplication_platform.h>
// The X11 headers define macros (None, Bool, Status...) that clash with Qt's
// names: they come last and stay inside this file.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

std::optional<LockKeyState> ReadLockKeys()
{
#ifdef DORVANE_HAVE_X11
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    auto* pX11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!pX11)
        return std::nullopt;
    Display* pDisplay = pX11->display();
    if (!pDisplay)
        return std::nullopt;

    // The indicators are looked up by name: their bit positions depend on
    // the keyboard description.
    auto readIndicator = [pDisplay](const char* szName, bool& bOn)
    {
        const Atom atom = XInternAtom(pDisplay, szName, True);
        if (atom == 0)
            return false;
        int nIndex = 0;
        int bState = 0;
        if (!XkbGetNamedIndicator(pDisplay, atom, &nIndex, &bState, nullptr, nullptr))
            return false;
        bOn = bState != 0;
        return true;
    };
    LockKeyState state;
    if (!readIndicator("Caps Lock", state.bCaps) || !readIndicator("Num Lock", state.bNum) ||
        !readIndicator("Scroll Lock", state.bScroll))
        return std::nullopt;
    return state;
#else
    return std::nullopt;
#endif
}
