#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "app/EditMain.h"
#include "editor/JournalKeeper.h"
#include "editor/MultEdit.h"
#include "editor/OpenFile.h"
#include "platform/core/DiskIdentity.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace testsupport;
using dialogs::TAnswer;

namespace {

// The records in a state folder, by their file names.
QStringList Records(const QString &state)
{
    QStringList found;
    for (const QString &folder : QDir(state).entryList({QStringLiteral("instance-*")}, QDir::Dirs))
        for (const QString &name : QDir(state + QLatin1Char('/') + folder).entryList({QStringLiteral("*.qj")}))
            found << state + QLatin1Char('/') + folder + QLatin1Char('/') + name;
    return found;
}

// Lets the keeper's timer and writer run until `done` holds (or 5 s pass).
template <typename F> bool WaitFor(F done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

class JournalTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    TScriptedUser user;
    QString State() const { return dir.path() + QStringLiteral("/state"); }
    QString Path(const char *name) const { return dir.path() + QLatin1Char('/') + QLatin1String(name); }

    // An editor with a keeper of its own, as one running instance.
    struct TInstance
    {
        TMultiEditor editor;
        TJournalKeeper *keeper = nullptr;
        explicit TInstance(const QString &state)
        {
            QString error;
            keeper = new TJournalKeeper(&editor, journal::TFolder::CreateOwn(state, error), error);
            keeper->SetDelay(0);
        }
    };
};

} // namespace

TEST_F(JournalTest, ARecordExistsExactlyWhileATabIsModified)
{
    const QByteArray bytes("alt\r\n\x80\x9f\0", 8);
    WriteBytes(Path("a.txt"), bytes);
    TInstance one(State());
    one.editor.OpenFile(Path("a.txt"));
    one.editor.OpenFile(QStringLiteral("<unbekannt>"));
    EXPECT_TRUE(Records(State()).isEmpty());

    one.editor.ControlAt(0)->ReplaceRange(0, 0, QByteArray("neu ", 4));
    one.editor.ControlAt(1)->ReplaceRange(0, 0, QByteArray("ohne Namen\x84", 11));
    ASSERT_TRUE(WaitFor([&] { return Records(State()).size() == 2; }));

    // Undone to the saved text: its record goes.
    one.editor.ControlAt(0)->Undo();
    ASSERT_TRUE(WaitFor([&] { return Records(State()).size() == 1; }));
    one.editor.ControlAt(0)->ReplaceRange(0, 0, QByteArray("wieder ", 7));
    ASSERT_TRUE(WaitFor([&] { return Records(State()).size() == 2; }));
    // Saved: gone; changed again: back.
    ASSERT_TRUE(one.editor.SaveFileAt(0));
    ASSERT_TRUE(WaitFor([&] { return Records(State()).size() == 1; }));
    one.editor.ControlAt(0)->ReplaceRange(0, 0, QByteArray("x", 1));
    ASSERT_TRUE(WaitFor([&] { return Records(State()).size() == 2; }));

    // Closed with "Nein" to the save question: gone.
    user.Answers = {TAnswer::No};
    one.editor.SelectFile(1);
    one.editor.CloseFileClick(nullptr);
    ASSERT_EQ(one.editor.FileCount(), 1);
    ASSERT_TRUE(WaitFor([&] { return Records(State()).size() == 1; }));
    EXPECT_EQ(user.Questions.size(), 1);
}

