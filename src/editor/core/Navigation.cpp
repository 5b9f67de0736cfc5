#include "editor/core/Navigation.h"

#include "editor/core/Search.h"
#include "platform/core/Utf8.h"

#include <QByteArray>
#include <algorithm>

namespace navigation {

namespace {

const QByteArray kSpace(" ");
const QByteArray kTab("\t");

// Bytes of the character at `p`: a valid sequence, or one byte that starts none.
qint64 CharacterBytes(const char *p, const char *end)
{
    char32_t c;
    const int n = utf8::Decode(reinterpret_cast<const utf8::Byte *>(p), reinterpret_cast<const utf8::Byte *>(end), c);
    return n > 0 ? n : 1;
}

// The position `count` characters on from `from`, never beyond `end`.
qint64 Advance(const char *text, qint64 from, qint64 end, qint64 count)
{
    qint64 p = from;
    for (; count > 0 && p < end; --count)
        p += CharacterBytes(text + p, text + end);
    return std::min(p, end);
}

// Characters in [from, to).
qint64 Characters(const char *text, qint64 from, qint64 to)
{
    qint64 count = 0;
    for (qint64 p = from; p < to; ++count) {
        // ASCII runs are most of any text: no decoding for them.
        if (static_cast<unsigned char>(text[p]) < 0x80)
            ++p;
        else
            p += CharacterBytes(text + p, text + to);
    }
    return count;
}

qint64 Utf8LineCaret(const char *text, qint64 length, qint64 column, qint64 start, qint64 next)
{
    if (start < 0)
        return length;
    // The line's text, and its length in columns: one more for its break.
    qint64 textEnd = length;
    qint64 breakColumns = 0;
    if (next >= 0) {
        textEnd = next - 1;
        if (textEnd > start && text[textEnd - 1] == '\r' && text[textEnd] == '\n')
            --textEnd;
        breakColumns = 1;
    }
    const qint64 lineColumns = Characters(text, start, textEnd) + breakColumns;
    const qint64 target = column < lineColumns ? column - 1 : lineColumns - 1;
    if (target < 0)
        return std::max<qint64>(start - 1, 0);
    return Advance(text, start, textEnd, target);
}

} // namespace

qint64 NextBlank(const char *text, qint64 length, qint64 selStart, qint64 selLength)
{
    const TFindOptions down = FindOptionBit(frDown);
    qint64 p = selStart;
    qint64 spaceFrom = p + selLength;
    for (;;) {
        const TSearchResult space = SearchBuffer(text, length, spaceFrom, 0, kSpace, down);
        const TSearchResult tab = SearchBuffer(text, length, p, 0, kTab, down);
        if (!space.Found() && !tab.Found())
            return p;
        const qint64 found = !space.Found() ? tab.position
                             : !tab.Found() ? space.position
                                            : std::min(space.position, tab.position);
        if (found != p)
            return found;
        spaceFrom = ++p;
    }
}

qint64 PreviousBlank(const char *text, qint64 length, qint64 caret)
{
    const TFindOptions up = 0;
    qint64 p = caret;
    bool first = true;
    for (;;) {
        const TSearchResult space = SearchBuffer(text, length, p, 0, kSpace, up);
        const TSearchResult tab = SearchBuffer(text, length, p, 0, kTab, up);
        if (!space.Found() && !tab.Found())
            return p;
        const qint64 b = std::max(space.position, tab.position);
        if (!first && b != p - 1)
            return p;
        p = b;
        first = false;
    }
}

qint64 LineCaret(const char *text, qint64 length, qint64 column, qint64 start, qint64 next,
                 encoding::TEncoding textEncoding)
{
    if (textEncoding == encoding::TEncoding::Utf8)
        return Utf8LineCaret(text, length, column, start, next);
    qint64 lineLength;
    if (start < 0) {
        start = length;
        lineLength = 1;
    } else if (next < 0) {
        lineLength = length - start;
    } else {
        lineLength = next - start;
        if (lineLength >= 2 && text[next - 2] == '\r' && text[next - 1] == '\n')
            --lineLength;
    }
    const qint64 caret = column < lineLength ? start + column - 1 : start + lineLength - 1;
    return std::max<qint64>(caret, 0);
}

qint64 Column(const char *text, qint64 length, qint64 start, qint64 position, encoding::TEncoding textEncoding)
{
    start = std::clamp<qint64>(start, 0, length);
    position = std::clamp<qint64>(position, start, length);
    if (textEncoding != encoding::TEncoding::Utf8)
        return position - start + 1;
    return Characters(text, start, position) + 1;
}

} // namespace navigation
