// libFuzzer target for the settings file: any bytes as the file, then reads,
// one write, and the promises a write makes checked on the result.
//
// Input layout (chosen so that a plain INI file is a useful seed): the last
// four bytes pick a mode and three lengths; the bytes before them end with
// the section, key and value to write; everything in front is the file.
#include "app/core/IniFile.h"
#include "platform/core/Cp1252.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

#define CHECK(condition)                                                                                               \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

bool IsBreak(char c)
{
    return c == '\r' || c == '\n';
}

bool IsAscii(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// What a name or value must look like to be read back exactly as written.
QString Clean(QString text, bool isKey)
{
    text.replace(QLatin1Char('\r'), QLatin1Char('_')).replace(QLatin1Char('\n'), QLatin1Char('_'));
    if (isKey)
        text.replace(QLatin1Char('='), QLatin1Char('_'));
    while (!text.isEmpty() && (text.front() == QLatin1Char(' ') || text.front() == QLatin1Char('\t')))
        text.remove(0, 1);
    while (!text.isEmpty() && (text.back() == QLatin1Char(' ') || text.back() == QLatin1Char('\t')))
        text.chop(1);
    if (isKey && (text.startsWith(QLatin1Char(';')) || text.startsWith(QLatin1Char('['))))
        text.prepend(QLatin1Char('k'));
    return text;
}

struct TProbe
{
    const char *section;
    const char *key;
};
const TProbe kProbes[] = {{"Window", "Left"}, {"Font", "Name"}, {"Options", "OtherEditor"}, {"Margin", "Top"}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const auto mode = provider.ConsumeIntegral<uint8_t>();
    const auto sectionLength = provider.ConsumeIntegralInRange<size_t>(0, 15);
    const auto keyLength = provider.ConsumeIntegralInRange<size_t>(0, 15);
    const auto valueLength = provider.ConsumeIntegralInRange<size_t>(0, 63);
    const std::string rest = provider.ConsumeRemainingBytesAsString();
    const size_t namesLength = std::min(rest.size(), sectionLength + keyLength + valueLength);
    const QByteArray file(rest.data(), qsizetype(rest.size() - namesLength));
    const char *names = rest.data() + file.size();
    const size_t s = std::min(sectionLength, namesLength);
    const size_t k = std::min(keyLength, namesLength - s);
    QString section = Clean(QString::fromUtf8(names, qsizetype(s)), false);
    QString key = Clean(QString::fromUtf8(names + s, qsizetype(k)), true);
    const QString value = Clean(QString::fromUtf8(names + s + k, qsizetype(namesLength - s - k)), false);
    if (mode & 1) {
        // Names a seed file holds, so that replacing a key is reached at once.
        const TProbe &probe = kProbes[(mode >> 1) & 3];
        section = QString::fromLatin1(probe.section);
        key = QString::fromLatin1(probe.key);
        if (mode & 8)
            key = key.toUpper();
    }

    TIniFile ini(QString{});
    ini.LoadFromBytes(file);
    CHECK(ini.Bytes() == file);
    const TIniFile::TEncoding encoding = ini.Encoding();

    std::optional<QString> before[std::size(kProbes)];
    for (size_t i = 0; i < std::size(kProbes); ++i) {
        const TProbe &probe = kProbes[i];
        before[i] = ini.ReadValue(probe.section, probe.key);
        if (before[i]) {
            CHECK(before[i]->size() <= TIniFile::kMaxValueLength);
            const std::optional<qint32> number = ini.ReadInteger(probe.section, probe.key);
            CHECK(number == TIniFile::ParseInteger(*before[i]));
            CHECK(ini.ReadBool(probe.section, probe.key, false) == (number && *number != 0));
        }
    }
    const std::optional<qint32> parsed = TIniFile::ParseInteger(value);
    if (parsed) {
        // Whatever parses reads back from its decimal form.
        CHECK(TIniFile::ParseInteger(QString::number(*parsed)) == parsed);
    }
    const qint32 number = qint32(quint32(size) * 2654435761u);
    CHECK(TIniFile::ParseInteger(QString::number(number)) == number);
    CHECK(TIniFile::ParseInteger(QStringLiteral("$") + QString::number(quint32(number), 16)) == number);

    QByteArray unused;
    const bool representable = encoding == TIniFile::TEncoding::Utf8
                               || (cp1252::TryFromQString(section, unused) && cp1252::TryFromQString(key, unused)
                                   && cp1252::TryFromQString(value, unused));

    ini.WriteString(section, key, value);
    const QByteArray written = ini.Bytes();
    if (representable)
        CHECK(ini.ReadString(section, key, QStringLiteral("<missing>")) == value);

    // Every line but the one written keeps its bytes: what differs between
    // the two contents lies within one line of the old one.
    qsizetype prefix = 0;
    while (prefix < file.size() && prefix < written.size() && file.at(prefix) == written.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    const qsizetype limit = std::min(file.size(), written.size()) - prefix;
    while (suffix < limit && file.at(file.size() - 1 - suffix) == written.at(written.size() - 1 - suffix))
        ++suffix;
    for (qsizetype i = prefix; i < file.size() - suffix; ++i)
        CHECK(!IsBreak(file.at(i)));

    // Writing the same again changes nothing.
    ini.WriteString(section, key, value);
    CHECK(ini.Bytes() == written);

    // Read back from the bytes alone.
    TIniFile again(QString{});
    again.LoadFromBytes(written);
    if (encoding == TIniFile::TEncoding::Utf8)
        CHECK(again.Encoding() == TIniFile::TEncoding::Utf8);
    // A Windows-1252 file whose only invalid UTF-8 was in the replaced line
    // reads as UTF-8 afterwards; then only ASCII is sure to read the same.
    const bool sameEncoding = again.Encoding() == encoding;
    if (representable && (sameEncoding || (IsAscii(section) && IsAscii(key) && IsAscii(value))))
        CHECK(again.ReadString(section, key, QStringLiteral("<missing>")) == value);
    if (sameEncoding) {
        for (size_t i = 0; i < std::size(kProbes); ++i) {
            const TProbe &probe = kProbes[i];
            if (QString::compare(section, QLatin1String(probe.section), Qt::CaseInsensitive) == 0
                && QString::compare(key, QLatin1String(probe.key), Qt::CaseInsensitive) == 0)
                continue;
            CHECK(again.ReadValue(probe.section, probe.key) == before[i]);
        }
    }
    return 0;
}
