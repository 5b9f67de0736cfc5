// Opens a large text file in the editor and prints how long it takes until
// the text is shown, the peak memory, and how long typing and moving the
// caret at the end of the file take.
//   bench_open_large [MEGABYTES] [--one-line] [--no-wrap] [--font FAMILY]
#include "editor/MultEdit.h"
#include "platform/DisplayFont.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

long PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void WriteSample(const QString &path, qint64 bytes, bool oneLine)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the sample file");
    const QByteArray line = oneLine
                                ? QByteArray("Lorem ipsum dolor sit amet, consectetur adipiscing elit. \x84Zitat\x93 ")
                                : QByteArray("Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do "
                                             "\x84"
                                             "eiusmod\x93 tempor \x80 42.\r\n");
    QByteArray block;
    while (block.size() < (1 << 20))
        block += line;
    for (qint64 written = 0; written < bytes; written += block.size())
        file.write(block.constData(), std::min<qint64>(block.size(), bytes - written));
}

double Key(QWidget *w, Qt::Key key, const QString &text)
{
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
    w->repaint();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    displayfont::Install();
    const double megabytes = argc > 1 ? QByteArray(argv[1]).toDouble() : 100;
    const QStringList options = QApplication::arguments().mid(2);
    const bool oneLine = options.contains(QStringLiteral("--one-line"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.txt"));
    WriteSample(path, qint64(megabytes * (1 << 20)), oneLine);

    TMultiEditor editor;
    const int fontAt = options.indexOf(QStringLiteral("--font"));
    const QString family =
        fontAt >= 0 && fontAt + 1 < options.size() ? options.at(fontAt + 1) : QStringLiteral("Times New Roman");
    editor.SetEditorFont(QFont(family, 10));
    editor.SetWordWrap(!options.contains(QStringLiteral("--no-wrap")));
    editor.resize(800, 600);
    editor.show();
    QApplication::processEvents();
    const long baseKb = PeakRssKb();

    QElapsedTimer timer;
    timer.start();
    editor.OpenFile(path);
    editor.repaint();
    QApplication::processEvents();
    const double openMs = timer.nsecsElapsed() / 1e6;
    const long peakKb = PeakRssKb();
    TXMemo *memo = editor.CurrentControl();

    // Keys arrive from the event loop every 25 ms while the control wraps
    // the rest of the file in the background, as they do for a user: what
    // counts is how late each key is handled and how long it takes.
    memo->SetSelStart(memo->TextLength());
    double typeMax = 0, moveMax = 0, lateMax = 0;
    int tick = 0;
    QElapsedTimer clock;
    clock.start();
    QTimer keys;
    keys.setInterval(25);
    QObject::connect(&keys, &QTimer::timeout, [&] {
        lateMax = std::max(lateMax, clock.restart() - 25.0);
        if (tick < 20)
            typeMax = std::max(typeMax, Key(memo, Qt::Key_A, QStringLiteral("a")));
        else
            moveMax = std::max(moveMax, Key(memo, tick % 2 ? Qt::Key_Right : Qt::Key_Left, QString()));
        if (++tick >= 40)
            QApplication::quit();
    });
    keys.start();
    QApplication::exec();

    std::printf("file: %g MB%s, word wrap %s\n", megabytes, oneLine ? " (one line)" : "",
                memo->WordWrap() ? (memo->WrapsLines() ? "on" : "on (not applied: too large)") : "off");
    std::printf("open and show: %.0f ms\n", openMs);
    std::printf("peak memory for the file: %.0f MB (%.2f x file size)\n", (peakKb - baseKb) / 1024.0,
                (peakKb - baseKb) / 1024.0 / megabytes);
    std::printf("typing at the end: max %.1f ms per key\n", typeMax);
    std::printf("caret move at the end: max %.1f ms per key\n", moveMax);
    std::printf("largest delay of a key by background work: %.1f ms\n", lateMax);
    return 0;
}
