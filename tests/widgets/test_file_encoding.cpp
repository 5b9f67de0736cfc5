#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "app/EditMain.h"
#include "editor/MultEdit.h"
#include "editor/XMemo.h"
#include "platform/AppTitle.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <gtest/gtest.h>

using namespace testsupport;
using encoding::TEncoding;

namespace {

QByteArray U8(const char *text)
{
    return QByteArray(text);
}

QByteArray Latin(const QString &text)
{
    return encodedtext::FromQString(text, TEncoding::Cp1252);
}

class FileEncodingTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    TXMemo memo;
    QString Path(const QString &name) const { return dir.filePath(name); }
    int CodePage() const { return int(memo.SendScintilla(QsciScintillaBase::SCI_GETCODEPAGE)); }
};

} // namespace

TEST_F(FileEncodingTest, LoadDecidesTheEncodingAndSaveKeepsEveryByte)
{
    QByteArray planes;
    for (char32_t c : {0x80u, 0x7FFu, 0x800u, 0xFFFDu, 0x10000u, 0x1F600u, 0xE0001u, 0x10FFFFu})
        planes += QString::fromUcs4(&c, 1).toUtf8();
    QByteArray deepInvalid = U8("Grüße ").repeated(200000);
    deepInvalid.insert(deepInvalid.size() / 2, '\xFF');
    const struct
    {
        QByteArray bytes;
        TEncoding asciiDefault, expected;
    } corpus[] = {
        {U8("\xEF\xBB\xBFGrüße\r\naus\nKöln\r„Zitat“ 15 €\r\n"), TEncoding::Cp1252, TEncoding::Utf8},
        {U8("\xEF\xBB\xBF"), TEncoding::Cp1252, TEncoding::Utf8},
        {planes + U8("e\xCC\x81 a\xCC\x8A\xCC\x81 👍🏽 🇩🇪\n"), TEncoding::Cp1252, TEncoding::Utf8},
        {deepInvalid, TEncoding::Utf8, TEncoding::Cp1252},
        {QByteArray("\xFF\xFEG\0r\0\xFC\0\xDF\0e\0", 12), TEncoding::Utf8, TEncoding::Cp1252},
        {QByteArray("f\xC3\xBC\0r", 5), TEncoding::Utf8, TEncoding::Cp1252},
        {U8("\xC0\xAF overlong, \xED\xA0\x80 surrogate"), TEncoding::Utf8, TEncoding::Cp1252},
        {Latin(QStringLiteral("Grüße aus Köln")), TEncoding::Utf8, TEncoding::Cp1252},
        {U8("nur ASCII\r\n"), TEncoding::Utf8, TEncoding::Utf8},
        {U8("nur ASCII\r\n"), TEncoding::Cp1252, TEncoding::Cp1252},
    };
    int n = 0;
    for (const auto &entry : corpus) {
        const QString in = Path(QStringLiteral("in%1").arg(n)), out = Path(QStringLiteral("out%1").arg(n));
        ++n;
        WriteBytes(in, entry.bytes);
        memo.SetDefaultEncoding(entry.asciiDefault);
        LoadTextFile(&memo, in);
        EXPECT_EQ(memo.Encoding(), entry.expected) << "entry " << n;
        EXPECT_EQ(CodePage(), entry.expected == TEncoding::Utf8 ? int(QsciScintillaBase::SC_CP_UTF8) : 0)
            << "entry " << n;
        SaveTextFile(&memo, out);
        EXPECT_TRUE(ReadBytes(out) == entry.bytes) << "entry " << n;
    }
}

