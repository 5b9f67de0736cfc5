#pragma once
// Writes version resources in the Windows binary format: little-endian,
// UTF-16 keys and texts, every node and value on a 4-byte boundary. The
// build uses it for the program's own resource; the tests build trees with it.
#include "about/core/XVersion.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace xversion {

// One node: wLength, wValueLength, wType, the key with its zero, padding,
// the value, then the children, each on a 4-byte boundary. `valueLength`
// is what wValueLength claims (characters for texts, bytes otherwise).
QByteArray VersionNode(const QString &key, quint16 type, const QByteArray &value, quint16 valueLength,
                       const QList<QByteArray> &children = {});

// A string of the string table; an empty text is written without a value.
QByteArray VersionStringNode(const QString &name, const QString &text);

struct TVersionResource
{
    TFixedFileInfo fixed;
    // The string table's translation: language then code page, hex digits.
    QString translation = QLatin1String(DefaultTranslation());
    QList<QPair<QString, QString>> strings;
    // The translation list: language in the low word, code page in the high one.
    QList<quint32> translations;
};

// Fills in the record's signature (0xFEEF04BD) and structure version.
TFixedFileInfo FixedFileInfo(quint32 fileMS, quint32 fileLS, quint32 productMS, quint32 productLS);

// The whole VS_VERSIONINFO tree; empty when it would exceed 64 KiB.
QByteArray BuildVersionResource(const TVersionResource &resource);

} // namespace xversion
