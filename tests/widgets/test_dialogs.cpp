#include "TestSupport.h"
#include "dialogs/FiltForm.h"
#include "dialogs/OthEdit.h"
#include "platform/AppTitle.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// Answers the one modal dialog of type T a test expects, once its event loop
// runs. It is claimed before the guard against unanswered dialogs sees it;
// an answer that leaves it open fails and closes it instead of hanging.
template <class T> class TExpectModal : public QObject
{
public:
    explicit TExpectModal(std::function<void(T *)> answer) : m_answer(std::move(answer))
    {
        qApp->installEventFilter(this);
    }
    ~TExpectModal() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<T *>(watched);
        if (event->type() != QEvent::Show || !dialog || !dialog->isModal())
            return false;
        ++shown;
        QTimer::singleShot(0, dialog, [this, guarded = QPointer<T>(dialog)] {
            m_answer(guarded.data());
            if (guarded && guarded->isVisible()) {
                ADD_FAILURE() << "left open: " << guarded->windowTitle().toStdString();
                guarded->reject();
            }
        });
        return true;
    }

private:
    std::function<void(T *)> m_answer;
};

QWidget *Focus()
{
    return QApplication::focusWidget();
}

class FilterDialogTest : public ::testing::Test
{
protected:
    void ShowAndFocus()
    {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    QPoint Current() const { return {dialog.FilterGrid->currentRow(), dialog.FilterGrid->currentColumn()}; }
    bool Editing() const { return Focus() && Focus()->parentWidget() == dialog.FilterGrid->viewport(); }
    TFilterSelDlg dialog;
};

} // namespace

TEST_F(FilterDialogTest, TitlesAndOneRowPerFilter)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Filter einstellen"));
    EXPECT_EQ(dialog.OKBtn->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.CancelBtn->text(), QStringLiteral("Abbruch"));
    QTableWidget *grid = dialog.FilterGrid;
    ASSERT_EQ(grid->rowCount(), 23);
    ASSERT_EQ(grid->columnCount(), 2);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Filtername"));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Filter"));
}

