// The state of the Caps Lock, Num Lock and Scroll Lock keys, read from the
// keyboard where the platform can tell (X11); elsewhere nothing is known.
#pragma once

#include <optional>

struct LockKeyState
{
    bool bCaps = false;
    bool bNum = false;
    bool bScroll = false;
};

// The current state, or nothing when the display system gives no way to
// read it (Wayland, offscreen, no X11 support built in).
std::optional<LockKeyState> ReadLockKeys();
