#include "app/core/IniFile.h"

#include "platform/core/TextFile.h"
#include "platform/core/Cp1252.h"
#include "platform/core/IntText.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <unistd.h>

// Our own, as no Debian library reads by these rules and keeps the file byte for byte (libsimpleini rewrites it).
//
// The content stays one byte array; every read or write scans it once, line
// by line. A settings file has a few dozen keys, and a scan stays linear even
// on the largest content Load accepts, so no index needs keeping in step.

namespace {

const char kBom[] = "\xEF\xBB\xBF";
constexpr qsizetype kBomLength = 3;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool IsBreak(char c)
{
    return c == '\r' || c == '\n';
}

bool IsValidUtf8(const char *data, qsizetype length)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    const auto isTail = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    qsizetype i = 0;
    while (i < length) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        // Overlong forms, surrogates and code points above U+10FFFF are
        // rejected: a Windows-1252 file can hold byte pairs that only look
        // like such sequences.
        if (c >= 0xC2 && c <= 0xDF) {
            if (i + 1 >= length || !isTail(p[i + 1]))
                return false;
            i += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            if (i + 2 >= length || !isTail(p[i + 1]) || !isTail(p[i + 2]))
                return false;
            if ((c == 0xE0 && p[i + 1] < 0xA0) || (c == 0xED && p[i + 1] > 0x9F))
                return false;
            i += 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            if (i + 3 >= length || !isTail(p[i + 1]) || !isTail(p[i + 2]) || !isTail(p[i + 3]))
                return false;
            if ((c == 0xF0 && p[i + 1] < 0x90) || (c == 0xF4 && p[i + 1] > 0x8F))
                return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

// A name or value cannot span lines; a break in one would let a written
// value start a section or key of its own.
QString WithoutBreaks(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return text;
}

QString TrimmedBlanks(const QString &text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && (text.at(b) == QLatin1Char(' ') || text.at(b) == QLatin1Char('\t')))
        ++b;
    while (e > b && (text.at(e - 1) == QLatin1Char(' ') || text.at(e - 1) == QLatin1Char('\t')))
        --e;
    return text.mid(b, e - b);
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

// Case folding that never lets a non-ASCII character stand for an ASCII
// letter (the Kelvin sign is no "k", the long s no "s"), so that names made
// of ASCII can be compared on the bytes alone.
bool SameName(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a.at(i).unicode(), y = b.at(i).unicode();
        if (x == y)
            continue;
        if (x < 0x80 || y < 0x80) {
            if (x >= 0x80 || y >= 0x80 || AsciiLower(char(x)) != AsciiLower(char(y)))
                return false;
            continue;
        }
        if (QChar::toCaseFolded(x) != QChar::toCaseFolded(y))
            return false;
    }
    return true;
}

QByteArray EolBytes(textfile::TEol eol)
{
    switch (eol) {
    case textfile::TEol::Lf: return QByteArrayLiteral("\n");
    case textfile::TEol::Cr: return QByteArrayLiteral("\r");
    case textfile::TEol::Crlf: break;
    }
    return QByteArrayLiteral("\r\n");
}

} // namespace

// A name as the file would hold it: a character the file's encoding lacks
// is compared as the "?" it is written as, so that a written key is found
// again and a second write replaces it instead of adding another line.
struct TIniFile::TQuery
{
    TQuery(const TIniFile &file, const QString &name) : text(AsWritten(file, name))
    {
        isAscii = true;
        for (QChar c : text) {
            if (c.unicode() >= 0x80) {
                isAscii = false;
                break;
            }
        }
        if (isAscii)
            ascii = text.toLatin1();
    }
    static QString AsWritten(const TIniFile &file, const QString &name)
    {
        const QByteArray bytes = file.Encode(WithoutBreaks(name));
        return TrimmedBlanks(file.Decode(bytes.constData(), bytes.size()));
    }

    QString text;
    QByteArray ascii;
    bool isAscii;
};

