#include "TestSupport.h"
#include "about/SysComp.h"

#include <QDialog>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QSignalSpy>
#include <QSysInfo>
#include <QUrl>
#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

class SystemTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        TSystem::ResetSources();
        if (hadTmpdir)
            qputenv("TMPDIR", tmpdir);
        else
            qunsetenv("TMPDIR");
    }

    // Drags the files over `target` and drops them; true when the drop was taken.
    static bool Drop(QWidget *target, const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    const bool hadTmpdir = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray tmpdir = qgetenv("TMPDIR");
};

const QByteArray kMemInfo = "MemTotal:        2097152 kB\n"
                            "MemFree:          100000 kB\n"
                            "MemAvailable:     524288 kB\n"
                            "SwapTotal:       2097152 kB\n"
                            "SwapFree:        1048576 kB\n";

} // namespace

TEST_F(SystemTest, MemoryFiguresComeFromMeminfo)
{
    TSystem::Sources().memInfo = [] { return kMemInfo; };
    TSystem system;
    EXPECT_EQ(system.TotalPhysMemory(), 2147483648u);
    EXPECT_EQ(system.AvailPhysMemory(), 536870912u);
    EXPECT_EQ(system.TotalPageFile(), 2147483648u);
    EXPECT_EQ(system.AvailPageFile(), 1073741824u);
    EXPECT_EQ(system.MemoryLoad(), 75);

    // Beyond 4 GiB the 32-bit figures stay at the top, the byte counts do not.
    TSystem::Sources().memInfo = [] {
        return QByteArray("MemTotal: 25165824 kB\nMemAvailable: 24117248 kB\nSwapTotal: 8388608 kB\n"
                          "SwapFree: 6291456 kB\n");
    };
    EXPECT_EQ(system.TotalPhysMemory(), 4294967295u);
    EXPECT_EQ(system.AvailPhysMemory(), 4294967295u);
    EXPECT_EQ(system.AvailPageFile(), 4294967295u);
    EXPECT_EQ(system.AvailPhysBytes(), 23ull << 30);
    EXPECT_EQ(system.AvailPageFileBytes(), 6ull << 30);
    EXPECT_EQ(system.MemoryLoad(), 4);
}

TEST_F(SystemTest, FiguresOfThisMachine)
{
    TSystem system;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const quint64 physical = quint64(pages) * quint64(sysconf(_SC_PAGESIZE));
    // The kernel's two reports of its memory agree to within a page table or so.
    const quint64 reported = physical > 0xFFFFFFFFull ? 0xFFFFFFFFull : physical;
    EXPECT_NEAR(double(system.TotalPhysMemory()), double(reported), double(reported) * 0.01);
    EXPECT_GT(system.AvailPhysBytes(), 0u);
    EXPECT_LE(system.AvailPhysBytes(), physical);
    EXPECT_GE(system.MemoryLoad(), 0);
    EXPECT_LE(system.MemoryLoad(), 100);
    EXPECT_GT(system.TotalVirtualMemory(), 0u);
    EXPECT_LE(system.AvailVirtualMemory(), system.TotalVirtualMemory());

    EXPECT_EQ(system.ProcessorCount(), int(sysconf(_SC_NPROCESSORS_ONLN)));
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    if (QByteArray(names.machine) == "x86_64") {
        EXPECT_EQ(system.ProcessorType(), QString());
    }
    const QStringList release = QSysInfo::kernelVersion().split(QLatin1Char('.'));
    EXPECT_EQ(system.WinHiVersion(), release.value(0).toInt());
    EXPECT_EQ(system.WinLoVersion(), release.value(1).toInt());
    EXPECT_TRUE(
        system.WinVersion().startsWith(release.value(0) + QLatin1Char('.') + release.value(1) + QLatin1Char('.')));
    EXPECT_EQ(system.WinMode(), QString());
    EXPECT_EQ(system.DosVersion(), QStringLiteral("7.0 (?)"));
    EXPECT_TRUE(system.Coprocessor());
    EXPECT_EQ(system.CompanyName(), QString());
    EXPECT_EQ(system.ComputerName(), QSysInfo::machineHostName());
    EXPECT_FALSE(system.UserName().isEmpty());
    EXPECT_TRUE(QFileInfo(system.SystemDirectory()).isDir());
    EXPECT_TRUE(QFileInfo(system.WindowsDirectory()).isDir());
    EXPECT_NE(system.WindowsDiskSize(), 4294967295u);
    // The offscreen screen has no palette.
    EXPECT_EQ(system.ColorCount(), 0);
    // Published as properties, all of them.
    EXPECT_EQ(system.property("DosVersion").toString(), QStringLiteral("7.0 (?)"));
    EXPECT_EQ(system.property("ProcessorCount").toInt(), system.ProcessorCount());
}

TEST_F(SystemTest, TempDirectoryAndItsDisk)
{
    QTemporaryDir dir;
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    TSystem system;
    EXPECT_EQ(system.TempDirectory(), dir.path() + QLatin1Char('/'));
    EXPECT_NE(system.TempDiskSize(), 4294967295u);
    EXPECT_NE(system.TempDiskSize(), 0u);

    // A directory that is not there: the query fails and reads as all ones.
    qputenv("TMPDIR", QByteArray("/nonexistent/quillon-test"));
    EXPECT_EQ(system.TempDirectory(), QStringLiteral("/nonexistent/quillon-test/"));
    EXPECT_EQ(system.TempDiskSize(), 4294967295u);
    EXPECT_EQ(system.TempFreeDisk(), 4294967295u);

    qunsetenv("TMPDIR");
    EXPECT_EQ(system.TempDirectory(), QStringLiteral("/tmp/"));
}

