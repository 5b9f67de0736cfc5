// What noticing other programs' changes costs with many open files: one
// stat per file against a file system watch per file, at rest and on
// activation, and the checksum taken on every load and save.
//   bench_disk_watch [COUNT] [SECONDS] [MB]
#include "editor/DiskWatcher.h"
#include "editor/MultEdit.h"
#include "platform/core/DiskIdentity.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemWatcher>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {

double CpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// CPU share of this process while the event loop runs for `seconds`.
double CpuPercentAtRest(int seconds)
{
    const double cpu = CpuMs();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QApplication::exec();
    return 100.0 * (CpuMs() - cpu) / double(wall.elapsed());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    const int seconds = argc > 2 ? QByteArray(argv[2]).toInt() : 10;
    const int megabytes = argc > 3 ? QByteArray(argv[3]).toInt() : 100;
    QTemporaryDir dir;
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names << dir.filePath(QStringLiteral("datei%1.txt").arg(i));
        QFile file(names.last());
        file.open(QIODevice::WriteOnly);
        file.write("Inhalt\r\n");
    }

    TMultiEditor editor;
    for (const QString &name : names)
        editor.OpenFile(name);
    QElapsedTimer timer;
    const int rounds = 20;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        editor.DiskWatcher()->CheckAll();
    std::printf("stat: checking all %d open files (window activated): %.2f ms\n", count,
                timer.nsecsElapsed() / 1e6 / rounds);
    // Opening leaves work behind (layouts, the text buffers' gaps): the
    // event loop without any check first, as the ground to compare with.
    std::printf("no checks: CPU at rest with %d open files over %d s: %.3f %%\n", count, seconds,
                CpuPercentAtRest(seconds));
    // The program's own checks, as the window active gives them: the file
    // in front every two seconds.
    QTimer current;
    QObject::connect(&current, &QTimer::timeout, [&] { editor.DiskWatcher()->CheckCurrent(); });
    current.start(TDiskWatcher::kCurrentInterval);
    std::printf("stat: CPU at rest with %d open files over %d s: %.3f %%\n", count, seconds, CpuPercentAtRest(seconds));
    current.stop();

    timer.restart();
    QFileSystemWatcher watcher;
    const QStringList refused = watcher.addPaths(names);
    std::printf("QFileSystemWatcher: adding %d files: %.2f ms (%lld refused)\n", count, timer.nsecsElapsed() / 1e6,
                static_cast<long long>(refused.size()));
    std::printf("QFileSystemWatcher: CPU at rest over %d s: %.3f %%\n", seconds, CpuPercentAtRest(seconds));

    QByteArray big(qsizetype(megabytes) << 20, 'x');
    for (qsizetype i = 0; i < big.size(); i += 80)
        big[i] = '\n';
    timer.restart();
    const quint64 sum = diskidentity::Checksum(big.constData(), std::size_t(big.size()));
    std::printf("checksum of %d MB in memory (every load and save): %.1f ms (%016llx)\n", megabytes,
                timer.nsecsElapsed() / 1e6, static_cast<unsigned long long>(sum));

    for (int i = editor.FileCount() - 1; i >= 0; --i)
        editor.ClosePage(i);
    return 0;
}
