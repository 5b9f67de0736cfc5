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
};

constexpr qsizetype kMaxMessageBytes = 1 << 20;
constexpr char kAccepted = 'A';
constexpr char kDeclined = 'D';
constexpr char kCommit = 'C';

QByteArray Encode(const TMessage &message);

enum class TDecode { Complete, NeedMore, Invalid };
// Decodes a message from the bytes received so far.
TDecode Decode(const QByteArray &bytes, TMessage &message);

} // namespace handover