TEST_F(FilterDialogTest, TabMovesFromCellToCellWithTheEditorOpen)
{
    ShowAndFocus();
    EXPECT_EQ(Current(), QPoint(0, 0));
    EXPECT_TRUE(Editing());
    for (const QPoint &expected : {QPoint(0, 1), QPoint(1, 0), QPoint(1, 1)}) {
        QTest::keyClick(Focus(), Qt::Key_Tab);
        EXPECT_EQ(Current(), expected);
        EXPECT_TRUE(Editing()) << expected.x() << "," << expected.y();
    }
    QTest::keyClick(Focus(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Current(), QPoint(1, 0));
    // From the last cell round to the first, never out to the buttons.
    dialog.FilterGrid->setCurrentCell(22, 1);
    QTest::keyClick(Focus(), Qt::Key_Tab);
    EXPECT_EQ(Current(), QPoint(0, 0));
    EXPECT_TRUE(Editing());
}

TEST_F(FilterDialogTest, TypedTextCountsAtOnceAndEnterOrEscapeCloses)
{
    dialog.SetFilterText(QStringLiteral("A|*.a|"));
    ShowAndFocus();
    QTest::keyClick(Focus(), Qt::Key_Tab);
    QTest::keyClicks(Focus(), QStringLiteral("*.b"));
    EXPECT_EQ(dialog.GetFilterText(), QStringLiteral("A|*.b|"));
    // The cell is written on every key without moving the editor's cursor.
    QTest::keyClick(Focus(), Qt::Key_Home);
    QTest::keyClicks(Focus(), QStringLiteral("x"));
    QTest::keyClick(Focus(), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetFilterText(), QStringLiteral("A|x*.b|"));

    ShowAndFocus();
    ASSERT_TRUE(Editing());
    QTest::keyClick(Focus(), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(FilterDialogEditTest, OkTakesTheTableAndCancelKeepsTheFilter)
{
    const QString original = QStringLiteral("Text-Dateien (*.TXT)|*.TXT|Rest (*.*)|*.*");
    QString filter = original;
    auto edit = [&filter](std::function<void(TFilterSelDlg *)> answer) {
        TExpectModal<TFilterSelDlg> expect(std::move(answer));
        const bool ok = TFilterSelDlg::Edit(nullptr, filter);
        EXPECT_EQ(expect.shown, 1);
        return ok;
    };
    EXPECT_FALSE(edit([](TFilterSelDlg *d) {
        d->FilterGrid->item(1, 1)->setText(QStringLiteral("*"));
        d->CancelBtn->click();
    }));
    EXPECT_EQ(filter, original);
    EXPECT_TRUE(edit([](TFilterSelDlg *d) {
        EXPECT_EQ(d->FilterGrid->item(1, 0)->text(), QStringLiteral("Rest (*.*)"));
        d->OKBtn->click();
    }));
    EXPECT_EQ(filter, original + QLatin1Char('|'));
    EXPECT_TRUE(edit([](TFilterSelDlg *d) {
        d->FilterGrid->item(0, 0)->setText(QString());
        d->FilterGrid->item(0, 1)->setText(QString());
        d->FilterGrid->item(5, 0)->setText(QStringLiteral("Alle"));
        d->OKBtn->click();
    }));
    EXPECT_EQ(filter, QStringLiteral("Rest (*.*)|*.*|Alle||"));
}

namespace {

class OtherEditorTest : public ::testing::Test
{
protected:
    QString Program(const QString &name)
    {
        const QString path = dir.filePath(name);
        WriteBytes(path, "#!/bin/sh\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        return path;
    }
    // Browses, answering the file dialog with `chosen` (cancel when empty);
    // the dialog as it was shown.
    QStringList Browse(const QString &chosen)
    {
        QStringList seen;
        TExpectModal<QFileDialog> expect([&](QFileDialog *files) {
            seen << files->windowTitle() << files->nameFilters().join(QLatin1Char(';')) << files->selectedNameFilter()
                 << files->directory().absolutePath()
                 << QString::number(files->testOption(QFileDialog::DontUseNativeDialog));
            if (chosen.isEmpty()) {
                files->reject();
                return;
            }
            files->selectFile(chosen);
            static_cast<QDialog *>(files)->accept();
        });
        form.SearchBtn->click();
        EXPECT_EQ(expect.shown, 1);
        return seen;
    }
    QTemporaryDir dir;
    TOtherEditorForm form;
};

} // namespace

TEST_F(OtherEditorTest, Captions)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Anderer Editor"));
    EXPECT_EQ(form.OKBtn->text(), QStringLiteral("OK"));
    EXPECT_EQ(form.CancelBtn->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(form.SearchBtn->text(), QStringLiteral("Durchsuchen..."));
}

TEST_F(OtherEditorTest, BrowseStartsAtTheProgramAndTakesItsFullPath)
{
    ASSERT_TRUE(dir.isValid());
    const QString gedit = Program(QStringLiteral("gedit"));
    form.FileNameEdit->setText(gedit);
    // Under "*.exe" the current program would not be visible.
    EXPECT_EQ(Browse(gedit), QStringList({QStringLiteral("Anderen Editor auswählen"),
                                          QStringLiteral("Anwendung (*.exe);Programme (*)"),
                                          QStringLiteral("Programme (*)"), dir.path(), QStringLiteral("1")}));
    EXPECT_EQ(form.FileNameEdit->text(), gedit);

    // ".exe" completes a name only where that finds a file, in any case.
    const QString write = Program(QStringLiteral("Write.Exe"));
    form.FileNameEdit->setText(write);
    EXPECT_EQ(Browse(dir.filePath(QStringLiteral("Write"))).value(2), QStringLiteral("Anwendung (*.exe)"));
    EXPECT_EQ(form.FileNameEdit->text(), write);
    Browse(dir.filePath(QStringLiteral("vi")));
    EXPECT_EQ(form.FileNameEdit->text(), dir.filePath(QStringLiteral("vi")));

    // A bare name starts where the search path finds it, not in the folder
    // the last browse left; cancel keeps the name.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("bin")));
    Program(QStringLiteral("bin/quillon-test-editor"));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.filePath(QStringLiteral("bin")).toLocal8Bit() + ':' + path);
    form.FileNameEdit->setText(QStringLiteral("quillon-test-editor"));
    const QStringList seen = Browse(QString());
    qputenv("PATH", path);
    EXPECT_EQ(seen.value(3), dir.filePath(QStringLiteral("bin")));
    EXPECT_EQ(form.FileNameEdit->text(), QStringLiteral("quillon-test-editor"));
}

TEST_F(OtherEditorTest, OkTakesTheTextAsTypedAndCancelKeepsTheCommand)
{
    QString command = QStringLiteral("Write.Exe");
    auto edit = [&command](std::function<void(TOtherEditorForm *)> answer) {
        TExpectModal<TOtherEditorForm> expect(std::move(answer));
        const bool ok = TOtherEditorForm::Edit(nullptr, command);
        EXPECT_EQ(expect.shown, 1);
        return ok;
    };
    EXPECT_FALSE(edit([](TOtherEditorForm *d) {
        EXPECT_EQ(d->FileNameEdit->text(), QStringLiteral("Write.Exe"));
        d->FileNameEdit->setText(QStringLiteral("gedit"));
        d->CancelBtn->click();
    }));
    EXPECT_EQ(command, QStringLiteral("Write.Exe"));
    // The preset starts selected, so typing replaces it; blanks are kept.
    EXPECT_TRUE(edit([](TOtherEditorForm *d) {
        QTest::keyClicks(d->FileNameEdit, QStringLiteral(" kate --new "));
        d->OKBtn->click();
    }));
    EXPECT_EQ(command, QStringLiteral(" kate --new "));
}

TEST(MessageBoxTest, NamesAndValuesAreShownAsPlainText)
{
    const QString name = QStringLiteral("<h1><font color=red>Datei gespeichert</font></h1>"
                                        "<a href=https:example.org>Hier klicken</a>[*].txt");
    QStringList seen;
    TExpectModal<QMessageBox> answer([&](QMessageBox *box) {
        seen << QStringLiteral("%1|%2|%3")
                    .arg(box->textFormat() == Qt::PlainText ? "plain" : "markup", box->windowHandle()->title(),
                         box->text());
        box->done(0);
    });
    dialogs::ShowMessage(nullptr, name, QStringLiteral("Datei ") + name, dialogs::TKind::Error);
    dialogs::AskYesNoCancel(nullptr, name, name, dialogs::TKind::Warning);
    apptitle::SetTitle(name + QStringLiteral(" : Quillon 32"));
    errordisplay::Show(name);
    apptitle::SetTitle(QStringLiteral("Quillon 32"));
    EXPECT_EQ(seen, QStringList({"plain|" + name + "|Datei " + name, "plain|" + name + "|" + name,
                                 "plain|" + name + " : Quillon 32|" + name}));
}
