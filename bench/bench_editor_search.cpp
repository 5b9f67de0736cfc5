// Find and replace all as the user runs them: through the editor on a text
// control, including applying the result and the first key typed after.
#include "editor/MultEdit.h"
#include "../tests/support/ScriptedUser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <cstdio>

namespace {

double Ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

double TypeKey(TXMemo *memo)
{
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(memo, &press);
    memo->repaint();
    return Ms(timer);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TScriptedUser user;
    TMultiEditor editor;
    editor.resize(800, 600);
    editor.show();
    editor.NewFileClick(nullptr);
    TXMemo *memo = editor.CurrentControl();

    // 10 MB with 100,000 one-byte hits, replaced by two bytes.
    QByteArray text;
    const QByteArray line = QByteArray(97, '-') + "a\r\n";
    while (text.size() < 10'000'000)
        text += line;
    memo->SetText(text);
    memo->SetSelStart(0);
    editor.FindText = QStringLiteral("a");
    editor.ReplaceText = QStringLiteral("bb");
    editor.FindOptions = FindOptionBit(frDown) | FindOptionBit(frMatchCase) | FindOptionBit(frReplaceAll);
    QElapsedTimer timer;
    timer.start();
    editor.SearchNext();
    const double replaceMs = Ms(timer);
    const qint64 hits = memo->TextLength() - text.size();
    const double typeAfterReplace = TypeKey(memo);
    timer.restart();
    memo->Undo();
    memo->Undo();
    const double undoMs = Ms(timer);
    const bool undone = memo->TextLength() == text.size();

    // 100 MB without a match, from the start.
    QByteArray big;
    const QByteArray words("Lorem ipsum dolor sit amet, consectetur adipiscing elit.\r\n");
    while (big.size() < 100'000'000)
        big += words;
    memo->SetText(big);
    memo->SetSelStart(0);
    editor.FindText = QStringLiteral("zzzq");
    editor.FindOptions = FindOptionBit(frDown);
    timer.restart();
    editor.SearchNext();
    const double findMs = Ms(timer);
    const double typeAfterFind = TypeKey(memo);

    std::printf("replace all: %lld hits of one byte by two in 10 MB: %.0f ms, undone in two steps (typing, "
                "replace all): %s (%.0f ms)\n",
                static_cast<long long>(hits), replaceMs, undone ? "yes" : "NO", undoMs);
    std::printf("first key typed after replace all: %.1f ms\n", typeAfterReplace);
    std::printf("find without a match across 100 MB: %.0f ms (not-found message shown: %s)\n", findMs,
                user.Messages.size() == 1 ? "yes" : "NO");
    std::printf("first key typed after the find: %.1f ms\n", typeAfterFind);
    return 0;
}
