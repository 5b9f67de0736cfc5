#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "editor/XMemo.h"
#include "platform/core/EditorError.h"
#include "platform/Dialogs.h"
#include "platform/core/Cp1252.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QMimeData>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <csignal>

using namespace testsupport;

namespace {

QByteArray AllBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

class XMemoTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    TXMemo memo;
    QString Path(const QString &name) const { return dir.filePath(name); }
};

} // namespace

TEST_F(XMemoTest, LoadAndSaveKeepEveryByte)
{
    const QList<QByteArray> corpus = {
        AllBytes(),
        QByteArray("a\r\nb\nc\rd\r\n\n\r\re", 15),
        QByteArray("no final line break"),
        QByteArray(),
        QByteArray("\0\0x\0", 4),
        QByteArray("\r"),
        QByteArray("ends with CR\r"),
        AllBytes().repeated(4000),
    };
    int n = 0;
    for (const QByteArray &bytes : corpus) {
        const QString in = Path(QStringLiteral("in%1").arg(n)), out = Path(QStringLiteral("out%1").arg(n));
        ++n;
        WriteBytes(in, bytes);
        LoadTextFile(&memo, in);
        EXPECT_EQ(memo.TextLength(), bytes.size());
        SaveTextFile(&memo, out);
        EXPECT_EQ(ReadBytes(out), bytes) << "corpus entry " << n;
    }
}

TEST_F(XMemoTest, FailedOpenKeepsTextAndNamesTheFile)
{
    memo.SetText("kept");
    const QString missing = Path(QStringLiteral("nicht da.txt"));
    try {
        LoadTextFile(&memo, missing);
        FAIL() << "no error for a missing file";
    } catch (const TEditorError &error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(missing));
    }
    EXPECT_THROW(LoadTextFile(&memo, dir.path()), TEditorError);
    EXPECT_EQ(memo.Text(), QByteArray("kept"));
}

TEST_F(XMemoTest, StreamsReadFromTheirPositionAndKeepTheModifiedFlag)
{
    QByteArray data("0123456789");
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(4);
    memo.SetModified(true);
    memo.ReadTextFromStream(buffer);
    EXPECT_EQ(memo.Text(), QByteArray("456789"));
    EXPECT_TRUE(memo.Modified()) << "loading must not clear the modified flag";

    memo.ReadTextFromStream(buffer); // at its end
    EXPECT_EQ(memo.TextLength(), 0);
}

TEST_F(XMemoTest, WritingClearsTheModifiedFlagOnlyOnSuccess)
{
    QByteArray out;
    QBuffer sink(&out);
    sink.open(QIODevice::WriteOnly);
    memo.SetModified(true);
    memo.WriteTextToStream(sink);
    EXPECT_EQ(out.size(), 0);
    EXPECT_FALSE(memo.Modified());

    memo.SetText("text");
    memo.SetModified(true);
    QBuffer readOnly(&out);
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_THROW(memo.WriteTextToStream(readOnly), TEditorError);
    EXPECT_TRUE(memo.Modified());
}

TEST_F(XMemoTest, SaveErrorsLeaveTheOriginalIntact)
{
    const QString target = Path(QStringLiteral("brief.txt"));
    const QByteArray original = AllBytes().repeated(10);
    WriteBytes(target, original);
    memo.SetText(QByteArray(200000, 'x'));

    // A full disk: writes past the limit fail (EFBIG) instead of the disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 50000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    try {
        SaveTextFile(&memo, target);
    } catch (const TEditorError &error) {
        message = error.Message();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(message, QStringLiteral("Speichern des Streams ist mißlungen"));
    EXPECT_EQ(ReadBytes(target), original);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("brief.txt")})
        << "no temporary file may be left behind";

    const QString noFolder = Path(QStringLiteral("fehlt/brief.txt"));
    try {
        SaveTextFile(&memo, noFolder);
        FAIL() << "saving into a missing folder succeeded";
    } catch (const TEditorError &error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Datei %1 kann nicht erstellt werden").arg(noFolder));
    }
    EXPECT_THROW(SaveTextFile(&memo, dir.path()), TEditorError);
}

