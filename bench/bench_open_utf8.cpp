// Opens a large file of the same text in UTF-8 or in Windows-1252 and prints
// how long it takes until the text is shown, the peak memory, and the
// slowest of ten keys typed at the start, in the middle and at the end
// after the caret went there and the program was idle for a moment.
//   bench_open_utf8 [MEGABYTES] [--1252]
#include "editor/MultEdit.h"
#include "platform/DisplayFont.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
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

void Idle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

double SlowestKey(TXMemo *memo, const QString &text)
{
    double slowest = 0;
    for (int i = 0; i < 10; ++i) {
        QElapsedTimer timer;
        timer.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(memo, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(memo, &release);
        memo->repaint();
        slowest = std::max(slowest, timer.nsecsElapsed() / 1e6);
        Idle(25);
    }
    return slowest;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    displayfont::Install();
    const double megabytes = argc > 1 ? QByteArray(argv[1]).toDouble() : 100;
    const bool cp1252 = QApplication::arguments().contains(QStringLiteral("--1252"));
    const QString line =
        QStringLiteral("Grüße aus Köln – „Zitat“ 15 €, sed do eiusmod tempor incididunt ut labore.\r\n");
    const QByteArray lineBytes =
        encodedtext::FromQString(line, cp1252 ? encoding::TEncoding::Cp1252 : encoding::TEncoding::Utf8);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the sample file");
        const QByteArray block = lineBytes.repeated((1 << 20) / lineBytes.size());
        const qint64 bytes = qint64(megabytes * (1 << 20));
        for (qint64 written = 0; written < bytes; written += block.size())
            file.write(block.constData(), std::min<qint64>(block.size(), bytes - written));
    }

    TMultiEditor editor;
    editor.SetEditorFont(QFont(QStringLiteral("Times New Roman"), 10));
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

    std::printf("file: %g MB, %s\n", megabytes, qPrintable(encoding::Name(memo->Encoding())));
    std::printf("open and show: %.0f ms\n", openMs);
    std::printf("peak memory for the file: %.0f MB (%.2f x file size)\n", (peakKb - baseKb) / 1024.0,
                (peakKb - baseKb) / 1024.0 / megabytes);
    const qint64 length = memo->TextLength();
    for (const auto &[place, at] :
         {std::pair{"start", qint64(0)}, std::pair{"middle", length / 2}, std::pair{"end", length}}) {
        memo->SetSelStart(memo->LineIndex(memo->LineFromChar(at)));
        Idle(1500);
        std::printf("typing ä at the %s: max %.1f ms per key\n", place, SlowestKey(memo, QStringLiteral("ä")));
    }
    return 0;
}
