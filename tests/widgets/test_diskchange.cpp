#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "editor/DiskWatcher.h"
#include "editor/MultEdit.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace testsupport;
using dialogs::TAnswer;

namespace {

class DiskChangeTest : public ::testing::Test
{
protected:
    void SetUp() override { editor.resize(600, 400); }
    QString Path(const QString &name) const { return dir.filePath(name); }
    QString Open(const QString &name, const QByteArray &bytes)
    {
        const QString path = Path(name);
        WriteBytes(path, bytes);
        editor.OpenFile(path);
        return path;
    }
    // Another program writes: new bytes, and a time that surely differs.
    static void Rewrite(const QString &path, const QByteArray &bytes, int secondsLater = 10)
    {
        WriteBytes(path, bytes);
        SetTime(path, secondsLater);
    }
    static void SetTime(const QString &path, int secondsLater)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            file.setFileTime(QDateTime::currentDateTime().addSecs(secondsLater), QFileDevice::FileModificationTime));
    }
    static bool CanUndo(TXMemo *memo) { return memo->SendScintilla(QsciScintillaBase::SCI_CANUNDO) != 0; }
    void CheckAll() { editor.DiskWatcher()->CheckAll(); }
    static QString Asked(const QString &text) { return QStringLiteral("Warnung|") + text; }

    QTemporaryDir dir;
    TScriptedUser user;
    TMultiEditor editor;
};

} // namespace

TEST_F(DiskChangeTest, AnUnmodifiedFileIsReloadedWithOneUndoStepBack)
{
    const QString path = Open(QStringLiteral("a.txt"), "eins\r\nzwei\r\ndrei\r\nvier\r\n");
    TXMemo *memo = editor.CurrentControl();
    GoToLine(memo, 3);
    Rewrite(path, "neu eins\r\nneu zwei\r\nneu drei\r\nneu vier\r\nf\xfcnf\r\n");
    CheckAll();
    EXPECT_TRUE(user.Shown.isEmpty());
    EXPECT_EQ(memo->Text(), QByteArray("neu eins\r\nneu zwei\r\nneu drei\r\nneu vier\r\nf\xfcnf\r\n"));
    EXPECT_FALSE(memo->Modified());
    EXPECT_EQ(CaretLine(memo), 3);

    memo->Undo();
    EXPECT_EQ(memo->Text(), QByteArray("eins\r\nzwei\r\ndrei\r\nvier\r\n"));
    EXPECT_TRUE(memo->Modified()) << "the old text is not what is on disk";
    EXPECT_FALSE(CanUndo(memo)) << "more than one step";

    // Reloaded once; the next check finds nothing new.
    memo->Redo();
    CheckAll();
    EXPECT_TRUE(user.Shown.isEmpty());
    EXPECT_EQ(memo->Text(), QByteArray("neu eins\r\nneu zwei\r\nneu drei\r\nneu vier\r\nf\xfcnf\r\n"));
}

TEST_F(DiskChangeTest, AModifiedFileAsksOnceForEachStateOnDisk)
{
    const QString path = Open(QStringLiteral("b.txt"), "alt\r\n");
    TXMemo *memo = editor.CurrentControl();
    memo->SetSelText("getippt ");
    Rewrite(path, "fremd\r\n");
    user.Answers << TAnswer::No;
    CheckAll();
    const QString question = Asked(QStringLiteral("Die Datei %1 wurde außerhalb von Quillon 32 geändert. Neu laden und "
                                                  "die Änderungen hier verwerfen ?")
                                       .arg(path));
    EXPECT_EQ(user.Questions, QStringList{question});
    EXPECT_EQ(memo->Text(), QByteArray("getippt alt\r\n"));
    EXPECT_TRUE(memo->Modified());
    // Even undone to the loaded text, it differs from the file now.
    memo->Undo();
    EXPECT_TRUE(memo->Modified());
    memo->Redo();

    CheckAll();
    EXPECT_EQ(user.Questions.size(), 1) << "asked again about the same state";

    Rewrite(path, "noch fremder\r\n", 20);
    user.Answers << TAnswer::Yes;
    CheckAll();
    EXPECT_EQ(user.Questions, (QStringList{question, question}));
    EXPECT_EQ(memo->Text(), QByteArray("noch fremder\r\n"));
    EXPECT_FALSE(memo->Modified());
    memo->Undo();
    EXPECT_EQ(memo->Text(), QByteArray("getippt alt\r\n"));
}

