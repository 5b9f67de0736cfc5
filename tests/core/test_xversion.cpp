#include "about/core/VersionWriter.h"
#include "about/core/XVersion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace xversion;

// The small Windows programs made by tests/data/make_version_pe.sh.
QString DataFile(const char *name)
{
    return QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../data/%1").arg(QLatin1String(name)));
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void Put(QByteArray &out, qsizetype at, quint64 value, int width, bool bigEndian = false)
{
    for (int i = 0; i < width; ++i)
        out[at + (bigEndian ? width - 1 - i : i)] = char(value >> (8 * i) & 0xFF);
}

// A minimal ELF file: a null section, the version section and the section
// names, in either width and byte order.
QByteArray MakeElf(const QByteArray &payload, bool wide = true, bool bigEndian = false,
                   const char *sectionName = ".qversion")
{
    const QByteArray names = QByteArray("\0", 1) + sectionName + QByteArray("\0.shstrtab\0", 11);
    const int headerSize = wide ? 64 : 52;
    const int entrySize = wide ? 64 : 40;
    QByteArray elf(headerSize, '\0');
    elf[0] = 0x7F;
    elf[1] = 'E';
    elf[2] = 'L';
    elf[3] = 'F';
    elf[4] = char(wide ? 2 : 1);
    elf[5] = char(bigEndian ? 2 : 1);
    elf[6] = 1;
    const qsizetype payloadAt = elf.size();
    elf += payload;
    const qsizetype namesAt = elf.size();
    elf += names;
    while (elf.size() % 8)
        elf += '\0';
    const qsizetype tableAt = elf.size();
    elf += QByteArray(3 * entrySize, '\0');
    auto section = [&](int index, quint32 name, quint32 type, quint64 offset, quint64 size) {
        const qsizetype at = tableAt + index * entrySize;
        Put(elf, at, name, 4, bigEndian);
        Put(elf, at + 4, type, 4, bigEndian);
        Put(elf, at + (wide ? 24 : 16), offset, wide ? 8 : 4, bigEndian);
        Put(elf, at + (wide ? 32 : 20), size, wide ? 8 : 4, bigEndian);
    };
    section(1, 1, 1, quint64(payloadAt), quint64(payload.size()));
    section(2, quint32(qstrlen(sectionName) + 2), 3, quint64(namesAt), quint64(names.size()));
    Put(elf, wide ? 0x28 : 0x20, quint64(tableAt), wide ? 8 : 4, bigEndian);
    Put(elf, wide ? 0x3A : 0x2E, quint64(entrySize), 2, bigEndian);
    Put(elf, wide ? 0x3C : 0x30, 3, 2, bigEndian);
    Put(elf, wide ? 0x3E : 0x32, 2, 2, bigEndian);
    return elf;
}

TVersionResource SampleResource()
{
    TVersionResource r;
    r.fixed = FixedFileInfo(0x00010003, 0x00040001, 0x00020000, 0x00000007);
    r.strings = {{"CompanyName", "Firma"}, {"Comments", ""}, {"LegalCopyright", "© Firma"}};
    r.translations = {0x04E40407};
    return r;
}

struct TQuery
{
    bool ok = false;
    QByteArray bytes; // the located value, `length` units long
    quint32 length = 0;
};

TQuery Query(const QByteArray &block, const QString &path, int unit = 1)
{
    TQuery q;
    const void *value = nullptr;
    q.ok = VerQueryValue(block.constData(), quint32(block.size()), path, value, q.length);
    if (q.ok) {
        const auto *p = static_cast<const char *>(value);
        EXPECT_GE(p, block.constData());
        EXPECT_LE(p + q.length * unit, block.constData() + block.size()) << "value runs past the block";
        q.bytes = QByteArray(p, q.length * unit);
    }
    return q;
}

TEST(XVersion, VersionToTextJoinsTheFourHalfWords)
{
    EXPECT_EQ(VersionToText(0x00010003, 0x00040001), "1.3.4.1");
    EXPECT_EQ(VersionToText(0xFFFFFFFF, 0), "65535.65535.0.0");
    EXPECT_EQ(VersionToText(0, 0), "0.0.0.0");
    EXPECT_EQ(VersionToText(0x000A0100, 0x80000001), "10.256.32768.1") << "no leading zeros, unsigned";
}

TEST(XVersion, QueriesFindTheFixedRecordStringsAndTranslations)
{
    const QByteArray block = BuildVersionResource(SampleResource());
    ASSERT_FALSE(block.isEmpty());

    const TQuery root = Query(block, "\\");
    ASSERT_TRUE(root.ok);
    ASSERT_EQ(root.length, 52u);
    EXPECT_EQ(root.bytes.left(4), QByteArray("\xBD\x04\xEF\xFE", 4));
    EXPECT_EQ(root.bytes.mid(8, 4), QByteArray("\x03\x00\x01\x00", 4));

    const TQuery company = Query(block, "\\StringFileInfo\\040704E4\\CompanyName", 2);
    ASSERT_TRUE(company.ok);
    EXPECT_EQ(company.length, 6u) << "characters with the terminating zero";
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t *>(company.bytes.constData())), "Firma");

    EXPECT_TRUE(Query(block, "\\stringfileinfo\\040704e4\\COMPANYNAME").ok) << "keys compare without case";
    EXPECT_TRUE(Query(block, "\\\\StringFileInfo\\\\040704E4\\CompanyName\\").ok) << "empty components are skipped";

    const TQuery comments = Query(block, "\\StringFileInfo\\040704E4\\Comments");
    EXPECT_TRUE(comments.ok);
    EXPECT_EQ(comments.length, 0u);

    const TQuery translation = Query(block, "\\VarFileInfo\\Translation");
    ASSERT_TRUE(translation.ok);
    EXPECT_EQ(translation.bytes, QByteArray("\x07\x04\xE4\x04", 4));

    EXPECT_FALSE(Query(block, "\\StringFileInfo\\040704E4\\ProductName").ok);
    EXPECT_FALSE(Query(block, "\\StringFileInfo\\040904B0\\CompanyName").ok) << "no other translation is tried";
    EXPECT_FALSE(Query(block, "\\StringFileInfo\\040704E4\\CompanyNam").ok) << "no prefix matches";
    EXPECT_FALSE(Query(block, QString(255, 'x')).ok) << "query path over 254 characters";
}

