#include "about/core/XVersion.h"

#include "about/core/XMemory.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstring>
#include <vector>

namespace xversion {

namespace {

// The root's length field is 16 bits wide: no version resource is larger.
constexpr quint64 MaxResourceSize = 0xFFFF;
constexpr quint64 NodeHeaderSize = 6; // wLength, wValueLength, wType
constexpr char ElfSectionName[] = ".qversion";

// Random access to the bytes of a file or of a buffer. Every read names its
// offset and length and fails as a whole when they do not fit.
class TSource
{
public:
    virtual ~TSource() = default;
    virtual quint64 Size() const = 0;
    virtual bool Read(quint64 offset, void *into, quint64 length) = 0;

    bool Fits(quint64 offset, quint64 length) const { return offset <= Size() && length <= Size() - offset; }
};

class TMemorySource : public TSource
{
public:
    explicit TMemorySource(const QByteArray &bytes) : m_bytes(bytes) { }
    quint64 Size() const override { return quint64(m_bytes.size()); }
    bool Read(quint64 offset, void *into, quint64 length) override
    {
        if (!Fits(offset, length))
            return false;
        if (length > 0)
            std::memcpy(into, m_bytes.constData() + offset, length);
        return true;
    }

private:
    const QByteArray &m_bytes;
};

class TFileSource : public TSource
{
public:
    explicit TFileSource(QFile &file) : m_file(file), m_size(quint64(file.size())) { }
    quint64 Size() const override { return m_size; }
    bool Read(quint64 offset, void *into, quint64 length) override
    {
        if (!Fits(offset, length) || !m_file.seek(qint64(offset)))
            return false;
        return m_file.read(static_cast<char *>(into), qint64(length)) == qint64(length);
    }

private:
    QFile &m_file;
    quint64 m_size;
};

// Integers of a given byte order from the source.
class TReader
{
public:
    TReader(TSource &source, bool bigEndian = false) : m_source(source), m_bigEndian(bigEndian) { }

    TSource &Source() const { return m_source; }

    bool U16(quint64 offset, quint16 &value) { return Unsigned(offset, 2, value); }
    bool U32(quint64 offset, quint32 &value) { return Unsigned(offset, 4, value); }
    bool U64(quint64 offset, quint64 &value) { return Unsigned(offset, 8, value); }

private:
    template <typename T> bool Unsigned(quint64 offset, int width, T &value)
    {
        unsigned char bytes[8];
        if (!m_source.Read(offset, bytes, quint64(width)))
            return false;
        quint64 result = 0;
        for (int i = 0; i < width; ++i) {
            const int index = m_bigEndian ? i : width - 1 - i;
            result = result << 8 | bytes[index];
        }
        value = T(result);
        return true;
    }

    TSource &m_source;
    bool m_bigEndian;
};

// Where the version resource lies in a file.
struct TExtent
{
    quint64 offset = 0;
    quint64 size = 0;
};

// ---- Windows PE: the RT_VERSION entry of the resource directory.

struct TPeSection
{
    quint32 virtualAddress = 0;
    quint32 virtualSize = 0;
    quint32 rawSize = 0;
    quint32 rawOffset = 0;
};

class TPeImage
{
public:
    explicit TPeImage(TSource &source) : m_reader(source) { }

    bool FindVersion(TExtent &extent);

private:
    bool ReadHeaders();
    // File offset of `length` bytes at the relative virtual address, when
    // they lie in one section's raw data (and in the resource directory's
    // range, unless `anywhere`).
    bool RvaToOffset(quint32 rva, quint64 length, quint64 &offset, bool anywhere = false) const;
    bool ReadU32(quint32 rva, quint32 &value);
    bool ReadU16(quint32 rva, quint16 &value);
    // The entry of the directory at `directoryRva` with the ID `wantedId`,
    // else (with `anyOtherwise`) its first entry; `wantDirectory` says
    // whether the entry must lead to a subdirectory or to data.
    bool Entry(quint32 directoryRva, bool wantDirectory, int wantedId, bool anyOtherwise, quint32 &targetRva);

