// Writes a C++ source that places the program's version resource, in the
// Windows binary format, into the ELF section ".qversion" of every program
// that links it. Run by the build:
//
//   make_version_resource OUT.cpp FILEVERSION PRODUCTVERSION FLAGSMASK OS TYPE
//                         TRANSLATION NAME=VALUE...
//
// Versions are dotted quads ("1.3.4.1"); numbers may be given in hex
// ("0x3F"); TRANSLATION is eight hex digits, language then code page.
#include "about/core/VersionWriter.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace {

bool Quad(const QString &text, quint32 &high, quint32 &low)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    quint32 n[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        n[i] = parts[i].toUInt(&ok);
        if (!ok || n[i] > 0xFFFF)
            return false;
    }
    high = n[0] << 16 | n[1];
    low = n[2] << 16 | n[3];
    return true;
}

bool Number(const QString &text, quint32 &value)
{
    bool ok = false;
    value = text.toUInt(&ok, 0);
    return ok;
}

int Fail(const char *why)
{
    std::fprintf(stderr, "make_version_resource: %s\n", why);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 8)
        return Fail("too few arguments");
    xversion::TVersionResource resource;
    quint32 fileMS = 0, fileLS = 0, productMS = 0, productLS = 0;
    if (!Quad(QString::fromUtf8(argv[2]), fileMS, fileLS) || !Quad(QString::fromUtf8(argv[3]), productMS, productLS))
        return Fail("versions must be four numbers joined by dots");
    resource.fixed = xversion::FixedFileInfo(fileMS, fileLS, productMS, productLS);
    if (!Number(QString::fromUtf8(argv[4]), resource.fixed.FileFlagsMask)
        || !Number(QString::fromUtf8(argv[5]), resource.fixed.FileOS)
        || !Number(QString::fromUtf8(argv[6]), resource.fixed.FileType))
        return Fail("flags mask, OS and type must be numbers");
    resource.translation = QString::fromUtf8(argv[7]);
    bool ok = false;
    const quint32 translation = resource.translation.toUInt(&ok, 16);
    if (resource.translation.size() != 8 || !ok)
        return Fail("the translation must be eight hex digits");
    // The list holds the language in the low word, the code page in the high one.
    resource.translations.append((translation >> 16) | (translation & 0xFFFF) << 16);
    for (int i = 8; i < argc; ++i) {
        const QString item = QString::fromUtf8(argv[i]);
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return Fail("strings are given as NAME=VALUE");
        resource.strings.append({item.left(equals), item.mid(equals + 1)});
    }
    const QByteArray bytes = xversion::BuildVersionResource(resource);
    if (bytes.isEmpty())
        return Fail("the resource exceeds 64 KiB");

    QByteArray source = "// Written by make_version_resource during the build; do not edit.\n"
                        "// The program's version resource in the Windows binary format. The\n"
                        "// linker keeps it (-u quillon_version_resource) in every program.\n"
                        "extern \"C\" __attribute__((section(\".qversion\"), used, aligned(4)))\n"
                        "const unsigned char quillon_version_resource[] = {";
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        source += i % 12 == 0 ? "\n    " : " ";
        source += "0x" + QByteArray::number(quint8(bytes[i]), 16).rightJustified(2, '0') + ",";
    }
    source += "\n};\n";

    QFile out(QString::fromUtf8(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(source) != source.size())
        return Fail("cannot write the output file");
    return 0;
}
