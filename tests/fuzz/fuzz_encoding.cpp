// libFuzzer target for the encoding detector and the conversions.
// Input: [split] bytes. The detector, fed the bytes whole, in two pieces
// split where the first byte says and byte by byte, must agree with Qt's strict UTF-8 decoder
// (NUL counting against UTF-8), and the conversions must give every byte back.
#include "platform/core/EncodedText.h"
#include "platform/core/Encoding.h"

#include <QByteArray>
#include <QStringDecoder>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using encoding::TEncoding;

void Check(bool ok, const char *what, const QByteArray &bytes)
{
    if (ok)
        return;
    std::fprintf(stderr, "%s: %s\n", what, bytes.toHex().constData());
    std::abort();
}

bool StrictUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const qsizetype split = bytes.isEmpty() ? 0 : data[0] % (bytes.size() + 1);

    const bool valid = StrictUtf8(bytes);
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && uchar(c) < 0x80;
    for (TEncoding asciiDefault : {TEncoding::Cp1252, TEncoding::Utf8}) {
        const TEncoding expected = !valid || bytes.contains('\0') ? TEncoding::Cp1252
                                   : ascii                        ? asciiDefault
                                                                  : TEncoding::Utf8;
        Check(encoding::Detect(bytes.constData(), std::size_t(bytes.size()), asciiDefault) == expected, "whole", bytes);
        encoding::TEncodingDetector detector;
        detector.Feed(bytes.constData(), std::size_t(split));
        detector.Feed(bytes.constData() + split, std::size_t(bytes.size() - split));
        Check(detector.Result(asciiDefault) == expected, "split", bytes);
        // A sequence may run over more than two pieces.
        encoding::TEncodingDetector bytewise;
        for (char c : bytes)
            bytewise.Feed(&c, 1);
        Check(bytewise.Result(asciiDefault) == expected, "byte by byte", bytes);
    }
    Check(encoding::IsUtf8(bytes.constData(), std::size_t(bytes.size())) == valid, "IsUtf8", bytes);

    // Windows-1252 -> UTF-8 -> Windows-1252 gives every byte back.
    const QByteArray utf8 = encodedtext::Cp1252ToUtf8(bytes.constData(), std::size_t(bytes.size()));
    Check(StrictUtf8(utf8), "valid after the rewrite", bytes);
    QByteArray back;
    Check(encodedtext::Utf8ToCp1252(utf8.constData(), std::size_t(utf8.size()), back) && back == bytes, "back to 1252",
          bytes);

    // UTF-8 -> Windows-1252, where it succeeds, comes back the same.
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    QByteArray cp1252;
    encodedtext::TUnholdable missing;
    if (encodedtext::Utf8ToCp1252(bytes.constData(), std::size_t(bytes.size()), cp1252, &missing)) {
        Check(valid, "only valid UTF-8 converts", bytes);
        const QByteArray again = encodedtext::Cp1252ToUtf8(cp1252.constData(), std::size_t(cp1252.size()));
        Check(again == (bom ? bytes.mid(3) : bytes), "back to UTF-8", bytes);
    } else {
        Check(missing.position >= 0 && missing.position < bytes.size() && missing.line >= 1, "the character named",
              bytes);
    }
    return 0;
}
