#pragma once
// Version resources in the Windows format (a VS_VERSIONINFO tree): read
// from the resource section of a Windows PE file, or from the ".qversion"
// ELF section that the build attaches to our own executables.
//
// All texts are empty when the item is not available; nothing is raised
// and no message is shown.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace xversion {

// The 52-byte fixed record at the root of the tree (VS_FIXEDFILEINFO).
// In each version pair the high word holds the first two numbers (upper
// 16 bits, lower 16 bits) and the low word the last two.
struct TFixedFileInfo
{
    quint32 Signature = 0;
    quint32 StrucVersion = 0;
    quint32 FileVersionMS = 0;
    quint32 FileVersionLS = 0;
    quint32 ProductVersionMS = 0;
    quint32 ProductVersionLS = 0;
    quint32 FileFlagsMask = 0;
    quint32 FileFlags = 0;
    quint32 FileOS = 0;
    quint32 FileType = 0;
    quint32 FileSubtype = 0;
    quint32 FileDateMS = 0;
    quint32 FileDateLS = 0;
};
static_assert(sizeof(TFixedFileInfo) == 52, "the fixed record has 13 words");

// Version kinds.
constexpr int vkFileVersion = 1;
constexpr int vkProductVersion = 2;

// Used when the caller gives no translation: German (Germany), code page 1252.
inline const char *DefaultTranslation()
{
    return "040704E4";
}

// Longest file name and query path accepted; longer ones give nothing.
constexpr int MaxNameLength = 254;

// "1.3.4.1" for high 0x00010003, low 0x00040001.
QString VersionToText(quint32 high, quint32 low);

bool ReadFixedVersionInfo(const QString &fileName, TFixedFileInfo &info);
// Kind 1: file version, kind 2: product version; other kinds give "".
QString FileVersionText(const QString &fileName, int kind);
// An empty translation means DefaultTranslation().
QString FileVersionValue(const QString &fileName, const QString &translation, const QString &valueName);

// The same for the running program's own executable file.
QString OwnVersionText(int kind);
QString OwnProductVersion();
QString OwnVersionValue(const QString &translation, const QString &valueName);

// The running program's own executable file.
QString OwnExecutableName();

// --- The platform's three version functions, as this program needs them.

// Size of the file's version information in bytes; 0 when it has none or
// the file cannot be read.
quint32 GetFileVersionInfoSize(const QString &fileName);
// Copies the version information into `data` (at most `size` bytes).
bool GetFileVersionInfo(const QString &fileName, quint32 size, void *data);
// Locates the sub-block `subBlock` ("\" for the fixed record,
// "\StringFileInfo\<translation>\<name>", "\VarFileInfo\Translation")
// inside the `blockSize` bytes of `block`. `value` points into the block;
// `length` counts bytes for binary values and UTF-16 characters for texts,
// and never reaches past the end of the node that holds the value.
bool VerQueryValue(const void *block, quint32 blockSize, const QString &subBlock, const void *&value, quint32 &length);

// --- Lower layers, open for the tests.

// The fixed record at the root of a block; false when it is missing or
// shorter than 52 bytes.
bool FixedInfoOfBlock(const void *block, quint32 blockSize, TFixedFileInfo &info);
// A text of the string table in a block, up to its zero; "" when the value
// is missing or its length is 0.
QString ValueOfBlock(const void *block, quint32 blockSize, const QString &translation, const QString &valueName);

// The version resource of an executable image held in memory: a PE file's
// RT_VERSION resource or the contents of an ELF file's ".qversion" section.
// Empty when there is none or the image is malformed.
QByteArray VersionResourceOfImage(const QByteArray &image);

} // namespace xversion
