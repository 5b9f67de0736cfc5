// libFuzzer target for the RTF reader (files loaded with PlainText off) and
// the writer: any bytes as a file, and any bytes as a text written and read
// back.
//
// Input: byte 0 picks the mode; the rest is the file, or the text to write.
#include "editor/core/RtfText.h"

#include <QByteArray>
#include <cstdint>
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

// What the writer promises to read back: every CR LF, lone CR and lone LF
// becomes CR LF, all other bytes stay.
QByteArray WithCrLf(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text.at(i + 1) == '\n')
                ++i;
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    if (mode & 1) {
        // A file: with the header prepended now and then, so that most
        // inputs reach the reader proper.
        const QByteArray file = (mode & 2) ? QByteArray("{\\rtf1 ") + bytes : bytes;
        QByteArray text("unchanged");
        const bool read = rtf::ReadRtf(file, text);
        CHECK(read == false || rtf::LooksLikeRtf(file));
        if (!read) {
            CHECK(text == "unchanged");
            return 0;
        }
        // No control word yields more text than it takes to write it, so a
        // small file never loads as a huge text.
        CHECK(text.size() <= file.size());
        // Whatever was read is written and read back as the same text.
        QByteArray again;
        CHECK(rtf::ReadRtf(rtf::WriteRtf(text, "Courier New", 10), again));
        CHECK(again == WithCrLf(text));
        return 0;
    }

    // A text: any bytes, in a font whose name is any bytes too.
    const qsizetype split = bytes.isEmpty() ? 0 : qsizetype(uint8_t(bytes.at(0))) % (bytes.size() + 1);
    const QByteArray font = bytes.left(split).mid(1);
    const QByteArray text = bytes.mid(split);
    const int points = int(int8_t(mode)) * 16;
    const QByteArray written = rtf::WriteRtf(text, font, points);
    CHECK(rtf::LooksLikeRtf(written));
    // Plain ASCII, so the file survives any transport.
    for (const char c : written)
        CHECK((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n');
    QByteArray back;
    CHECK(rtf::ReadRtf(written, back));
    CHECK(back == WithCrLf(text));
    return 0;
}