TEST(XVersion, TruncatedBlocksNeverReadPastTheirEnd)
{
    const QByteArray block = BuildVersionResource(SampleResource());
    for (qsizetype size = 0; size < block.size(); ++size) {
        // A copy of exactly `size` bytes, so that a tool like ASan would see
        // any read past it; the queries fail because the root claims more.
        const QByteArray part = block.left(size);
        EXPECT_FALSE(Query(part, "\\").ok) << size;
        EXPECT_FALSE(Query(part, "\\StringFileInfo\\040704E4\\Comments").ok) << size;
    }
}

TEST(XVersion, MalformedTreesGiveNothingAndEnd)
{
    const QByteArray fixed(52, '\x11');
    // A child of length 0 would make a naive walk stand still for ever.
    QByteArray zeroChild = VersionNode("VS_VERSION_INFO", 0, fixed, 52, {QByteArray(8, '\0')});
    EXPECT_FALSE(Query(zeroChild, "\\StringFileInfo").ok);
    EXPECT_TRUE(Query(zeroChild, "\\").ok) << "the root itself is sound";

    // A child that claims more than its parent holds.
    QByteArray child = VersionNode("StringFileInfo", 1, {}, 0);
    child[0] = char(0xF0);
    const QByteArray overlong = VersionNode("VS_VERSION_INFO", 0, fixed, 52, {child});
    EXPECT_FALSE(Query(overlong, "\\StringFileInfo").ok);

    // A binary value longer than its node is not handed out.
    QByteArray shortRecord = VersionNode("VS_VERSION_INFO", 0, QByteArray(8, '\x01'), 52);
    EXPECT_FALSE(Query(shortRecord, "\\").ok);

    // A text that claims more characters than its node holds ends with the node.
    const QByteArray text =
        VersionNode("VS_VERSION_INFO", 0, fixed, 52, {VersionNode("Name", 1, QByteArray("A\0B\0", 4), 900)});
    const TQuery clipped = Query(text, "\\Name", 2);
    ASSERT_TRUE(clipped.ok);
    EXPECT_EQ(clipped.length, 2u);

    // A key without its zero.
    QByteArray noZero = VersionNode("VS_VERSION_INFO", 0, {}, 0);
    noZero.truncate(6 + 4);
    noZero[0] = char(noZero.size());
    EXPECT_FALSE(Query(noZero, "\\").ok);

    EXPECT_FALSE(Query(QByteArray(), "\\").ok);
    const void *value = nullptr;
    quint32 length = 7;
    EXPECT_FALSE(VerQueryValue(nullptr, 100, "\\", value, length));
    EXPECT_EQ(length, 0u);
}

class XVersionFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        WriteAll(path, bytes);
        return path;
    }
};