TEST_F(FileEncodingTest, TypingBackspaceAndOverwriteWorkOnCharacters)
{
    memo.SetText(U8("Köln\r\n"));
    ASSERT_EQ(memo.Encoding(), TEncoding::Utf8);
    memo.SetSelStart(0);
    Text(&memo, QStringLiteral("ä€„"));
    Key(&memo, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("😀"));
    EXPECT_EQ(memo.Text(), U8("ä€„😀Köln\r\n"));
    Key(&memo, Qt::Key_Backspace);
    Key(&memo, Qt::Key_Backspace);
    EXPECT_EQ(memo.Text(), U8("ä€Köln\r\n"));
    EXPECT_EQ(CaretColumn(&memo), 3) << "the column counts characters";
    Key(&memo, Qt::Key_Right);
    Key(&memo, Qt::Key_Delete);
    EXPECT_EQ(memo.Text(), U8("ä€Kln\r\n"));

    // Overwrite: one character for one, whatever their sizes; the line
    // end is never typed over.
    memo.SetOverwrite(true);
    memo.SetSelStart(0);
    Text(&memo, QStringLiteral("a"));
    EXPECT_EQ(memo.Text(), U8("a€Kln\r\n"));
    Text(&memo, QStringLiteral("ö"));
    EXPECT_EQ(memo.Text(), U8("aöKln\r\n"));
    Text(&memo, QStringLiteral("€€€€"));
    EXPECT_EQ(memo.Text(), U8("aö€€€€\r\n"));
    memo.Undo();
    EXPECT_EQ(memo.Text(), U8("aö€€€\r\n"));

    // A Windows-1252 text as ever: one byte per character.
    memo.SetOverwrite(false);
    memo.SetText(Latin(QStringLiteral("Köln")));
    ASSERT_EQ(memo.Encoding(), TEncoding::Cp1252);
    memo.SetSelStart(4);
    Text(&memo, QStringLiteral("ä€„"));
    Key(&memo, Qt::Key_Backspace);
    EXPECT_EQ(memo.Text(), Latin(QStringLiteral("Kölnä€")));
    EXPECT_EQ(CaretColumn(&memo), 7);
}

TEST_F(FileEncodingTest, KeyHandlersSeeOneValuePerCharacter)
{
    memo.SetText(U8("ü"));
    memo.SetSelStart(memo.TextLength());
    QByteArray seen;
    QObject::connect(&memo, &TXMemo::KeyPress, [&](TXMemo *, char &key) {
        seen += key;
        if (key == '\xE2') // the first byte of €: the whole character goes
            key = 0;
    });
    Text(&memo, QStringLiteral("a€ö"));
    EXPECT_EQ(seen, QByteArray("a\xE2\xC3"));
    EXPECT_EQ(memo.Text(), U8("üaö"));
}

TEST_F(FileEncodingTest, ShowingAsTheOtherEncodingChangesNoByteAndConvertingIsOneUndoStep)
{
    const QByteArray latin = Latin(QStringLiteral("Grüße\r\naus Köln €"));
    memo.SetText(latin);
    ASSERT_EQ(memo.Encoding(), TEncoding::Cp1252);
    memo.SetEncoding(TEncoding::Utf8);
    EXPECT_EQ(CodePage(), int(QsciScintillaBase::SC_CP_UTF8));
    memo.SetEncoding(TEncoding::Cp1252);
    EXPECT_EQ(CodePage(), 0);
    EXPECT_EQ(memo.Text(), latin);
    EXPECT_FALSE(memo.Modified());

    ASSERT_TRUE(memo.ConvertTo(TEncoding::Utf8));
    EXPECT_EQ(memo.Text(), U8("Grüße\r\naus Köln €"));
    EXPECT_EQ(memo.Encoding(), TEncoding::Utf8);
    EXPECT_TRUE(memo.Modified());
    memo.Undo();
    EXPECT_EQ(memo.Text(), latin);
    EXPECT_EQ(memo.Encoding(), TEncoding::Cp1252) << "undo shows the old bytes the old way";
    EXPECT_EQ(CodePage(), 0);
    EXPECT_FALSE(memo.Modified());
    memo.Redo();
    EXPECT_EQ(memo.Text(), U8("Grüße\r\naus Köln €"));
    EXPECT_EQ(memo.Encoding(), TEncoding::Utf8);

    // Typing after a conversion is a step of its own.
    memo.SetSelStart(memo.TextLength());
    Text(&memo, QStringLiteral("ł"));
    memo.Undo();
    EXPECT_EQ(memo.Text(), U8("Grüße\r\naus Köln €"));
    EXPECT_EQ(memo.Encoding(), TEncoding::Utf8);

    // Back to Windows-1252 refuses what it cannot hold, naming it.
    memo.SetText(U8("\xEF\xBB\xBFGrüße\nRysiek Łoś\n"));
    memo.SetModified(false);
    encodedtext::TUnholdable missing;
    EXPECT_FALSE(memo.ConvertTo(TEncoding::Cp1252, &missing));
    EXPECT_EQ(missing.character, char32_t(0x141));
    EXPECT_EQ(missing.line, 2);
    EXPECT_EQ(memo.Text(), U8("\xEF\xBB\xBFGrüße\nRysiek Łoś\n"));
    EXPECT_EQ(memo.Encoding(), TEncoding::Utf8);
    EXPECT_FALSE(memo.Modified());
    memo.SetText(U8("\xEF\xBB\xBFGrüße „x“\n"));
    ASSERT_TRUE(memo.ConvertTo(TEncoding::Cp1252));
    EXPECT_EQ(memo.Text(), Latin(QStringLiteral("Grüße „x“\n")));
    memo.Undo();
    EXPECT_EQ(memo.Text(), U8("\xEF\xBB\xBFGrüße „x“\n"));
    EXPECT_EQ(memo.Encoding(), TEncoding::Utf8);
}

