#pragma once
// The message a later start sends to the running window: its working
// directory and its arguments, as the bytes the system gave it. Framed with
// a header and lengths so the receiver can refuse anything malformed or
// oversized.
//
// The exchange: the start sends the message; the window answers accepted or
// declined; on accepted the start sends the commit and ends. The window acts
// only on the commit, so a start that gave up waiting (and opened its own
// window) never has its files opened a second time.
#include <QByteArray>
#include <QList>

namespace handover {

struct TMessage
{
    QByteArray workingDir;
    QList<QByteArray> arguments;
    // What the desktop gave the start to bring a window to the front
    // (XDG_ACTIVATION_TOKEN on Wayland, DESKTOP_STARTUP_ID on X11); the
    // window uses it, since a compositor lets only the started program do so.
    QByteArray activationToken = {};
};

constexpr qsizetype kMaxMessageBytes = 1 << 20;
constexpr char kAccepted = 'A';
constexpr char kDeclined = 'D';
constexpr char kCommit = 'C';

// Without a token the bytes are the ones every earlier version sends and
// understands; with one they carry it in a second framing that earlier
// windows refuse (the start then hands over again without it).
QByteArray Encode(const TMessage &message);

// A token worth passing on to the window system: printable ASCII of
// reasonable length. Anything else (a NUL would cut it short in the
// environment) is dropped; the window then comes to the front as it can.
bool IsUsableToken(const QByteArray &token);

enum class TDecode { Complete, NeedMore, Invalid };
// Decodes a message from the bytes received so far.
TDecode Decode(const QByteArray &bytes, TMessage &message);

} // namespace handover
