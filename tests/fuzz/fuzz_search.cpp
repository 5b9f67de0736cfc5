// libFuzzer target for the buffer search and replace all.
// Input: [options] [selection start] [selection length] [pattern length]
// [replacement length] pattern replacement text.
// The search must agree with a byte-by-byte walk through the positions, and
// replace all with replacing one match at a time. With option bit 32 the text
// and the pattern are made valid UTF-8 and searched as UTF-8, against a walk
// through the characters.
#include "editor/core/Search.h"

#include "platform/core/Cp1252.h"
#include "../support/SearchReference.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using searchreference::NaiveReplaceAll;
using searchreference::ReplaceAll;
using searchreference::TReplaceAllResult;
using searchreference::TNaive;
using searchreference::TNaiveUtf8;

[[noreturn]] void Fail(const char *what, long long got, long long expected)
{
    std::fprintf(stderr, "%s: got %lld, expected %lld\n", what, got, expected);
    std::abort();
}

void Check(bool ok, const char *what, long long got, long long expected)
{
    if (!ok)
        Fail(what, got, expected);
}

void CheckSearch(const QByteArray &text, qint64 s, qint64 l, const QByteArray &pattern, TFindOptions o)
{
    const TSearchResult r = SearchBuffer(text.constData(), text.size(), s, l, pattern, o);
    const qint64 expected = TNaive(text, pattern, o).Search(s, l);
    Check(r.position == expected, "SearchBuffer position", r.position, expected);
    Check(r.length == (expected >= 0 ? pattern.size() : 0), "SearchBuffer length", r.length, pattern.size());
}

void CheckReplaceAll(const QByteArray &text, qint64 s, qint64 l, const QByteArray &pattern,
                     const QByteArray &replacement, TFindOptions o)
{
    const TReplaceAllResult r = ReplaceAll(text.constData(), text.size(), s, l, pattern, replacement, o);
    const qint64 m = pattern.size();
    if (r.count == 0) {
        Check(r.from == 0 && r.to == 0 && r.replacement.isEmpty(), "nothing replaced: range", r.from, r.to);
        Check(r.selStart == s && r.selLength == l, "nothing replaced: selection", r.selStart, s);
    } else {
        Check(0 <= r.from && r.from + m <= r.to && r.to <= text.size(), "changed range", r.from, r.to);
        Check(r.replacement.size() == (r.to - r.from) + r.count * (replacement.size() - m), "replacement size",
              r.replacement.size(), r.count);
        Check(r.replacement.startsWith(replacement) && r.replacement.endsWith(replacement),
              "range starts and ends with a replacement", r.from, r.to);
        Check(r.selLength == 0, "selection length", r.selLength, 0);
    }

    // One replacement at a time: downwards the caret goes behind it,
    // upwards in front of it. Kept to small texts, being quadratic.
    if (text.size() > 1024)
        return;
    QByteArray expected = text;
    qint64 count = 0, selStart = s, selLength = l;
    TSearchResult hit = SearchBuffer(expected.constData(), expected.size(), s, l, pattern, o);
    while (hit.Found()) {
        expected.replace(hit.position, m, replacement);
        ++count;
        selStart = HasFindOption(o, frDown) ? hit.position + replacement.size() : hit.position;
        selLength = 0;
        hit = SearchBuffer(expected.constData(), expected.size(), selStart, 0, pattern, o);
    }
    Check(r.count == count, "count", r.count, count);
    const QByteArray applied = text.left(r.from) + r.replacement + text.mid(r.to);
    Check(applied == expected, "replaced text", applied.size(), expected.size());
    Check(r.selStart == selStart && r.selLength == selLength, "final selection", r.selStart, selStart);
}

void CheckUtf8(const QByteArray &text, qint64 s, qint64 l, const QByteArray &pattern, const QByteArray &replacement,
               TFindOptions o)
{
    const auto utf8 = encoding::TEncoding::Utf8;
    for (TFindOptions options : {o, TFindOptions(o ^ FindOptionBit(frDown))}) {
        const TSearchResult r = SearchBuffer(text.constData(), text.size(), s, l, pattern, options, utf8);
        const qint64 expected = TNaiveUtf8(text, pattern, options).Search(s, l);
        Check(r.position == expected, "UTF-8 SearchBuffer position", r.position, expected);
    }
    if (text.size() > 1024)
        return;
    QByteArray expectedText = text;
    const TReplaceAllResult expected = NaiveReplaceAll<TNaiveUtf8>(expectedText, s, l, pattern, replacement, o);
    const TReplaceAllResult r = ReplaceAll(text.constData(), text.size(), s, l, pattern, replacement, o, utf8);
    Check(r.count == expected.count, "UTF-8 count", r.count, expected.count);
    const QByteArray applied = text.left(r.from) + r.replacement + text.mid(r.to);
    Check(applied == expectedText, "UTF-8 replaced text", applied.size(), expectedText.size());
    Check(r.selStart == expected.selStart, "UTF-8 final selection", r.selStart, expected.selStart);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    const uint8_t optionByte = data[0];
    TFindOptions options = 0;
    if (optionByte & 1)
        options |= FindOptionBit(frDown);
    if (optionByte & 2)
        options |= FindOptionBit(frMatchCase);
    if (optionByte & 4)
        options |= FindOptionBit(frWholeWord);
    if (optionByte & 8) // bits the search must ignore
        options |= FindOptionBit(frReplaceAll) | FindOptionBit(frFindNext);
    const uint8_t startByte = data[1], lengthByte = data[2];
    size_t patternLength = data[3], replacementLength = data[4] % 8;
    data += 5;
    size -= 5;
    patternLength = std::min(patternLength, size);
    const QByteArray pattern(reinterpret_cast<const char *>(data), qsizetype(patternLength));
    data += patternLength;
    size -= patternLength;
    replacementLength = std::min(replacementLength, size);
    const QByteArray replacement(reinterpret_cast<const char *>(data), qsizetype(replacementLength));
    data += replacementLength;
    size -= replacementLength;
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));

    // Mostly inside the text, now and then just outside it.
    const qint64 n = text.size();
    const qint64 selStart = qint64(startByte % (n + 3)) - 1;
    const qint64 selLength = (optionByte & 16) ? 0 : qint64(lengthByte % (n + 2));

    if (optionByte & 32) {
        const QByteArray validText = QString::fromUtf8(text).toUtf8();
        const QByteArray validPattern = QString::fromUtf8(pattern).toUtf8();
        if (!validPattern.isEmpty())
            CheckUtf8(validText, selStart, selLength, validPattern, QString::fromUtf8(replacement).toUtf8(), options);
        return 0;
    }
    CheckSearch(text, selStart, selLength, pattern, options);
    CheckSearch(text, selStart, selLength, pattern, options ^ FindOptionBit(frDown));
    CheckReplaceAll(text, selStart, selLength, pattern, replacement, options);
    return 0;
}
