#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "editor/GotoDlg.h"
#include "editor/MultEdit.h"
#include "platform/AppTitle.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"
#include "editor/FindDialog.h"
#include "platform/core/Encoding.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace testsupport;

namespace {

class FindReplaceTest : public ::testing::Test
{
protected:
    void SetUp() override { apptitle::SetTitle(QStringLiteral("Quillon 32")); }
    TXMemo *Open(const QByteArray &text)
    {
        editor.NewFileClick(nullptr);
        editor.CurrentControl()->SetText(text);
        return editor.CurrentControl();
    }
    // A UTF-8 file, shown as UTF-8.
    TXMemo *OpenUtf8(const QByteArray &text)
    {
        TXMemo *memo = Open(text);
        memo->SetEncoding(encoding::TEncoding::Utf8);
        return memo;
    }
    static QPushButton *Button(TFindDialog *dialog, const QString &caption)
    {
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            if (b->text() == caption)
                return b;
        return nullptr;
    }
    void Request(TFindDialog *dialog, const QString &find, const QString &button, const QString &replace = {})
    {
        dialog->SetFindText(find);
        dialog->SetReplaceText(replace);
        QPushButton *b = Button(dialog, button);
        ASSERT_NE(b, nullptr) << button.toStdString();
        b->click();
    }

    TScriptedUser user;
    QStringList &messages = user.Messages;
    TMultiEditor editor;
};

} // namespace

TEST_F(FindReplaceTest, FindSelectsTheNextMatchAndReportsTheEnd)
{
    TXMemo *memo = Open("Haus und HAUS");
    editor.FindClick(nullptr);
    EXPECT_TRUE(editor.FindDialog()->isVisible());
    EXPECT_TRUE(editor.DialogUsed);
    Request(editor.FindDialog(), QStringLiteral("haus"), QStringLiteral("Weitersuchen"));
    EXPECT_FALSE(editor.FindDialog()->isVisible()) << "a find request closes the find dialog";
    EXPECT_EQ(memo->SelStart(), 0) << "outside whole-word mode a match at the caret counts";
    EXPECT_EQ(memo->SelLength(), 4);
    editor.FindAgainClick(nullptr);
    EXPECT_EQ(memo->SelStart(), 9);
    EXPECT_TRUE(messages.isEmpty());
    editor.FindAgainClick(nullptr);
    EXPECT_EQ(messages, QStringList{QStringLiteral("Quillon 32|Kann \"haus\" nicht finden.")});
    EXPECT_EQ(memo->SelStart(), 9) << "not found leaves the selection";
}

