// The replace-all record applied forwards and back on a plain buffer, in
// pieces of many sizes: the edits must always land where the text then is.
#include "editor/core/ReplaceRecord.h"

#include <gtest/gtest.h>
#include <random>

namespace {

struct TBuffer
{
    QByteArray text;
    int edits = 0;
    TReplaceRecord::TRead Read()
    {
        return [this](qint64 from, qint64 length) {
            EXPECT_LE(from + length, text.size());
            return text.constData() + from;
        };
    }
    TReplaceRecord::TEdit Edit()
    {
        return [this](qint64 from, qint64 to, const char *bytes, qint64 length) {
            ++edits;
            text.replace(from, to - from, QByteArray(bytes, length));
        };
    }
};

QByteArray Naive(const QByteArray &text, const std::vector<qint64> &positions, qint64 m, const QByteArray &by)
{
    QByteArray out;
    qint64 copied = 0;
    for (qint64 p : positions) {
        out += text.mid(copied, p - copied) + by;
        copied = p + m;
    }
    return out + text.mid(copied);
}

} // namespace

TEST(ReplaceRecord, ForwardAndBackInAnyPieceSize)
{
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const qint64 m = 1 + random() % 3;
        QByteArray text;
        std::vector<qint64> positions;
        QByteArray originals;
        const int pieces = 1 + random() % 12;
        for (int i = 0; i < pieces; ++i) {
            // Gaps from none to wider than any piece is copied over.
            const int gap = (random() % 4 == 0) ? 5000 + random() % 100 : random() % 6;
            text += QByteArray(gap, char('a' + random() % 3));
            positions.push_back(text.size());
            for (qint64 j = 0; j < m; ++j)
                originals += char('K' + random() % 3);
            text += originals.right(m);
        }
        text += "end";
        const QByteArray replacement = QByteArray("xyzw").left(int(random() % 5));
        const qint64 piece = 1 + random() % 40;
        const TReplaceRecord record(positions, originals, m, replacement);
        const QByteArray after = Naive(text, positions, m, replacement);
        ASSERT_EQ(record.Growth(), after.size() - text.size());
        ASSERT_EQ(record.EndAfter(), positions.back() + m + record.Growth());

        TBuffer buffer{text};
        record.Apply(true, buffer.Read(), buffer.Edit(), piece);
        ASSERT_EQ(buffer.text, after) << "round " << round << " piece " << piece;
        record.Apply(false, buffer.Read(), buffer.Edit(), piece);
        ASSERT_EQ(buffer.text, text) << "round " << round << " piece " << piece;
    }
}

TEST(ReplaceRecord, DenseOccurrencesGoInFewPiecesWideGapsStay)
{
    QByteArray text;
    std::vector<qint64> positions;
    for (int i = 0; i < 1000; ++i) {
        positions.push_back(text.size());
        text += "o--";
    }
    text += QByteArray(100000, '-'); // far more than is worth copying
    positions.push_back(text.size());
    text += "o";
    const TReplaceRecord record(positions, QByteArray(qsizetype(positions.size()), 'o'), 1, "00");
    TBuffer buffer{text};
    record.Apply(true, buffer.Read(), buffer.Edit(), 1 << 20);
    EXPECT_EQ(buffer.edits, 2) << "one piece for the dense part, one for the far occurrence";
    EXPECT_EQ(buffer.text.size(), text.size() + 1001);
    EXPECT_TRUE(buffer.text.endsWith(QByteArray(100000, '-') + "00"));
}
