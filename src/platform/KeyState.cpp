#include "platform/KeyState.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace keystate {

namespace {

Display *XDisplay()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

} // namespace

bool IsKeyOfTwo(quint32 nativeScanCode, int qtKey)
{
    Display *display = XDisplay();
    if (!display || nativeScanCode == 0)
        return qtKey == Qt::Key_2;
    const KeyCode two = XKeysymToKeycode(display, XK_2);
    if (two == 0 || nativeScanCode != two)
        return false;
    // The key must give "2" on its first level, as on German and English
    // keyboards; where "2" needs Shift the quotes have no key.
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    return XkbKeycodeToKeysym(display, two, state.group, 0) == XK_2;
}

std::optional<bool> IsOn(TLock lock)
{
    Display *display = XDisplay();
    if (!display)
        return std::nullopt;
    const char *name = lock == TLock::Caps ? "Caps Lock" : lock == TLock::Num ? "Num Lock" : "Scroll Lock";
    const Atom atom = XInternAtom(display, name, True);
    Bool on = False;
    if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return std::nullopt;
    return on == True;
}

} // namespace keystate