TEST_F(FindReplaceTest, ReplaceReplacesAnOccurrenceAndSelectsTheNext)
{
    TXMemo *memo = Open("Haus Haus");
    memo->Select(0, 4);
    editor.ReplaceClick(nullptr);
    EXPECT_EQ(editor.ReplaceDialog()->FindText(), QStringLiteral("Haus")) << "the selection presets the find text";
    Request(editor.ReplaceDialog(), QStringLiteral("Haus"), QStringLiteral("Ersetzen"), QStringLiteral("Hof"));
    EXPECT_EQ(memo->Text(), QByteArray("Hof Haus"));
    EXPECT_EQ(memo->SelStart(), 4);
    EXPECT_EQ(memo->SelLength(), 4);
    editor.FindAgainClick(nullptr); // replaces the selected one; nothing follows
    EXPECT_EQ(memo->Text(), QByteArray("Hof Hof"));
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(FindReplaceTest, ReplaceAllIsOneUndoStepAndFindAgainRepeatsIt)
{
    TXMemo *memo = Open("a a");
    memo->SetSelStart(0);
    editor.ReplaceClick(nullptr);
    Request(editor.ReplaceDialog(), QStringLiteral("a"), QStringLiteral("Alle ersetzen"), QStringLiteral("aa"));
    EXPECT_EQ(memo->Text(), QByteArray("aa aa"));
    EXPECT_TRUE(messages.isEmpty()) << "replace all ends silently";
    memo->Undo();
    EXPECT_EQ(memo->Text(), QByteArray("a a"));

    memo->SetSelText("");
    memo->SetText("x b b");
    memo->SetSelStart(3);
    editor.FindText = QStringLiteral("b");
    editor.ReplaceText = QStringLiteral("c");
    editor.FindOptions = FindOptionBit(frDown) | FindOptionBit(frReplaceAll);
    editor.FindAgainClick(nullptr);
    EXPECT_EQ(memo->Text(), QByteArray("x b c")) << "from the caret on";
}

TEST_F(FindReplaceTest, ReplaceAllUndoAndRedoAmongOtherEdits)
{
    TXMemo *memo = Open("a1 a2 A3 b4 a5");
    memo->Select(0, 1);
    Key(memo, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("Q"));
    memo->Select(3, 1); // the selected occurrence is replaced as well
    editor.ReplaceClick(nullptr);
    Request(editor.ReplaceDialog(), QStringLiteral("a"), QStringLiteral("Alle ersetzen"), QStringLiteral("xy"));
    EXPECT_EQ(memo->Text(), QByteArray("Q1 xy2 xy3 b4 xy5"));
    EXPECT_EQ(memo->SelStart(), 16) << "behind the last replacement";
    Key(memo, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("!"));
    EXPECT_EQ(memo->Text(), QByteArray("Q1 xy2 xy3 b4 xy!5"));

    memo->Undo();
    EXPECT_EQ(memo->Text(), QByteArray("Q1 xy2 xy3 b4 xy5"));
    memo->Undo();
    EXPECT_EQ(memo->Text(), QByteArray("Q1 a2 A3 b4 a5")) << "one step, the case of each occurrence kept";
    EXPECT_TRUE(memo->Modified());
    memo->Undo();
    EXPECT_EQ(memo->Text(), QByteArray("a1 a2 A3 b4 a5")) << "a typed-over selection comes back in one step";
    EXPECT_FALSE(memo->Modified());

    Key(memo, Qt::Key_Y, Qt::ControlModifier); // redo, as the keyboard does it
    EXPECT_EQ(memo->Text(), QByteArray("Q1 a2 A3 b4 a5"));
    memo->Redo();
    EXPECT_EQ(memo->Text(), QByteArray("Q1 xy2 xy3 b4 xy5"));
    EXPECT_EQ(memo->SelStart(), 16);
    Key(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->Text(), QByteArray("Q1 a2 A3 b4 a5"));
    EXPECT_TRUE(memo->Modified());
}

TEST_F(FindReplaceTest, ReplaceAllUpwardsRunsIntoTheReplacedSelectionAndUndoesInOneStep)
{
    // Upwards the search starts behind the selection's replacement and may
    // run into it, as replacing one occurrence at a time would.
    TXMemo *memo = Open("a1 a2 A3 b4 a5");
    // What those who follow the changes (the recovery journal) are told:
    // the text is no longer the saved one from its first change on.
    QList<bool> modifiedWhileChanging;
    QObject::connect(memo, &QsciScintillaBase::SCN_MODIFIED, memo, [&](int, int type) {
        if (type & (QsciScintillaBase::SC_MOD_BEFOREINSERT | QsciScintillaBase::SC_MOD_BEFOREDELETE))
            modifiedWhileChanging << memo->Modified();
    });
    memo->Select(12, 1);
    editor.FindText = QStringLiteral("a");
    editor.ReplaceText = QStringLiteral("aa");
    editor.FindOptions = FindOptionBit(frReplaceAll);
    editor.SearchNext();
    EXPECT_EQ(memo->Text(), QByteArray("aa1 aa2 aa3 b4 aaaa5"));
    EXPECT_EQ(memo->SelStart(), 0) << "in front of the first replacement";
    ASSERT_FALSE(modifiedWhileChanging.isEmpty());
    EXPECT_FALSE(modifiedWhileChanging.contains(false));
    Key(memo, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("!"));
    memo->Undo();
    modifiedWhileChanging.clear();
    memo->Undo();
    EXPECT_FALSE(modifiedWhileChanging.contains(false)) << "undone towards the saved text, it is not that text yet";
    EXPECT_EQ(memo->Text(), QByteArray("a1 a2 A3 b4 a5")) << "one step, the case of each occurrence kept";
    EXPECT_FALSE(memo->Modified());
    memo->Redo();
    EXPECT_EQ(memo->Text(), QByteArray("aa1 aa2 aa3 b4 aaaa5"));

    // A selection that is no occurrence stays, and only what lies before it
    // is replaced.
    memo->SetText("ab ab ab");
    editor.FindText = QStringLiteral("ab");
    editor.ReplaceText = QStringLiteral("x");
    editor.FindOptions = FindOptionBit(frReplaceAll) | FindOptionBit(frWholeWord);
    memo->Select(4, 2);
    editor.SearchNext();
    EXPECT_EQ(memo->Text(), QByteArray("x ab ab"));
}

TEST_F(FindReplaceTest, ReplaceAllWithoutMemoryLeavesEverythingAsItWas)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator does not survive an address space limit";
#else
    const QStringList &errors = user.Errors;
    TXMemo *other = Open("ungesichert");
    Key(other, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("!"));
    QByteArray text;
    for (int i = 0; i < 100000; ++i)
        text += QByteArray(78, 'o') + "\r\n";
    TXMemo *memo = Open(text);
    Key(memo, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("x"));
    const QByteArray before = memo->Text();
    // An occurrence: it is replaced first, and must come back.
    memo->Select(1, 1);
    editor.ReplaceClick(nullptr);
    editor.ReplaceDialog()->SetFindText(QStringLiteral("o"));
    editor.ReplaceDialog()->SetReplaceText(QStringLiteral("00"));

    // Room for the box and the rest, not for 7.8 million replacements.
    rlimit old{};
    getrlimit(RLIMIT_AS, &old);
    QFile status(QStringLiteral("/proc/self/status"));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    qint64 mapped = 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            mapped = line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
    ASSERT_GT(mapped, 0);
    rlimit tight = old;
    tight.rlim_cur = rlim_t(mapped + (24 << 20));
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    Button(editor.ReplaceDialog(), QStringLiteral("Alle ersetzen"))->click();
    setrlimit(RLIMIT_AS, &old);

    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("zu wenig Arbeitsspeicher"))) << errors.first().toStdString();
    EXPECT_TRUE(memo->Text() == before) << "the text is as before the command";
    EXPECT_EQ(memo->SelStart(), 1);
    EXPECT_EQ(memo->SelLength(), 1);
    EXPECT_EQ(other->Text(), QByteArray("!ungesichert"));
    EXPECT_TRUE(other->Modified());
    // The control goes on working, and its history is the one before.
    memo->Undo();
    EXPECT_TRUE(memo->Text() == text);
    Key(memo, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("y"));
    EXPECT_EQ(memo->TextLength(), text.size() + 1);
    memo->Undo();
    EXPECT_TRUE(memo->Text() == text);
    editor.SearchNext();
    EXPECT_EQ(memo->TextLength(), text.size() + 7800000) << "with memory the same command works";
