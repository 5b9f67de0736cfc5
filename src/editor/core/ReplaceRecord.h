#pragma once
// What a replace-all changed, kept small enough that undo and redo of a
// million replacements cost a few bytes each: the positions of the replaced
// occurrences in the text before, their bytes, and the one replacement.
// Keeping the whole old and new text instead (as a text control's own undo
// does) would take twice the file's size.
#include <QByteArray>
#include <QtGlobal>
#include <functional>
#include <vector>

class TReplaceRecord
{
public:
    // `positions` ascending and `m` bytes apart at least; `originals` holds
    // the m bytes that stand at each position, in the same order.
    TReplaceRecord(std::vector<qint64> positions, QByteArray originals, qint64 m, QByteArray replacement);

    qint64 Count() const { return qint64(m_positions.size()); }
    // Text length after the replacements minus the length before.
    qint64 Growth() const { return Count() * (m_replacement.size() - m_m); }
    // First byte the replacements touch; the end of the last replacement
    // in the text after.
    qint64 First() const { return m_positions.empty() ? 0 : m_positions.front(); }
    qint64 EndAfter() const { return m_positions.empty() ? 0 : m_positions.back() + m_m + Growth(); }

    // Reads `length` bytes of the current text at `from`.
    using TRead = std::function<const char *(qint64 from, qint64 length)>;
    // Replaces the current bytes [from, to) by `length` bytes at `bytes`.
    using TEdit = std::function<void(qint64 from, qint64 to, const char *bytes, qint64 length)>;

    // Turns the text before into the text after (`forward`) or back, as
    // edits in ascending order of pieces of at most about `piece` bytes;
    // each edit's positions hold for the text as the earlier edits left it.
    // The one buffer the pieces need is allocated before the first edit, so
    // running out of memory leaves the text untouched.
    void Apply(bool forward, const TRead &read, const TEdit &edit, qint64 piece = 1 << 20) const;

private:
    std::vector<qint64> m_positions;
    QByteArray m_originals;
    qint64 m_m;
    QByteArray m_replacement;
};
