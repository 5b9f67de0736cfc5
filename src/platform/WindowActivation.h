#pragma once
// Bringing the window to the front for a later start that handed its files
// over. Compositors and window managers let a window take the focus only
// with the permission the desktop gave that start: its activation token
// (Wayland) or its startup id (X11).
#include <QByteArray>

class QWidget;

namespace windowactivation {

// `token` is the start's XDG_ACTIVATION_TOKEN or DESKTOP_STARTUP_ID, or
// empty; it must be printable ASCII.
void BringToFront(QWidget *window, const QByteArray &token);

} // namespace windowactivation
