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
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

QString PdfText(const QString &pdf)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    tool.waitForFinished(60000);
    return QString::fromUtf8(tool.readAllStandardOutput()).simplified();
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
