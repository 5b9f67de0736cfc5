#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "editor/DiskWatcher.h"
#include "editor/MultEdit.h"
#include "platform/core/DiskIdentity.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace testsupport;
using dialogs::TAnswer;

namespace {

class DiskChangeTest : public ::testing::Test
{
protected:
    QString Open(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        WriteBytes(path, bytes);
        editor.OpenFile(path);
        return path;
    }
    // Another program writes; the time surely differs from the load's.
    static void Rewrite(const QString &path, const QByteArray &bytes, int secondsLater = 10)
    {
        WriteBytes(path, bytes);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(secondsLater), QFileDevice::FileModificationTime);
    }
    void CheckAll() { editor.DiskWatcher()->CheckAll(); }
    static QString Warning(const QString &text, const QString &path)
    {
        return QStringLiteral("Warnung|") + text.arg(path);
    }

    QTemporaryDir dir;
    TScriptedUser user;
    TMultiEditor editor;
    const QString changed = QStringLiteral(
        "Die Datei %1 wurde außerhalb von Quillon 32 geändert. Neu laden und die Änderungen hier verwerfen ?");
};

} // namespace

TEST_F(DiskChangeTest, AnUnmodifiedFileIsReloadedWithOneUndoStepBack)
{
    const QString path = Open(QStringLiteral("a.txt"), "eins\r\nzwei\r\ndrei\r\n");
    TXMemo *memo = editor.CurrentControl();
    GoToLine(memo, 3);
    Rewrite(path, "neu\r\nneu\r\nneu\r\nf\xfcnf\r\n");
    CheckAll();
    EXPECT_TRUE(user.Shown.isEmpty());
    EXPECT_EQ(memo->Text(), QByteArray("neu\r\nneu\r\nneu\r\nf\xfcnf\r\n"));
    EXPECT_FALSE(memo->Modified());
    EXPECT_EQ(CaretLine(memo), 3);
    memo->Undo();
    EXPECT_EQ(memo->Text(), QByteArray("eins\r\nzwei\r\ndrei\r\n"));
    EXPECT_TRUE(memo->Modified()) << "the old text is not what is on disk";
}

TEST_F(DiskChangeTest, AModifiedFileAsksOnceForEachStateOnDisk)
{
    const QString path = Open(QStringLiteral("b.txt"), "alt\r\n");
    TXMemo *memo = editor.CurrentControl();
    memo->SetSelText("getippt ");
    Rewrite(path, "fremd\r\n");
    user.Answers << TAnswer::No;
    CheckAll();
    CheckAll();
    EXPECT_EQ(user.Questions, QStringList{Warning(changed, path)});
    EXPECT_EQ(memo->Text(), QByteArray("getippt alt\r\n"));
    memo->Undo();
    EXPECT_TRUE(memo->Modified()) << "the loaded text differs from the file now";

    Rewrite(path, "noch fremder\r\n", 20);
    user.Answers << TAnswer::Yes;
    CheckAll();
    EXPECT_EQ(user.Questions.size(), 2);
    EXPECT_EQ(memo->Text(), QByteArray("noch fremder\r\n"));
    EXPECT_FALSE(memo->Modified());
}

TEST_F(DiskChangeTest, AFileGoneOrReplacedByAFifoIsToldOnceAndTheTextKept)
{
    const QString path = Open(QStringLiteral("c.txt"), "bleibt\r\n");
    const QString fifo = Open(QStringLiteral("d.txt"), "Text\r\n");
    ASSERT_TRUE(QFile::rename(path, dir.filePath(QStringLiteral("woanders.txt"))));
    // Opening the FIFO for reading would wait for a writer forever.
    ASSERT_TRUE(QFile::remove(fifo));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    CheckAll();
    CheckAll();
    EXPECT_EQ(user.Messages,
              QStringList{Warning(QStringLiteral("2 Dateien existieren nicht mehr:\n%1\n") + fifo, path)});
    EXPECT_EQ(editor.ControlAt(0)->Text(), QByteArray("bleibt\r\n"));
    EXPECT_TRUE(editor.ControlAt(0)->Modified()) << "closing would throw the only copy away without asking";
    // Saving puts the file back without asking.
    EXPECT_TRUE(editor.SaveFileAt(0));
    EXPECT_EQ(ReadBytes(path), QByteArray("bleibt\r\n"));
    EXPECT_TRUE(user.Questions.isEmpty());
}

