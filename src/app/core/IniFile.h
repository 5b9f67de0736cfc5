#pragma once
// The settings file: INI text read and written with the semantics of the
// platform's profile functions (sections and keys without regard to case,
// the value is the text after the first "=", integers in decimal or as
// hexadecimal with 0x or $, strings up to 2047 characters). Writing a key
// keeps every other line of the file as it was; the file is saved like a
// text file, so a failure never leaves it torn without a copy.
#include "platform/core/TextFile.h"

#include <QByteArray>
#include <QString>
#include <optional>

class TIniFile
{
public:
    explicit TIniFile(const QString &fileName);

    const QString &FileName() const { return m_fileName; }
    // Reads the file; a missing or unreadable file reads as empty.
    void Load();
    // Parses `bytes` as the file's content (for tests and fuzzing).
    void LoadFromBytes(const QByteArray &bytes);

    std::optional<QString> ReadValue(const QString &section, const QString &key) const;
    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
    // Text that is not a 32-bit integer counts as missing.
    std::optional<qint32> ReadInteger(const QString &section, const QString &key) const;
    qint32 ReadInteger(const QString &section, const QString &key, qint32 defaultValue) const;
    bool ReadBool(const QString &section, const QString &key, bool defaultValue) const;

    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, qint32 value);
    void WriteBool(const QString &section, const QString &key, bool value);

    // The content as it would be saved.
    QByteArray Bytes() const;
    // Saves the file as textfile::SaveBytes does; false on failure, with the
    // reason in `result` and, rarely, the copy of the old content that stays.
    bool Save(textfile::TSaveResult *result = nullptr, QString *keptCopy = nullptr) const;

    // Text that is an integer the way the profile functions read one.
    static std::optional<qint32> ParseInteger(const QString &text);

    // The encoding the file was read in and is written in: UTF-8 when its
    // bytes are valid UTF-8 (or start with a UTF-8 BOM), else Windows-1252.
    enum class TEncoding { Utf8, Windows1252 };
    TEncoding Encoding() const { return m_encoding; }
    // The file was longer than Load parses; Save then refuses to cut it.
    bool TooLarge() const { return m_tooLarge; }

    // Load parses at most this many bytes, up to the last line break in them.
    static constexpr qsizetype kMaxBytes = qsizetype(16) << 20;
    // ReadValue and the reads built on it return at most this many characters.
    static constexpr qsizetype kMaxValueLength = 2047;

private:
    struct TQuery;
    struct TLine;
    class TLineReader;

    bool Matches(const TQuery &query, qsizetype begin, qsizetype end) const;
    QString Decode(const char *data, qsizetype length) const;
    QByteArray Encode(const QString &text) const;
    void Insert(qsizetype pos, QByteArray text);

    QString m_fileName;
    QByteArray m_bytes; // the file's content, edited in place by the writes
    TEncoding m_encoding = TEncoding::Utf8;
    QByteArray m_eol = QByteArrayLiteral("\r\n"); // for lines this class adds
    bool m_tooLarge = false;
};
