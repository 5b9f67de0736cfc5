#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "app/EditMain.h"
#include "dialogs/FiltForm.h"
#include "dialogs/OthEdit.h"
#include "editor/MultEdit.h"
#include "platform/AppTitle.h"
#include "platform/Dialogs.h"
#include "platform/core/Cp1252.h"

#include <QFileInfo>
#include <QLocale>
#include <QStatusTipEvent>
#include <QWindow>
#include <QInputMethodEvent>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QLabel>
#include <gtest/gtest.h>

using namespace testsupport;
using dialogs::TAnswer;

namespace {

// Types `command` into "Anderer Editor" and presses OK.
std::function<void(QDialog &)> OtherEditorAnswer(const QString &command)
{
    return [command](QDialog &dialog) {
        auto &form = dynamic_cast<TOtherEditorForm &>(dialog);
        form.FileNameEdit->setText(command);
        form.OKBtn->click();
    };
}

class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        apptitle::SetTitle(QStringLiteral("Quillon 32"));
        user.WhenNoAnswerLeft = TAnswer::No;
        // The file in front while a question is open.
        user.Meanwhile = [this] {
            const TMultiEditor *editor = form->Editor();
            fronts << (editor->FileCount() ? QFileInfo(editor->ControlList().Name(editor->FileIndex())).fileName()
                                           : QString());
        };
        form = new TMainForm;
        form->IniFileName.clear();
    }
    void TearDown() override
    {
        form->IniFileName.clear();
        answers = QList<TAnswer>(20, TAnswer::No);
        form->close();
        delete form;
    }
    QString MakeFile(const QString &name, const QByteArray &bytes)
    {
        WriteBytes(dir.filePath(name), bytes);
        return dir.filePath(name);
    }
    TXMemo *Memo() const { return form->Editor()->CurrentControl(); }

    QTemporaryDir dir;
    TScriptedUser user;
    QList<TAnswer> &answers = user.Answers;
    QStringList &asked = user.Questions, &errors = user.Errors, &started = user.Started;
    QStringList fronts;
    TMainForm *form = nullptr;
};

} // namespace

TEST_F(MainFormTest, TheCaptionNamesTheCurrentFile)
{
    MakeFile("a.txt", "A");
    MakeFile("b.txt", "B");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quillon"));
    ASSERT_TRUE(form->FormShow({"a.txt", "b.txt"}, dir.path()));
    EXPECT_EQ(form->windowTitle(), dir.filePath("b.txt") + QStringLiteral(" : Quillon 32"));
    form->Editor()->SelectFile(0);
    EXPECT_EQ(form->windowTitle(), dir.filePath("a.txt") + QStringLiteral(" : Quillon 32"));
    EXPECT_EQ(apptitle::Title(), form->windowTitle());

    // A name with the separator in it stays one name, update after update.
    MakeFile("x : y.txt", "XY");
    form->Editor()->OpenFile(dir.filePath("x : y.txt"));
    form->Editor()->SelectFile(0);
    form->Editor()->SelectFile(2);
    EXPECT_EQ(form->windowTitle(), dir.filePath("x : y.txt") + QStringLiteral(" : Quillon 32"));
}

TEST_F(MainFormTest, SaveAsRenamesTheCaption)
{
    ASSERT_TRUE(form->FormShow({}, dir.path()));
    user.SaveAnswers << dir.filePath("neu.txt");
    Memo()->SetSelText("x");
    form->Item("Sichernunter1")->trigger();
    EXPECT_EQ(form->windowTitle(), dir.filePath("neu.txt") + QStringLiteral(" : Quillon 32"));
}

TEST_F(MainFormTest, CommandLineEdgeCases)
{
    ASSERT_TRUE(form->FormShow({}, dir.path()));
    EXPECT_EQ(form->Editor()->ControlList().Names(), QStringList{"<unbekannt>"});

    TMainForm onlyIni;
    onlyIni.show();
    EXPECT_FALSE(onlyIni.FormShow({"-I", "x.ini"}, dir.path()));
    EXPECT_TRUE(onlyIni.IniFileName.isEmpty());
    EXPECT_FALSE(onlyIni.isVisible());
}

