#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "app/EditMain.h"
#include "app/JustOne.h"
#include "app/core/CommandLine.h"
#include "app/core/HandOver.h"
#include "editor/MultEdit.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace testsupport;

namespace {

class HandOverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        user.WhenNoAnswerLeft = dialogs::TAnswer::No;
        // What a program started now finds: its environment, this window listening or not.
        user.Meanwhile = [this] {
            environment = qEnvironmentVariable(TJustOne::kOwnInstanceVariable);
            listening = form->JustOne()->Active();
        };
        form = std::make_unique<TMainForm>();
        form->IniFileName.clear();
    }
    void TearDown() override
    {
        form->IniFileName.clear();
        form->close();
        form.reset();
    }
    QString MakeFile(const QString &name, const QByteArray &bytes)
    {
        WriteBytes(dir.filePath(name), bytes);
        return dir.filePath(name);
    }
    QStringList OpenNames() const
    {
        QStringList names;
        for (int i = 0; i < form->Editor()->FileCount(); ++i)
            names << form->Editor()->ControlList().Name(i);
        return names;
    }
    static void Spin(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    // A later start, step by step, answered by the window's event loop.
    // Returns the window's answer (0 for none).
    char Send(QLocalSocket &socket, const QList<QByteArray> &arguments)
    {
        socket.connectToServer(TJustOne::MarkerPath());
        EXPECT_TRUE(socket.waitForConnected(1000));
        socket.write(handover::Encode({QFile::encodeName(dir.path()), arguments}));
        socket.flush();
        QElapsedTimer timer;
        timer.start();
        while (socket.bytesAvailable() == 0 && timer.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        char answer = 0;
        socket.read(&answer, 1);
        return answer;
    }

    QTemporaryDir dir;
    TScriptedUser user;
    QStringList &errors = user.Shown, &started = user.Started;
    QString environment;
    bool listening = true;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(HandOverTest, FilesOpenOnlyWhenTheStartCommits)
{
    MakeFile("a.txt", "a");
    MakeFile("b.txt", "b");
    MakeFile("c.txt", "c");
    ASSERT_TRUE(form->FormShow({"a.txt"}, dir.path()));
    form->JustOne()->SetActive(true);
    ASSERT_TRUE(form->JustOne()->Active());

    // Accepted, but the start gave up before it committed: it opened the
    // file itself, so the window must not.
    {
        QLocalSocket socket;
        EXPECT_EQ(Send(socket, {"b.txt"}), handover::kAccepted);
        socket.abort();
    }
    Spin(300);
    EXPECT_EQ(OpenNames(), QStringList{dir.filePath("a.txt")});

    // Sent while the window was busy, and gone before it looked.
    {
        QLocalSocket socket;
        socket.connectToServer(TJustOne::MarkerPath());
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(handover::Encode({QFile::encodeName(dir.path()), {"b.txt"}}));
        ASSERT_TRUE(socket.waitForBytesWritten(1000));
        socket.abort();
    }
    Spin(300);
    EXPECT_EQ(OpenNames(), QStringList{dir.filePath("a.txt")});

    // Committed: opened once, even though the start ends at once.
    {
        QLocalSocket socket;
        EXPECT_EQ(Send(socket, {"c.txt"}), handover::kAccepted);
        socket.write(QByteArray(1, handover::kCommit));
        ASSERT_TRUE(socket.waitForBytesWritten(1000));
        socket.abort();
    }
    Spin(300);
    EXPECT_EQ(OpenNames(), (QStringList{dir.filePath("a.txt"), dir.filePath("c.txt")}));

    // Not accepting: declined, nothing opens.
    form->Item("NeueDateienhier")->setChecked(false);
    {
        QLocalSocket socket;
        EXPECT_EQ(Send(socket, {"b.txt"}), handover::kDeclined);
    }
    Spin(100);
    EXPECT_EQ(form->Editor()->FileCount(), 2);
}

TEST_F(HandOverTest, NeuerEditorStartsACopyThatKeepsTheFileAndListensAgain)
{
    const QString path = MakeFile("x.txt", "x");
    MakeFile("y.txt", "y");
    ASSERT_TRUE(form->FormShow({"y.txt", "x.txt"}, dir.path()));
    form->JustOne()->SetActive(true);
    form->Item("NeuerEditor1")->trigger();
    // The copy is told to stay on its own; this process is not.
    EXPECT_EQ(started, QStringList{QCoreApplication::applicationFilePath() + "|" + path});
    EXPECT_EQ(environment, QStringLiteral("1"));
    EXPECT_FALSE(qEnvironmentVariableIsSet(TJustOne::kOwnInstanceVariable));
    EXPECT_FALSE(listening);
    EXPECT_TRUE(form->JustOne()->Active());
    EXPECT_EQ(OpenNames(), QStringList{dir.filePath("y.txt")});
}

TEST_F(HandOverTest, AFailedSaveBeforeTheMoveListensAgain)
{
    // A folder opened as a file: its save fails with an error.
    ASSERT_TRUE(form->FormShow({dir.path()}, dir.path()));
    form->JustOne()->SetActive(true);
    form->Editor()->CurrentControl()->SetSelText("x");
    form->Item("NeuerEditor1")->trigger();
    EXPECT_FALSE(errors.isEmpty());
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(form->Editor()->FileCount(), 1);
    EXPECT_TRUE(form->JustOne()->Active());
    EXPECT_TRUE(form->Item("NeueDateienhier")->isChecked());
}

TEST_F(HandOverTest, TheMarkerFolderMustBePrivate)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QString shared = dir.filePath("shared");
    const QString group = dir.filePath("group");
    const QString own = dir.filePath("own");
    for (const QString &folder : {shared, group, own})
        QDir().mkdir(folder);
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    ::chmod(QFile::encodeName(group).constData(), 0770);
    ::chmod(QFile::encodeName(own).constData(), 0700);
    QFile::link(own, dir.filePath("link"));
    for (const QString &folder : {shared, group, dir.filePath("link")}) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
        const QString marker = TJustOne::MarkerPath();
        EXPECT_FALSE(marker.startsWith(folder)) << marker.toStdString();
    }
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(own));
    EXPECT_TRUE(TJustOne::MarkerPath().startsWith(own + "/"));
    qputenv("XDG_RUNTIME_DIR", runtime);
}