    TReader m_reader;
    std::vector<TPeSection> m_sections;
    quint32 m_resourceRva = 0;
    quint32 m_resourceSize = 0;
};

bool TPeImage::ReadHeaders()
{
    quint16 mz = 0;
    quint32 peOffset = 0;
    if (!m_reader.U16(0, mz) || mz != 0x5A4D || !m_reader.U32(0x3C, peOffset))
        return false;
    quint32 signature = 0;
    quint16 sectionCount = 0, optionalSize = 0, magic = 0;
    if (!m_reader.U32(peOffset, signature) || signature != 0x00004550)
        return false;
    const quint64 coff = quint64(peOffset) + 4;
    if (!m_reader.U16(coff + 2, sectionCount) || !m_reader.U16(coff + 16, optionalSize))
        return false;
    const quint64 optional = coff + 20;
    if (!m_reader.U16(optional, magic))
        return false;
    // PE32 and PE32+ differ in the width of the image base and the stack
    // and heap sizes, which moves the data directories.
    quint64 countAt = 0;
    if (magic == 0x10B)
        countAt = 92;
    else if (magic == 0x20B)
        countAt = 108;
    else
        return false;
    quint32 directoryCount = 0;
    if (!m_reader.U32(optional + countAt, directoryCount))
        return false;
    const quint64 resourceDirectory = countAt + 4 + 2 * 8; // entry 2
    if (directoryCount < 3 || resourceDirectory + 8 > optionalSize)
        return false;
    if (!m_reader.U32(optional + resourceDirectory, m_resourceRva)
        || !m_reader.U32(optional + resourceDirectory + 4, m_resourceSize))
        return false;
    if (m_resourceRva == 0 || m_resourceSize == 0)
        return false;

    // The Windows loader refuses more sections than this; the limit also
    // bounds the work of every address lookup below.
    constexpr quint16 MaxSections = 96;
    const quint64 table = optional + optionalSize;
    if (sectionCount > MaxSections || !m_reader.Source().Fits(table, quint64(sectionCount) * 40))
        return false;
    m_sections.reserve(sectionCount);
    for (quint64 i = 0; i < sectionCount; ++i) {
        TPeSection section;
        const quint64 at = table + i * 40;
        if (!m_reader.U32(at + 8, section.virtualSize) || !m_reader.U32(at + 12, section.virtualAddress)
            || !m_reader.U32(at + 16, section.rawSize) || !m_reader.U32(at + 20, section.rawOffset))
            return false;
        m_sections.push_back(section);
    }
    return true;
}

bool TPeImage::RvaToOffset(quint32 rva, quint64 length, quint64 &offset, bool anywhere) const
{
    // Only what the resource directory claims belongs to the resources.
    if (!anywhere && (rva < m_resourceRva || quint64(rva) + length > quint64(m_resourceRva) + m_resourceSize))
        return false;
    for (const TPeSection &section : m_sections) {
        if (rva < section.virtualAddress)
            continue;
        const quint64 into = quint64(rva) - section.virtualAddress;
        // Bytes past the raw data are zeros in memory but absent from the
        // file, and raw bytes past the virtual size (file alignment) are not
        // loaded at all: neither can hold a resource. Some old linkers leave
        // the virtual size 0.
        const quint32 loaded = section.virtualSize ? qMin(section.virtualSize, section.rawSize) : section.rawSize;
        if (into + length > loaded)
            continue;
        offset = quint64(section.rawOffset) + into;
        return m_reader.Source().Fits(offset, length);
    }
    return false;
}

bool TPeImage::ReadU32(quint32 rva, quint32 &value)
{
    quint64 offset = 0;
    return RvaToOffset(rva, 4, offset) && m_reader.U32(offset, value);
}

bool TPeImage::ReadU16(quint32 rva, quint16 &value)
{
    quint64 offset = 0;
    return RvaToOffset(rva, 2, offset) && m_reader.U16(offset, value);
}

bool TPeImage::Entry(quint32 directoryRva, bool wantDirectory, int wantedId, bool anyOtherwise, quint32 &targetRva)
{
    quint16 named = 0, ids = 0;
    if (quint64(directoryRva) + 16 > 0xFFFFFFFFu || !ReadU16(directoryRva + 12, named)
        || !ReadU16(directoryRva + 14, ids))
        return false;
    // Real files have a few dozen resource types at most; the cap keeps a
    // forged count of 131070 entries from costing a quarter million reads.
    constexpr quint64 MaxEntries = 4096;
    const quint64 count = qMin<quint64>(quint64(named) + ids, MaxEntries);
    bool found = false;
    quint32 chosen = 0;
    for (quint64 i = 0; i < count; ++i) {
        const quint64 at = quint64(directoryRva) + 16 + i * 8;
        if (at + 8 > 0xFFFFFFFFu)
            return false;
        quint32 name = 0, target = 0;
        if (!ReadU32(quint32(at), name) || !ReadU32(quint32(at + 4), target))
            return false;
        const bool isDirectory = (target & 0x80000000u) != 0;
        if (isDirectory != wantDirectory)
            continue;
        const bool isId = (name & 0x80000000u) == 0;
        if (wantedId >= 0 && isId && name == quint32(wantedId)) {
            chosen = target;
            found = true;
            break;
        }
        if (anyOtherwise && !found) {
            chosen = target;
            found = true;
            if (wantedId < 0)
                break;
        }
    }
    if (!found)
        return false;
    // Offsets inside the resource directory are relative to its start.
    const quint64 rva = quint64(m_resourceRva) + (chosen & 0x7FFFFFFFu);
    if (rva > 0xFFFFFFFFu)
        return false;
    targetRva = quint32(rva);
    return true;
}

bool TPeImage::FindVersion(TExtent &extent)
{
    if (!ReadHeaders())
        return false;
    constexpr int RtVersion = 16;
    constexpr int VsVersionInfo = 1;
    // Type, name, language: three fixed levels, so a directory that points
    // back at itself is walked at most three times.
    quint32 names = 0, languages = 0, data = 0;
    if (!Entry(m_resourceRva, true, RtVersion, false, names) || !Entry(names, true, VsVersionInfo, true, languages)
        || !Entry(languages, false, -1, true, data))
        return false;
    quint32 dataRva = 0, dataSize = 0;
    if (!ReadU32(data, dataRva) || !ReadU32(data + 4, dataSize))
        return false;
    const quint64 size = qMin<quint64>(dataSize, MaxResourceSize);
    // The data entry holds a plain relative virtual address, which packers
    // may point outside the resource section.
    quint64 offset = 0;
    if (!RvaToOffset(dataRva, size, offset, true))
        return false;
    extent.offset = offset;
    extent.size = size;
    return true;
}

// ---- ELF: the section of our own name, found by the section headers.

bool FindElfSection(TSource &source, TExtent &extent)
{
    unsigned char ident[16];
    if (!source.Read(0, ident, sizeof ident)
        || std::memcmp(ident,
                       "\x7F"
                       "ELF",
                       4)
               != 0)
        return false;
    const bool wide = ident[4] == 2;
    if ((ident[4] != 1 && !wide) || (ident[5] != 1 && ident[5] != 2))
        return false;
    TReader reader(source, ident[5] == 2);

    quint64 tableOffset = 0;
    quint16 entrySize = 0, count16 = 0, namesIndex16 = 0;
    if (wide) {
        if (!reader.U64(0x28, tableOffset) || !reader.U16(0x3A, entrySize) || !reader.U16(0x3C, count16)
            || !reader.U16(0x3E, namesIndex16))
            return false;
    } else {
        quint32 offset32 = 0;
        if (!reader.U32(0x20, offset32) || !reader.U16(0x2E, entrySize) || !reader.U16(0x30, count16)
            || !reader.U16(0x32, namesIndex16))
            return false;
        tableOffset = offset32;
    }
    const quint64 minimumEntry = wide ? 64 : 40;
    if (tableOffset == 0 || entrySize < minimumEntry)
        return false;

    struct THeader
    {
        quint32 name = 0;
        quint32 type = 0;
        quint64 offset = 0;
        quint64 size = 0;
        quint32 link = 0;
    };
    auto header = [&](quint64 index, THeader &h) {
        const quint64 at = tableOffset + index * entrySize;
        if (!source.Fits(at, entrySize))
            return false;
        if (wide)
            return reader.U32(at, h.name) && reader.U32(at + 4, h.type) && reader.U64(at + 24, h.offset)
                   && reader.U64(at + 32, h.size) && reader.U32(at + 40, h.link);
        quint32 offset32 = 0, size32 = 0;
        if (!reader.U32(at, h.name) || !reader.U32(at + 4, h.type) || !reader.U32(at + 16, offset32)
            || !reader.U32(at + 20, size32) || !reader.U32(at + 24, h.link))
            return false;
        h.offset = offset32;
        h.size = size32;
        return true;
    };

    // More than 0xFF00 sections, or names in a section at such an index:
    // the real numbers stand in the first section header.
    quint64 count = count16;
    quint64 namesIndex = namesIndex16;
    if (count == 0 || namesIndex == 0xFFFF) {
        THeader first;
        if (!header(0, first))
            return false;
        if (count == 0)
            count = first.size;
        if (namesIndex == 0xFFFF)
            namesIndex = first.link;
    }
    // The table must lie in the file: this also bounds the loop below.
    if (count == 0 || count > source.Size() / entrySize || namesIndex >= count
        || !source.Fits(tableOffset, count * entrySize))
        return false;

    THeader names;
    if (!header(namesIndex, names) || !source.Fits(names.offset, names.size))
        return false;
    constexpr quint64 nameLength = sizeof ElfSectionName; // with its zero
    constexpr quint32 SectionNoBits = 8;
    for (quint64 i = 0; i < count; ++i) {
        THeader section;
        if (!header(i, section))
            return false;
        if (section.type == SectionNoBits || section.name >= names.size || names.size - section.name < nameLength)
            continue;
        char name[nameLength];
        if (!source.Read(names.offset + section.name, name, nameLength)
            || std::memcmp(name, ElfSectionName, nameLength) != 0)
            continue;
        if (!source.Fits(section.offset, section.size))
            return false;
        extent.offset = section.offset;
        extent.size = qMin<quint64>(section.size, MaxResourceSize);
        return true;
    }
    return false;
}

// The resource's bytes, cut to the length its root node gives.
QByteArray ReadResource(TSource &source)
{
    TExtent extent;
    TPeImage pe(source);
    if (!pe.FindVersion(extent) && !FindElfSection(source, extent))
        return QByteArray();
    if (extent.size < NodeHeaderSize)
        return QByteArray();
    QByteArray bytes(qsizetype(extent.size), Qt::Uninitialized);
    if (!source.Read(extent.offset, bytes.data(), extent.size))
        return QByteArray();
    const quint16 rootLength = quint16(quint8(bytes[0]) | quint8(bytes[1]) << 8);
    if (rootLength < NodeHeaderSize || rootLength > extent.size)
        return QByteArray();
    bytes.truncate(rootLength);
    return bytes;
}

// Opens regular files only: a FIFO or a device would block or never end.
QByteArray ResourceOfFile(const QString &fileName)
{
    if (fileName.isEmpty() || fileName.size() > MaxNameLength)
        return QByteArray();
    const QFileInfo info(fileName);
    if (!info.isFile())
        return QByteArray();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    TFileSource source(file);
    return ReadResource(source);
}

// ---- The version tree.

quint32 Align4(quint32 offset)
{
    return (offset + 3u) & ~3u;
}

quint16 Word(const unsigned char *data, quint32 at)
{
    return quint16(data[at] | data[at + 1] << 8);
}

struct TNode
{
    quint32 start = 0;
    quint32 end = 0;       // start + wLength
    quint32 keyStart = 0;  // UTF-16 characters
    quint32 keyLength = 0; // in characters, without the zero
    quint32 valueStart = 0;
    quint32 valueBytes = 0;
    bool valueComplete = false; // the claimed value lies inside the node
    bool text = false;
    quint32 childrenStart = 0;
};

// The node at `at`, which must end by `limit`.
bool ParseNode(const unsigned char *data, quint32 limit, quint32 at, TNode &node)
{
    if (at > limit || limit - at < NodeHeaderSize)
        return false;
    const quint32 length = Word(data, at);
    const quint32 valueLength = Word(data, at + 2);
    const quint16 type = Word(data, at + 4);
    if (length < NodeHeaderSize || length > limit - at)
        return false;
    node.start = at;
    node.end = at + length;
    node.text = type == 1;
    node.keyStart = at + NodeHeaderSize;
    quint32 p = node.keyStart;
    while (true) {
        if (node.end - p < 2)
            return false; // the key runs out of its node
        if (Word(data, p) == 0)
            break;
        p += 2;
    }
    node.keyLength = (p - node.keyStart) / 2;
    node.valueStart = qMin(Align4(p + 2), node.end);
    const quint32 room = node.end - node.valueStart;
    // Text values count UTF-16 characters; some resource compilers count
    // bytes instead, so a text claim is cut at the node's end.
    const quint64 claim = node.text ? quint64(valueLength) * 2 : valueLength;
    node.valueComplete = claim <= room;
    node.valueBytes = quint32(qMin<quint64>(claim, room));
    node.childrenStart = qMin(Align4(node.valueStart + node.valueBytes), node.end);
    return true;
}

bool KeyIs(const unsigned char *data, const TNode &node, const QString &name)
{
    if (node.keyLength != quint32(name.size()))
        return false;
    QString key(qsizetype(node.keyLength), Qt::Uninitialized);
    for (quint32 i = 0; i < node.keyLength; ++i)
        key[qsizetype(i)] = QChar(Word(data, node.keyStart + 2 * i));
    return key.compare(name, Qt::CaseInsensitive) == 0;
}

// The node addressed by `subBlock`. The walk only moves forward through
// lengths of at least six bytes and descends once per path component, so
// it ends on every input.
bool FindNode(const void *block, quint32 blockSize, const QString &subBlock, TNode &found)
{
    if (!block || subBlock.size() > MaxNameLength)
        return false;
    const auto *data = static_cast<const unsigned char *>(block);
    TNode node;
    if (!ParseNode(data, blockSize, 0, node))
        return false;
    const QStringList components = subBlock.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString &component : components) {
        bool descended = false;
        quint32 at = node.childrenStart;
        while (at < node.end) {
            TNode child;
            if (!ParseNode(data, node.end, at, child))
                return false;
            if (KeyIs(data, child, component)) {
                node = child;
                descended = true;
                break;
            }
            at = Align4(child.end);
        }
        if (!descended)
            return false;
    }
    found = node;
    return true;
}

} // namespace