TEST_F(XMemoTest, SaveKeepsPermissionsAndWritesThroughLinks)
{
    const QString target = Path(QStringLiteral("ziel.txt"));
    const QString link = Path(QStringLiteral("verweis.txt"));
    WriteBytes(target, "alt");
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    ASSERT_TRUE(QFile::link(target, link));
    memo.SetText("neu");
    SaveTextFile(&memo, link);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadBytes(target), QByteArray("neu"));
    const auto modeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::WriteGroup
                          | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(target).permissions() & modeBits, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

TEST_F(XMemoTest, TypedCharactersBecomeWindows1252Bytes)
{
    Text(&memo, QStringLiteral("a€„ÄŸ"));
    EXPECT_EQ(memo.Text(), QByteArray("a\x80\x84\xC4\x9F"));
    // A character the file cannot hold is refused, not replaced.
    Text(&memo, QStringLiteral("中"));
    EXPECT_EQ(memo.Text(), QByteArray("a\x80\x84\xC4\x9F"));
    EXPECT_TRUE(memo.Modified());
}

TEST_F(XMemoTest, KeyHandlersCanSwallowKeys)
{
    QObject::connect(&memo, &TXMemo::KeyPress, [](TXMemo *, char &key) {
        if (key == 'x')
            key = 0;
        else if (key == 'y')
            key = 'Y';
    });
    QObject::connect(&memo, &TXMemo::KeyDown, [](TXMemo *, int &key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Backspace)
            key = 0;
    });
    Text(&memo, QStringLiteral("axyb"));
    Key(&memo, Qt::Key_Backspace);
    EXPECT_EQ(memo.Text(), QByteArray("aYb"));
}

