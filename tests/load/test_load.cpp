// Load on the window: a thousand files from the command line and closed
// again, a thousand handed over by one later start, and two hundred later
// starts in a row, each a real process of the program. Every file must be
// open exactly once afterwards.
#include "../support/ScriptedUser.h"
#include "../widgets/TestSupport.h"
#include "app/EditMain.h"
#include "app/JustOne.h"
#include "editor/MultEdit.h"
#include "platform/AppTitle.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <cstdio>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// The window cuts the program path off what a later start sends: its own
// path when the line starts with it, else as many characters as its own
// path has. The window here is this test program, so the later starts run
// a copy of the program beside it under a name of the same length.
QString LaterStartProgram()
{
    static const QString copy = [] {
        const QString self = QCoreApplication::applicationFilePath();
        const QString name = QFileInfo(self).fileName();
        const QString path = QFileInfo(self).path() + QStringLiteral("/")
                             + QStringLiteral("quillon").leftJustified(name.size(), QLatin1Char('_'));
        if (name.size() < 7 || path.size() != self.size())
            return QString();
        QFile::remove(path);
        if (!QFile::copy(QStringLiteral(QUILLON_EXE), path))
            return QString();
        return path;
    }();
    return copy;
}

class LoadTest : public ::testing::Test
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
        form->close();
        delete form;
        EXPECT_EQ(user.Shown, QStringList());
    }

    // Files "datei0000.txt" ... in the temporary folder, each with its own text.
    QStringList MakeFiles(const QString &prefix, int count)
    {
        QStringList names;
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("%1%2.txt").arg(prefix).arg(i, 4, 10, QLatin1Char('0'));
            WriteBytes(dir.filePath(name), QStringLiteral("Inhalt von %1\r\n").arg(name).toLatin1());
            names << name;
        }
        return names;
    }

    // How often each full name is open.
    QMap<QString, int> OpenCounts() const
    {
        QMap<QString, int> counts;
        const TMultiEditor *editor = form->Editor();
        for (int i = 0; i < editor->FileCount(); ++i)
            ++counts[editor->ControlList().Name(i)];
        return counts;
    }

    void ExpectEachOpenOnce(const QStringList &names)
    {
        const QMap<QString, int> counts = OpenCounts();
        int wrong = 0;
        for (const QString &name : names) {
            const int n = counts.value(dir.filePath(name));
            if (n != 1 && ++wrong <= 5)
                ADD_FAILURE() << name.toStdString() << " is open " << n << " times";
        }
        EXPECT_EQ(wrong, 0);
    }

    // A later start of the real program in the temporary folder; the
    // window keeps answering while it runs. True when it handed over and
    // ended by itself.
    bool HandOver(const QStringList &arguments, int timeoutMs = 60000)
    {
        QProcess start;
        start.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        start.setProcessEnvironment(env);
        start.setProcessChannelMode(QProcess::ForwardedChannels);
        const QString program = LaterStartProgram();
        if (program.isEmpty()) {
            ADD_FAILURE() << "no copy of the program beside the test";
            return false;
        }
        start.start(program, arguments);
        if (!start.waitForStarted(10000))
            return false;
        QElapsedTimer timer;
        timer.start();
        while (start.state() != QProcess::NotRunning && timer.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            start.waitForFinished(1);
        }
        if (start.state() != QProcess::NotRunning) {
            start.kill();
            start.waitForFinished();
            return false; // it opened a window of its own instead
        }
        return start.exitStatus() == QProcess::NormalExit && start.exitCode() == 0;
    }

    // Lets queued hand-overs be opened until `count` files are open.
    void WaitForFiles(int count, int timeoutMs = 60000)
    {
        QElapsedTimer timer;
        timer.start();
        while (form->Editor()->FileCount() < count && timer.elapsed() < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
    }

    void AcceptNewFiles()
    {
        form->Item(QStringLiteral("NeueDateienhier"))->setChecked(true);
        form->JustOne()->SetActive(true);
        ASSERT_TRUE(form->JustOne()->Active());
    }

    QTemporaryDir dir;
    TScriptedUser user;
    TMainForm *form = nullptr;
};

TEST_F(LoadTest, AThousandFilesFromTheCommandLineOpenAndCloseAgain)
{
    const QStringList names = MakeFiles(QStringLiteral("datei"), 1000);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(form->FormShow(names, dir.path()));
    const qint64 openMs = timer.elapsed();
    EXPECT_EQ(form->Editor()->FileCount(), 1000);
    ExpectEachOpenOnce(names);
    EXPECT_EQ(form->Editor()->CurrentControl()->Text(), QByteArray("Inhalt von datei0999.txt\r\n"));
    EXPECT_EQ(form->Editor()->ControlAt(0)->Text(), QByteArray("Inhalt von datei0000.txt\r\n"));
    EXPECT_TRUE(form->windowTitle().startsWith(dir.filePath(QStringLiteral("datei0999.txt"))));

    timer.restart();
    EXPECT_TRUE(form->close());
    const qint64 closeMs = timer.elapsed();
    EXPECT_EQ(form->Editor()->FileCount(), 0);
    std::fprintf(stderr, "1000 files: opened in %lld ms, closed in %lld ms\n", static_cast<long long>(openMs),
                 static_cast<long long>(closeMs));
}

TEST_F(LoadTest, AThousandFilesHandedOverByOneStart)
{
    ASSERT_TRUE(form->FormShow({}, dir.path()));
    AcceptNewFiles();
    const QStringList names = MakeFiles(QStringLiteral("uebergeben"), 1000);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(HandOver(names)) << "the later start did not hand over";
    WaitForFiles(1000);
    std::fprintf(stderr, "1000 files by one hand-over: open after %lld ms\n", static_cast<long long>(timer.elapsed()));
    // The empty start tab is reused by the first file.
    EXPECT_EQ(form->Editor()->FileCount(), 1000);
    ExpectEachOpenOnce(names);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(form->Editor()->FileCount(), 0);
}

TEST_F(LoadTest, TwoHundredLaterStartsInARowEachHandTheirFile)
{
    const QStringList first = MakeFiles(QStringLiteral("erste"), 1);
    ASSERT_TRUE(form->FormShow(first, dir.path()));
    AcceptNewFiles();
    const QStringList names = MakeFiles(QStringLiteral("einzeln"), 200);
    QElapsedTimer timer;
    timer.start();
    int failed = 0;
    for (const QString &name : names) {
        if (!HandOver({name}, 30000) && ++failed <= 5)
            ADD_FAILURE() << "the start with " << name.toStdString() << " did not hand over";
    }
    WaitForFiles(201);
    std::fprintf(stderr, "200 later starts in a row: %lld ms\n", static_cast<long long>(timer.elapsed()));
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(form->Editor()->FileCount(), 201);
    ExpectEachOpenOnce(first + names);
}

} // namespace
