#include "editor/core/Journal.h"

#include "platform/core/DiskIdentity.h"

#include <algorithm>
#include <cstring>

namespace journal {

namespace {

const char kMagic[8] = {'Q', 'J', 'O', 'U', 'R', 'N', 'L', '1'};
// A file name longer than any path the system takes is damage.
constexpr quint32 kLongestName = 1 << 16;

void PutU64(QByteArray &out, quint64 value)
{
    char bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xff);
    out.append(bytes, 8);
}

void PutU32(QByteArray &out, quint32 value)
{
    char bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xff);
    out.append(bytes, 4);
}

void PutU8(QByteArray &out, quint8 value)
{
    out.append(char(value));
}

quint64 Sum(const QByteArray &data, qsizetype from, qsizetype to)
{
    return diskidentity::Checksum(data.constData() + from, std::size_t(to - from));
}

// Reads little-endian fields; any read past the end marks it failed.
class TReader
{
public:
    TReader(const QByteArray &data, qsizetype at) : m_data(data), m_at(at) { }
    bool Ok() const { return m_ok; }
    qsizetype At() const { return m_at; }
    qsizetype Left() const { return m_data.size() - m_at; }
    quint64 U64() { return Bytes(8); }
    quint32 U32() { return quint32(Bytes(4)); }
    quint8 U8() { return quint8(Bytes(1)); }
    // `length` raw bytes, only when that many are there.
    QByteArray Raw(quint64 length)
    {
        if (!m_ok || length > quint64(Left())) {
            m_ok = false;
            return {};
        }
        QByteArray out = m_data.mid(m_at, qsizetype(length));
        m_at += qsizetype(length);
        return out;
    }
    void Skip(quint64 length)
    {
        if (!m_ok || length > quint64(Left()))
            m_ok = false;
        else
            m_at += qsizetype(length);
    }

private:
    quint64 Bytes(int count)
    {
        if (!m_ok || Left() < count) {
            m_ok = false;
            return 0;
        }
        quint64 value = 0;
        for (int i = 0; i < count; ++i)
            value |= quint64(quint8(m_data[m_at + i])) << (8 * i);
        m_at += count;
        return value;
    }

    const QByteArray &m_data;
    qsizetype m_at;
    bool m_ok = true;
};

// A text with a gap at the place of the last edit: typing runs as a series
// of edits close together, and a plain array would move the whole rest of a
// large text on every one of them.
class TGapText
{
public:
    explicit TGapText(const QByteArray &text) : m_bytes(text.begin(), text.end()), m_gapStart(text.size())
    {
        m_gapEnd = m_gapStart;
    }
    qint64 Length() const { return qint64(m_bytes.size()) - (m_gapEnd - m_gapStart); }
    void Insert(qint64 position, const QByteArray &bytes)
    {
        MoveGap(position);
        if (m_gapEnd - m_gapStart < bytes.size())
            Grow(bytes.size());
        std::memcpy(m_bytes.data() + m_gapStart, bytes.constData(), std::size_t(bytes.size()));
        m_gapStart += bytes.size();
    }
    void Erase(qint64 position, qint64 length)
    {
        MoveGap(position);
        m_gapEnd += length;
    }
    QByteArray Take() const
    {
        QByteArray out;
        out.reserve(qsizetype(Length()));
        out.append(m_bytes.data(), qsizetype(m_gapStart));
        out.append(m_bytes.data() + m_gapEnd, qsizetype(qint64(m_bytes.size()) - m_gapEnd));
        return out;
    }

private:
    void MoveGap(qint64 position)
    {
        char *data = m_bytes.data();
        if (position < m_gapStart) {
            const qint64 count = m_gapStart - position;
            std::memmove(data + m_gapEnd - count, data + position, std::size_t(count));
            m_gapStart -= count;
            m_gapEnd -= count;
        } else if (position > m_gapStart) {
            const qint64 count = position - m_gapStart;
            std::memmove(data + m_gapStart, data + m_gapEnd, std::size_t(count));
            m_gapStart += count;
            m_gapEnd += count;
        }
    }
    void Grow(qint64 needed)
    {
        const qint64 extra = std::max<qint64>(needed, qint64(m_bytes.size()) / 8 + 4096);
        const qint64 tail = qint64(m_bytes.size()) - m_gapEnd;
        m_bytes.resize(m_bytes.size() + std::size_t(extra));
        char *data = m_bytes.data();
        std::memmove(data + m_gapEnd + extra, data + m_gapEnd, std::size_t(tail));
        m_gapEnd += extra;
    }

    std::vector<char> m_bytes;
    qint64 m_gapStart;
    qint64 m_gapEnd;
};

