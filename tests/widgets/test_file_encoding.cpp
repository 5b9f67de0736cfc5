#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "app/EditMain.h"
#include "editor/MultEdit.h"
#include "editor/XMemo.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace testsupport;
using encoding::TEncoding;

namespace {

QByteArray Latin(const QString &text)
{
    return encodedtext::FromQString(text, TEncoding::Cp1252);
}

class FileEncodingTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    TXMemo memo;
    int CodePage() const { return int(memo.SendScintilla(QsciScintillaBase::SCI_GETCODEPAGE)); }
};

} // namespace

TEST_F(FileEncodingTest, LoadDecidesTheEncodingAndSaveKeepsEveryByte)
{
    QByteArray planes;
    for (char32_t c : {0x80u, 0x7FFu, 0x800u, 0xFFFDu, 0x10000u, 0x1F600u, 0xE0001u, 0x10FFFFu})
        planes += QString::fromUcs4(&c, 1).toUtf8();
    QByteArray deepInvalid = QByteArray("Grüße ").repeated(1000000); // past the first piece read
    deepInvalid.insert(deepInvalid.size() / 2, '\xFF');
    const struct
    {
        QByteArray bytes;
        TEncoding asciiDefault, expected;
    } corpus[] = {
        {"\xEF\xBB\xBFGrüße\r\naus\nKöln\r„Zitat“ 15 €\r\n", TEncoding::Cp1252, TEncoding::Utf8},
        {planes + "e\xCC\x81 a\xCC\x8A\xCC\x81 👍🏽 🇩🇪\n", TEncoding::Cp1252, TEncoding::Utf8},
        {deepInvalid, TEncoding::Utf8, TEncoding::Cp1252},
        {QByteArray("\xFF\xFEG\0r\0\xFC\0\xDF\0e\0", 12), TEncoding::Utf8, TEncoding::Cp1252},
        {QByteArray("f\xC3\xBC\0r", 5), TEncoding::Utf8, TEncoding::Cp1252},
        {"nur ASCII\r\n", TEncoding::Utf8, TEncoding::Utf8},
        {"", TEncoding::Utf8, TEncoding::Utf8},
        {"nur ASCII\r\n", TEncoding::Cp1252, TEncoding::Cp1252},
    };
    int n = 0;
    for (const auto &entry : corpus) {
        const QString in = dir.filePath(QStringLiteral("in%1").arg(n)),
                      out = dir.filePath(QStringLiteral("o%1").arg(n));
        ++n;
        WriteBytes(in, entry.bytes);
        memo.SetDefaultEncoding(entry.asciiDefault);
        LoadTextFile(&memo, in);
        EXPECT_EQ(memo.Encoding(), entry.expected) << "entry " << n;
        EXPECT_EQ(CodePage(), entry.expected == TEncoding::Utf8 ? int(QsciScintillaBase::SC_CP_UTF8) : 0) << n;
        SaveTextFile(&memo, out);
        EXPECT_TRUE(ReadBytes(out) == entry.bytes) << "entry " << n;
    }
}

TEST_F(FileEncodingTest, AHundredMegabyteUtf8FileComesBackByteForByte)
{
    // Pieces of the read cut characters and CR LF pairs at every offset.
    QByteArray text = QByteArray("Grüße aus Köln – „Zitat“ 15 € 👍\r\nzweite\rdritte\n").repeated(100'000'000 / 61);
    text.prepend("\xEF\xBB\xBF");
    const QString in = dir.filePath("gross.txt"), out = dir.filePath("zurueck.txt");
    WriteBytes(in, text);
    LoadTextFile(&memo, in);
    EXPECT_EQ(memo.Encoding(), TEncoding::Utf8);
    SaveTextFile(&memo, out);
    memo.SetText(QByteArray());
    EXPECT_TRUE(ReadBytes(out) == text);
}