struct TIniFile::TLine
{
    enum TKind { Blank, Comment, Header, Key, Other };
    qsizetype start = 0, end = 0, next = 0; // text [start, end), line break [end, next)
    TKind kind = Blank;
    qsizetype nameBegin = 0, nameEnd = 0;   // section name or key, blanks trimmed
    qsizetype valueBegin = 0, valueEnd = 0; // a key's value, blanks trimmed
};

// Splits the content into lines at CR LF, LF and lone CR. The next position
// of each break character is remembered, so that a file full of one kind of
// break is not searched to its end for the other at every line.
class TIniFile::TLineReader
{
public:
    TLineReader(const QByteArray &bytes, qsizetype start)
        : m_data(bytes.constData()), m_size(bytes.size()), m_pos(start)
    {
    }

    bool Next(TLine &line)
    {
        if (m_pos >= m_size)
            return false;
        if (m_lf < m_pos)
            m_lf = Find('\n');
        if (m_cr < m_pos)
            m_cr = Find('\r');
        const qsizetype end = std::min(m_lf, m_cr);
        line.start = m_pos;
        line.end = end;
        if (end == m_size)
            line.next = end;
        else if (m_data[end] == '\r' && end + 1 < m_size && m_data[end + 1] == '\n')
            line.next = end + 2;
        else
            line.next = end + 1;
        m_pos = line.next;
        Classify(line);
        return true;
    }

private:
    qsizetype Find(char c) const
    {
        const void *hit = std::memchr(m_data + m_pos, c, std::size_t(m_size - m_pos));
        return hit ? static_cast<const char *>(hit) - m_data : m_size;
    }

    void Trim(qsizetype &begin, qsizetype &end) const
    {
        while (begin < end && IsBlank(m_data[begin]))
            ++begin;
        while (end > begin && IsBlank(m_data[end - 1]))
            --end;
    }

    void Classify(TLine &line) const
    {
        qsizetype b = line.start;
        const qsizetype e = line.end;
        while (b < e && IsBlank(m_data[b]))
            ++b;
        if (b == e) {
            line.kind = TLine::Blank;
        } else if (m_data[b] == ';') {
            line.kind = TLine::Comment;
        } else if (m_data[b] == '[') {
            // The name runs to the last "]", so a name may hold "]" itself;
            // a line that opens a bracket without closing it is no key either.
            qsizetype close = e - 1;
            while (close > b && m_data[close] != ']')
                --close;
            if (close == b) {
                line.kind = TLine::Other;
                return;
            }
            line.kind = TLine::Header;
            line.nameBegin = b + 1;
            line.nameEnd = close;
            Trim(line.nameBegin, line.nameEnd);
        } else {
            const void *eq = std::memchr(m_data + b, '=', std::size_t(e - b));
            if (!eq) {
                line.kind = TLine::Other;
                return;
            }
            const qsizetype at = static_cast<const char *>(eq) - m_data;
            line.kind = TLine::Key;
            line.nameBegin = b;
            line.nameEnd = at;
            line.valueBegin = at + 1;
            line.valueEnd = e;
            Trim(line.nameBegin, line.nameEnd);
            Trim(line.valueBegin, line.valueEnd);
        }
    }

    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos;
    qsizetype m_lf = -1, m_cr = -1;
};

TIniFile::TIniFile(const QString &fileName) : m_fileName(fileName)
{
}