TEST_F(XVersionFiles, WindowsProgramsOfBothWidthsAreRead)
{
    for (const char *name : {"version64.exe", "version32.exe"}) {
        SCOPED_TRACE(name);
        const QString exe = DataFile(name);
        ASSERT_TRUE(QFileInfo::exists(exe)) << exe.toStdString();
        EXPECT_EQ(FileVersionText(exe, vkFileVersion), "2.5.7.11");
        EXPECT_EQ(FileVersionText(exe, vkProductVersion), "3.0.65535.1");
        EXPECT_EQ(FileVersionText(exe, 3), "") << "kind 3 selects nothing";
        TFixedFileInfo info;
        ASSERT_TRUE(ReadFixedVersionInfo(exe, info));
        EXPECT_EQ(info.Signature, 0xFEEF04BDu);
        EXPECT_EQ(info.FileFlagsMask, 0x3Fu);
        EXPECT_EQ(info.FileOS, 0x40004u);

        EXPECT_EQ(FileVersionValue(exe, "", "CompanyName"), QString::fromUtf8("Prüffirma GmbH"));
        EXPECT_EQ(FileVersionValue(exe, "040704E4", "LegalCopyright"), QString::fromUtf8("© Prüffirma"));
        EXPECT_EQ(FileVersionValue(exe, "040904b0", "CompanyName"), "Test company");
        EXPECT_EQ(FileVersionValue(exe, "", "Comments"), "");
        EXPECT_EQ(FileVersionValue(exe, "", "ProductName"), "");
        EXPECT_EQ(FileVersionValue(exe, "040C04E4", "CompanyName"), "");

        const quint32 size = GetFileVersionInfoSize(exe);
        ASSERT_EQ(size, 0x294u) << "the root's length, as windres wrote it";
        QByteArray block(size, '\0');
        ASSERT_TRUE(GetFileVersionInfo(exe, size, block.data()));
        EXPECT_EQ(Query(block, "\\VarFileInfo\\Translation").bytes, QByteArray("\x07\x04\xE4\x04\x09\x04\xB0\x04", 8));
    }
    const QString none = DataFile("noversion.exe");
    EXPECT_EQ(GetFileVersionInfoSize(none), 0u) << "resources, but none of type version";
    EXPECT_EQ(FileVersionText(none, vkFileVersion), "");
    EXPECT_EQ(FileVersionValue(none, "", "CompanyName"), "");
}

TEST_F(XVersionFiles, DamagedWindowsProgramsGiveNothing)
{
    const QByteArray exe = ReadAll(DataFile("version64.exe"));
    ASSERT_FALSE(exe.isEmpty());
    // Cut anywhere: either nothing or the whole, never a crash.
    for (qsizetype size = 0; size < exe.size(); size += 7) {
        const QByteArray resource = VersionResourceOfImage(exe.left(size));
        EXPECT_TRUE(resource.isEmpty() || resource.size() == 0x294) << size;
    }
    EXPECT_EQ(VersionResourceOfImage(exe).size(), 0x294);

    // Every subdirectory entry pointing back at the root directory: a
    // directory loop.
    const qsizetype rsrc =
        exe.indexOf(QByteArray("\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00\x02\x00", 16));
    ASSERT_GT(rsrc, 0);
    QByteArray looping = exe;
    for (int entry = 0; entry < 3; ++entry)
        Put(looping, rsrc + 16 + entry * 8 + 4, 0x80000000u, 4);
    EXPECT_TRUE(VersionResourceOfImage(looping).isEmpty());

    // A data entry that claims far more bytes than the file holds.
    QByteArray oversized = exe;
    const qsizetype dataEntry = oversized.indexOf(QByteArray("\x94\x02\x00\x00", 4), rsrc);
    ASSERT_GT(dataEntry, rsrc);
    Put(oversized, dataEntry, 0x7FFFFFF0u, 4);
    EXPECT_TRUE(VersionResourceOfImage(oversized).isEmpty());
    EXPECT_EQ(FileVersionText(Write("big.exe", oversized), vkFileVersion), "");
}

