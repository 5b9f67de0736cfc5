#pragma once
// A recovery record of one modified file: what is needed to give its text
// back exactly after the program died. Either a full copy of the bytes, or
// the file on disk the text was based on (known by size, time and checksum);
// both may be followed by the edits made since, appended one by one, so a
// large file is never copied for every key.
#include "platform/core/Encoding.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace journal {

enum class TKind : quint8 { Copy = 1, Base = 2 };

struct THeader
{
    TKind kind = TKind::Copy;
    QString fileName;
    bool untitled = true;
    encoding::TEncoding encoding = encoding::TEncoding::Cp1252;
    // The file on disk the text is based on.
    bool baseExists = false;
    qint64 baseSize = 0;
    qint64 baseModifiedNs = 0;
    quint64 baseChecksum = 0;
};

struct TEdit
{
    bool insert = true;
    qint64 position = 0;
    qint64 length = 0;
    QByteArray bytes; // what was inserted
};

struct TRecord
{
    THeader header;
    QByteArray copy; // the text, for TKind::Copy
    std::vector<TEdit> edits;
    // Edits cut off at the end (the program died while writing them).
    bool tornTail = false;
};

// The start of a record; a copy's bytes are part of it.
QByteArray EncodeHeader(const THeader &header, const char *copy, qsizetype length);
inline QByteArray EncodeHeader(const THeader &header, const QByteArray &copy = QByteArray())
{
    return EncodeHeader(header, copy.constData(), copy.size());
}
// One edit as it is appended.
void AppendInsert(QByteArray &out, qint64 position, const char *bytes, qint64 length);
void AppendDelete(QByteArray &out, qint64 position, qint64 length);

// False for anything that is not a whole, intact header (garbage, a torn
// copy, lengths larger than the data): such a file is never used. Edits
// behind the header are taken up to the first one that is not intact.
bool Parse(const QByteArray &data, TRecord &record);

enum class TRebuild { Done, BaseChanged, Damaged };

// The text the record stands for. `base` is the base file's content, read by
// the caller, for TKind::Base; its size and checksum must match the header.
// An edit outside the text (damage) ends with Damaged, never a guess.
TRebuild Rebuild(const TRecord &record, const QByteArray &base, QByteArray &text);

} // namespace journal
