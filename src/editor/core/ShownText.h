#pragma once
// A text with a line too long to lay out on screen is shown with extra line
// breaks that exist only on screen; the file's bytes stay as they were.
// Positions and lines are counted in two ways: in the file's bytes ("real")
// and in the text as shown ("shown", the bytes plus the extra breaks).
#include <QByteArray>
#include <vector>

class TShownText
{
public:
    // Every line longer than `longest` bytes is broken into pieces of at
    // most `piece` bytes, after a blank where the piece's second half has one;
    // in `utf8` text never inside a character.
    TShownText(QByteArray bytes, qint64 longest, qint64 piece, bool utf8 = false);

    const QByteArray &Bytes() const { return m_bytes; }
    // The real positions the extra breaks stand before, in rising order.
    std::vector<qint64> Breaks() const;

    qint64 ShownFromReal(qint64 real) const;
    // A shown position on an extra break is the real position after it.
    qint64 RealFromShown(qint64 shown) const;
    // Extra breaks before real position `real`, and before real line `line`.
    qint64 BreaksUpTo(qint64 real) const;
    qint64 BreaksBeforeLine(qint64 line) const;
    qint64 BreakCount() const { return qint64(m_breaks.size()); }

private:
    struct TBreak
    {
        qint64 real; // the break stands before this byte
        qint64 line; // real line it breaks
    };
    void BreakLine(qint64 start, qint64 end, qint64 line, qint64 piece, bool utf8);

    QByteArray m_bytes;
    std::vector<TBreak> m_breaks;
};