#endif
}

TEST_F(FindReplaceTest, DialogOptionsReachTheSearch)
{
    TXMemo *memo = Open("Haus, Haus x HAUS");
    memo->SetSelStart(memo->TextLength());
    TFindDialog *find = editor.FindDialog();
    find->findChildren<QRadioButton *>().at(0)->setChecked(true); // "Nach oben"
    for (QCheckBox *box : find->findChildren<QCheckBox *>())
        box->setChecked(true);
    Request(find, QStringLiteral("Haus"), QStringLiteral("Weitersuchen"));
    EXPECT_EQ(editor.FindOptions & (FindOptionBit(frDown) | FindOptionBit(frMatchCase) | FindOptionBit(frWholeWord)),
              FindOptionBit(frMatchCase) | FindOptionBit(frWholeWord));
    EXPECT_EQ(memo->SelStart(), 6);
}

TEST_F(FindReplaceTest, F3AndFindAgainWithoutAnEarlierSearch)
{
    TXMemo *memo = Open("abc");
    Key(memo, Qt::Key_F3);
    EXPECT_TRUE(editor.FindDialog()->isVisible()) << "F3 with no find text opens the find dialog";
    editor.FindDialog()->hide();

    editor.FindText = QStringLiteral("c");
    editor.FindOptions = FindOptionBit(frDown);
    editor.CloseFileClick(nullptr);
    EXPECT_FALSE(editor.DialogUsed);
    memo = Open("abc");
    Key(memo, Qt::Key_F3);
    EXPECT_EQ(memo->SelStart(), 2) << "F3 searches again even after the last file was closed";
    editor.FindAgainClick(nullptr);
    EXPECT_TRUE(editor.FindDialog()->isVisible()) << "the find-again button asks first";
}

