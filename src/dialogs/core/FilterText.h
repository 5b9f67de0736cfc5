#pragma once
// The file-type filter as one string ("Beschreibung|*.ext|...", items each
// followed by "|") and as the rows of the filter table.
#include <QString>
#include <array>

namespace filtertext {

// Entry rows of the table; more pairs than this do not fit and are dropped.
constexpr int RowCount = 23;
constexpr int DescriptionColumn = 0;
constexpr int PatternColumn = 1;

using TTable = std::array<std::array<QString, 2>, RowCount>;

// Items go alternately into the description and the pattern column, row by
// row. The split is purely positional: an item cannot contain a "|".
TTable ToTable(const QString &filter);

// Every non-empty row as description, "|", pattern, "|"; rows with both
// cells empty are left out wherever they are.
QString FromTable(const TTable &table);

} // namespace filtertext
