#include "app/core/HandOver.h"

#include <QtEndian>
#include <cstring>

namespace handover {

namespace {

const char kMagic[] = "QUILLON2";
constexpr qsizetype kMagicSize = sizeof(kMagic) - 1;
// Magic, then the number of fields (working directory and arguments), then
// each field as its length and its bytes.
constexpr qsizetype kHeaderSize = kMagicSize + 4;

void AppendField(QByteArray &out, const QByteArray &field)
{
    char length[4];
    qToBigEndian(quint32(field.size()), length);
    out.append(length, 4);
    out.append(field);
}

} // namespace

QByteArray Encode(const TMessage &message)
{
    QByteArray out(kMagic, kMagicSize);
    char count[4];
    qToBigEndian(quint32(message.arguments.size() + 1), count);
    out.append(count, 4);
    AppendField(out, message.workingDir);
    for (const QByteArray &argument : message.arguments)
        AppendField(out, argument);
    return out;
}

TDecode Decode(const QByteArray &bytes, TMessage &message)
{
    const qsizetype magicSeen = std::min(bytes.size(), kMagicSize);
    if (std::memcmp(bytes.constData(), kMagic, size_t(magicSeen)) != 0)
        return TDecode::Invalid;
    if (bytes.size() < kHeaderSize)
        return TDecode::NeedMore;
    const quint64 count = qFromBigEndian<quint32>(bytes.constData() + kMagicSize);
    // Every field takes at least its length; a count that cannot fit is
    // refused before anything is waited for.
    if (count == 0 || quint64(kHeaderSize) + 4 * count > quint64(kMaxMessageBytes))
        return TDecode::Invalid;
    TMessage got;
    qsizetype at = kHeaderSize;
    for (quint64 k = 0; k < count; ++k) {
        if (bytes.size() - at < 4)
            return TDecode::NeedMore;
        const quint64 length = qFromBigEndian<quint32>(bytes.constData() + at);
        at += 4;
        if (quint64(at) + length + 4 * (count - k - 1) > quint64(kMaxMessageBytes))
            return TDecode::Invalid;
        if (quint64(bytes.size() - at) < length)
            return TDecode::NeedMore;
        const QByteArray field = bytes.mid(at, qsizetype(length));
        at += qsizetype(length);
        if (k == 0)
            got.workingDir = field;
        else
            got.arguments.append(field);
    }
    // The start sends nothing more before it has the answer.
    if (at != bytes.size())
        return TDecode::Invalid;
    message = got;
    return TDecode::Complete;
}

} // namespace handover