TEST_F(XMemoTest, EnterInsertsTheFilesOwnLineEnding)
{
    const QList<QPair<QByteArray, QByteArray>> cases = {{"a\nb\n", "\n"},
                                                        {"a\r\nb", "\r\n"},
                                                        {"a\rb\r", "\r"},
                                                        {"", "\r\n"},
                                                        {"x\r\ny\nz\n", "\n"}};
    for (const auto &[text, eol] : cases) {
        memo.SetText(text);
        memo.SetSelStart(memo.TextLength());
        Key(&memo, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        EXPECT_EQ(memo.Text(), text + eol);
    }
}

TEST_F(XMemoTest, AnEditChangesOnlyTheBytesEdited)
{
    const QByteArray mixed("eins\r\nzwei\ndrei\rvier\x84\x00 f\xfcnf", 27);
    memo.SetText(mixed);
    memo.SetSelStart(12); // inside "drei"
    Text(&memo, QStringLiteral("Ü"));
    QByteArray expected = mixed;
    expected.insert(12, '\xDC');
    EXPECT_EQ(memo.Text(), expected);
}

TEST_F(XMemoTest, WantTabsAndWantReturns)
{
    Key(&memo, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    Key(&memo, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    memo.SetWantReturns(false);
    Key(&memo, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(memo.Text(), QByteArray("\r\n"));
    memo.SetWantTabs(true);
    Key(&memo, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    EXPECT_EQ(memo.Text(), QByteArray("\r\n\t"));
}

TEST_F(XMemoTest, PastePlainText)
{
    memo.SetText("Hallo Welt");
    memo.Select(6, 4);
    QApplication::clipboard()->setText(QStringLiteral("„Leute“ €"));
    PastePlainText(&memo);
    EXPECT_EQ(memo.Text(), QByteArray("Hallo \x84Leute\x93 \x80"));

    memo.SetSelStart(0); // empty selection: insert at the caret
    QApplication::clipboard()->setText(QStringLiteral(">"));
    PastePlainText(&memo);
    EXPECT_EQ(memo.Text().left(2), QByteArray(">H"));

    memo.Select(0, 7); // no text on the clipboard: the selection goes
    QApplication::clipboard()->setMimeData(new QMimeData);
    PastePlainText(&memo);
    EXPECT_EQ(memo.Text(), QByteArray("\x84Leute\x93 \x80"));
}

TEST_F(XMemoTest, CopyGivesTheClipboardUnicode)
{
    memo.SetText("\x80 \x84x\x93");
    memo.Select(0, 5);
    memo.CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("€ „x“"));
}

TEST_F(XMemoTest, CaretLineAndColumn)
{
    memo.SetText("ab\r\ncde\nf");
    memo.SetSelStart(0);
    EXPECT_EQ(CaretLine(&memo), 1);
    EXPECT_EQ(CaretColumn(&memo), 1);
    memo.Select(6, 2); // "e\n" on line 2: the start counts
    EXPECT_EQ(CaretLine(&memo), 2);
    EXPECT_EQ(CaretColumn(&memo), 3);
    memo.SetSelStart(memo.TextLength());
    EXPECT_EQ(CaretLine(&memo), 3);
    EXPECT_EQ(CaretColumn(&memo), 2);
}

TEST_F(XMemoTest, NoCaretLandsInsideALineBreak)
{
    memo.SetText("Zeile eins ist lang\r\nabcde\r\ndritte Zeile lang\r\nxyz");
    const qint64 line2 = memo.LineIndex(1), line3 = memo.LineIndex(2);
    memo.SetSelStart(line3 + 11);
    GoToLine(&memo, 2);
    EXPECT_EQ(memo.SelStart(), line2 + 5) << "behind the line's text";
    EXPECT_EQ(CaretColumn(&memo), 6);
    memo.SetSelText("#");
    EXPECT_EQ(memo.TextRange(line2, line2 + 8), QByteArray("abcde#\r\n"));

    // Any placement: a caret goes before the pair, a selection takes it whole.
    const qint64 lf = memo.LineIndex(2) - 1;
    memo.SetSelStart(lf);
    EXPECT_EQ(memo.SelStart(), lf - 1);
    EXPECT_EQ(memo.SelLength(), 0);
    memo.Select(lf, 3);
    EXPECT_EQ(memo.SelText(), QByteArray("\r\ndr"));
    memo.Select(lf - 3, 3);
    EXPECT_EQ(memo.SelText(), QByteArray("e#\r\n"));
    memo.Select(lf - 2, 1);
    EXPECT_EQ(memo.SelText(), QByteArray("#")) << "selections beside a break stay as they are";
}

TEST_F(XMemoTest, UndoGoesBackOneStepPerCall)
{
    memo.SetText("");
    Text(&memo, QStringLiteral("eins"));
    memo.Select(0, 4);
    memo.SetSelText("zwei");
    memo.SetSelStart(4);
    Text(&memo, QStringLiteral("!?"));
    memo.Undo();
    EXPECT_EQ(memo.Text(), QByteArray("zwei"));
    memo.Undo();
    EXPECT_EQ(memo.Text(), QByteArray("eins"));
    memo.Undo();
    EXPECT_EQ(memo.Text(), QByteArray(""));
    EXPECT_FALSE(memo.Modified());
}

TEST_F(XMemoTest, OverwriteTypesOverCharactersButNeverOverALineEnd)
{
    memo.SetOverwrite(true);
    for (const QByteArray &eol : {QByteArray("\r\n"), QByteArray("\n"), QByteArray("\r")}) {
        memo.SetText("ab" + eol + "cd");
        memo.SetSelStart(1);
        Text(&memo, QStringLiteral("XYZ"));
        EXPECT_EQ(memo.Text(), "aXYZ" + eol + "cd") << "over the line's last character, then appended";
        Key(&memo, Qt::Key_Return);
        EXPECT_EQ(memo.Text(), "aXYZ" + eol + eol + "cd") << "Enter at the line end inserts";
    }
    memo.SetText("ab");
    memo.SetSelStart(1);
    Text(&memo, QStringLiteral("XY"));
    EXPECT_EQ(memo.Text(), QByteArray("aXY"));

    // Several characters in one input: each takes one character's place.
    memo.SetText("abc\r\nd");
    memo.SetSelStart(0);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("WXYZ"));
    QCoreApplication::sendEvent(&memo, &commit);
    EXPECT_EQ(memo.Text(), QByteArray("WXYZ\r\nd"));

    memo.SetText("abcdef");
    memo.Select(1, 3);
    Text(&memo, QStringLiteral("Q"));
    EXPECT_EQ(memo.Text(), QByteArray("aQef")) << "a selection is replaced as in insert mode";

    // Enter and Tab take a character's place like any typed character.
    memo.SetWantTabs(true);
    memo.SetText("abcd\r\n");
    memo.SetSelStart(1);
    Key(&memo, Qt::Key_Tab);
    Key(&memo, Qt::Key_Return);
    EXPECT_EQ(memo.Text(), QByteArray("a\t\r\nd\r\n"));
    Key(&memo, Qt::Key_Backspace);
    EXPECT_EQ(memo.Text(), QByteArray("a\td\r\n")) << "Backspace deletes, as in insert mode";
}

TEST_F(XMemoTest, OverwriteUndoesOneKeyAtATime)
{
    memo.SetOverwrite(true);
    memo.SetText("abcd\r\n");
    memo.SetSelStart(1);
    Text(&memo, QStringLiteral("XYZW"));
    ASSERT_EQ(memo.Text(), QByteArray("aXYZW\r\n"));
    for (const char *before : {"aXYZ\r\n", "aXYd\r\n", "aXcd\r\n", "abcd\r\n"}) {
        memo.Undo();
        EXPECT_EQ(memo.Text(), QByteArray(before));
    }
    EXPECT_FALSE(memo.Modified());
}

TEST_F(XMemoTest, ChangeIsReportedAfterTheEdit)
{
    QList<qint64> lengths;
    QObject::connect(&memo, &TXMemo::Change, [&](TXMemo *m) { lengths << m->TextLength(); });
    Text(&memo, QStringLiteral("abc"));
    QCoreApplication::processEvents();
    ASSERT_FALSE(lengths.isEmpty());
    EXPECT_EQ(lengths.last(), 3);
}

TEST_F(XMemoTest, TheBufferFollowsTheCaretAndNothingElseChanges)
{
    QByteArray text;
    while (text.size() < (24 << 20))
        text += "Zeile mit Text\r\n";
    memo.SetText(text);
    memo.resize(400, 300);
    memo.show();
    const auto settle = [&] {
        for (int i = 0; i < 100; ++i)
            QCoreApplication::processEvents();
    };
    settle();
    int changes = 0;
    QObject::connect(&memo, &TXMemo::Change, [&](TXMemo *) { ++changes; });
    const auto gap = [&] { return memo.SendScintilla(QsciScintillaBase::SCI_GETGAPPOSITION); };
    EXPECT_LT(gap(), 64) << "ready for the first key at the start";

    // A selection backwards whose far end lies right behind the caret.
    const qint64 end = text.size() - 1000;
    memo.SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(end - 1), static_cast<long>(end));
    memo.SendScintilla(QsciScintillaBase::SCI_SETANCHOR, static_cast<unsigned long>(end - 1));
    memo.SendScintilla(QsciScintillaBase::SCI_SETCURRENTPOS, static_cast<unsigned long>(end));
    settle();
    EXPECT_GT(gap(), end - (64 << 10)) << "the gap went forwards to the caret";
    EXPECT_EQ(memo.SendScintilla(QsciScintillaBase::SCI_GETANCHOR), end - 1);
    EXPECT_EQ(memo.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), end);

    memo.Select(1000, 5);
    settle();
    EXPECT_LT(gap(), 1000 + (64 << 10)) << "and back";
    EXPECT_EQ(memo.SelStart(), 1000);
    EXPECT_EQ(memo.SelLength(), 5);
    EXPECT_TRUE(memo.Text() == text);
    EXPECT_FALSE(memo.Modified());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(memo.SendScintilla(QsciScintillaBase::SCI_CANUNDO), 0);
}

namespace {

// "Kopf", a line of 1.5 MB (words, blanks, Windows-1252 bytes), "Ende":
// the middle line is too long to lay out and is shown in pieces.
QByteArray TextWithAGiantLine()
{
    QByteArray giant;
    for (int i = 0; giant.size() < (3 << 19); ++i)
        giant += QByteArray("wort") + QByteArray::number(i) + (i % 7 ? " " : "\x84z\x93\t");
    return QByteArray("Kopf\r\n") + giant + QByteArray("\r\nEnde");
}

class GiantLineTest : public XMemoTest
{
protected:
    void SetUp() override
    {
        bytes = TextWithAGiantLine();
        WriteBytes(Path("gross.txt"), bytes);
        memo.resize(600, 400);
        memo.show();
        LoadTextFile(&memo, Path("gross.txt"));
    }
    qint64 ShownLines() { return memo.SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT); }

    TScriptedUser user;
    QStringList &messages = user.Messages;
    QByteArray bytes;
};

} // namespace