TEST_F(SystemTest, ResourceFiguresNeedTheLibraryAndItsFunction)
{
    {
        TSystem missing; // no Rsrc32.DLL on Linux
        EXPECT_EQ(missing.FreeSystemRes(), -1);
        EXPECT_EQ(missing.FreeGDIRes(), -1);
        EXPECT_EQ(missing.FreeUserRes(), -1);
    }
    // A library that loads but lacks the function.
    TSystem::Sources().resourceLibrary = QStringLiteral("libc.so.6");
    {
        TSystem noFunction;
        EXPECT_EQ(noFunction.FreeSystemRes(), -1);
        EXPECT_EQ(noFunction.FreeUserRes(), -1);
    }
    // A function that gives its argument back shows which index each asks for.
    TSystem::Sources().resourceFunction = QByteArrayLiteral("abs");
    TSystem present;
    EXPECT_EQ(present.FreeSystemRes(), 0);
    EXPECT_EQ(present.FreeGDIRes(), 1);
    EXPECT_EQ(present.FreeUserRes(), 2);
}

TEST_F(SystemTest, DroppedFilesReplaceTheListAndAreReportedOnce)
{
    QWidget form;
    EXPECT_FALSE(form.acceptDrops());
    auto *system = new TSystem(&form);
    EXPECT_TRUE(system->HasDropHook());
    EXPECT_TRUE(form.acceptDrops());
    QSignalSpy dropped(system, &TSystem::OnDragDrop);

    const QString longName = QStringLiteral("/tmp/") + QString(300, QLatin1Char('n')) + QStringLiteral(".txt");
    ASSERT_TRUE(Drop(&form, {QUrl::fromLocalFile(QStringLiteral("/tmp/b.txt")),
                             QUrl::fromLocalFile(QStringLiteral("/tmp/a b.txt")), QUrl::fromLocalFile(longName)}));
    const QStringList three{QStringLiteral("/tmp/b.txt"), QStringLiteral("/tmp/a b.txt"), longName};
    EXPECT_EQ(system->Files(), three);
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.at(0).at(0).toStringList(), three);

    ASSERT_TRUE(Drop(&form, {QUrl::fromLocalFile(QStringLiteral("/tmp/c.txt"))}));
    EXPECT_EQ(system->Files(), QStringList{QStringLiteral("/tmp/c.txt")});
    EXPECT_EQ(dropped.count(), 2);

    // Web addresses are no files: not taken, the list stays.
    EXPECT_FALSE(Drop(&form, {QUrl(QStringLiteral("http://example.org/x.txt"))}));
    EXPECT_EQ(system->Files(), QStringList{QStringLiteral("/tmp/c.txt")});
    EXPECT_EQ(dropped.count(), 2);

    // Gone with the component: the window takes no drops any more.
    delete system;
    EXPECT_FALSE(form.acceptDrops());
    EXPECT_FALSE(Drop(&form, {QUrl::fromLocalFile(QStringLiteral("/tmp/d.txt"))}));
}

TEST_F(SystemTest, AnOwnerThatIsNoWindowGetsNoDropHook)
{
    QWidget form;
    auto *inner = new QWidget(&form);
    TSystem system(inner);
    EXPECT_FALSE(system.HasDropHook());
    EXPECT_FALSE(inner->acceptDrops());
    EXPECT_FALSE(Drop(inner, {QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt"))}));
    EXPECT_TRUE(system.Files().isEmpty());

    TSystem orphan;
    EXPECT_FALSE(orphan.HasDropHook());
}

TEST_F(SystemTest, HideHidesAndShowsTheProgramsWindow)
{
    QWidget main;
    auto *dialog = new QDialog(&main);
    TSystem system(dialog);
    EXPECT_FALSE(main.isVisible());
    system.SetHide(false);
    EXPECT_FALSE(system.Hide());
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(dialog->isVisible());
    system.SetHide(true);
    EXPECT_TRUE(system.Hide());
    EXPECT_FALSE(main.isVisible());

    // A window of its own, without a program window above it: nothing to show.
    QDialog alone;
    TSystem lonely(&alone);
    lonely.SetHide(false);
    EXPECT_FALSE(alone.isVisible());
}

TEST_F(SystemTest, ClockMeasurementTakesHalfASecondAndRestoresThePriority)
{
    int policyBefore = 0;
    sched_param paramBefore{};
    ASSERT_EQ(pthread_getschedparam(pthread_self(), &policyBefore, &paramBefore), 0);
    errno = 0;
    const int niceBefore = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    ASSERT_EQ(errno, 0);

    TSystem system;
    QElapsedTimer clock;
    clock.start();
    const double mhz = system.Mhz();
    EXPECT_GE(clock.elapsed(), 510);
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_GT(mhz, 100.0);
    EXPECT_LE(mhz, 8589.93459);
#else
    EXPECT_LT(mhz, 0.0);
#endif

    int policyAfter = 0;
    sched_param paramAfter{};
    ASSERT_EQ(pthread_getschedparam(pthread_self(), &policyAfter, &paramAfter), 0);
    EXPECT_EQ(policyAfter, policyBefore);
    EXPECT_EQ(paramAfter.sched_priority, paramBefore.sched_priority);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), niceBefore);
}