QString VersionToText(quint32 high, quint32 low)
{
    return QStringLiteral("%1.%2.%3.%4").arg(high >> 16).arg(high & 0xFFFF).arg(low >> 16).arg(low & 0xFFFF);
}

quint32 GetFileVersionInfoSize(const QString &fileName)
{
    return quint32(ResourceOfFile(fileName).size());
}

bool GetFileVersionInfo(const QString &fileName, quint32 size, void *data)
{
    if (!data || size == 0)
        return false;
    const QByteArray resource = ResourceOfFile(fileName);
    if (resource.isEmpty())
        return false;
    // A buffer smaller than the resource gets its beginning, as on Windows;
    // queries then find only what lies inside it.
    std::memcpy(data, resource.constData(), qMin<quint64>(size, quint64(resource.size())));
    if (size > quint64(resource.size()))
        std::memset(static_cast<char *>(data) + resource.size(), 0, size - quint64(resource.size()));
    return true;
}

bool VerQueryValue(const void *block, quint32 blockSize, const QString &subBlock, const void *&value, quint32 &length)
{
    value = nullptr;
    length = 0;
    TNode node;
    if (!FindNode(block, blockSize, subBlock, node))
        return false;
    // A binary value that claims more than its node holds is not handed
    // out: the caller would copy the claimed length.
    if (!node.text && !node.valueComplete)
        return false;
    value = static_cast<const unsigned char *>(block) + node.valueStart;
    length = node.text ? node.valueBytes / 2 : node.valueBytes;
    return true;
}