void AppendEdit(QByteArray &out, bool insert, qint64 position, const char *bytes, qint64 length)
{
    const qsizetype start = out.size();
    PutU8(out, insert ? 'I' : 'D');
    PutU64(out, quint64(position));
    PutU64(out, quint64(length));
    if (insert)
        out.append(bytes, qsizetype(length));
    PutU64(out, Sum(out, start, out.size()));
}

} // namespace

QByteArray EncodeHeader(const THeader &header, const char *copy, qsizetype length)
{
    QByteArray out;
    const QByteArray name = header.fileName.toUtf8();
    out.reserve(80 + name.size() + (header.kind == TKind::Copy ? length : 0));
    out.append(kMagic, sizeof kMagic);
    PutU8(out, quint8(header.kind));
    PutU8(out, header.untitled ? 1 : 0);
    PutU8(out, header.encoding == encoding::TEncoding::Utf8 ? 1 : 0);
    PutU8(out, header.baseExists ? 1 : 0);
    PutU64(out, quint64(header.baseSize));
    PutU64(out, quint64(header.baseModifiedNs));
    PutU64(out, header.baseChecksum);
    PutU32(out, quint32(name.size()));
    out.append(name);
    if (header.kind == TKind::Copy) {
        PutU64(out, quint64(length));
        out.append(copy, length);
    }
    PutU64(out, Sum(out, 0, out.size()));
    return out;
}

void AppendInsert(QByteArray &out, qint64 position, const char *bytes, qint64 length)
{
    AppendEdit(out, true, position, bytes, length);
}

void AppendDelete(QByteArray &out, qint64 position, qint64 length)
{
    AppendEdit(out, false, position, nullptr, length);
}

bool Parse(const QByteArray &data, TRecord &record)
{
    record = TRecord();
    if (data.size() < qsizetype(sizeof kMagic) || std::memcmp(data.constData(), kMagic, sizeof kMagic) != 0)
        return false;
    TReader in(data, sizeof kMagic);
    THeader &header = record.header;
    const quint8 kind = in.U8();
    if (kind != quint8(TKind::Copy) && kind != quint8(TKind::Base))
        return false;
    header.kind = TKind(kind);
    header.untitled = in.U8() != 0;
    header.encoding = in.U8() == 1 ? encoding::TEncoding::Utf8 : encoding::TEncoding::Cp1252;
    header.baseExists = in.U8() != 0;
    header.baseSize = qint64(in.U64());
    header.baseModifiedNs = qint64(in.U64());
    header.baseChecksum = in.U64();
    const quint32 nameLength = in.U32();
    if (!in.Ok() || nameLength > kLongestName)
        return false;
    header.fileName = QString::fromUtf8(in.Raw(nameLength));
    if (header.kind == TKind::Copy) {
        const quint64 length = in.U64();
        const qsizetype at = in.At();
        in.Skip(length); // checked against what is there before anything is allocated
        if (!in.Ok())
            return false;
        record.copy = data.mid(at, qsizetype(length));
    }
    const qsizetype summed = in.At();
    const quint64 sum = in.U64();
    if (!in.Ok() || sum != Sum(data, 0, summed) || header.baseSize < 0)
        return false;
    if (header.kind == TKind::Base && (!header.baseExists || header.untitled))
        return false;

    while (in.Left() > 0) {
        const qsizetype start = in.At();
        const quint8 type = in.U8();
        TEdit edit;
        edit.insert = type == 'I';
        edit.position = qint64(in.U64());
        edit.length = qint64(in.U64());
        if (!in.Ok() || (type != 'I' && type != 'D') || edit.position < 0 || edit.length < 0) {
            record.tornTail = true;
            break;
        }
        if (edit.insert)
            edit.bytes = in.Raw(quint64(edit.length));
        const qsizetype end = in.At();
        const quint64 editSum = in.U64();
        if (!in.Ok() || editSum != Sum(data, start, end)) {
            record.tornTail = true;
            break;
        }
        record.edits.push_back(std::move(edit));
    }
    return true;
}

TRebuild Rebuild(const TRecord &record, const QByteArray &base, QByteArray &text)
{
    const THeader &header = record.header;
    if (header.kind == TKind::Base
        && (base.size() != header.baseSize
            || diskidentity::Checksum(base.constData(), std::size_t(base.size())) != header.baseChecksum))
        return TRebuild::BaseChanged;
    TGapText gap(header.kind == TKind::Base ? base : record.copy);
    for (const TEdit &edit : record.edits) {
        const qint64 length = gap.Length();
        if (edit.position > length || (!edit.insert && edit.length > length - edit.position))
            return TRebuild::Damaged;
        if (edit.insert)
            gap.Insert(edit.position, edit.bytes);
        else
            gap.Erase(edit.position, edit.length);
    }
    text = gap.Take();
    return TRebuild::Done;
}

} // namespace journal