TEST_F(DiskChangeTest, ANewTimeOrInodeAloneIsNoChange)
{
    const QString unmodified = Open(QStringLiteral("e.txt"), "gleich\r\n");
    const QString modified = Open(QStringLiteral("f.txt"), "auch gleich\r\n");
    editor.CurrentControl()->SetSelText("x");
    Rewrite(unmodified, "gleich\r\n", 30);
    // Rewritten by renaming a copy over it.
    WriteBytes(dir.filePath(QStringLiteral("kopie")), "auch gleich\r\n");
    ASSERT_TRUE(QFile::remove(modified) && QFile::rename(dir.filePath(QStringLiteral("kopie")), modified));
    CheckAll();
    EXPECT_EQ(editor.ControlAt(0)->SendScintilla(QsciScintillaBase::SCI_CANUNDO), 0) << "reloaded";
    // The new state is taken: saving over it asks nothing.
    EXPECT_TRUE(editor.SaveFileAt(1));
    EXPECT_TRUE(user.Shown.isEmpty());
    EXPECT_EQ(ReadBytes(modified), QByteArray("xauch gleich\r\n"));
}

TEST_F(DiskChangeTest, SavingOverAnotherProgramsChangeAsksAndNoKeepsBoth)
{
    const QString path = Open(QStringLiteral("g.txt"), "Anfang\r\n");
    TXMemo *memo = editor.CurrentControl();
    memo->SetSelText("mein ");
    Rewrite(path, "deren Text\r\n");
    user.Answers << TAnswer::No << TAnswer::Yes;
    EXPECT_FALSE(editor.SaveFileClick(nullptr));
    EXPECT_EQ(user.Questions,
              QStringList{
                  Warning(QStringLiteral("Die Datei %1 wurde seit dem Laden geändert. Trotzdem überschreiben ?"),
                          path)});
    EXPECT_EQ(ReadBytes(path), QByteArray("deren Text\r\n"));
    EXPECT_EQ(memo->Text(), QByteArray("mein Anfang\r\n"));
    EXPECT_TRUE(memo->Modified());
    EXPECT_TRUE(editor.SaveFileClick(nullptr));
    EXPECT_EQ(ReadBytes(path), QByteArray("mein Anfang\r\n"));
}

TEST_F(DiskChangeTest, OurOwnSavesAreNoChangeByAnotherProgram)
{
    const QString path = Open(QStringLiteral("h.txt"), "eins\r\n");
    TXMemo *memo = editor.CurrentControl();
    for (const char *typed : {"a", "bb", "ccc"}) {
        memo->SetSelText(typed);
        ASSERT_TRUE(editor.SaveFileAt(0));
        CheckAll();
    }
    EXPECT_TRUE(user.Shown.isEmpty());
    EXPECT_EQ(ReadBytes(path), QByteArray("abbccceins\r\n"));
    EXPECT_EQ(memo->Text(), QByteArray("abbccceins\r\n"));
}

TEST_F(DiskChangeTest, ACheckoutOfManyFilesAsksOneQuestion)
{
    QStringList paths, modified;
    for (int i = 0; i < 40; ++i)
        paths << Open(QStringLiteral("m%1.txt").arg(i), "vorher\r\n");
    for (int i = 0; i < 40; i += 8) {
        editor.ControlAt(i)->SetSelText("*");
        modified << paths.at(i);
    }
    for (const QString &path : paths)
        Rewrite(path, "nachher\r\n");
    user.Answers << TAnswer::Yes;
    CheckAll();
    EXPECT_EQ(user.Shown, QStringList{Warning(QStringLiteral("5 Dateien wurden außerhalb von Quillon 32 geändert:\n%1\n"
                                                             "Alle neu laden und die Änderungen hier verwerfen ?"),
                                              modified.join(QLatin1Char('\n')))});
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(editor.ControlAt(i)->Text(), QByteArray("nachher\r\n")) << i;
}

TEST_F(DiskChangeTest, TheTextsChecksumIsTheFilesAfterTheLoadAndFollowsEveryChange)
{
    // Taken during the read; any change after it must be seen.
    QByteArray bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += "Zeile " + QByteArray::number(i) + " \xe4\xf6\xfc\r\n";
    Open(QStringLiteral("summe.txt"), bytes);
    TXMemo *memo = editor.CurrentControl();
    EXPECT_EQ(memo->Checksum(), diskidentity::Checksum(bytes.constData(), std::size_t(bytes.size())));
    memo->SetSelStart(7);
    memo->SetSelText("x");
    const QByteArray typed = bytes.left(7) + "x" + bytes.mid(7);
    EXPECT_EQ(memo->Checksum(), diskidentity::Checksum(typed.constData(), std::size_t(typed.size())));
    memo->Undo();
    EXPECT_EQ(memo->Checksum(), diskidentity::Checksum(bytes.constData(), std::size_t(bytes.size())));
    memo->SetText("neu");
    EXPECT_EQ(memo->Checksum(), diskidentity::Checksum("neu", 3));
}