TEST_F(JournalTest, AKilledInstancesTextsComeBackExactlyAndOnlyOnce)
{
    WriteBytes(Path("a.txt"), QByteArray("Basis\r\n"));
    const QByteArray typed("\x80\x81\x9f\0 Ende", 10);
    {
        TInstance dying(State());
        dying.editor.OpenFile(Path("a.txt"));
        dying.editor.ControlAt(0)->ReplaceRange(7, 7, typed);
        dying.editor.OpenFile(QStringLiteral("<unbekannt>"));
        // Plain ASCII alone would come back in the default encoding.
        dying.editor.ControlAt(1)->SetEncoding(encoding::TEncoding::Utf8);
        dying.editor.ControlAt(1)->ReplaceRange(0, 0, QByteArray("unbenannt"));
        // Running instances' records are never offered.
        TInstance other(State());
        EXPECT_EQ(other.keeper->AdoptOrphans(State()), 0);
        ASSERT_TRUE(WaitFor([&] { return Records(State()).size() == 2; }));
        dying.keeper->KeepAllNow(); // what is on disk is what a kill -9 leaves
    }
    TInstance next(State());
    ASSERT_EQ(next.keeper->AdoptOrphans(State()), 2);
    // A third start meanwhile does not get them too.
    TInstance third(State());
    EXPECT_EQ(third.keeper->AdoptOrphans(State()), 0);

    EXPECT_TRUE(next.keeper->RestoreOrphans().isEmpty());
    ASSERT_EQ(next.editor.FileCount(), 2);
    EXPECT_EQ(next.editor.ControlList().Name(0), Path("a.txt"));
    EXPECT_EQ(next.editor.ControlAt(0)->Text(), QByteArray("Basis\r\n") + typed);
    EXPECT_TRUE(next.editor.ControlAt(0)->Modified());
    EXPECT_EQ(next.editor.ControlList().Name(1), QStringLiteral("<unbekannt>"));
    EXPECT_TRUE(next.editor.ControlList().At(1)->Untitled());
    EXPECT_EQ(next.editor.ControlAt(1)->Text(), QByteArray("unbenannt"));
    EXPECT_EQ(next.editor.ControlAt(1)->Encoding(), encoding::TEncoding::Utf8);
    EXPECT_EQ(next.editor.ControlAt(0)->Encoding(), encoding::TEncoding::Cp1252);
    EXPECT_TRUE(next.editor.ControlAt(1)->Modified());
    // The file on disk is untouched; the texts have records of this instance
    // now, and the old ones are gone.
    EXPECT_EQ(ReadBytes(Path("a.txt")), QByteArray("Basis\r\n"));
    const QStringList records = Records(State());
    ASSERT_EQ(records.size(), 2);
    for (const QString &record : records)
        EXPECT_TRUE(record.startsWith(next.keeper->FolderPath())) << record.toStdString();

    // A clean end with nothing modified leaves no folder of this instance.
    next.editor.ControlAt(0)->SetModified(false);
    next.editor.ControlAt(1)->SetModified(false);
    next.keeper->Finish();
    EXPECT_FALSE(QFileInfo::exists(next.keeper->FolderPath()));
}

TEST_F(JournalTest, ALargeFileIsFollowedEditByEditAndRebuiltFromItsFile)
{
    QByteArray big(5 * 1024 * 1024, 'x');
    for (int i = 0; i < big.size(); i += 97)
        big[i] = '\n';
    WriteBytes(Path("big.txt"), big);
    quint64 checksum = 0;
    ASSERT_TRUE(diskidentity::FileChecksum(Path("big.txt"), checksum));
    QByteArray expected = big;
    {
        TInstance dying(State());
        dying.editor.OpenFile(Path("big.txt"));
        dying.editor.ControlList().At(0)->SetDiskIdentity(diskidentity::Stat(Path("big.txt")), checksum);
        TXMemo *control = dying.editor.ControlAt(0);
        for (int i = 0; i < 50; ++i) {
            control->ReplaceRange(1000 + i, 1000 + i, QByteArray("k"));
            expected.insert(1000 + i, 'k');
        }
        control->ReplaceRange(10, 20, QByteArray("weg"));
        expected.replace(10, 10, QByteArray("weg"));
        ASSERT_TRUE(WaitFor([&] { return Records(State()).size() == 1; }));
        control->ReplaceRange(control->TextLength() - 5, control->TextLength(), QByteArray("Schluss"));
        expected.replace(expected.size() - 5, 5, QByteArray("Schluss"));
        dying.keeper->KeepAllNow();
        // Edits only, no copy of the five megabytes.
        EXPECT_LT(QFileInfo(Records(State()).value(0)).size(), 64 * 1024);
    }
    {
        TInstance next(State());
        ASSERT_EQ(next.keeper->AdoptOrphans(State()), 1);
        EXPECT_TRUE(next.keeper->RestoreOrphans().isEmpty());
        ASSERT_EQ(next.editor.FileCount(), 1);
        EXPECT_TRUE(next.editor.ControlAt(0)->Text() == expected);

        // A text loaded anew is no longer the sum of the edits: a copy.
        QByteArray other = big + "yyy";
        other.replace('x', 'y');
        next.editor.ControlAt(0)->SetText(other);
        next.editor.ControlAt(0)->SetModified(true);
        next.editor.ControlAt(0)->ReplaceRange(0, 1, QByteArray("z"));
        other[0] = 'z';
        next.keeper->KeepAllNow();
        expected = other;
    }
    TInstance last(State());
    ASSERT_EQ(last.keeper->AdoptOrphans(State()), 1);
    EXPECT_TRUE(last.keeper->RestoreOrphans().isEmpty());
    ASSERT_EQ(last.editor.FileCount(), 1);
    EXPECT_TRUE(last.editor.ControlAt(0)->Text() == expected);
}

