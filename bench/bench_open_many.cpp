// Starts the main window with many file names on the command line and
// prints how long it takes until every file is open.
//   bench_open_many [COUNT]
#include "app/EditMain.h"
#include "editor/MultEdit.h"
#include "platform/DisplayFont.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    displayfont::Install();
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    QTemporaryDir dir;
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("datei%1.txt").arg(i);
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write("Inhalt\r\n");
        names << name;
    }
    TMainForm window;
    window.IniFileName.clear();
    window.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    window.FormShow(names, dir.path());
    QApplication::processEvents();
    std::printf("%d files on the command line: open and shown after %.0f ms (%d tabs)\n", count,
                timer.nsecsElapsed() / 1e6, window.Editor()->FileCount());
    for (int i = window.Editor()->FileCount() - 1; i >= 0; --i)
        window.Editor()->ClosePage(i);
    return 0;
}