TEST_F(HandOverTest, AnExactNameIsTheFileThatOpensAndSaves)
{
    MakeFile("x.txt\"", "exakt");
    MakeFile("x.txt", "gekuerzt");
    MakeFile(" lead.txt", "exakt");
    MakeFile("lead.txt", "gekuerzt");
    ASSERT_TRUE(form->FormShow({"x.txt\"", " lead.txt"}, dir.path()));
    EXPECT_EQ(OpenNames(), (QStringList{dir.filePath("x.txt\""), dir.filePath(" lead.txt")}));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(form->Editor()->ControlAt(i)->Text(), QByteArray("exakt"));
    form->Editor()->CurrentControl()->SetSelText("neu ");
    form->Item("Sichern1")->trigger();
    EXPECT_EQ(ReadBytes(dir.filePath(" lead.txt")), QByteArray("neu exakt"));
    EXPECT_EQ(ReadBytes(dir.filePath("lead.txt")), QByteArray("gekuerzt"));
}

TEST_F(HandOverTest, ANameThatIsNotUtf8IsRefusedAndNothingIsWritten)
{
    MakeFile("b.txt", "b");
    const QString name = cmdline::FromLocal("\xe4nd.txt");
    ASSERT_TRUE(form->FormShow({name, "b.txt"}, dir.path()));
    EXPECT_EQ(OpenNames(), QStringList{dir.filePath("b.txt")});
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(dir.path() + "/\\xE4nd.txt")) << errors.first().toStdString();
    form->ProcessCommandString({"-P", name, "-OEM", name}, dir.path());
    EXPECT_EQ(errors.size(), 3);
    EXPECT_EQ(OpenNames(), QStringList{dir.filePath("b.txt")});
    // A settings file of such a name is neither read nor written.
    TMainForm other;
    other.IniFileName = dir.filePath("quillon.ini");
    ASSERT_TRUE(other.FormShow({"-I", name, "b.txt"}, dir.path()));
    EXPECT_TRUE(other.IniFileName.isEmpty());
    other.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"b.txt"});
}

TEST_F(HandOverTest, TheWindowListensFromTheVeryFirstStartUnlessTheSettingsSayNo)
{
    MakeFile("a.txt", "a");
    form->IniFileName = dir.filePath("neu.ini");
    ASSERT_TRUE(form->FormShow({"a.txt"}, dir.path()));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("neu.ini")));
    EXPECT_TRUE(form->JustOne()->Active());
    form->IniFileName.clear();
    form->close();

    MakeFile("aus.ini", "[Options]\r\nNewFiles=0\r\n");
    TMainForm other;
    other.IniFileName = dir.filePath("aus.ini");
    ASSERT_TRUE(other.FormShow({"a.txt"}, dir.path()));
    EXPECT_FALSE(other.JustOne()->Active());
    other.IniFileName.clear();
    other.close();
}

TEST_F(HandOverTest, ASecondWindowLeavesALiveMarkerToTheFirst)
{
    MakeFile("a.txt", "a");
    ASSERT_TRUE(form->FormShow({"a.txt"}, dir.path()));
    form->JustOne()->SetActive(true);
    ASSERT_TRUE(form->JustOne()->Active());
    TJustOne second;
    second.SetActive(true);
    EXPECT_FALSE(second.Active());
    // The first window still gets the next start's files.
    QLocalSocket socket;
    EXPECT_EQ(Send(socket, {"a.txt"}), handover::kAccepted);
}
