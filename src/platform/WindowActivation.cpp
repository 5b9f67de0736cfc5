#include "platform/WindowActivation.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <X11/Xlib.h>

namespace windowactivation {

namespace {

// A value in a startup-notification message: in double quotes, with
// quotes and backslashes escaped by a backslash.
QByteArray Quoted(const QByteArray &id)
{
    QByteArray out = "\"";
    for (const char c : id) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// The window manager takes the start's time from the id ("…_TIME<n>")
// to decide whether the window may take the focus.
void MarkStartupId(Display *display, Window window, const QByteArray &id)
{
    const Atom startupId = XInternAtom(display, "_NET_STARTUP_ID", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, startupId, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(id.constData()), int(id.size()));
}

// Tells the launcher the start is over, so its busy cursor ends: the
// message goes to the root window in pieces of 20 bytes.
void SendStartupDone(Display *display, const QByteArray &id)
{
    QByteArray message = "remove: ID=" + Quoted(id);
    message.append('\0');
    const Window root = DefaultRootWindow(display);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = root;
    event.xclient.format = 8;
    Atom type = XInternAtom(display, "_NET_STARTUP_INFO_BEGIN", False);
    const Atom more = XInternAtom(display, "_NET_STARTUP_INFO", False);
    for (qsizetype at = 0; at < message.size(); at += 20) {
        event.xclient.message_type = type;
        std::fill(std::begin(event.xclient.data.b), std::end(event.xclient.data.b), 0);
        const qsizetype n = std::min<qsizetype>(20, message.size() - at);
        std::copy_n(message.constData() + at, n, event.xclient.data.b);
        XSendEvent(display, root, False, PropertyChangeMask, &event);
        type = more;
    }
}

} // namespace

void BringToFront(QWidget *window, const QByteArray &token)
{
    if (window->isMinimized())
        window->showNormal();
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!token.isEmpty()) {
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            // Qt's xdg-shell client takes the token from here on the next
            // activation request, and removes it once used.
            qputenv("XDG_ACTIVATION_TOKEN", token);
        else if (x11 && x11->display())
            MarkStartupId(x11->display(), Window(window->winId()), token);
    }
    window->raise();
    window->activateWindow();
    if (window->windowHandle())
        window->windowHandle()->requestActivate();
    if (!token.isEmpty() && x11 && x11->display()) {
        SendStartupDone(x11->display(), token);
        XFlush(x11->display());
    }
}

} // namespace windowactivation
