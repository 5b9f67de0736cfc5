#pragma once
// The message a later start sends to the running window: its working
// directory and its command line. Framed with a header and lengths so the
// receiver can refuse anything malformed or oversized.
#include <QByteArray>
#include <QString>
#include <optional>

namespace handover {

struct TMessage
{
    QString workingDir;
    QString commandLine;
};

constexpr qsizetype kMaxMessageBytes = 1 << 20;
constexpr char kAccepted = 'A';
constexpr char kDeclined = 'D';

QByteArray Encode(const TMessage &message);

enum class TDecode { Complete, NeedMore, Invalid };
// Decodes a message from the bytes received so far.
TDecode Decode(const QByteArray &bytes, TMessage &message);

} // namespace handover
