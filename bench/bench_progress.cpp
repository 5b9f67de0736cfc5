// What showing progress costs on long work, and how often the window can
// repaint meanwhile: opening and showing a large file with and without
// progress (best of three each), and the largest gap between two repaints of a window that
// asks for one every 10 ms, while a file opens and while replace all runs.
//   bench_progress [MEGABYTES]
#include "editor/LongWork.h"
#include "editor/MultEdit.h"
#include "../tests/support/ScriptedUser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

double Ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// The largest time between two paints of the watched window.
class TPaintGaps : public QObject
{
public:
    explicit TPaintGaps(QWidget *window) : m_window(window) { m_clock.start(); }
    void Start()
    {
        m_clock.restart();
        m_last = 0;
        Largest = 0;
        Paints = 0;
    }
    double Largest = 0;
    int Paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint) {
            const double now = Ms(m_clock);
            Largest = std::max(Largest, now - m_last);
            m_last = now;
            ++Paints;
        }
        return false;
    }

private:
    QWidget *m_window;
    QElapsedTimer m_clock;
    double m_last = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? std::max(1LL, QByteArray(argv[1]).toLongLong()) : 100;
    TScriptedUser user;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the sample file");
        QByteArray block;
        while (block.size() < (1 << 20))
            block += "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor 42.\r\n";
        for (qint64 i = 0; i < megabytes; ++i)
            file.write(block);
    }

    TMultiEditor editor;
    editor.resize(800, 600);
    editor.show();
    QApplication::processEvents();

    const qint64 threshold = TLongWork::Threshold;
    double with = 1e9, without = 1e9;
    for (int round = 0; round < 3; ++round) {
        for (const bool progress : {true, false}) {
            TLongWork::Threshold = progress ? threshold : std::numeric_limits<qint64>::max();
            QElapsedTimer timer;
            timer.start();
            editor.OpenFile(path);
            // Until the text is shown: what progress painted early is not painted again.
            editor.repaint();
            QApplication::processEvents();
            const double ms = Ms(timer);
            (progress ? with : without) = std::min(progress ? with : without, ms);
            editor.ClosePage(editor.FileIndex());
            QApplication::processEvents();
        }
    }
    TLongWork::Threshold = threshold;
    std::printf("opening %lld MB: %.0f ms with progress, %.0f ms without (best of 3): progress costs %.1f %%\n",
                static_cast<long long>(megabytes), with, without, 100.0 * (with - without) / without);

    // The window asks to be painted every 10 ms: how long does it wait?
    TPaintGaps gaps(&editor);
    app.installEventFilter(&gaps);
    QTimer ask;
    ask.setInterval(10);
    // Painted at once, as an exposed window is: update() would wait for the
    // next look at the event queue, a tenth of a second later.
    QObject::connect(&ask, &QTimer::timeout, &editor, [&] { editor.repaint(); });
    ask.start();
    QApplication::processEvents();
    gaps.Start();
    QElapsedTimer timer;
    timer.start();
    editor.OpenFile(path);
    // Until the text itself is shown.
    editor.repaint();
    const double openMs = Ms(timer);
    std::printf("while opening (%.0f ms): %d repaints, largest gap %.0f ms\n", openMs, gaps.Paints, gaps.Largest);

    // Replace all: seven one-byte hits in each line of 86 bytes, each replaced by two bytes.
    editor.FindText = QStringLiteral("o");
    editor.ReplaceText = QStringLiteral("00");
    const qint64 hits = editor.CurrentControl()->Text().count('o');
    for (const bool down : {true, false}) {
        editor.FindOptions = (down ? FindOptionBit(frDown) : 0) | FindOptionBit(frReplaceAll);
        TXMemo *control = editor.CurrentControl();
        control->SetSelStart(down ? 0 : control->TextLength());
        gaps.Start();
        timer.restart();
        editor.SearchNext();
        editor.repaint();
        std::printf("while replacing all %lld hits %s (%.0f ms): %d repaints, largest gap %.0f ms\n",
                    static_cast<long long>(hits), down ? "downwards" : "upwards", Ms(timer), gaps.Paints,
                    gaps.Largest);
        gaps.Start();
        timer.restart();
        control->Undo();
        editor.repaint();
        std::printf("  undoing it (%.0f ms): %d repaints, largest gap %.0f ms\n", Ms(timer), gaps.Paints,
                    gaps.Largest);
    }
    return 0;
}
