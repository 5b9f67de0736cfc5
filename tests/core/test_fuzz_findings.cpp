// What fuzzing the command line and the filter split turned up, kept as
// plain cases (the inputs themselves are in the seed corpora too).
#include "app/core/CommandLine.h"
#include "platform/core/FileFilter.h"

#include <gtest/gtest.h>

namespace {

const QString kProgram = QStringLiteral("/usr/bin/quillon");
const QString kBase = QStringLiteral("/home/u/texte");

cmdline::TAction Open(const QString &name)
{
    return {cmdline::TAction::Open, name};
}

} // namespace

// Qt counts a leading ":" as absolute (its resource prefix); a file the user
// named ":notiz.txt" would have opened a built-in resource instead.
TEST(FuzzFindings, ANameStartingWithAColonIsAFileInTheStartFolder)
{
    EXPECT_EQ(cmdline::Absolute(QStringLiteral(":notiz.txt"), kBase), kBase + QStringLiteral("/:notiz.txt"));
    EXPECT_EQ(cmdline::Absolute(QStringLiteral(":/glyphs/NEWFILE"), kBase),
              kBase + QStringLiteral("/:/glyphs/NEWFILE"));
    EXPECT_EQ(cmdline::Absolute(QStringLiteral("/abs/:x"), kBase), QStringLiteral("/abs/:x"));

    const auto none = [](const QString &) { return false; };
    const QStringList arguments{QStringLiteral(":notiz.txt"), QStringLiteral("-P"), QStringLiteral(":druck.txt")};
    const QList<cmdline::TAction> own =
        cmdline::InterpretOwn(cmdline::RawCommandLine(kProgram, arguments), kProgram, arguments, kBase, none);
    EXPECT_EQ(own,
              (QList<cmdline::TAction>{Open(kBase + "/:notiz.txt"), {cmdline::TAction::Print, kBase + "/:druck.txt"}}));
    const QList<cmdline::TAction> handed =
        cmdline::InterpretHandedOver({QStringLiteral(":notiz.txt")}, kProgram, kBase, none);
    EXPECT_EQ(handed, QList<cmdline::TAction>{Open(kBase + "/:notiz.txt")});
}

// A handed-over line that names an existing file made only of quotes
// cleaned to an empty name, which was handed to the editor to open. The
// existing file is opened by its exact name; one that does not exist opens
// nothing.
TEST(FuzzFindings, AHandedOverNameOfQuotesOnlyNeverOpensAnEmptyName)
{
    const QString quotes = QStringLiteral("\"\"\"\"\"\"");
    bool present = true;
    const auto exists = [&](const QString &name) { return present && name == kBase + QLatin1Char('/') + quotes; };
    QList<cmdline::TAction> actions = cmdline::InterpretHandedOver({quotes}, kProgram, kBase, exists);
    EXPECT_EQ(actions, QList<cmdline::TAction>{Open(kBase + QLatin1Char('/') + quotes)});
    present = false;
    actions = cmdline::InterpretHandedOver({quotes}, kProgram, kBase, exists);
    EXPECT_TRUE(actions.isEmpty());
}

// A pattern cell holding only a tab or a no-break space became an empty
// pattern: the dialog showed "Alles ()" and no file at all.
TEST(FuzzFindings, BlankPatternsAreNoPatterns)
{
    EXPECT_EQ(filefilter::ToNameFilters(QStringLiteral("Alles|\u00a0|Text|\t;*.txt; |Leer|\t")),
              (QStringList{"Alles (*)", "Text (*.txt)", "Leer (*)"}));
}