QByteArray VersionResourceOfImage(const QByteArray &image)
{
    TMemorySource source(image);
    return ReadResource(source);
}

bool FixedInfoOfBlock(const void *block, quint32 blockSize, TFixedFileInfo &info)
{
    const void *record = nullptr;
    quint32 length = 0;
    // Windows asks only for a length above 0 and copies 52 bytes; a
    // shorter record would be read past its end.
    if (!VerQueryValue(block, blockSize, QStringLiteral("\\"), record, length) || length < sizeof(TFixedFileInfo))
        return false;
    const auto *bytes = static_cast<const unsigned char *>(record);
    quint32 words[13];
    for (int i = 0; i < 13; ++i)
        words[i] = quint32(bytes[4 * i]) | quint32(bytes[4 * i + 1]) << 8 | quint32(bytes[4 * i + 2]) << 16
                   | quint32(bytes[4 * i + 3]) << 24;
    info.Signature = words[0];
    info.StrucVersion = words[1];
    info.FileVersionMS = words[2];
    info.FileVersionLS = words[3];
    info.ProductVersionMS = words[4];
    info.ProductVersionLS = words[5];
    info.FileFlagsMask = words[6];
    info.FileFlags = words[7];
    info.FileOS = words[8];
    info.FileType = words[9];
    info.FileSubtype = words[10];
    info.FileDateMS = words[11];
    info.FileDateLS = words[12];
    return true;
}

