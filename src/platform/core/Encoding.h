#pragma once
// The two encodings a file can be shown in, and the decision, made once on
// load, which one a file's bytes are in. Strict: a file is UTF-8 only when
// every byte says so, since a wrong guess would show it garbled.
#include <QString>
#include <cstddef>

namespace encoding {

enum class TEncoding { Cp1252, Utf8 };

// "1252" or "UTF-8": the settings value and the status panel's text.
QString Name(TEncoding encoding);

// Reads a settings value written by Name (any case, blanks around it
// ignored); false for anything else, and `out` stays as it was.
bool ParseName(const QString &value, TEncoding &out);

// Decides the encoding of a text given in pieces as it is read; a sequence
// may be split across two pieces. UTF-8 when the whole text is valid UTF-8
// without NUL and holds at least one multi-byte sequence (a byte-order mark
// is one); a text of ASCII alone takes the default; anything else (invalid
// sequences, NUL, a sequence cut off at the end) is Windows-1252.
class TEncodingDetector
{
public:
    void Feed(const char *data, std::size_t length);
    TEncoding Result(TEncoding asciiDefault) const;

private:
    void Scan(const unsigned char *p, const unsigned char *end);
    bool m_invalid = false;
    bool m_multiByte = false;
    unsigned char m_pending[4] = {};
    int m_pendingCount = 0;
};

TEncoding Detect(const char *data, std::size_t length, TEncoding asciiDefault);

// True when the bytes are valid UTF-8 (NUL is, unlike for Detect): the test
// before the same bytes are shown as UTF-8.
bool IsUtf8(const char *data, std::size_t length);

} // namespace encoding