TEST_F(FindReplaceTest, GoToLine)
{
    QByteArray text;
    for (int i = 1; i <= 20; ++i)
        text += "Zeile " + QByteArray::number(i) + "\r\n";
    TXMemo *memo = Open(text + "xyz");
    const auto lineOf = [&] { return CaretLine(memo); };
    // The entry is read as the settings file's integers are.
    for (const auto &[input, line] :
         QList<QPair<QString, qint64>>{{"3", 3}, {"0", 1}, {"-5", 1}, {" 0x11", 17}, {"99999", 21}, {"abc", 21}}) {
        user.DialogAnswers << [input = input](QDialog &dialog) {
            auto &entry = dynamic_cast<TLineDlg &>(dialog);
            entry.LineNoEdit->setText(input);
            entry.findChild<QPushButton *>(QStringLiteral("OKBtn"))->click();
        };
        editor.GotoClick(nullptr);
        EXPECT_EQ(lineOf(), line) << input.toStdString();
    }
    EXPECT_EQ(memo->SelStart(), memo->TextLength()) << "past the end: the end of the text";
    // Cancelled: the caret stays; the entry starts at the caret's line.
    QString preset;
    user.DialogAnswers << [&](QDialog &dialog) { preset = dynamic_cast<TLineDlg &>(dialog).LineNoEdit->text(); };
    editor.GotoClick(nullptr);
    EXPECT_EQ(preset, QStringLiteral("21"));
    EXPECT_EQ(lineOf(), 21);
    EXPECT_EQ(user.DialogsRun.size(), 7);
}

TEST_F(FindReplaceTest, GoToLineGoesToTheFileItAskedAboutOrNowhere)
{
    TXMemo *asked = Open("1\n2\n3\n");
    TXMemo *other = nullptr;
    const auto answer = [](QDialog &dialog, const QString &line) {
        auto &entry = dynamic_cast<TLineDlg &>(dialog);
        entry.LineNoEdit->setText(line);
        entry.findChild<QPushButton *>(QStringLiteral("OKBtn"))->click();
    };
    user.DialogAnswers << [&](QDialog &dialog) {
        other = Open("a\nb\nc\n"); // another file comes to the front meanwhile
        answer(dialog, QStringLiteral("3"));
    };
    editor.GotoClick(nullptr);
    EXPECT_EQ(CaretLine(asked), 3);
    EXPECT_EQ(CaretLine(other), 1);

    // Closed while the dialog was open: the answer goes nowhere.
    user.DialogAnswers << [&](QDialog &dialog) {
        editor.ClosePage(editor.FileIndex());
        answer(dialog, QStringLiteral("2"));
    };
    editor.GotoClick(nullptr);
    EXPECT_EQ(editor.FileCount(), 1);
    EXPECT_EQ(CaretLine(editor.CurrentControl()), 3);
}

TEST_F(FindReplaceTest, GoToLineWorksBeyond65535)
{
    QByteArray big;
    for (int i = 0; i < 20000; ++i)
        big += "12345\n";
    TXMemo *memo = Open(big);
    memo->SetSelStart(3);
    GoToLine(memo, 15000);
    EXPECT_EQ(memo->SelStart(), 14999 * 6 + 3);
}