TEST_F(FileEncodingTest, TypingBackspaceAndOverwriteWorkOnCharacters)
{
    memo.SetText("Köln\r\n");
    ASSERT_EQ(memo.Encoding(), TEncoding::Utf8);
    QByteArray seen;
    QObject::connect(&memo, &TXMemo::KeyPress, [&](TXMemo *, char &key) {
        seen += key;
        if (key == '\xC3') // the first byte of ä: all of it goes
            key = 0;
    });
    memo.SetSelStart(0);
    Text(&memo, QStringLiteral("äx€„"));
    Key(&memo, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("😀"));
    Key(&memo, Qt::Key_Backspace);
    Key(&memo, Qt::Key_Backspace);
    EXPECT_EQ(memo.Text(), "x€Köln\r\n");
    EXPECT_EQ(seen, QByteArray("\xC3x\xE2\xE2\xF0\b\b"));
    EXPECT_EQ(CaretColumn(&memo), 3) << "the column counts characters";

    // Overwrite: one character for one, whatever their sizes; the line end
    // is never typed over.
    memo.SetOverwrite(true);
    memo.SetSelStart(0);
    Text(&memo, QStringLiteral("ał€€€€€"));
    EXPECT_EQ(memo.Text(), "ał€€€€€\r\n");
    memo.Undo();
    EXPECT_EQ(memo.Text(), "ał€€€€\r\n");

    // Windows-1252 as ever: one byte per character.
    memo.SetOverwrite(false);
    memo.SetText(Latin(QStringLiteral("Köln")));
    ASSERT_EQ(memo.Encoding(), TEncoding::Cp1252);
    memo.SetSelStart(0);
    Text(&memo, QStringLiteral("ä€„"));
    EXPECT_EQ(memo.Text(), Latin(QStringLiteral("ä€„Köln")));
    EXPECT_EQ(CaretColumn(&memo), 4);
}

TEST_F(FileEncodingTest, ShowingAsTheOtherEncodingChangesNoByteAndConvertingIsOneUndoStep)
{
    const QByteArray latin = Latin(QStringLiteral("Grüße\r\naus Köln €"));
    memo.SetText(latin);
    memo.SetEncoding(TEncoding::Utf8);
    EXPECT_EQ(CodePage(), int(QsciScintillaBase::SC_CP_UTF8));
    memo.SetEncoding(TEncoding::Cp1252);
    EXPECT_EQ(CodePage(), 0);
    EXPECT_FALSE(memo.Modified());

    ASSERT_TRUE(memo.ConvertTo(TEncoding::Utf8));
    EXPECT_EQ(memo.Text(), "Grüße\r\naus Köln €");
    EXPECT_EQ(memo.Encoding(), TEncoding::Utf8);
    EXPECT_TRUE(memo.Modified());
    memo.Undo();
    EXPECT_EQ(memo.Text(), latin);
    EXPECT_EQ(CodePage(), 0) << "the old bytes are shown the old way again";
    EXPECT_FALSE(memo.Modified());
    memo.Redo();
    EXPECT_EQ(memo.Encoding(), TEncoding::Utf8);
    memo.SetSelStart(memo.TextLength());
    Text(&memo, QStringLiteral("ł"));
    memo.Undo(); // typing after a conversion is a step of its own
    EXPECT_EQ(memo.Text(), "Grüße\r\naus Köln €");
    EXPECT_EQ(memo.Encoding(), TEncoding::Utf8);

    // Back to Windows-1252 refuses what it cannot hold, naming it.
    memo.SetText("\xEF\xBB\xBFGrüße\nRysiek Łoś\n");
    encodedtext::TUnholdable missing;
    EXPECT_FALSE(memo.ConvertTo(TEncoding::Cp1252, &missing));
    EXPECT_EQ(missing.character, char32_t(0x141));
    EXPECT_EQ(missing.line, 2);
    EXPECT_EQ(memo.Text(), "\xEF\xBB\xBFGrüße\nRysiek Łoś\n");
    memo.SetText("\xEF\xBB\xBFGrüße „x“\n");
    ASSERT_TRUE(memo.ConvertTo(TEncoding::Cp1252));
    EXPECT_EQ(memo.Text(), Latin(QStringLiteral("Grüße „x“\n")));
    memo.Undo();
    EXPECT_EQ(memo.Encoding(), TEncoding::Utf8);
}

