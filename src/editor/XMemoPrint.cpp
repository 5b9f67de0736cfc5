// The text control's print routines: which lines go to the printer.
#include "editor/XMemo.h"

#include "print/PrintChannel.h"
#include "print/Printer.h"

#include <algorithm>
#include <functional>

namespace {

// Opens the printer's channel in the control's font, runs `print` and
// closes the channel on every path.
void WithPrinter(TXMemo *control, const std::function<void(TPrintChannel &, const printing::TPrintMetrics &)> &print)
{
    TPrintChannel channel(printing::ThePrinter());
    channel.Open();
    channel.SetFont(control->EditorFont());
    channel.SetEncoding(control->Encoding());
    print(channel, channel.Metrics());
    channel.Close();
}

} // namespace

printing::TPrintLayout TXMemo::ComputePrintLayout(const printing::TPrintMetrics &metrics) const
{
    return printing::ComputePrintLayout(LeftMargin, TopMargin, BottomMargin, metrics);
}

void TXMemo::PrintText()
{
    WithPrinter(this, [this](TPrintChannel &channel, const printing::TPrintMetrics &metrics) {
        PrintText(channel, metrics);
    });
}

void TXMemo::PrintSelection()
{
    WithPrinter(this, [this](TPrintChannel &channel, const printing::TPrintMetrics &metrics) {
        PrintSelection(channel, metrics);
    });
}

void TXMemo::PrintText(printing::TPrintSink &sink, const printing::TPrintMetrics &metrics)
{
    printing::TLinePrinter printer(sink, ComputePrintLayout(metrics));
    const char *text = CharacterPointer();
    if (!WordWrap() || ViewOnly()) {
        printer.PrintBuffer(text, TextLength());
        return;
    }
    const bool wraps = WrapsLines();
    const qint64 lines = LineCount();
    for (qint64 line = 0; line < lines; ++line) {
        const qint64 start = LineIndex(line);
        const qint64 end = SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
        const long pieces = wraps ? SendScintilla(SCI_WRAPCOUNT, static_cast<unsigned long>(line)) : 1;
        if (pieces <= 1) {
            printer.PrintLine(text + start, end - start);
            continue;
        }
        // A screen line starts at the first position drawn one line lower.
        const long top = SendScintilla(SCI_POINTYFROMPOSITION, 0UL, static_cast<long>(start));
        const long height = std::max(1L, SendScintilla(SCI_TEXTHEIGHT, static_cast<unsigned long>(line)));
        qint64 from = start;
        for (long piece = 1; piece <= pieces; ++piece) {
            qint64 low = from + 1, high = end;
            while (piece < pieces && low < high) {
                const qint64 middle = low + (high - low) / 2;
                const long y = SendScintilla(SCI_POINTYFROMPOSITION, 0UL, static_cast<long>(middle));
                if (y - top >= piece * height)
                    high = middle;
                else
                    low = middle + 1;
            }
            const qint64 to = piece < pieces ? std::min(low, end) : end;
            printer.PrintLine(text + from, to - from);
            from = to;
        }
    }
}

void TXMemo::PrintSelection(printing::TPrintSink &sink, const printing::TPrintMetrics &metrics)
{
    const qint64 length = SelLength();
    if (length <= 0)
        return;
    printing::TLinePrinter printer(sink, ComputePrintLayout(metrics));
    printer.PrintBuffer(CharacterPointer() + SelStart(), length);
}
