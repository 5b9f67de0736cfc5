#include "app/core/HandOver.h"

#include <QtEndian>
#include <cstring>

namespace handover {

namespace {

const char kMagic[] = "QUILLON1";
constexpr qsizetype kMagicSize = sizeof(kMagic) - 1;
constexpr qsizetype kHeaderSize = kMagicSize + 8;

} // namespace

QByteArray Encode(const TMessage &message)
{
    const QByteArray dir = message.workingDir.toUtf8();
    const QByteArray line = message.commandLine.toUtf8();
    QByteArray out(kMagic, kMagicSize);
    char lengths[8];
    qToBigEndian(quint32(dir.size()), lengths);
    qToBigEndian(quint32(line.size()), lengths + 4);
    out.append(lengths, 8);
    out.append(dir);
    out.append(line);
    return out;
}

TDecode Decode(const QByteArray &bytes, TMessage &message)
{
    const qsizetype magicSeen = std::min(bytes.size(), kMagicSize);
    if (std::memcmp(bytes.constData(), kMagic, size_t(magicSeen)) != 0)
        return TDecode::Invalid;
    if (bytes.size() < kHeaderSize)
        return TDecode::NeedMore;
    const quint64 dirSize = qFromBigEndian<quint32>(bytes.constData() + kMagicSize);
    const quint64 lineSize = qFromBigEndian<quint32>(bytes.constData() + kMagicSize + 4);
    const quint64 total = quint64(kHeaderSize) + dirSize + lineSize;
    if (total > quint64(kMaxMessageBytes))
        return TDecode::Invalid;
    if (quint64(bytes.size()) < total)
        return TDecode::NeedMore;
    if (quint64(bytes.size()) > total)
        return TDecode::Invalid;
    const char *data = bytes.constData() + kHeaderSize;
    message.workingDir = QString::fromUtf8(data, qsizetype(dirSize));
    message.commandLine = QString::fromUtf8(data + dirSize, qsizetype(lineSize));
    return TDecode::Complete;
}

} // namespace handover
