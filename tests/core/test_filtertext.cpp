#include "dialogs/core/FilterText.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

using filtertext::FromTable;
using filtertext::RowCount;
using filtertext::ToTable;
using filtertext::TTable;

const QString kTwoEntries = QStringLiteral("Text-Dateien (*.TXT)|*.TXT|Rest (*.*)|*.*");

// Rows up to the last filled one as "description=pattern", so a stray item
// anywhere shows up.
QStringList Rows(const TTable &table)
{
    QStringList rows;
    for (const auto &row : table)
        rows << row[0] + QLatin1Char('=') + row[1];
    while (!rows.isEmpty() && rows.last() == QLatin1String("="))
        rows.removeLast();
    return rows;
}

QString Pairs(int count)
{
    QString filter;
    for (int i = 1; i <= count; ++i)
        filter += QStringLiteral("D%1|*.%1|").arg(i);
    return filter;
}

TEST(FilterTextTest, ItemsFillTheCellsInTurnAndEveryEntryGetsItsBar)
{
    const QStringList two = {QStringLiteral("Text-Dateien (*.TXT)=*.TXT"), QStringLiteral("Rest (*.*)=*.*")};
    EXPECT_EQ(Rows(ToTable(kTwoEntries)), two);
    EXPECT_EQ(Rows(ToTable(kTwoEntries + QLatin1Char('|'))), two);
    EXPECT_EQ(FromTable(ToTable(kTwoEntries)), kTwoEntries + QLatin1Char('|'));
    EXPECT_EQ(FromTable(ToTable(kTwoEntries + QLatin1Char('|'))), kTwoEntries + QLatin1Char('|'));
    // Empty items keep their cell; blanks are text.
    EXPECT_EQ(Rows(ToTable(QStringLiteral("|*.a|B|| | "))),
              QStringList({QStringLiteral("=*.a"), QStringLiteral("B="), QStringLiteral(" = ")}));
    EXPECT_TRUE(Rows(ToTable(QString())).isEmpty());
    EXPECT_EQ(FromTable(TTable()), QString());
}

TEST(FilterTextTest, OddCountOrOnlyOneCellStillGivesBothItems)
{
    EXPECT_EQ(Rows(ToTable(QStringLiteral("A|*.a|B"))), QStringList({QStringLiteral("A=*.a"), QStringLiteral("B=")}));
    EXPECT_EQ(FromTable(ToTable(QStringLiteral("A|*.a|B"))), QStringLiteral("A|*.a|B||"));
    TTable table;
    table[0][1] = QStringLiteral("*.a");
    EXPECT_EQ(FromTable(table), QStringLiteral("|*.a|"));
}

TEST(FilterTextTest, BarsAloneAndEmptyRowsGiveNoEntries)
{
    EXPECT_TRUE(Rows(ToTable(QStringLiteral("|"))).isEmpty());
    EXPECT_EQ(FromTable(ToTable(QStringLiteral("||||"))), QString());
    EXPECT_EQ(Rows(ToTable(QStringLiteral("||||X|*.x"))).size(), 3);
    EXPECT_EQ(FromTable(ToTable(QStringLiteral("||||X|*.x"))), QStringLiteral("X|*.x|"));

    TTable table = ToTable(kTwoEntries);
    table[0] = {};
    table[RowCount - 1] = {QStringLiteral("Z"), QStringLiteral("*.z")};
    EXPECT_EQ(FromTable(table), QStringLiteral("Rest (*.*)|*.*|Z|*.z|"));
}

TEST(FilterTextTest, PairsBeyondTwentyThreeAreDropped)
{
    const TTable full = ToTable(Pairs(RowCount));
    EXPECT_EQ(full[RowCount - 1][1], QStringLiteral("*.23"));
    EXPECT_EQ(FromTable(full), Pairs(RowCount));
    EXPECT_EQ(Rows(ToTable(Pairs(RowCount) + QStringLiteral("D24|*.24|D25"))), Rows(full));
    EXPECT_EQ(FromTable(ToTable(Pairs(RowCount) + QStringLiteral("D24"))), Pairs(RowCount));
}

} // namespace