TEST_F(DiskChangeTest, AFileGoneIsToldOnceAndTheTextKept)
{
    const QString path = Open(QStringLiteral("c.txt"), "bleibt\r\n");
    TXMemo *memo = editor.CurrentControl();
    ASSERT_TRUE(QFile::rename(path, Path(QStringLiteral("woanders.txt"))));
    CheckAll();
    CheckAll();
    EXPECT_EQ(user.Messages, QStringList{Asked(QStringLiteral("Die Datei %1 existiert nicht mehr.").arg(path))});
    EXPECT_TRUE(user.Questions.isEmpty());
    EXPECT_EQ(memo->Text(), QByteArray("bleibt\r\n"));
    EXPECT_TRUE(memo->Modified()) << "closing would throw the only copy away without asking";
    EXPECT_EQ(editor.FileCount(), 1);

    // Saving puts the file back without asking.
    EXPECT_TRUE(editor.SaveFileAt(0));
    EXPECT_EQ(ReadBytes(path), QByteArray("bleibt\r\n"));
    EXPECT_TRUE(user.Questions.isEmpty());
}

TEST_F(DiskChangeTest, ANewTimeAloneIsNoChange)
{
    const QString unmodified = Open(QStringLiteral("d.txt"), "gleich\r\n");
    const QString modified = Open(QStringLiteral("e.txt"), "auch gleich\r\n");
    TXMemo *memo = editor.CurrentControl();
    memo->SetSelText("x");
    SetTime(unmodified, 30);
    // Rewritten by renaming a copy over it: a new inode, the same bytes.
    WriteBytes(Path(QStringLiteral("kopie")), "auch gleich\r\n");
    ASSERT_TRUE(QFile::remove(modified));
    ASSERT_TRUE(QFile::rename(Path(QStringLiteral("kopie")), modified));
    SetTime(modified, 30);
    CheckAll();
    EXPECT_TRUE(user.Shown.isEmpty());
    EXPECT_FALSE(CanUndo(editor.ControlAt(0))) << "reloaded for a new time";
    EXPECT_EQ(memo->Text(), QByteArray("xauch gleich\r\n"));
    // The new state is taken: saving over it asks nothing.
    EXPECT_TRUE(editor.SaveFileAt(1));
    EXPECT_TRUE(user.Shown.isEmpty());
    EXPECT_EQ(ReadBytes(modified), QByteArray("xauch gleich\r\n"));
}

TEST_F(DiskChangeTest, SavingOverAnotherProgramsChangeAsksAndNoKeepsBoth)
{
    const QString path = Open(QStringLiteral("f.txt"), "Anfang\r\n");
    TXMemo *memo = editor.CurrentControl();
    memo->SetSelText("mein ");
    Rewrite(path, "deren Text\r\n");
    user.Answers << TAnswer::No;
    EXPECT_FALSE(editor.SaveFileClick(nullptr));
    EXPECT_EQ(user.Questions,
              QStringList{QStringLiteral("Warnung|Die Datei %1 wurde seit dem Laden geändert. Trotzdem überschreiben ?")
                              .arg(path)});
    EXPECT_EQ(ReadBytes(path), QByteArray("deren Text\r\n"));
    EXPECT_EQ(memo->Text(), QByteArray("mein Anfang\r\n"));
    EXPECT_TRUE(memo->Modified());

    user.Answers << TAnswer::Yes;
    EXPECT_TRUE(editor.SaveFileClick(nullptr));
    EXPECT_EQ(ReadBytes(path), QByteArray("mein Anfang\r\n"));
    EXPECT_FALSE(memo->Modified());
    EXPECT_EQ(user.Questions.size(), 2);
}

