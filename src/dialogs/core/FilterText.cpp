#include "dialogs/core/FilterText.h"

namespace filtertext {

TTable ToTable(const QString &filter)
{
    TTable table;
    int row = 0;
    int column = DescriptionColumn;
    qsizetype start = 0;
    // A trailing "|" ends the last item and starts none, so an item is read
    // only while text remains.
    while (start < filter.size()) {
        const qsizetype bar = filter.indexOf(QLatin1Char('|'), start);
        if (bar < 0) {
            table[row][column] = filter.mid(start);
            break;
        }
        table[row][column] = filter.mid(start, bar - start);
        start = bar + 1;
        if (column == DescriptionColumn) {
            column = PatternColumn;
        } else {
            column = DescriptionColumn;
            if (++row == RowCount)
                break;
        }
    }
    return table;
}

QString FromTable(const TTable &table)
{
    QString filter;
    for (const auto &row : table) {
        const QString &description = row[DescriptionColumn];
        const QString &pattern = row[PatternColumn];
        if (description.isEmpty() && pattern.isEmpty())
            continue;
        filter += description + QLatin1Char('|') + pattern + QLatin1Char('|');
    }
    return filter;
}

} // namespace filtertext
