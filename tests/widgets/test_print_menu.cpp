#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "app/EditMain.h"
#include "editor/MultEdit.h"
#include "platform/AppTitle.h"
#include "print/PageDlg.h"
#include "print/Printer.h"

#include <QAction>
#include <QGroupBox>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

QString PdfText(const QString &pdf, const QStringList &pages = {})
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), pages + QStringList{pdf, QStringLiteral("-")});
    tool.waitForFinished(60000);
    return QString::fromUtf8(tool.readAllStandardOutput()).simplified();
}

int PdfPages(const QString &pdf)
{
    QProcess tool;
    tool.start(QStringLiteral("pdfinfo"), {pdf});
    tool.waitForFinished(60000);
    for (const QString &line : QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

class PrintMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        apptitle::SetTitle(QStringLiteral("Quillon 32"));
        user.WhenNoAnswerLeft = dialogs::TAnswer::No;
        form = new TMainForm;
        form->IniFileName.clear();
        pdf = dir.filePath("out.pdf");
    }
    void TearDown() override
    {
        form->IniFileName.clear();
        form->close();
        delete form;
        ToNoPrinter();
    }
    QString MakeFile(const QString &name, const QByteArray &bytes)
    {
        WriteBytes(dir.filePath(name), bytes);
        return dir.filePath(name);
    }
    void ToPdf()
    {
        QFile::remove(pdf);
        printing::ThePrinter().setOutputFormat(QPrinter::PdfFormat);
        printing::ThePrinter().setOutputFileName(pdf);
    }
    static void ToNoPrinter() { printing::ThePrinter().setOutputFileName(QString()); }
    TXMemo *Memo() const { return form->Editor()->CurrentControl(); }

    QTemporaryDir dir;
    QString pdf;
    // Chooses copies and range in the print dialog and closes it with OK;
    // whether the dialog offered the selection is noted.
    std::function<void(QDialog &)> PrintAnswer(int copies, bool selection)
    {
        return [this, copies, selection](QDialog &dialog) {
            auto &print = dynamic_cast<QPrintDialog &>(dialog);
            offered << print.testOption(QAbstractPrintDialog::PrintSelection);
            print.printer()->setCopyCount(copies);
            print.printer()->setPrintRange(selection ? QPrinter::Selection : QPrinter::AllPages);
            print.done(QDialog::Accepted);
        };
    }

    TScriptedUser user;
    QList<bool> offered;
    QStringList &errors = user.Errors;
    TMainForm *form = nullptr;
};

} // namespace

