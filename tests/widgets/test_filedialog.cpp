#include "TestSupport.h"
#include "platform/core/FileFilter.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QTest>
#include <gtest/gtest.h>

using namespace testsupport;

TEST(FileFilter, StoredPairsBecomeQtNameFilters)
{
    EXPECT_EQ(filefilter::ToNameFilters(QStringLiteral("Textdateien (*.TXT)|*.TXT|Alle Dateien(*.*)|*.*")),
              (QStringList{"Textdateien (*.TXT)", "Alle Dateien (*)"}));
    EXPECT_EQ(filefilter::ToNameFilters(QStringLiteral("Quellen|*.c;*.h|")), QStringList{"Quellen (*.c *.h)"});
    EXPECT_EQ(filefilter::ExtensionPattern(QStringLiteral("/a.b/brief.txt")), QStringLiteral("*.txt"));
    EXPECT_EQ(filefilter::ExtensionPattern(QStringLiteral("/a.b/brief")), QStringLiteral("*"));
}

// Patterns from the settings are written for Windows, where "*.TXT" also
// means brief.txt; the file dialogs must match them the same way.
TEST(FileFilter, TheDialogsMatchPatternsWithoutRegardToCase)
{
    QTemporaryDir dir;
    WriteBytes(dir.filePath("brief.txt"), "x");
    WriteBytes(dir.filePath("BRIEF2.TXT"), "x");
    WriteBytes(dir.filePath("bild.png"), "x");
    QFileDialog dialog(nullptr, QStringLiteral("Test"), dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(filefilter::ToNameFilters(QStringLiteral("Textdateien (*.TXT)|*.TXT")));
    auto *model = dialog.findChild<QFileSystemModel *>();
    ASSERT_NE(model, nullptr);
    const QModelIndex root = model->index(dir.path());
    QTRY_VERIFY_WITH_TIMEOUT(model->rowCount(root) > 0, 5000);
    QTest::qWait(200);
    QStringList shown;
    for (int row = 0; row < model->rowCount(root); ++row) {
        const QModelIndex index = model->index(row, 0, root);
        if (model->flags(index) & Qt::ItemIsEnabled)
            shown << index.data().toString();
    }
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"BRIEF2.TXT", "brief.txt"}));
}
