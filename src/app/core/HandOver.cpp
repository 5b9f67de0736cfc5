#include "app/core/HandOver.h"

#include <QtEndian>
#include <cstring>

namespace handover {

namespace {

const char kMagic[] = "QUILLON2";
// The same, with the activation token as the second field.
const char kMagicWithToken[] = "QUILLON3";
constexpr qsizetype kMagicSize = sizeof(kMagic) - 1;
static_assert(sizeof(kMagicWithToken) == sizeof(kMagic));
// Magic, then the number of fields (working directory, [token,] arguments),
// then each field as its length and its bytes.
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
    const bool token = !message.activationToken.isEmpty();
    QByteArray out(token ? kMagicWithToken : kMagic, kMagicSize);
    char count[4];
    qToBigEndian(quint32(message.arguments.size() + (token ? 2 : 1)), count);
    out.append(count, 4);
    AppendField(out, message.workingDir);
    if (token)
        AppendField(out, message.activationToken);
    for (const QByteArray &argument : message.arguments)
        AppendField(out, argument);
    return out;
}

bool IsUsableToken(const QByteArray &token)
{
    if (token.isEmpty() || token.size() > 1024)
        return false;
    for (const char c : token)
        if (c < 0x21 || c > 0x7e)
            return false;
    return true;
}

TDecode Decode(const QByteArray &bytes, TMessage &message)
{
    const qsizetype magicSeen = std::min(bytes.size(), kMagicSize);
    const bool plain = std::memcmp(bytes.constData(), kMagic, size_t(magicSeen)) == 0;
    const bool withToken = std::memcmp(bytes.constData(), kMagicWithToken, size_t(magicSeen)) == 0;
    if (!plain && !withToken)
        return TDecode::Invalid;
    if (bytes.size() < kHeaderSize)
        return TDecode::NeedMore;
    const quint64 count = qFromBigEndian<quint32>(bytes.constData() + kMagicSize);
    const quint64 leading = withToken ? 2 : 1;
    // Every field takes at least its length; a count that cannot fit is
    // refused before anything is waited for.
    if (count < leading || quint64(kHeaderSize) + 4 * count > quint64(kMaxMessageBytes))
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
        else if (k < leading)
            got.activationToken = field;
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
