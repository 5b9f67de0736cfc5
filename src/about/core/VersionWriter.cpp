#include "about/core/VersionWriter.h"

namespace xversion {

namespace {

void PutWord(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

void PutDword(QByteArray &out, quint32 value)
{
    PutWord(out, quint16(value & 0xFFFF));
    PutWord(out, quint16(value >> 16));
}

void Pad4(QByteArray &out)
{
    while (out.size() % 4 != 0)
        out.append('\0');
}

QByteArray Utf16(const QString &text, bool withZero)
{
    QByteArray out;
    for (const QChar c : text)
        PutWord(out, c.unicode());
    if (withZero)
        PutWord(out, 0);
    return out;
}

} // namespace

QByteArray VersionNode(const QString &key, quint16 type, const QByteArray &value, quint16 valueLength,
                       const QList<QByteArray> &children)
{
    QByteArray node;
    PutWord(node, 0); // length, known at the end
    PutWord(node, valueLength);
    PutWord(node, type);
    node.append(Utf16(key, true));
    Pad4(node);
    node.append(value);
    for (const QByteArray &child : children) {
        Pad4(node);
        node.append(child);
    }
    // The length covers the node up to its last byte, without the padding
    // that the next node begins with.
    const auto length = quint16(qMin<qsizetype>(node.size(), 0xFFFF));
    node[0] = char(length & 0xFF);
    node[1] = char(length >> 8);
    return node;
}

QByteArray VersionStringNode(const QString &name, const QString &text)
{
    if (text.isEmpty())
        return VersionNode(name, 1, QByteArray(), 0);
    // Characters with the terminating zero, as Windows' resource compiler counts.
    return VersionNode(name, 1, Utf16(text, true), quint16(text.size() + 1));
}

TFixedFileInfo FixedFileInfo(quint32 fileMS, quint32 fileLS, quint32 productMS, quint32 productLS)
{
    TFixedFileInfo info;
    info.Signature = 0xFEEF04BD;
    info.StrucVersion = 0x00010000;
    info.FileVersionMS = fileMS;
    info.FileVersionLS = fileLS;
    info.ProductVersionMS = productMS;
    info.ProductVersionLS = productLS;
    return info;
}

QByteArray BuildVersionResource(const TVersionResource &resource)
{
    const TFixedFileInfo &f = resource.fixed;
    QByteArray fixed;
    for (quint32 word :
         {f.Signature, f.StrucVersion, f.FileVersionMS, f.FileVersionLS, f.ProductVersionMS, f.ProductVersionLS,
          f.FileFlagsMask, f.FileFlags, f.FileOS, f.FileType, f.FileSubtype, f.FileDateMS, f.FileDateLS})
        PutDword(fixed, word);

    QList<QByteArray> strings;
    for (const auto &entry : resource.strings)
        strings.append(VersionStringNode(entry.first, entry.second));
    const QByteArray table = VersionNode(resource.translation, 1, QByteArray(), 0, strings);
    const QByteArray stringInfo = VersionNode(QStringLiteral("StringFileInfo"), 1, QByteArray(), 0, {table});

    QByteArray translations;
    for (quint32 translation : resource.translations)
        PutDword(translations, translation);
    const QByteArray var = VersionNode(QStringLiteral("Translation"), 0, translations, quint16(translations.size()));
    const QByteArray varInfo = VersionNode(QStringLiteral("VarFileInfo"), 1, QByteArray(), 0, {var});

    QByteArray root =
        VersionNode(QStringLiteral("VS_VERSION_INFO"), 0, fixed, quint16(fixed.size()), {stringInfo, varInfo});
    if (root.size() > 0xFFFF)
        return QByteArray();
    return root;
}

} // namespace xversion