TEST_F(PrintMenuTest, CopiesAreSeparateJobsUnderTheTabCaption)
{
    MakeFile("brief.txt", "Sehr geehrte Damen und Herren,\r\nZeile zwei");
    ASSERT_TRUE(form->FormShow({"brief.txt"}, dir.path()));
    int jobs = 0;
    QObject::connect(form->Editor(), &TMultiPanel::OnPrintFileClick, [&](QObject *) {
        ++jobs;
        QFile::remove(pdf); // each job writes the whole file anew
    });
    ToPdf();
    user.DialogAnswers << PrintAnswer(2, false);
    form->Item("Drucken1")->trigger();
    EXPECT_EQ(offered, QList<bool>{false});
    EXPECT_EQ(jobs, 2);
    EXPECT_EQ(printing::ThePrinter().docName(), QStringLiteral("brief.txt"));
    EXPECT_EQ(PdfText(pdf), QStringLiteral("Sehr geehrte Damen und Herren, Zeile zwei"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();

    // Cancelled: nothing printed, nothing changed.
    QFile::remove(pdf);
    form->Item("Drucken1")->trigger();
    EXPECT_EQ(jobs, 2);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintMenuTest, TheSelectionChoiceHoldsForTheBarButtonUntilTheNextDialog)
{
    MakeFile("a.txt", "eins\r\nzwei\r\ndrei");
    ASSERT_TRUE(form->FormShow({"a.txt"}, dir.path()));
    Memo()->Select(6, 4);
    ToPdf();
    user.DialogAnswers << PrintAnswer(1, true);
    form->Item("Drucken1")->trigger();
    EXPECT_EQ(offered, QList<bool>{true});
    EXPECT_TRUE(form->Editor()->PrintSelectionOnly);
    EXPECT_EQ(PdfText(pdf), QStringLiteral("zwei"));

    // The print button prints the selection only, whatever it is now.
    Memo()->Select(0, 4);
    QFile::remove(pdf);
    auto *button = form->Editor()->findChild<QToolButton *>(QStringLiteral("PRINTFILE"));
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(PdfText(pdf), QStringLiteral("eins"));

    user.DialogAnswers << PrintAnswer(1, false);
    form->Item("Drucken1")->trigger();
    EXPECT_FALSE(form->Editor()->PrintSelectionOnly);
    EXPECT_EQ(PdfText(pdf), QStringLiteral("eins zwei drei"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();
}

TEST_F(PrintMenuTest, PrintingAtStartUpWithoutAPrinterSaysSoAndGoesOn)
{
    MakeFile("a.txt", "Inhalt");
    MakeFile("b.txt", "Noch eine");
    ToNoPrinter();
    ASSERT_TRUE(form->FormShow({"-p", "a.txt", "b.txt"}, dir.path()));
    EXPECT_EQ(errors, QStringList{QStringLiteral("Kein Drucker installiert.")});
    ASSERT_EQ(form->Editor()->FileCount(), 2);
    EXPECT_EQ(form->Editor()->ControlAt(0)->Text(), QByteArray("Inhalt"));
    EXPECT_EQ(form->Editor()->ControlAt(1)->Text(), QByteArray("Noch eine"));
}

TEST_F(PrintMenuTest, AHandedOverPrintIsTitledWithItsFileName)
{
    MakeFile("a.txt", "A");
    MakeFile("zettel.txt", "Zettel");
    ASSERT_TRUE(form->FormShow({"a.txt"}, dir.path()));
    ToPdf();
    form->ProcessCommandString({QStringLiteral("-P"), QStringLiteral("zettel.txt")}, dir.path());
    // Named as the sender's folder makes it: the full name.
    EXPECT_EQ(printing::ThePrinter().docName(), dir.filePath("zettel.txt"));
    EXPECT_EQ(PdfText(pdf), QStringLiteral("Zettel"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();
}

TEST_F(PrintMenuTest, ThePageDialogEditsThreeMarginsAndKeepsTheRightOne)
{
    MakeFile("a.txt", "A");
    ASSERT_TRUE(form->FormShow({"a.txt"}, dir.path()));
    TMultiEditor *editor = form->Editor();
    editor->LeftMargin = 15;
    editor->TopMargin = 20;
    editor->BottomMargin = -3;
    editor->RightMargin = 77;

    QStringList shown;
    user.DialogAnswers << [&](QDialog &page) {
        auto &dialog = dynamic_cast<TPageConfigDlg &>(page);
        shown << dialog.windowTitle() << dialog.GroupBox1->title();
        for (TSpinEdit *edit : {dialog.LeftEdit, dialog.TopEdit, dialog.BottomEdit, dialog.RightEdit})
            shown << QString::number(edit->Value()) + (edit->isVisibleTo(&dialog) ? "" : " hidden");
        for (QLabel *label : dialog.findChildren<QLabel *>())
            if (label->isVisibleTo(&dialog))
                shown << label->text();
        EXPECT_EQ(dialog.CancelBtn->text(), QStringLiteral("Abbruch"));
        // A lone minus sign is no number: it reads as 0.
        dialog.TopEdit->selectAll();
        QTest::keyClicks(dialog.TopEdit, QStringLiteral("-"));
        dialog.LeftEdit->selectAll();
        QTest::keyClicks(dialog.LeftEdit, QStringLiteral("25x"));
        dialog.BottomEdit->selectAll();
        QTest::keyClick(dialog.BottomEdit, Qt::Key_Up);
        dialog.OKBtn->click();
    };
    form->Item("Seiteeinrichten1")->trigger();
    EXPECT_EQ(shown.mid(0, 6), (QStringList{"Seite zum Drucken einrichten", "Ränder", "15", "20", "-3", "77 hidden"}));
    EXPECT_TRUE(shown.contains("&Links:") && shown.contains("&Oben:") && shown.contains("&Unten:"));
    EXPECT_FALSE(shown.contains("&Rechts:"));
    EXPECT_EQ(editor->LeftMargin, 25);
    EXPECT_EQ(editor->TopMargin, 0);
    EXPECT_EQ(editor->BottomMargin, -2);
    EXPECT_EQ(editor->RightMargin, 77);

    user.DialogAnswers << [](QDialog &page) {
        auto &dialog = dynamic_cast<TPageConfigDlg &>(page);
        dialog.LeftEdit->setValue(99);
        dialog.CancelBtn->click();
    };
    form->Item("Seiteeinrichten1")->trigger();
    EXPECT_EQ(editor->LeftMargin, 25);

    form->Item("Druckereinstellungen1")->trigger();
    EXPECT_EQ(user.DialogsRun, (QStringList{"PageConfigDlg", "PageConfigDlg", "QPageSetupDialog"}));
}

namespace {

// What one look at the preview saw: its caption, its page count and, printed
// through its own paint request, the text of its first page.
struct TPreviewSeen
{
    QString Caption;
    int Pages = -1;
    QString FirstPage;
};

} // namespace

class PrintPreviewTest : public PrintMenuTest
{
protected:
    // Answers the preview: counts its pages, and renders them into
    // `rendered` when that is given.
    std::function<void(QDialog &)> PreviewAnswer(TPreviewSeen &seen, const QString &rendered = QString())
    {
        return [this, &seen, rendered](QDialog &dialog) {
            seen.Caption = dialog.windowTitle();
            auto *preview = dialog.findChild<QPrintPreviewWidget *>();
            ASSERT_NE(preview, nullptr);
            preview->updatePreview();
            seen.Pages = preview->pageCount();
            if (!rendered.isEmpty()) {
                printing::ThePrinter().setOutputFileName(rendered);
                preview->print();
                seen.FirstPage = PdfText(rendered, {"-f", "1", "-l", "1"});
                ToNoPrinter();
            }
        };
    }
    void Preview() { form->Item("Seitenansicht1")->trigger(); }
};

TEST_F(PrintPreviewTest, ShowsThePagesAndMarginsOfAPrint)
{
    QByteArray text;
    for (int line = 1; line <= 150; ++line)
        text += "Zeile " + QByteArray::number(line) + "\r\n";
    MakeFile("lang.txt", text);
    ASSERT_TRUE(form->FormShow({"lang.txt"}, dir.path()));
    form->Editor()->TopMargin = 40;
    form->Editor()->BottomMargin = 30;

    ToPdf();
    user.DialogAnswers << PrintAnswer(1, false);
    form->Item("Drucken1")->trigger();
    const int printed = PdfPages(pdf);
    const QString firstPage = PdfText(pdf, {"-f", "1", "-l", "1"});
    ASSERT_GT(printed, 1);
    ASSERT_TRUE(firstPage.startsWith("Zeile 1 Zeile 2 ")) << firstPage.toStdString();

    // No printer or file is needed to look at the pages.
    ToNoPrinter();
    TPreviewSeen seen;
    user.DialogAnswers << PreviewAnswer(seen, dir.filePath("preview.pdf"));
    Preview();
    EXPECT_EQ(user.DialogsRun.last(), QStringLiteral("Seitenansicht"));
    EXPECT_EQ(seen.Caption, QStringLiteral("Seitenansicht"));
    EXPECT_EQ(seen.Pages, printed);
    EXPECT_EQ(seen.FirstPage, firstPage);
    EXPECT_EQ(PdfPages(dir.filePath("preview.pdf")), printed);

    // The margins make the pages: fewer lines a page, more pages.
    form->Editor()->TopMargin = 80;
    user.DialogAnswers << PreviewAnswer(seen);
    Preview();
    EXPECT_GT(seen.Pages, printed);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();

    // Printing from it without a printer says so; the preview stays open.
    int result = -1;
    user.DialogAnswers << [&](QDialog &dialog) {
        user.DialogAnswers << PrintAnswer(1, false);
        auto *button = dialog.findChild<QAction *>(QStringLiteral("SeitenansichtDrucken"));
        ASSERT_NE(button, nullptr);
        button->trigger();
        result = dialog.result();
    };
    Preview();
    EXPECT_EQ(errors, QStringList{QStringLiteral("Kein Drucker installiert.")});
    EXPECT_NE(result, QDialog::Accepted);
}

TEST_F(PrintPreviewTest, ShowsTheSelectionAndPrintsThroughThePrintDialog)
{
    MakeFile("a.txt", "eins\r\nzwei\r\ndrei");
    ASSERT_TRUE(form->FormShow({"a.txt"}, dir.path()));
    Memo()->Select(6, 4);
    TPreviewSeen seen;
    QList<int> ranges;
    int jobs = 0;
    QObject::connect(form->Editor(), &TMultiPanel::OnPrintFileClick, [&](QObject *) { ++jobs; });
    user.DialogAnswers << [&](QDialog &dialog) {
        PreviewAnswer(seen, dir.filePath("preview.pdf"))(dialog);
        // Its print button asks as the menu command does, the selection
        // chosen beforehand, and prints each copy as a job of its own.
        user.DialogAnswers << [&](QDialog &print) {
            ranges << dynamic_cast<QPrintDialog &>(print).printer()->printRange();
            PrintAnswer(2, true)(print);
        };
        ToPdf();
        auto *button = dialog.findChild<QAction *>(QStringLiteral("SeitenansichtDrucken"));
        ASSERT_NE(button, nullptr);
        button->trigger();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    };
    Preview();
    EXPECT_EQ(seen.Pages, 1);
    EXPECT_EQ(seen.FirstPage, QStringLiteral("zwei"));
    EXPECT_EQ(offered, QList<bool>{true});
    EXPECT_EQ(ranges, QList<int>{QPrinter::Selection});
    EXPECT_EQ(jobs, 2);
    EXPECT_EQ(PdfText(pdf), QStringLiteral("zwei"));
    EXPECT_EQ(printing::ThePrinter().docName(), QStringLiteral("a.txt"));
    EXPECT_TRUE(form->Editor()->PrintSelectionOnly);

    // Looking leaves the user's last choice for the print button alone.
    Memo()->Select(0, 0);
    user.DialogAnswers << PreviewAnswer(seen, dir.filePath("all.pdf"));
    Preview();
    EXPECT_EQ(seen.FirstPage, QStringLiteral("eins zwei drei"));
    EXPECT_TRUE(form->Editor()->PrintSelectionOnly);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();
}

TEST_F(PrintPreviewTest, AnEmptyFileShowsOneEmptyPageAndNoFileNoPreview)
{
    QByteArray text;
    for (int line = 1; line <= 150; ++line)
        text += "Zeile\r\n";
    MakeFile("lang.txt", text);
    MakeFile("leer.txt", "");
    ASSERT_TRUE(form->FormShow({"leer.txt", "lang.txt"}, dir.path()));
    ASSERT_EQ(Memo()->TextLength(), text.size());
    TPreviewSeen seen;
    user.DialogAnswers << PreviewAnswer(seen);
    Preview();
    EXPECT_GT(seen.Pages, 1);

    // Not the pages of the file looked at before.
    form->Editor()->CloseFileClick(nullptr);
    ASSERT_EQ(Memo()->TextLength(), 0);
    // Unwrapped, nothing is printed; wrapped, the one empty line is.
    for (bool wrap : {false, true}) {
        Memo()->SetWordWrap(wrap);
        user.DialogAnswers << PreviewAnswer(seen);
        Preview();
        EXPECT_EQ(seen.Pages, 1) << wrap;
    }

    form->Editor()->CloseFileClick(nullptr);
    ASSERT_EQ(form->Editor()->FileCount(), 0);
    const int asked = user.DialogsRun.size();
    auto *datei = form->findChild<QMenu *>(QStringLiteral("Datei1"));
    ASSERT_NE(datei, nullptr);
    emit datei->aboutToShow();
    EXPECT_FALSE(form->Item("Seitenansicht1")->isEnabled());
    Preview();
    form->Item("Seitenansicht1")->setEnabled(true);
    Preview();
    EXPECT_EQ(user.DialogsRun.size(), asked);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(' ').toStdString();
}