TEST_F(JournalTest, AnUnwritableStateFolderWarnsOnceAndEditingAndSavingGoOn)
{
    WriteBytes(Path("file"), "not a folder");
    WriteBytes(Path("a.txt"), "a");
    TInstance instance(Path("file") + QStringLiteral("/quillon"));
    instance.editor.OpenFile(Path("a.txt"));
    ASSERT_TRUE(WaitFor([&] { return !user.Messages.isEmpty(); })) << "told before anything is typed";
    TXMemo *control = instance.editor.ControlAt(0);
    control->ReplaceRange(0, 0, QByteArray("b"));
    control->ReplaceRange(0, 0, QByteArray("c"));
    QCoreApplication::processEvents();
    ASSERT_EQ(user.Messages.size(), 1);
    EXPECT_TRUE(user.Messages[0].startsWith(QStringLiteral("Warnung|Die Wiederherstellungsdaten können nicht "
                                                           "geschrieben werden (")));
    EXPECT_TRUE(user.Messages[0].contains(Path("file")));
    ASSERT_TRUE(instance.editor.SaveFileAt(0));
    EXPECT_EQ(ReadBytes(Path("a.txt")), QByteArray("cba"));
}

TEST_F(JournalTest, TheStartQuestionCountsTheFilesAndNeinKeepsThemUntilACleanEnd)
{
    {
        TInstance dying(State());
        dying.editor.OpenFile(QStringLiteral("<unbekannt>"));
        dying.editor.ControlAt(0)->ReplaceRange(0, 0, QByteArray("eins"));
        dying.editor.OpenFile(QStringLiteral("<unbekannt>"));
        dying.editor.ControlAt(1)->ReplaceRange(0, 0, QByteArray("zwei"));
        ASSERT_TRUE(WaitFor([&] { return Records(State()).size() == 2; }));
        dying.keeper->KeepAllNow();
    }
    auto form = std::make_unique<TMainForm>();
    user.Answers = {TAnswer::No};
    ASSERT_TRUE(form->FormShow({}, dir.path()));
    form->StartJournal(State());
    ASSERT_EQ(user.Questions.size(), 1);
    EXPECT_EQ(user.Questions[0],
              QStringLiteral("Wiederherstellung|Quillon 32 wurde nicht ordnungsgemäß beendet. Sollen "
                             "die ungesicherten Änderungen an 2 Datei(en) wiederhergestellt werden ?"));
    EXPECT_EQ(form->Editor()->FileCount(), 1);
    EXPECT_EQ(Records(State()).size(), 2);
    // Another start while this one runs is not offered them.
    TInstance other(State());
    EXPECT_EQ(other.keeper->AdoptOrphans(State()), 0);
    form->EndJournal();
    EXPECT_TRUE(Records(State()).isEmpty());
}

TEST_F(JournalTest, ALargeFileOfUnknownIdentityIsFollowedFromItsBytesAndNotRebuiltOnAnotherFile)
{
    QByteArray big(5 * 1024 * 1024, 'x');
    for (int i = 0; i < big.size(); i += 61)
        big[i] = '\n';
    WriteBytes(Path("big.txt"), big);
    const auto kill = [&] {
        TInstance dying(State());
        dying.editor.OpenFile(Path("big.txt"));
        TXMemo *control = dying.editor.ControlAt(0);
        control->SetSelStart(3000000); // the edits away from the buffer's gap
        control->ReplaceRange(3000000, 3000001, QByteArray("mitten"));
        control->ReplaceRange(0, 0, QByteArray("vorn"));
        dying.keeper->KeepAllNow();
        EXPECT_LT(QFileInfo(Records(State()).value(0)).size(), 64 * 1024);
    };
    kill();
    QByteArray expected = big;
    expected.replace(3000000, 1, QByteArray("mitten"));
    expected.prepend("vorn");
    {
        TInstance next(State());
        ASSERT_EQ(next.keeper->AdoptOrphans(State()), 1);
        EXPECT_TRUE(next.keeper->RestoreOrphans().isEmpty());
        ASSERT_EQ(next.editor.FileCount(), 1);
        EXPECT_TRUE(next.editor.ControlAt(0)->Text() == expected);
        next.editor.ControlAt(0)->SetModified(false);
        next.keeper->Finish();
    }
    // The file changed meanwhile (same size, other bytes): no guess.
    kill();
    big[100] = 'Q';
    WriteBytes(Path("big.txt"), big);
    TInstance last(State());
    ASSERT_EQ(last.keeper->AdoptOrphans(State()), 1);
    EXPECT_EQ(last.keeper->RestoreOrphans(), QStringList{Path("big.txt")});
    EXPECT_EQ(last.editor.FileCount(), 0);
}