TEST_F(GiantLineTest, IsShownInPiecesAndSavedByteForByte)
{
    ASSERT_TRUE(memo.ViewOnly());
    EXPECT_GT(ShownLines(), 1000);
    EXPECT_EQ(memo.TextLength(), bytes.size());
    EXPECT_TRUE(memo.Text() == bytes);
    EXPECT_EQ(memo.LineCount(), 3);
    EXPECT_EQ(memo.LineIndex(1), 6);
    EXPECT_EQ(memo.LineIndex(2), bytes.size() - 4);
    EXPECT_EQ(memo.LineFromChar(bytes.size() - 7), 1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(memo.Modified());
    SaveTextFile(&memo, Path("kopie.txt"));
    EXPECT_TRUE(ReadBytes(Path("kopie.txt")) == bytes);
    EXPECT_TRUE(messages.isEmpty());

    // An ordinary text afterwards is laid out and editable as ever.
    memo.SetText("kurz");
    EXPECT_FALSE(memo.ViewOnly());
    memo.SetSelStart(4);
    Text(&memo, QStringLiteral("!"));
    EXPECT_EQ(memo.Text(), QByteArray("kurz!"));
}

TEST_F(GiantLineTest, RefusesEveryChangeAndSaysWhyOnce)
{
    memo.setFocus();
    memo.Select(100, 5);
    Text(&memo, QStringLiteral("xy"));
    Key(&memo, Qt::Key_Backspace);
    Key(&memo, Qt::Key_Delete);
    Key(&memo, Qt::Key_Return);
    memo.SetSelText("neu");
    memo.ReplaceRange(0, 4, "Fuss");
    QApplication::clipboard()->setText(QStringLiteral("eingefügt"));
    PastePlainText(&memo);
    memo.CutToClipboard();
    memo.Undo();
    QCoreApplication::processEvents();
    EXPECT_TRUE(memo.Text() == bytes);
    EXPECT_FALSE(memo.Modified());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("nur angesehen, nicht bearbeitet")));

    // The next file that is too long says so again.
    LoadTextFile(&memo, Path("gross.txt"));
    Text(&memo, QStringLiteral("z"));
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.size(), 2);
}