TEST_F(MainFormTest, OemLoadsIntoAnUntitledTab)
{
    MakeFile("dos.txt", "\x84\x94\xe1");
    ASSERT_TRUE(form->FormShow({"/oem", "dos.txt"}, dir.path()));
    EXPECT_EQ(form->Editor()->ControlList().Names(), QStringList{"<unbekannt>"});
    EXPECT_EQ(Memo()->Text(), QByteArray("\x84\x94\xe1"));
}

TEST_F(MainFormTest, ClosingAsksForAThenCThenDThenB)
{
    for (const char *name : {"A", "B", "C", "D"})
        MakeFile(name, "x");
    ASSERT_TRUE(form->FormShow({"A", "B", "C", "D"}, dir.path()));
    for (int i = 0; i < 4; ++i)
        form->Editor()->ControlAt(i)->SetSelText("changed ");
    answers = {TAnswer::No, TAnswer::No, TAnswer::No, TAnswer::No};
    EXPECT_TRUE(form->close());
    EXPECT_EQ(fronts, (QStringList{"A", "C", "D", "B"}));
}

TEST_F(MainFormTest, CancellingASaveQuestionKeepsTheWindowWithTheRest)
{
    for (const char *name : {"A", "B", "C"})
        MakeFile(name, "x");
    ASSERT_TRUE(form->FormShow({"A", "B", "C"}, dir.path()));
    form->Editor()->ControlAt(2)->SetSelText("changed ");
    answers = {TAnswer::Cancel};
    EXPECT_FALSE(form->close());
    EXPECT_EQ(form->Editor()->TabNames(), (QStringList{"B", "C"}));
}

TEST_F(MainFormTest, ANewSettingsFileIsOnlyWrittenWhenConfirmed)
{
    ASSERT_TRUE(form->FormShow({}, dir.path()));
    form->IniFileName = dir.filePath("neu.ini");
    form->IniFileIsNew = true;
    answers = {TAnswer::Cancel};
    EXPECT_FALSE(form->close());
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.first().section(QLatin1Char('|'), 0, 1),
              QStringLiteral("Bestätigen|Soll eine neue Ini-Datei unter\r\n") + dir.filePath("neu.ini")
                  + QStringLiteral("\r\nangelegt werden ?"));
    EXPECT_EQ(form->Editor()->FileCount(), 0) << "files closed before the question stay closed";
}