TEST_F(FileEncodingTest, PasteAsksBeforeWindows1252LosesCharactersAndCopyGivesThemBack)
{
    TScriptedUser user;
    const QString question = QStringLiteral("Warnung|Die Zwischenablage enthält Zeichen, die in Windows-1252 nicht "
                                            "darstellbar sind. Trotzdem einfügen ?");
    memo.SetText("ab");
    memo.SetSelStart(1);
    QApplication::clipboard()->setText(QStringLiteral("Łódź €"));
    user.Answers = {dialogs::TAnswer::No};
    Key(&memo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(memo.Text(), QByteArray("ab"));
    EXPECT_EQ(user.Questions, QStringList{question});
    user.Answers = {dialogs::TAnswer::Yes};
    PastePlainText(&memo);
    EXPECT_EQ(memo.Text(), QByteArray("a?\xF3"
                                      "d? \x80"
                                      "b"));
    EXPECT_EQ(user.Questions.size(), 2);

    // What Windows-1252 holds goes in without a question.
    QApplication::clipboard()->setText(QStringLiteral("„ü“"));
    Key(&memo, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(user.Questions.size(), 2);

    // UTF-8 holds everything.
    memo.SetText(U8("ü"));
    memo.SetSelStart(0);
    QApplication::clipboard()->setText(QStringLiteral("Łódź 👍"));
    Key(&memo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(memo.Text(), U8("Łódź 👍ü"));
    EXPECT_EQ(user.Questions.size(), 2);
    memo.Select(0, memo.TextLength());
    memo.CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Łódź 👍ü"));
}

TEST_F(FileEncodingTest, LongLinesAreNeverBrokenInsideACharacter)
{
    const QByteArray line = U8("€").repeated(200000); // 600 000 bytes, too long to lay out
    memo.SetText(line + "\r\n");
    ASSERT_TRUE(memo.ViewOnly());
    ASSERT_EQ(memo.Encoding(), TEncoding::Utf8);
    const auto piecesWhole = [&] {
        const QByteArray shown(
            static_cast<const char *>(memo.SendScintillaPtrResult(QsciScintillaBase::SCI_GETCHARACTERPOINTER)));
        for (const QByteArray &piece : shown.split('\n')) {
            if (!piece.isEmpty() && QString::fromUtf8(piece).toUtf8() != piece)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(piecesWhole());
    EXPECT_EQ(CaretColumn(&memo), 1);
    memo.SetSelStart(3 * 1000);
    EXPECT_EQ(CaretColumn(&memo), 1001);
    memo.SetEncoding(TEncoding::Cp1252);
    memo.SetEncoding(TEncoding::Utf8);
    EXPECT_TRUE(piecesWhole()) << "broken anew for the other encoding";
    EXPECT_EQ(memo.Text(), line + "\r\n");
}

TEST_F(FileEncodingTest, TheBufferFollowsTheCaretWithoutSplittingACharacter)
{
    QByteArray text;
    while (text.size() < (20 << 20))
        text += U8("Zeile mit ä ö ü € und 😀\r\n");
    memo.SetText(text);
    ASSERT_EQ(memo.Encoding(), TEncoding::Utf8);
    memo.resize(400, 300);
    memo.show();
    const auto settle = [&] {
        for (int i = 0; i < 100; ++i)
            QCoreApplication::processEvents();
    };
    const auto gap = [&] { return memo.SendScintilla(QsciScintillaBase::SCI_GETGAPPOSITION); };
    // Every byte position a selection could end on right behind the byte
    // the follower takes: the start of a character of each size.
    for (const char *mark : {"ä", "€", "😀"}) {
        const qint64 end = text.lastIndexOf(mark, text.size() - 100);
        memo.SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(end), static_cast<long>(end));
        settle();
        EXPECT_GT(gap(), end - (64 << 10)) << mark;
        EXPECT_EQ(memo.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), end) << mark;
        memo.SetSelStart(0);
        settle();
    }
    EXPECT_TRUE(memo.Text() == text);
    EXPECT_FALSE(memo.Modified());
}

TEST(FileEncodingEditor, CtrlTwoWritesTheQuotesInTheFilesEncodingAndNewFilesTakeTheDefault)
{
    QTemporaryDir dir;
    TMultiEditor editor;
    const QString utf8 = dir.filePath(QStringLiteral("u.txt")), latin = dir.filePath(QStringLiteral("l.txt"));
    WriteBytes(utf8, U8("ü"));
    WriteBytes(latin, "\xFC");
    editor.OpenFile(utf8);
    editor.OpenFile(latin);
    for (int i = 0; i < 2; ++i) {
        TXMemo *memo = editor.ControlAt(i);
        memo->SetSelStart(memo->TextLength());
        Key(memo, Qt::Key_2, Qt::ControlModifier, QStringLiteral("2"));
        Key(memo, Qt::Key_2, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("\""));
    }
    EXPECT_EQ(editor.ControlAt(0)->Text(), U8("ü„”"));
    EXPECT_EQ(editor.ControlAt(1)->Text(), QByteArray("\xFC\x84\x94"));
    EXPECT_EQ(editor.ControlList().At(0)->Encoding(), TEncoding::Utf8);
    EXPECT_EQ(editor.ControlList().At(1)->Encoding(), TEncoding::Cp1252);

    // A text of ASCII alone, unchanged, follows the default; others keep theirs.
    const QString ascii = dir.filePath(QStringLiteral("a.txt"));
    WriteBytes(ascii, "abc");
    editor.OpenFile(ascii);
    editor.SetDefaultEncoding(TEncoding::Utf8);
    EXPECT_EQ(editor.ControlAt(2)->Encoding(), TEncoding::Utf8);
    EXPECT_EQ(editor.ControlAt(1)->Encoding(), TEncoding::Cp1252);
    editor.NewFileClick(nullptr);
    EXPECT_EQ(editor.CurrentControl()->Encoding(), TEncoding::Utf8);
    editor.SetDefaultEncoding(TEncoding::Cp1252);
    EXPECT_EQ(editor.ControlAt(2)->Encoding(), TEncoding::Cp1252);
}

namespace {

class EncodingMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        apptitle::SetTitle(QStringLiteral("Quillon 32"));
        user.WhenNoAnswerLeft = dialogs::TAnswer::No;
        form = new TMainForm;
        form->IniFileName.clear();
    }
    void TearDown() override
    {
        form->IniFileName.clear();
        user.Answers = QList<dialogs::TAnswer>(20, dialogs::TAnswer::No);
        form->close();
        delete form;
    }
    QString MakeFile(const QString &name, const QByteArray &bytes)
    {
        WriteBytes(dir.filePath(name), bytes);
        return dir.filePath(name);
    }
    TXMemo *Memo() const { return form->Editor()->CurrentControl(); }
    QString Shown() const
    {
        const QLabel *label = form->StatusLabel(QStringLiteral("EncodingLabel"));
        return label ? label->text() + QLatin1Char('|') + label->accessibleName() : QStringLiteral("<none>");
    }

    QTemporaryDir dir;
    TScriptedUser user;
    TMainForm *form = nullptr;
};

} // namespace

TEST_F(EncodingMenuTest, TheMenuSwitchesAndConvertsAndThePanelShowsTheEncoding)
{
    MakeFile("u.txt", U8("Grüße aus Köln – „Zitat“ 15 €\n"));
    MakeFile("l.txt", "Gr\xFC\xDF"
                      "e\xFF");
    ASSERT_TRUE(form->FormShow({"u.txt", "l.txt"}, dir.path()));
    QAction *asLatin = form->Item("AlsWindows1252"), *asUtf8 = form->Item("AlsUTF8");
    QAction *toLatin = form->Item("InWindows1252"), *toUtf8 = form->Item("InUTF8");
    ASSERT_TRUE(asLatin && asUtf8 && toLatin && toUtf8);
    EXPECT_EQ(asLatin->text(), QStringLiteral("Als &Windows-1252 anzeigen"));
    EXPECT_EQ(asUtf8->text(), QStringLiteral("Als &UTF-8 anzeigen"));
    EXPECT_EQ(toLatin->text(), QStringLiteral("In Windows-&1252 umwandeln"));
    EXPECT_EQ(toUtf8->text(), QStringLiteral("In UTF-&8 umwandeln"));
    EXPECT_EQ(form->Item("Kodierung1")->text(), QStringLiteral("&Kodierung"));

    EXPECT_EQ(Shown(), QStringLiteral("1252|Kodierung 1252"));
    EXPECT_TRUE(asLatin->isChecked());
    asUtf8->trigger(); // not UTF-8: refused
    EXPECT_EQ(Memo()->Encoding(), TEncoding::Cp1252);
    ASSERT_EQ(user.Messages.size(), 1);
    EXPECT_TRUE(user.Messages[0].contains(QStringLiteral("kein gültiger UTF-8-Text")))
        << user.Messages[0].toStdString();
    toUtf8->trigger();
    EXPECT_EQ(Memo()->Text(), U8("Grüße\xC3\xBF"));
    EXPECT_EQ(Shown(), QStringLiteral("UTF-8|Kodierung UTF-8"));
    EXPECT_TRUE(asUtf8->isChecked());
    form->Editor()->UndoClick(nullptr);
    EXPECT_EQ(Memo()->Text(), QByteArray("Gr\xFC\xDF"
                                         "e\xFF"));
    EXPECT_EQ(Memo()->Encoding(), TEncoding::Cp1252);

    form->Editor()->SelectFile(0);
    EXPECT_EQ(Shown(), QStringLiteral("UTF-8|Kodierung UTF-8"));
    asLatin->trigger();
    EXPECT_EQ(Memo()->Encoding(), TEncoding::Cp1252);
    EXPECT_FALSE(Memo()->Modified());
    asUtf8->trigger();
    EXPECT_EQ(Memo()->Encoding(), TEncoding::Utf8);
    Memo()->SetSelStart(0);
    Text(Memo(), QStringLiteral("Ł"));
    toLatin->trigger();
    ASSERT_EQ(user.Messages.size(), 2);
    EXPECT_EQ(user.Messages[1].section(QLatin1Char('|'), 1),
              QStringLiteral("Die Datei kann nicht in Windows-1252 umgewandelt werden: "
                             "das Zeichen „Ł“ (U+0141) in Zeile 1 ist darin nicht darstellbar."));
    EXPECT_EQ(Memo()->Encoding(), TEncoding::Utf8);
}

TEST_F(EncodingMenuTest, TheDefaultEncodingComesFromTheSettingsAndGoesBack)
{
    const QString ini = MakeFile("q.ini", "[Options]\r\nEncoding=UTF-8\r\n");
    MakeFile("a.txt", "nur ASCII");
    form->IniFileName = ini;
    ASSERT_TRUE(form->FormShow({"a.txt"}, dir.path()));
    EXPECT_EQ(form->Editor()->DefaultEncoding(), TEncoding::Utf8);
    EXPECT_EQ(Memo()->Encoding(), TEncoding::Utf8) << "opened before the settings were read";
    form->Editor()->SetDefaultEncoding(TEncoding::Cp1252);
    form->WriteSettings(ini);
    EXPECT_TRUE(ReadBytes(ini).contains("Encoding=1252\r\n")) << ReadBytes(ini).constData();
}