TEST_F(FileEncodingTest, PasteAsksBeforeWindows1252LosesCharactersAndCopyGivesThemBack)
{
    TScriptedUser user;
    memo.SetText("ab");
    memo.SetSelStart(1);
    QApplication::clipboard()->setText(QStringLiteral("Łódź €"));
    user.Answers = {dialogs::TAnswer::No, dialogs::TAnswer::Yes};
    Key(&memo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(memo.Text(), QByteArray("ab"));
    EXPECT_EQ(user.Questions, QStringList{QStringLiteral("Warnung|Die Zwischenablage enthält Zeichen, die in "
                                                         "Windows-1252 nicht darstellbar sind. Trotzdem einfügen ?")});
    PastePlainText(&memo);
    EXPECT_EQ(memo.Text(), QByteArray("a?\xF3"
                                      "d? \x80"
                                      "b"));
    QApplication::clipboard()->setText(QStringLiteral("„ü“")); // all of it fits: no question
    Key(&memo, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(user.Questions.size(), 2);

    memo.SetText("ü");
    QApplication::clipboard()->setText(QStringLiteral("Łódź 👍"));
    Key(&memo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(memo.Text(), "Łódź 👍ü");
    EXPECT_EQ(user.Questions.size(), 2);
    QApplication::clipboard()->setMimeData(new QMimeData);
    memo.Select(0, 2);
    Key(&memo, Qt::Key_V, Qt::ControlModifier); // nothing to paste: nothing changes
    EXPECT_EQ(memo.Text(), "Łódź 👍ü");
    memo.Select(0, memo.TextLength());
    memo.CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Łódź 👍ü"));
}

TEST_F(FileEncodingTest, LongLinesAreNeverBrokenInsideACharacter)
{
    const QByteArray text = QByteArray("€").repeated(200000) + "\r\n"; // too long a line to lay out
    memo.SetText(text);
    ASSERT_TRUE(memo.ViewOnly());
    const auto piecesWhole = [&] {
        const auto *shown =
            static_cast<const char *>(memo.SendScintillaPtrResult(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
        return QString::fromUtf8(shown).toUtf8() == shown;
    };
    EXPECT_TRUE(piecesWhole());
    memo.SetSelStart(3 * 1000);
    EXPECT_EQ(CaretColumn(&memo), 1001);
    memo.SetEncoding(TEncoding::Cp1252);
    memo.SetEncoding(TEncoding::Utf8);
    EXPECT_TRUE(piecesWhole()) << "broken anew for the other encoding";
    EXPECT_TRUE(memo.Text() == text);
}

TEST(FileEncodingEditor, CtrlTwoWritesTheQuotesInTheFilesEncodingAndNewFilesTakeTheDefault)
{
    QTemporaryDir dir;
    TMultiEditor editor;
    for (const char *name : {"u.txt", "l.txt", "a.txt"}) {
        WriteBytes(dir.filePath(name), name[0] == 'u' ? "ü" : name[0] == 'l' ? "\xFC" : "abc");
        editor.OpenFile(dir.filePath(name));
    }
    for (int i = 0; i < 2; ++i) {
        editor.ControlAt(i)->SetSelStart(2);
        Key(editor.ControlAt(i), Qt::Key_2, Qt::ControlModifier, QStringLiteral("2"));
        Key(editor.ControlAt(i), Qt::Key_2, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("\""));
    }
    EXPECT_EQ(editor.ControlAt(0)->Text(), "ü„”");
    EXPECT_EQ(editor.ControlAt(1)->Text(), QByteArray("\xFC\x84\x94"));
    EXPECT_EQ(editor.ControlList().At(0)->Encoding(), TEncoding::Utf8);
    QAccessibleTextInterface *read = QAccessible::queryAccessibleInterface(editor.ControlAt(0))->textInterface();
    EXPECT_EQ(read->text(0, read->characterCount()), QStringLiteral("ü„”")) << "a screen reader hears the characters";

    // A text of ASCII alone, unchanged, follows the default; others keep theirs.
    editor.SetDefaultEncoding(TEncoding::Utf8);
    EXPECT_EQ(editor.ControlAt(2)->Encoding(), TEncoding::Utf8);
    EXPECT_EQ(editor.ControlAt(1)->Encoding(), TEncoding::Cp1252);
    editor.NewFileClick(nullptr);
    EXPECT_EQ(editor.CurrentControl()->Encoding(), TEncoding::Utf8);
}

TEST(EncodingMenu, SwitchesConvertsAndShowsTheEncodingWhichTheSettingsKeep)
{
    QTemporaryDir dir;
    TScriptedUser user;
    user.WhenNoAnswerLeft = dialogs::TAnswer::No;
    TMainForm form;
    WriteBytes(dir.filePath("u.txt"), "Grüße\n");
    WriteBytes(dir.filePath("l.txt"), "Gr\xFC\xDF"
                                      "e\xFF");
    WriteBytes(dir.filePath("a.txt"), "ASCII");
    WriteBytes(dir.filePath("q.ini"), "[Options]\r\nEncoding=UTF-8\r\n");
    form.IniFileName = dir.filePath("q.ini");
    ASSERT_TRUE(form.FormShow({"a.txt", "u.txt", "l.txt"}, dir.path()));
    TMultiEditor *editor = form.Editor();
    EXPECT_EQ(editor->ControlAt(0)->Encoding(), TEncoding::Utf8) << "opened before the settings were read";
    const auto item = [&](const char *name) {
        QAction *action = form.Item(QLatin1String(name));
        action->trigger();
        return action;
    };
    const auto shown = [&] {
        const QLabel *label = form.StatusLabel(QStringLiteral("EncodingLabel"));
        return label->text() + QLatin1Char('|') + label->accessibleName();
    };

    EXPECT_EQ(shown(), QStringLiteral("1252|Kodierung 1252"));
    EXPECT_EQ(item("AlsUTF8")->text(), QStringLiteral("Als &UTF-8 anzeigen"));
    EXPECT_EQ(editor->CurrentControl()->Encoding(), TEncoding::Cp1252) << "not UTF-8: refused";
    ASSERT_EQ(user.Messages.size(), 1);
    EXPECT_EQ(item("InUTF8")->text(), QStringLiteral("In UTF-&8 umwandeln"));
    EXPECT_EQ(editor->CurrentControl()->Text(), "Grüße\xC3\xBF");
    EXPECT_EQ(shown(), QStringLiteral("UTF-8|Kodierung UTF-8"));
    EXPECT_TRUE(form.Item("AlsUTF8")->isChecked());
    editor->UndoClick(nullptr);
    EXPECT_EQ(editor->CurrentControl()->Encoding(), TEncoding::Cp1252);

    editor->SelectFile(1);
    EXPECT_EQ(item("AlsWindows1252")->text(), QStringLiteral("Als &Windows-1252 anzeigen"));
    EXPECT_EQ(shown(), QStringLiteral("1252|Kodierung 1252"));
    item("AlsUTF8");
    editor->CurrentControl()->SetSelStart(0);
    Text(editor->CurrentControl(), QStringLiteral("Ł"));
    EXPECT_EQ(item("InWindows1252")->text(), QStringLiteral("In Windows-&1252 umwandeln"));
    ASSERT_EQ(user.Messages.size(), 2);
    EXPECT_EQ(user.Messages[1].section(QLatin1Char('|'), 1),
              QStringLiteral("Die Datei kann nicht in Windows-1252 umgewandelt werden: das Zeichen „Ł“ (U+0141) in "
                             "Zeile 1 ist darin nicht darstellbar."));

    editor->SetDefaultEncoding(TEncoding::Cp1252);
    form.WriteSettings(form.IniFileName);
    EXPECT_TRUE(ReadBytes(form.IniFileName).contains("Encoding=1252\r\n"));
    form.IniFileName.clear();
    user.WhenNoAnswerLeft = dialogs::TAnswer::No;
    form.close();
}