TEST_F(MainFormTest, OverwriteModeReplacesButNeverJoinsLines)
{
    MakeFile("t.txt", "abc\r\nxy");
    ASSERT_TRUE(form->FormShow({"t.txt"}, dir.path()));
    QLabel *insert = form->StatusLabel("InsertLabel");
    Key(Memo(), Qt::Key_Insert);
    EXPECT_FALSE(form->InsertMode());
    EXPECT_EQ(insert->text(), QStringLiteral("Over"));
    Text(Memo(), QStringLiteral("XYZW"));
    EXPECT_EQ(Memo()->Text(), QByteArray("XYZW\r\nxy"));
    Memo()->Select(6, 1);
    Text(Memo(), QStringLiteral("Q"));
    EXPECT_EQ(Memo()->Text(), QByteArray("XYZW\r\nQy")) << "a selection is replaced as in insert mode";
    form->Editor()->NewFileClick(nullptr);
    Memo()->SetSelText("abc");
    Memo()->SetSelStart(0);
    Text(Memo(), QStringLiteral("Q"));
    EXPECT_EQ(Memo()->Text(), QByteArray("Qbc")) << "a file opened later is typed over too";
    // Several characters in one input (an input method) each take one
    // character's place; Escape types nothing and selects nothing.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("WXYZ"));
    QCoreApplication::sendEvent(Memo(), &commit);
    EXPECT_EQ(Memo()->Text(), QByteArray("QWXYZ"));
    Memo()->SetSelStart(1);
    Key(Memo(), Qt::Key_Escape);
    EXPECT_EQ(Memo()->SelLength(), 0);

    Key(Memo(), Qt::Key_Insert, Qt::ControlModifier);
    Key(Memo(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_FALSE(form->InsertMode());
    Key(Memo(), Qt::Key_Insert, Qt::AltModifier);
    EXPECT_TRUE(form->InsertMode());
    EXPECT_EQ(insert->text(), QStringLiteral("Ins"));
}

TEST_F(MainFormTest, TheStatusPanelShowsCaretAndSize)
{
    MakeFile("t.txt", "eins\nzwei drei");
    ASSERT_TRUE(form->FormShow({"t.txt"}, dir.path()));
    Memo()->SetSelStart(9);
    Key(Memo(), Qt::Key_Right);
    EXPECT_EQ(form->StatusLabel("RowLabel")->text(), QStringLiteral("2"));
    EXPECT_EQ(form->StatusLabel("ColLabel")->text(), QStringLiteral("6"));
    EXPECT_EQ(form->StatusLabel("SizeLabel")->text(), QStringLiteral("14"));
    EXPECT_TRUE(form->StatusLabel("InsertLabel")->isVisibleTo(form));
    QWidget *keyPanel = form->findChild<QWidget *>("KeyPanel");
    ASSERT_NE(keyPanel, nullptr);
    EXPECT_EQ(keyPanel->width(), 145);
    EXPECT_EQ(form->StatusLabel("CapsLabel")->x(), 6);
    EXPECT_EQ(form->StatusLabel("InsertLabel")->x(), 40);
    EXPECT_EQ(form->StatusLabel("NumLabel")->x(), 72);
    EXPECT_EQ(form->StatusLabel("ScrollLabel")->x(), 107);
    EXPECT_EQ(form->StatusLabel("HintLabel")->x(), 192);
}

TEST_F(MainFormTest, WordWrapForOneFileAndForAll)
{
    MakeFile("a.txt", "a");
    MakeFile("b.txt", "b");
    ASSERT_TRUE(form->FormShow({"a.txt", "b.txt"}, dir.path()));
    EXPECT_TRUE(form->Item("WordWrap2")->isChecked());
    EXPECT_EQ(Memo()->ScrollBars(), TScrollStyle::ssVertical);
    form->Item("WordWrap1")->trigger();
    EXPECT_FALSE(Memo()->WordWrap());
    EXPECT_EQ(Memo()->ScrollBars(), TScrollStyle::ssBoth);
    EXPECT_TRUE(form->Editor()->ControlAt(0)->WordWrap());
    form->Item("WordWrap2")->trigger();
    EXPECT_FALSE(form->Item("WordWrap2")->isChecked());
    EXPECT_FALSE(form->Editor()->ControlAt(0)->WordWrap());
    form->Item("WordWrap2")->trigger();
    EXPECT_TRUE(form->Editor()->ControlAt(1)->WordWrap());
    EXPECT_TRUE(form->Item("WordWrap1")->isChecked());
}

TEST_F(MainFormTest, DateIsInsertedAtTheCaret)
{
    ASSERT_TRUE(form->FormShow({}, dir.path()));
    form->Item("Datum")->trigger();
    const QString text = cp1252::ToQString(Memo()->Text());
    const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    EXPECT_TRUE(text.startsWith(date)) << text.toStdString();
}

TEST_F(MainFormTest, NeuerEditorMovesTheFileIntoANewInstance)
{
    const QString path = MakeFile("a.txt", "a");
    ASSERT_TRUE(form->FormShow({"a.txt"}, dir.path()));
    form->Item("NeuerEditor1")->trigger();
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started.first(), QCoreApplication::applicationFilePath() + QLatin1Char('|') + path);
    EXPECT_EQ(form->Editor()->FileCount(), 0);

    form->Editor()->NewFileClick(nullptr);
    Memo()->SetSelText("ungesichert");
    form->Item("NeuerEditor1")->trigger(); // save-as cancelled: nothing moves
    EXPECT_EQ(started.size(), 1);
    EXPECT_EQ(form->Editor()->FileCount(), 1);
}

TEST_F(MainFormTest, NeuerEditorHandsOverTheFileItSavedNotTheOneInFront)
{
    MakeFile("anderes.txt", "x");
    ASSERT_TRUE(form->FormShow({"anderes.txt"}, dir.path()));
    form->Editor()->NewFileClick(nullptr);
    Memo()->SetSelText("neu");
    const QString saved = dir.filePath("neu.txt");
    user.SaveAnswers << saved;
    user.Meanwhile = [&] { form->Editor()->SelectFile(0); }; // the other file comes to the front meanwhile
    form->Item("NeuerEditor1")->trigger();
    EXPECT_EQ(ReadBytes(saved), QByteArray("neu"));
    EXPECT_EQ(started, QStringList{QCoreApplication::applicationFilePath() + QLatin1Char('|') + saved});
    EXPECT_EQ(form->Editor()->TabNames(), QStringList{"anderes.txt"});
}

TEST_F(MainFormTest, EveryMenuItemCarriesItsMenusHelpContext)
{
    ASSERT_TRUE(form->FormShow({}, dir.path()));
    EXPECT_EQ(form->Item("Tasten1")->data().toInt(), 500);
    EXPECT_EQ(form->Item("Neu1")->data().toInt(), 100);
    EXPECT_EQ(form->Item("GehezuZeile1")->data().toInt(), 300);
    EXPECT_EQ(form->Item("ExportItem")->text(), QStringLiteral("&Übergeben an Write.Exe"));
}

TEST_F(MainFormTest, ASaveErrorIsShownAndTheProgramGoesOn)
{
    ASSERT_TRUE(form->FormShow({dir.path()}, dir.path()));
    Memo()->SetSelText("x");
    form->Item("Sichern1")->trigger();
    EXPECT_EQ(errors,
              QStringList{
                  QStringLiteral("Datei %1 ist keine normale Datei und wird nicht überschrieben.").arg(dir.path())});
    EXPECT_EQ(form->Editor()->FileCount(), 1);
}

TEST_F(MainFormTest, TheOtherEditorGetsTheSavedFileAsArguments)
{
    const QString path = MakeFile("a;rm -rf x.txt", "alt");
    ASSERT_TRUE(form->FormShow({path}, dir.path()));
    user.DialogAnswers << OtherEditorAnswer(QStringLiteral("/usr/bin/mein-editor --neu"));
    form->Item("AndererEditor1")->trigger();
    EXPECT_EQ(form->Item("ExportItem")->text(), QStringLiteral("&Übergeben an /usr/bin/mein-editor --neu"));

    Memo()->SetSelText("neu ");
    form->Item("ExportItem")->trigger();
    EXPECT_EQ(ReadBytes(path), QByteArray("neu alt"));
    EXPECT_EQ(form->Editor()->FileCount(), 0);
    // The setting is split at blanks, the file's name is one argument, and
    // nothing goes through a shell.
    EXPECT_EQ(started, QStringList{"/usr/bin/mein-editor|--neu|" + path});

    form->Editor()->NewFileClick(nullptr);
    Memo()->SetSelText("ungesichert");
    form->Item("ExportItem")->trigger(); // save-as cancelled: the tab stays
    EXPECT_EQ(started.size(), 1);
    EXPECT_EQ(form->Editor()->FileCount(), 1);
}

TEST_F(MainFormTest, CtrlInsertAndShiftInsertNeverSwitchTheInsertMode)
{
    MakeFile("t.txt", "abc");
    ASSERT_TRUE(form->FormShow({"t.txt"}, dir.path()));
    // The modifier is often let go before the Insert key: the release then
    // comes without it.
    for (const Qt::KeyboardModifier held : {Qt::ControlModifier, Qt::ShiftModifier}) {
        QTest::keyPress(Memo(), Qt::Key_Insert, held);
        QTest::keyRelease(Memo(), Qt::Key_Insert, Qt::NoModifier);
        EXPECT_TRUE(form->InsertMode()) << held;
    }
    // Shift+Insert is the menu's paste: the text control never sees it go down.
    QTest::keyRelease(Memo(), Qt::Key_Insert, Qt::NoModifier);
    EXPECT_TRUE(form->InsertMode());
    QTest::keyPress(Memo(), Qt::Key_Insert, Qt::AltModifier);
    QTest::keyRelease(Memo(), Qt::Key_Insert, Qt::NoModifier);
    EXPECT_FALSE(form->InsertMode());
    EXPECT_EQ(form->StatusLabel("InsertLabel")->text(), QStringLiteral("Over"));
}

TEST_F(MainFormTest, NamesInTheWindowAreShownAsTheyAre)
{
    const QString name = QStringLiteral("<h1>Datei gespeichert<h1><a href=x>[*]klick<a>&.txt");
    MakeFile(name, "x");
    ASSERT_TRUE(form->FormShow({name}, dir.path()));
    form->winId();
    EXPECT_TRUE(form->windowHandle()->title().contains(name + QStringLiteral(" : ")))
        << form->windowHandle()->title().toStdString();
    QStatusTipEvent tip(dir.filePath(name));
    QCoreApplication::sendEvent(form, &tip);
    QLabel *hint = form->StatusLabel("HintLabel");
    EXPECT_EQ(hint->text(), dir.filePath(name));
    EXPECT_EQ(hint->textFormat(), Qt::PlainText);

    user.DialogAnswers << OtherEditorAnswer(QStringLiteral("/opt/a&b/<b>ed</b>"));
    form->Item("AndererEditor1")->trigger();
    EXPECT_EQ(form->Item("ExportItem")->text(), QStringLiteral("&Übergeben an /opt/a&&b/<b>ed</b>"));
}

TEST_F(MainFormTest, StatusNumbersNeverRunTogether)
{
    // Line 1000001, column 2000001, 3000000 bytes: seven digits each.
    MakeFile("gross.txt", QByteArray(1000000, '\n') + QByteArray(2000000, 'b'));
    ASSERT_TRUE(form->FormShow({"gross.txt"}, dir.path()));
    Memo()->SetSelStart(Memo()->TextLength());
    Key(Memo(), Qt::Key_End);
    QLabel *labels[] = {form->StatusLabel("RowLabel"), form->StatusLabel("ColLabel"), form->StatusLabel("SizeLabel")};
    EXPECT_EQ(labels[0]->text(), QStringLiteral("1000001"));
    EXPECT_EQ(labels[1]->text(), QStringLiteral("2000001"));
    EXPECT_EQ(labels[2]->text(), QStringLiteral("3000000"));
    const QFontMetrics metrics = labels[0]->fontMetrics();
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    int previousEnd = 0;
    for (QLabel *label : labels) {
        const int width = metrics.horizontalAdvance(label->text());
        EXPECT_GE(label->width(), width) << label->objectName().toStdString();
        // Right-aligned: the text begins this far from the label's left edge.
        const int textStart = label->geometry().right() + 1 - width;
        EXPECT_GE(textStart - previousEnd, digit) << label->objectName().toStdString();
        previousEnd = label->geometry().right() + 1;
    }
    EXPECT_GE(form->StatusLabel("HintLabel")->x() - previousEnd, digit);
}

TEST_F(MainFormTest, TheFilterDialogChangesTheEditorsFilterOnlyOnOk)
{
    ASSERT_TRUE(form->FormShow({}, dir.path()));
    const QString before = form->Editor()->Filter();
    user.DialogAnswers << [](QDialog &d) {
        auto &filter = dynamic_cast<TFilterSelDlg &>(d);
        filter.SetFilterText(QStringLiteral("Geändert|*.x|"));
        filter.CancelBtn->click();
    };
    form->Item("Filter1")->trigger();
    EXPECT_EQ(form->Editor()->Filter(), before);
    user.DialogAnswers << [](QDialog &d) {
        auto &filter = dynamic_cast<TFilterSelDlg &>(d);
        filter.SetFilterText(QStringLiteral("Alles|*|"));
        filter.OKBtn->click();
    };
    form->Item("Filter1")->trigger();
    EXPECT_EQ(form->Editor()->Filter(), QStringLiteral("Alles|*|"));
}