TEST_F(XVersionFiles, ElfSectionsOfBothWidthsAndByteOrdersAreRead)
{
    const QByteArray resource = BuildVersionResource(SampleResource());
    for (bool wide : {true, false}) {
        for (bool big : {false, true}) {
            SCOPED_TRACE(testing::Message() << "wide " << wide << " big " << big);
            const QString elf = Write("v.elf", MakeElf(resource, wide, big));
            EXPECT_EQ(FileVersionText(elf, vkFileVersion), "1.3.4.1");
            EXPECT_EQ(FileVersionText(elf, vkProductVersion), "2.0.0.7");
            EXPECT_EQ(FileVersionValue(elf, "", "LegalCopyright"), QString::fromUtf8("© Firma"));
            EXPECT_EQ(FileVersionValue(elf, "", "Comments"), "") << "present with length 0";
        }
    }
    EXPECT_EQ(FileVersionText(Write("other.elf", MakeElf(resource, true, false, ".qversio")), 1), "")
        << "a section whose name only begins alike";

    // The root record shorter than 52 bytes: Windows would copy 52 anyway.
    const QByteArray shortRoot = VersionNode("VS_VERSION_INFO", 0, QByteArray(20, '\x01'), 20);
    TFixedFileInfo info;
    EXPECT_FALSE(ReadFixedVersionInfo(Write("short.elf", MakeElf(shortRoot)), info));

    // Section headers beyond the end of the file.
    QByteArray cut = MakeElf(resource);
    cut.chop(10);
    EXPECT_EQ(FileVersionText(Write("cut.elf", cut), vkFileVersion), "");
}

TEST_F(XVersionFiles, UnreadableAndOverlongNamesGiveNothing)
{
    EXPECT_EQ(FileVersionText(dir.filePath("missing.exe"), vkFileVersion), "");
    EXPECT_EQ(FileVersionText(dir.path(), vkFileVersion), "") << "a directory";
    EXPECT_EQ(FileVersionText("", vkFileVersion), "");
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(FileVersionText(fifo, vkFileVersion), "") << "returns instead of waiting for a writer";

    // A copy of a good file under a name of exactly 254 and of 255 characters.
    const QByteArray exe = ReadAll(DataFile("version64.exe"));
    const QString base = dir.path() + "/";
    ASSERT_LT(base.size(), 200);
    const QString name254 = base + QString(254 - base.size() - 4, 'a') + ".exe";
    const QString name255 = base + QString(255 - base.size() - 4, 'b') + ".exe";
    ASSERT_EQ(name254.size(), 254);
    ASSERT_EQ(name255.size(), 255);
    WriteAll(name254, exe);
    WriteAll(name255, exe);
    EXPECT_EQ(FileVersionText(name254, vkFileVersion), "2.5.7.11");
    EXPECT_EQ(FileVersionText(name255, vkFileVersion), "");
    EXPECT_EQ(FileVersionValue(name255, "", "CompanyName"), "");

    // The query path counts too: "\StringFileInfo\040704E4\" is 25 characters.
    EXPECT_EQ(FileVersionValue(name254, "", QString(229, 'x')), "");
    EXPECT_EQ(FileVersionValue(name254, "", QString(230, 'x')), "");
}

TEST(XVersionOwn, TheTestProgramCarriesTheProgramsResource)
{
    EXPECT_EQ(OwnProductVersion(), "1.3.4.1");
    EXPECT_EQ(OwnVersionText(vkFileVersion), "1.3.4.1");
    EXPECT_EQ(OwnVersionText(3), "");
    EXPECT_EQ(OwnVersionValue("", "OriginalFilename"), "TovoEd32.exe");
    EXPECT_EQ(OwnVersionValue("", "FileVersion"), "1.3.4.1");
    EXPECT_EQ(OwnVersionValue("040704E4", "ProductVersion"), "1.3.4.1");
    EXPECT_EQ(OwnVersionValue("", "Comments"), "");
    EXPECT_EQ(OwnVersionValue("", "LegalTrademarks"), "");
    for (const char *name : {"CompanyName", "FileDescription", "InternalName", "LegalCopyright", "ProductName"})
        EXPECT_FALSE(OwnVersionValue("", name).isEmpty()) << name;
    EXPECT_EQ(OwnVersionValue("040904E4", "LegalCopyright"), "") << "the only table is 040704E4";

    TFixedFileInfo info;
    ASSERT_TRUE(ReadFixedVersionInfo(OwnExecutableName(), info));
    EXPECT_EQ(info.Signature, 0xFEEF04BDu);
    EXPECT_EQ(info.FileFlagsMask, 0x3Fu);
    EXPECT_EQ(info.FileFlags, 0u);
    EXPECT_EQ(info.FileOS, 4u);
    EXPECT_EQ(info.FileType, 1u);
    EXPECT_EQ(info.FileSubtype, 0u);

    const quint32 size = GetFileVersionInfoSize(OwnExecutableName());
    QByteArray block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfo(OwnExecutableName(), size, block.data()));
    EXPECT_EQ(Query(block, "\\VarFileInfo\\Translation").bytes, QByteArray("\x07\x04\xE4\x04", 4));
    EXPECT_EQ(size % 4, 0u) << "the root ends on a 4-byte boundary in the Windows layout";
}

} // namespace