void TIniFile::Load()
{
    QByteArray content;
    QFile file;
    // Only a regular file: reading a FIFO or a device could block or never end.
    const int fd = m_fileName.isEmpty() ? -1 : textfile::OpenRegularForReading(m_fileName);
    if (fd >= 0 && !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        ::close(fd);
    if (file.isOpen()) {
        // One byte more than is parsed tells a file that is too long.
        const qint64 wanted = kMaxBytes + 1;
        content.reserve(qsizetype(std::min<qint64>(std::max<qint64>(file.size(), 0), wanted)));
        char chunk[1 << 16];
        while (content.size() < wanted) {
            const qint64 got = file.read(chunk, std::min<qint64>(sizeof chunk, wanted - content.size()));
            if (got <= 0)
                break;
            content.append(chunk, qsizetype(got));
        }
    }
    LoadFromBytes(content);
}

void TIniFile::LoadFromBytes(const QByteArray &bytes)
{
    m_tooLarge = bytes.size() > kMaxBytes;
    if (m_tooLarge) {
        // Not a settings file (a mistaken -I); what follows the last complete
        // line within the limit counts as absent, and Save refuses to write
        // so the file is not cut short.
        qsizetype cut = kMaxBytes;
        while (cut > 0 && !IsBreak(bytes.at(cut - 1)))
            --cut;
        m_bytes = bytes.left(cut);
    } else {
        m_bytes = bytes;
    }
    const bool bom = m_bytes.startsWith(kBom);
    m_encoding = (bom || IsValidUtf8(m_bytes.constData(), m_bytes.size())) ? TEncoding::Utf8 : TEncoding::Windows1252;
    m_eol = EolBytes(textfile::DominantEol(m_bytes.constData(), std::size_t(m_bytes.size())));
}

QString TIniFile::Decode(const char *data, qsizetype length) const
{
    if (m_encoding == TEncoding::Windows1252)
        return cp1252::ToQString(data, std::size_t(length));
    // QString::fromUtf8 drops a leading U+FEFF, which is part of a name or
    // value here; the file's own BOM is skipped before any line is read.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(data, length));
}

QByteArray TIniFile::Encode(const QString &text) const
{
    // A character Windows-1252 lacks becomes "?", as the old program's
    // conversion would have written it.
    return m_encoding == TEncoding::Utf8 ? text.toUtf8() : cp1252::FromQString(text, '?');
}

bool TIniFile::Matches(const TQuery &query, qsizetype begin, qsizetype end) const
{
    const qsizetype length = end - begin;
    const char *p = m_bytes.constData() + begin;
    if (query.isAscii) {
        // Any byte above 0x7F decodes to a non-ASCII character, which never
        // equals an ASCII one; so the bytes decide without decoding.
        if (length != query.ascii.size())
            return false;
        const char *q = query.ascii.constData();
        for (qsizetype i = 0; i < length; ++i) {
            if (AsciiLower(p[i]) != AsciiLower(q[i]))
                return false;
        }
        return true;
    }
    // Decoding yields at most one UTF-16 unit per byte and needs at most
    // three bytes per unit; a long line is not decoded just to be rejected.
    const qsizetype units = query.text.size();
    if (m_encoding == TEncoding::Utf8 ? (length < units || length > 3 * units) : length != units)
        return false;
    return SameName(Decode(p, length), query.text);
}

std::optional<QString> TIniFile::ReadValue(const QString &section, const QString &key) const
{
    const TQuery wantedSection(*this, section), wantedKey(*this, key);
    TLineReader reader(m_bytes, m_bytes.startsWith(kBom) ? kBomLength : 0);
    TLine line;
    bool inSection = false;
    while (reader.Next(line)) {
        if (line.kind == TLine::Header) {
            // Only the first section of a name counts.
            if (inSection)
                return std::nullopt;
            inSection = Matches(wantedSection, line.nameBegin, line.nameEnd);
        } else if (inSection && line.kind == TLine::Key && Matches(wantedKey, line.nameBegin, line.nameEnd)) {
            // Decode no more than the characters that are returned: three
            // bytes per UTF-16 unit suffice for any UTF-8 text.
            const qsizetype length = line.valueEnd - line.valueBegin;
            const qsizetype enough = m_encoding == TEncoding::Utf8 ? 3 * (kMaxValueLength + 1) : kMaxValueLength;
            QString value = Decode(m_bytes.constData() + line.valueBegin, std::min(length, enough));
            if (value.size() > kMaxValueLength) {
                qsizetype cut = kMaxValueLength;
                // Half a surrogate pair is no character.
                if (value.at(cut - 1).isHighSurrogate())
                    --cut;
                value.truncate(cut);
            }
            return value;
        }
    }
    return std::nullopt;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    return ReadValue(section, key).value_or(defaultValue);
}

std::optional<qint32> TIniFile::ReadInteger(const QString &section, const QString &key) const
{
    const std::optional<QString> value = ReadValue(section, key);
    return value ? ParseInteger(*value) : std::nullopt;
}

qint32 TIniFile::ReadInteger(const QString &section, const QString &key, qint32 defaultValue) const
{
    return ReadInteger(section, key).value_or(defaultValue);
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool defaultValue) const
{
    const std::optional<qint32> value = ReadInteger(section, key);
    return value ? *value != 0 : defaultValue;
}

std::optional<qint32> TIniFile::ParseInteger(const QString &text)
{
    return inttext::StrToInt(text);
}

void TIniFile::Insert(qsizetype pos, QByteArray text)
{
    // Added line breaks must not pair up with a neighbouring lone CR or LF
    // into one CR LF, which would swallow an existing or a new line.
    if (text.startsWith('\n') && pos > 0 && m_bytes.at(pos - 1) == '\r')
        text.prepend('\r');
    if (text.endsWith('\r') && pos < m_bytes.size() && m_bytes.at(pos) == '\n')
        text.append('\n');
    m_bytes.insert(pos, text);
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    const TQuery wantedSection(*this, section), wantedKey(*this, key);
    const QByteArray encodedValue = Encode(WithoutBreaks(value));
    const qsizetype contentStart = m_bytes.startsWith(kBom) ? kBomLength : 0;

    TLineReader reader(m_bytes, contentStart);
    TLine line;
    bool inSection = false, found = false;
    qsizetype insertAt = -1;   // after the first matching section's last key line
    bool lastLineBlank = true; // an empty file needs no separating blank line
    while (reader.Next(line)) {
        lastLineBlank = line.kind == TLine::Blank;
        if (line.kind == TLine::Header) {
            if (inSection)
                break;
            if (!found && Matches(wantedSection, line.nameBegin, line.nameEnd)) {
                inSection = found = true;
                insertAt = line.next;
            }
        } else if (inSection && line.kind == TLine::Key) {
            if (Matches(wantedKey, line.nameBegin, line.nameEnd)) {
                // In place, with the key as the file spells it and the
                // line's own line break.
                const QByteArray text = m_bytes.mid(line.nameBegin, line.nameEnd - line.nameBegin) + '=' + encodedValue;
                m_bytes.replace(line.start, line.end - line.start, text);
                return;
            }
            insertAt = line.next;
        }
    }

    const QByteArray newLine = Encode(wantedKey.text) + '=' + encodedValue + m_eol;
    const bool endsOpen = m_bytes.size() > contentStart && !IsBreak(m_bytes.back());
    if (found) {
        // insertAt is the end of the content only when the file's last line
        // is the header or a key without a line break.
        Insert(insertAt, (insertAt == m_bytes.size() && endsOpen ? m_eol : QByteArray()) + newLine);
        return;
    }
    // A new section goes at the end, set off from the content before it by a
    // blank line unless the file already ends with one.
    QByteArray text;
    if (endsOpen)
        text += m_eol;
    if (!lastLineBlank)
        text += m_eol;
    text += '[' + Encode(wantedSection.text) + ']' + m_eol + newLine;
    Insert(m_bytes.size(), text);
}

void TIniFile::WriteInteger(const QString &section, const QString &key, qint32 value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray TIniFile::Bytes() const
{
    return m_bytes;
}

bool TIniFile::Save(textfile::TSaveResult *result, QString *keptCopy) const
{
    textfile::TSaveResult outcome = textfile::TSaveResult::CannotCreate;
    if (!m_tooLarge && !m_fileName.isEmpty())
        outcome = textfile::SaveBytes(m_fileName, m_bytes.constData(), std::size_t(m_bytes.size()), keptCopy);
    if (result)
        *result = outcome;
    return outcome == textfile::TSaveResult::Ok;
}
