// libFuzzer target for the splits of user-given strings: the file-dialog
// filter into the filter table and into the dialog's name filters, and the
// other editor's command line into program and arguments. Each against a
// reference built on QString::split.
//
// Input: byte 0 picks the mode; the rest is the text (UTF-8 or Latin-1).
#include "dialogs/core/FilterText.h"
#include "dialogs/core/ProgramCommand.h"
#include "platform/core/FileFilter.h"

#include <QRegularExpression>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

#define CHECK(condition)                                                                                               \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

using filtertext::TTable;

// Items in turn into the cells, row by row; a final "|" ends the last item.
TTable ReferenceTable(const QString &filter)
{
    QStringList items = filter.split(QLatin1Char('|'));
    if (filter.isEmpty() || filter.endsWith(QLatin1Char('|')))
        items.removeLast();
    TTable table;
    for (qsizetype i = 0; i < items.size() && i < 2 * filtertext::RowCount; ++i)
        table[i / 2][i % 2] = items.at(i);
    return table;
}

// The rows that are not empty, moved up.
TTable Compacted(const TTable &table)
{
    TTable out;
    int k = 0;
    for (const auto &row : table) {
        if (!row[0].isEmpty() || !row[1].isEmpty())
            out[k++] = row;
    }
    return out;
}

void CheckFilter(const QString &filter)
{
    const TTable table = filtertext::ToTable(filter);
    CHECK(table == ReferenceTable(filter));
    // Joining and splitting again keeps every row that holds something.
    const QString joined = filtertext::FromTable(table);
    CHECK(filtertext::ToTable(joined) == Compacted(table));
    CHECK(filtertext::FromTable(filtertext::ToTable(joined)) == joined);
    CHECK(joined.isEmpty() || joined.endsWith(QLatin1Char('|')));

    // The name filters for the file dialog: one per pair that holds
    // something, and Qt must read back the patterns we put in the
    // parentheses (it takes the last parenthesised group of characters it
    // allows), so a description never turns into the patterns.
    static const QRegularExpression qtFilter(
        QStringLiteral("^(.*)\\(([a-zA-Z0-9_.,*? +;#\\-\\[\\]@\\{\\}/!<>\\$%&=^~:\\|]*)\\)$"));
    static const QRegularExpression qtAllowed(
        QStringLiteral("^[a-zA-Z0-9_.,*? +;#\\-\\[\\]@\\{\\}/!<>\\$%&=^~:\\|]*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    const QStringList nameFilters = filefilter::ToNameFilters(filter);
    qsizetype k = 0;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QStringList patterns;
        const QString patternText = i + 1 < parts.size() ? parts.at(i + 1) : QString();
        static const QRegularExpression separators(QStringLiteral("[; ]"));
        for (QString p : patternText.split(separators, Qt::SkipEmptyParts)) {
            p = p == QLatin1String("*.*") ? QStringLiteral("*") : p.trimmed();
            if (!p.isEmpty())
                patterns << p;
        }
        if (parts.at(i).trimmed().isEmpty() && patterns.isEmpty())
            continue;
        CHECK(k < nameFilters.size());
        const QString &nameFilter = nameFilters.at(k++);
        const QString expected = patterns.isEmpty() ? QStringLiteral("*") : patterns.join(QLatin1Char(' '));
        // Qt's "." stops at line breaks, and it cannot read patterns with
        // characters outside its set; neither is ours to fix.
        static const QRegularExpression lineBreak(QStringLiteral("[\\x{0}-\\x{1f}\\x{85}\\x{2028}\\x{2029}]"));
        if (!qtAllowed.match(expected).hasMatch() || lineBreak.match(nameFilter).hasMatch())
            continue;
        const QRegularExpressionMatch match = qtFilter.match(nameFilter);
        if (!match.hasMatch() || match.captured(2) != expected) {
            std::fprintf(stderr, "Qt reads \"%s\" from \"%s\", not \"%s\"\n", match.captured(2).toUtf8().constData(),
                         nameFilter.toUtf8().constData(), expected.toUtf8().constData());
            std::abort();
        }
    }
    CHECK(k == nameFilters.size());
}

void CheckCommand(const QString &line)
{
    const programcommand::TCommand command = programcommand::Split(line);
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    QStringList words = line.split(blanks, Qt::SkipEmptyParts);
    const QString program = words.isEmpty() ? QString() : words.takeFirst();
    CHECK(command.program == program);
    CHECK(command.arguments == words);
    for (const QString &word : command.arguments)
        CHECK(!word.isEmpty());
    // What was split joins into a line that splits the same way.
    const QString again = (QStringList{command.program} + command.arguments).join(QLatin1Char(' '));
    const programcommand::TCommand second = programcommand::Split(again);
    CHECK(second.program == command.program && second.arguments == command.arguments);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const auto length = qsizetype(size - 1);
    const QString text = (mode & 1) ? QString::fromUtf8(bytes, length) : QString::fromLatin1(bytes, length);
    if (mode & 2)
        CheckCommand(text);
    else
        CheckFilter(text);
    return 0;
}