TEST_F(GiantLineTest, SelectionCaretAndClipboardSpeakInTheFilesBytes)
{
    // A stretch across several pieces on screen is the file's bytes.
    const qint64 start = 6 + 1000, length = 900;
    memo.Select(start, length);
    EXPECT_EQ(memo.SelStart(), start);
    EXPECT_EQ(memo.SelLength(), length);
    EXPECT_TRUE(memo.SelText() == bytes.mid(start, length));
    const qint64 shownStart = memo.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    const qint64 shownEnd = memo.SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
    EXPECT_GT(shownEnd - shownStart, length) << "the screen shows extra breaks in between";
    memo.CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), cp1252::ToQString(bytes.mid(start, length)));

    EXPECT_EQ(CaretLine(&memo), 2);
    EXPECT_EQ(CaretColumn(&memo), 1001);
    memo.SetSelStart(7);
    GoToLine(&memo, 3);
    EXPECT_EQ(memo.SelStart(), bytes.size() - 3);
    // The caret keys walk through the pieces as through any text.
    memo.SetSelStart(6);
    Key(&memo, Qt::Key_Down);
    EXPECT_EQ(CaretLine(&memo), 2);
    EXPECT_GT(CaretColumn(&memo), 100);
    Key(&memo, Qt::Key_End);
    Key(&memo, Qt::Key_Right);
    EXPECT_EQ(CaretLine(&memo), 2) << "the end of a piece is no line end";
}