QString ValueOfBlock(const void *block, quint32 blockSize, const QString &translation, const QString &valueName)
{
    const QString path = QStringLiteral("\\StringFileInfo\\")
                         + (translation.isEmpty() ? QLatin1String(DefaultTranslation()) : translation)
                         + QLatin1Char('\\') + valueName;
    TNode node;
    if (!FindNode(block, blockSize, path, node) || node.valueBytes < 2)
        return QString();
    // The text ends at its zero or at the end of its node, whichever comes first.
    const auto *data = static_cast<const unsigned char *>(block);
    QString text;
    for (quint32 at = node.valueStart; at + 2 <= node.valueStart + node.valueBytes; at += 2) {
        const quint16 unit = Word(data, at);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

bool ReadFixedVersionInfo(const QString &fileName, TFixedFileInfo &info)
{
    const quint32 size = GetFileVersionInfoSize(fileName);
    xmemory::TSizedBlock block{qint32(size)};
    if (!block.Data() || !GetFileVersionInfo(fileName, size, block.Data()))
        return false;
    return FixedInfoOfBlock(block.Data(), size, info);
}

QString FileVersionText(const QString &fileName, int kind)
{
    TFixedFileInfo info;
    if (!ReadFixedVersionInfo(fileName, info))
        return QString();
    if (kind == vkFileVersion)
        return VersionToText(info.FileVersionMS, info.FileVersionLS);
    if (kind == vkProductVersion)
        return VersionToText(info.ProductVersionMS, info.ProductVersionLS);
    return QString();
}

QString FileVersionValue(const QString &fileName, const QString &translation, const QString &valueName)
{
    const quint32 size = GetFileVersionInfoSize(fileName);
    xmemory::TSizedBlock block{qint32(size)};
    if (!block.Data() || !GetFileVersionInfo(fileName, size, block.Data()))
        return QString();
    return ValueOfBlock(block.Data(), size, translation, valueName);
}

QString OwnExecutableName()
{
    // The running image itself, even when its file has been replaced or
    // moved since the start.
    return QStringLiteral("/proc/self/exe");
}

QString OwnVersionText(int kind)
{
    return FileVersionText(OwnExecutableName(), kind);
}

QString OwnProductVersion()
{
    return OwnVersionText(vkProductVersion);
}

QString OwnVersionValue(const QString &translation, const QString &valueName)
{
    return FileVersionValue(OwnExecutableName(), translation, valueName);
}

} // namespace xversion
