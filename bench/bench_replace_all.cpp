// "Alle ersetzen" on a large text as the user runs it (through the editor),
// its undo, and the peak memory of the process while it runs.
//   bench_replace_all [MEGABYTES] [HITS_PER_LINE]
// The text has lines of 100 bytes; each holds HITS_PER_LINE (default 1) "o"
// that are replaced by "00", without match case, as in the dialog.
#include "editor/MultEdit.h"
#include "../tests/support/ScriptedUser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <cstdio>

namespace {

double Ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Peak and current resident memory in MB, from the kernel's own count.
double StatusMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

// Starts a new peak measurement (Linux 4.0 and later).
void ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TScriptedUser user;
    const double megabytes = argc > 1 ? QByteArray(argv[1]).toDouble() : 100;
    const int perLine = argc > 2 ? std::clamp(QByteArray(argv[2]).toInt(), 0, 90) : 1;

    TMultiEditor editor;
    editor.resize(800, 600);
    editor.show();
    editor.NewFileClick(nullptr);
    TXMemo *memo = editor.CurrentControl();

    QByteArray line(98, '-');
    for (int i = 0; i < perLine; ++i)
        line[5 + i] = (i % 2) ? 'O' : 'o';
    line += "\r\n";
    const qint64 size = qint64(megabytes * 1e6) / line.size() * line.size();
    {
        QByteArray text;
        text.reserve(size);
        while (text.size() < size)
            text += line;
        memo->SetText(text);
    }
    memo->SetSelStart(0);
    QApplication::processEvents();
    const double before = StatusMb("VmRSS:");

    editor.FindText = QStringLiteral("o");
    editor.ReplaceText = QStringLiteral("00");
    editor.FindOptions = FindOptionBit(frDown) | FindOptionBit(frReplaceAll);
    ResetPeak();
    QElapsedTimer timer;
    timer.start();
    editor.SearchNext();
    const double replaceMs = Ms(timer);
    const double peak = StatusMb("VmHWM:");
    const qint64 hits = memo->TextLength() - size;
    const bool replaced = hits == size / line.size() * perLine;

    timer.restart();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(memo, &press);
    memo->repaint();
    const double keyMs = Ms(timer);

    ResetPeak();
    timer.restart();
    memo->Undo(); // the key
    memo->Undo(); // the replace all
    const double undoMs = Ms(timer);
    const double undoPeak = StatusMb("VmHWM:");
    const bool undone = memo->TextLength() == size && memo->TextRange(0, line.size()) == line;

    const double fileMb = size / 1048576.0;
    std::printf("text: %.0f MB (%.1f MiB), %lld lines, resident before: %.0f MiB\n", size / 1e6, fileMb,
                static_cast<long long>(size / line.size()), before);
    std::printf("replace all: %lld hits in %.0f ms (all replaced: %s), peak resident %.0f MiB = %.2f x the text\n",
                static_cast<long long>(hits), replaceMs, replaced ? "yes" : "NO", peak, peak / fileMb);
    std::printf("first key typed after it: %.1f ms\n", keyMs);
    std::printf("undo of the key and the replace all: %.0f ms (text as before: %s), peak resident %.0f MiB\n", undoMs,
                undone ? "yes" : "NO", undoPeak);
    return replaced && undone ? 0 : 1;
}
