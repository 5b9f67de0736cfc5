// Find and replace all as the user runs them: through the editor on a text
// control, including applying the result and the first key typed after.
#include "editor/MultEdit.h"
#include "platform/core/Encoding.h"
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
    const bool notFoundShown = user.Messages.size() == 1;

    // 100 MB of German UTF-8 shown as UTF-8, any case: once without a match
    // (the whole text is read), once with the only match at the end.
    QByteArray german;
    const QByteArray germanLine("Gr\xC3\xBC\xC3\x9F"
                                "e aus K\xC3\xB6ln \xE2\x80\x93 \xE2\x80\x9EZitat\xE2\x80\x9C 15 \xE2\x82\xAC, "
                                "Stra\xC3\x9F"
                                "e, \xC3\x84rger \xC3\xBC"
                                "ber 42.\r\n");
    while (german.size() < 100'000'000)
        german += germanLine;
    big.clear();
    memo->SetText(german + "\xC3\x84RGERLICH");
    memo->SetEncoding(encoding::TEncoding::Utf8);
    editor.FindOptions = FindOptionBit(frDown);
    double utf8Ms[2] = {};
    const QString utf8Patterns[2] = {QStringLiteral("ärgerlichx"), QStringLiteral("ärgerlich")};
    for (int i = 0; i < 2; ++i) {
        memo->SetSelStart(0);
        editor.FindText = utf8Patterns[i];
        timer.restart();
        editor.SearchNext();
        utf8Ms[i] = Ms(timer);
    }
    const bool foundAtEnd = memo->SelStart() == german.size() && memo->SelLength() == 10;

    std::printf("replace all: %lld hits of one byte by two in 10 MB: %.0f ms, undone in two steps (typing, "
                "replace all): %s (%.0f ms)\n",
                static_cast<long long>(hits), replaceMs, undone ? "yes" : "NO", undoMs);
    std::printf("first key typed after replace all: %.1f ms\n", typeAfterReplace);
    std::printf("find without a match across 100 MB: %.0f ms (not-found message shown: %s)\n", findMs,
                notFoundShown ? "yes" : "NO");
    std::printf("first key typed after the find: %.1f ms\n", typeAfterFind);
    std::printf("find any case in 100 MB of UTF-8 (German, 10 special characters in 69 bytes): without a match "
                "%.0f ms, the only match at the end %.0f ms (found: %s)\n",
                utf8Ms[0], utf8Ms[1], foundAtEnd ? "yes" : "NO");
    return 0;
}