TEST_F(FindReplaceTest, TabShortcutsCycle)
{
    Open("a");
    Open("b");
    TXMemo *last = Open("c");
    Key(last, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(editor.FileIndex(), 0);
    Key(editor.CurrentControl(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor.FileIndex(), 2);
    Key(editor.CurrentControl(), Qt::Key_Tab, Qt::ControlModifier);
    Key(editor.CurrentControl(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(editor.FileIndex(), 1);
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("b")) << "no tab character typed";
}

TEST_F(FindReplaceTest, QuoteShortcutsTypeWindows1252Quotes)
{
    TXMemo *memo = Open("x y");
    memo->Select(1, 1);
    Key(memo, Qt::Key_2, Qt::ControlModifier, QStringLiteral("2"));
    Text(memo, QStringLiteral("z"));
    Key(memo, Qt::Key_2, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("\""));
    EXPECT_EQ(memo->Text(), QByteArray("x\x84z\x94y"));
}

TEST_F(FindReplaceTest, CtrlF4ClosesTheFile)
{
    Open("a");
    TXMemo *memo = Open("b");
    Key(memo, Qt::Key_F4, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.FileCount(), 1);
}

TEST_F(FindReplaceTest, BlankJumpsMoveTheCaretAndEatTheKey)
{
    TXMemo *memo = Open("ab  cd e");
    const Qt::KeyboardModifiers jump = Qt::ControlModifier | Qt::AltModifier;
    memo->Select(0, 1);
    Key(memo, Qt::Key_Right, jump);
    EXPECT_EQ(memo->SelStart(), 2);
    EXPECT_EQ(memo->SelLength(), 0);
    memo->SetSelStart(7);
    Key(memo, Qt::Key_Left, jump);
    EXPECT_EQ(memo->SelStart(), 6);
    memo->SetSelStart(0);
    Key(memo, Qt::Key_Left, jump);
    EXPECT_EQ(memo->SelStart(), 0);
    EXPECT_EQ(memo->Text(), QByteArray("ab  cd e"));
}

TEST_F(FindReplaceTest, AKeyDownHandlerCanSwitchShortcutsOff)
{
    Open("a");
    TXMemo *memo = Open("b");
    QObject::connect(&editor, &TMultiEditor::OnKeyDown, [](QObject *, int &key, Qt::KeyboardModifiers) { key = 0; });
    Key(memo, Qt::Key_F4, Qt::ControlModifier);
    Key(memo, Qt::Key_2, Qt::ControlModifier, QStringLiteral("2"));
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.FileCount(), 2);
    EXPECT_EQ(memo->Text(), QByteArray("b"));
}

TEST_F(FindReplaceTest, Utf8FindFoldsCaseByCharacters)
{
    const QByteArray text = "\xC3\x84pfel: APFEL \xC3\xA4PFEL \xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91 "
                            "STRASSE Stra\xC3\x9F"
                            "e";
    TXMemo *memo = OpenUtf8(text);
    const auto find = [&](const QString &pattern) {
        editor.FindText = pattern;
        editor.FindOptions = FindOptionBit(frDown);
        editor.SearchNext();
        return memo->SelText();
    };
    memo->SetSelStart(0);
    EXPECT_EQ(find(QStringLiteral("äpfel")), QByteArray("\xC3\x84pfel")) << "Ä found by ä, as whole characters";
    EXPECT_EQ(memo->SelStart(), 0);
    EXPECT_EQ(find(QStringLiteral("äpfel")), QByteArray("\xC3\xA4PFEL")) << "APFEL is no Äpfel";
    memo->SetSelStart(0);
    EXPECT_EQ(find(QStringLiteral("σοφια")), QByteArray("\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91"));
    memo->SetSelStart(0);
    EXPECT_EQ(find(QStringLiteral("straße")), QByteArray("Stra\xC3\x9F"
                                                         "e"))
        << "ß stays ß: STRASSE is passed";
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // Whole words are made of letters, umlauts included.
    memo->SetText("x \xC3\xBC"
                  "berall, \xC3\x9C"
                  "ber");
    memo->SetSelStart(0);
    editor.FindText = QStringLiteral("über");
    editor.FindOptions = FindOptionBit(frDown) | FindOptionBit(frWholeWord);
    editor.SearchNext();
    EXPECT_EQ(memo->SelStart(), 12) << "not inside überall";
    EXPECT_EQ(memo->SelLength(), 5);

    // The selection presets the dialog in the file's characters.
    memo->Select(2, 8);
    editor.FindClick(nullptr);
    EXPECT_EQ(editor.FindDialog()->FindText(), QStringLiteral("überall"));
}

TEST_F(FindReplaceTest, Utf8ReplaceWritesTheFilesEncoding)
{
    TXMemo *memo = OpenUtf8("K\xC3\xB6ln, k\xC3\x96LN und K\xC3\xB6ln");
    memo->SetSelStart(0);
    editor.ReplaceClick(nullptr);
    Request(editor.ReplaceDialog(), QStringLiteral("köln"), QStringLiteral("Alle ersetzen"),
            QStringLiteral("Zürich €"));
    EXPECT_EQ(memo->Text(), QByteArray("Z\xC3\xBCrich \xE2\x82\xAC, Z\xC3\xBCrich \xE2\x82\xAC und Z\xC3\xBCrich "
                                       "\xE2\x82\xAC"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // Replace: the selected occurrence (any case) goes, the next is selected.
    memo->SetText("\xC3\x84 \xC3\xA4");
    memo->Select(0, 2);
    Request(editor.ReplaceDialog(), QStringLiteral("ä"), QStringLiteral("Ersetzen"), QStringLiteral("ö"));
    EXPECT_EQ(memo->Text(), QByteArray("\xC3\xB6 \xC3\xA4"));
    EXPECT_EQ(memo->SelStart(), 3);
    EXPECT_EQ(memo->SelLength(), 2);
}

TEST_F(FindReplaceTest, CharactersWindows1252CannotHoldAreRefusedWithTheReason)
{
    TXMemo *memo = Open("Z\xB3oty a b"); // ł is no Windows-1252 character; 0xB3 is ³
    memo->SetSelStart(0);
    editor.FindText = QStringLiteral("Złoty");
    editor.FindOptions = FindOptionBit(frDown);
    editor.SearchNext();
    EXPECT_EQ(messages, QStringList{QStringLiteral("Quillon 32|Kann \"Złoty\" nicht finden: „ł“ (U+0142) ist in "
                                                   "Windows-1252 nicht darstellbar.")});
    EXPECT_EQ(memo->SelLength(), 0);

    // A replacement with such a character would turn into "?": nothing is replaced.
    messages.clear();
    editor.ReplaceClick(nullptr);
    Request(editor.ReplaceDialog(), QStringLiteral("a"), QStringLiteral("Alle ersetzen"), QStringLiteral("ł"));
    EXPECT_EQ(memo->Text(), QByteArray("Z\xB3oty a b"));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Quillon 32|Kann nicht durch \"ł\" ersetzen: „ł“ (U+0142) ist "
                                                   "in Windows-1252 nicht darstellbar.")});
    // In UTF-8 the same texts are found and written.
    messages.clear();
    OpenUtf8("Z\xC5\x82oty a b");
    Request(editor.ReplaceDialog(), QStringLiteral("złoty"), QStringLiteral("Alle ersetzen"), QStringLiteral("ł"));
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("\xC5\x82 a b"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(FindReplaceTest, Utf8GoToLineKeepsTheColumnInCharacters)
{
    // Line 1 "€€€x", line 2 ASCII, line 3 "ääääää".
    TXMemo *memo = OpenUtf8("\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"
                            "x\r\nabcdefghij\r\n"
                            "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4");
    memo->SetSelStart(9); // before x
    EXPECT_EQ(CaretColumn(memo), 4);
    GoToLine(memo, 2);
    EXPECT_EQ(memo->SelStart(), memo->LineIndex(1) + 3) << "column 4 of line 2";
    memo->SetSelStart(memo->LineIndex(1) + 5);
    GoToLine(memo, 3);
    EXPECT_EQ(memo->SelStart(), memo->LineIndex(2) + 10) << "column 6, behind five ä, not inside one";
    EXPECT_EQ(CaretColumn(memo), 6);
}