TEST_F(DiskChangeTest, OurOwnSavesAreNoChangeByAnotherProgram)
{
    const QString path = Open(QStringLiteral("g.txt"), "eins\r\n");
    TXMemo *memo = editor.CurrentControl();
    for (const char *typed : {"a", "bb", "ccc"}) {
        memo->SetSelText(typed);
        ASSERT_TRUE(editor.SaveFileAt(0));
        CheckAll();
    }
    EXPECT_TRUE(user.Shown.isEmpty());
    EXPECT_EQ(ReadBytes(path), QByteArray("abbccceins\r\n"));
    EXPECT_EQ(memo->Text(), QByteArray("abbccceins\r\n"));

    // Saved under another name: that file is the one watched from now on.
    const QString other = Path(QStringLiteral("anders.txt"));
    user.SaveAnswers << other;
    ASSERT_TRUE(editor.SaveAsFileClick(nullptr));
    Rewrite(path, "alte Datei geändert\r\n");
    CheckAll();
    EXPECT_TRUE(user.Shown.isEmpty());
    EXPECT_EQ(memo->Text(), QByteArray("abbccceins\r\n"));
    Rewrite(other, "neue Datei geändert\r\n");
    CheckAll();
    EXPECT_EQ(memo->Text(), QByteArray("neue Datei geändert\r\n"));
}

TEST_F(DiskChangeTest, ACheckoutOfManyFilesAsksOneQuestion)
{
    QStringList paths;
    for (int i = 0; i < 40; ++i)
        paths << Open(QStringLiteral("m%1.txt").arg(i, 2, 10, QLatin1Char('0')), "vorher\r\n");
    QStringList modified;
    for (int i = 0; i < 40; i += 8) {
        editor.ControlAt(i)->SetSelText("*");
        modified << paths.at(i);
    }
    for (const QString &path : paths)
        Rewrite(path, "nachher\r\n");
    user.Answers << TAnswer::Yes;
    CheckAll();
    ASSERT_EQ(user.Shown.size(), 1);
    EXPECT_EQ(user.Questions.first(),
              Asked(QStringLiteral("5 Dateien wurden außerhalb von Quillon 32 geändert:\n%1\nAlle neu laden und die "
                                   "Änderungen hier verwerfen ?")
                        .arg(modified.join(QLatin1Char('\n')))));
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(editor.ControlAt(i)->Text(), QByteArray("nachher\r\n")) << i;
        EXPECT_FALSE(editor.ControlAt(i)->Modified()) << i;
    }
}

TEST_F(DiskChangeTest, AFileClosedWhileTheQuestionIsOpenIsLeftAlone)
{
    const QString first = Open(QStringLiteral("h.txt"), "eins\r\n");
    const QString second = Open(QStringLiteral("i.txt"), "zwei\r\n");
    editor.ControlAt(0)->SetSelText("x");
    editor.ControlAt(1)->SetSelText("y");
    Rewrite(first, "fremd eins\r\n");
    Rewrite(second, "fremd zwei\r\n");
    user.Answers << TAnswer::Yes;
    user.Meanwhile = [this] {
        user.Meanwhile = nullptr;
        editor.ClosePage(1);
        // A check while the question is open asks nothing more.
        CheckAll();
    };
    CheckAll();
    EXPECT_EQ(user.Questions.size(), 1);
    ASSERT_EQ(editor.FileCount(), 1);
    EXPECT_EQ(editor.ControlAt(0)->Text(), QByteArray("fremd eins\r\n"));
}

TEST_F(DiskChangeTest, AFifoPutInAFilesPlaceIsNeverOpened)
{
    const QString path = Open(QStringLiteral("j.txt"), "Text\r\n");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    // Opening the FIFO for reading would wait for a writer forever.
    CheckAll();
    EXPECT_EQ(user.Messages, QStringList{Asked(QStringLiteral("Die Datei %1 existiert nicht mehr.").arg(path))});
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("Text\r\n"));
}

TEST_F(DiskChangeTest, LinesTooLongToReloadInPlaceAreLoadedAfresh)
{
    const QString path = Open(QStringLiteral("k.txt"), "kurz\r\n");
    const QByteArray longLine = QByteArray(400 << 10, 'w') + "\r\nEnde";
    Rewrite(path, longLine);
    CheckAll();
    TXMemo *memo = editor.CurrentControl();
    EXPECT_EQ(memo->Text(), longLine);
    EXPECT_FALSE(memo->Modified());
    EXPECT_TRUE(user.Shown.isEmpty());
    // And back to a short text, which is again one undo step.
    Rewrite(path, "wieder kurz\r\n", 20);
    CheckAll();
    EXPECT_EQ(memo->Text(), QByteArray("wieder kurz\r\n"));
}
