#include "editor/core/Navigation.h"

#include "editor/core/Search.h"

#include <QByteArray>
#include <algorithm>

namespace navigation {

namespace {

const QByteArray kSpace(" ");
const QByteArray kTab("\t");

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

qint64 LineCaret(const char *text, qint64 length, qint64 column, qint64 start, qint64 next)
{
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

} // namespace navigation
