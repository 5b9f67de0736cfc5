#include "print/core/LinePrinter.h"

#include <QByteArray>
#include <algorithm>

namespace printing {

TLinePrinter::TLinePrinter(TPrintSink &sink, const TPrintLayout &layout)
    : m_sink(sink), m_layout(layout), m_page(sink.PageNumber())
{
}

void TLinePrinter::PrintLine(const char *bytes, qsizetype length)
{
    // A line that begins with a form feed belongs on the new page with its
    // top lines and indent, not with its indent left behind on the old one.
    while (length > 0 && *bytes == '\f') {
        m_sink.FormFeed();
        m_page = m_sink.PageNumber();
        m_lines = 0;
        ++bytes;
        --length;
    }
    if (m_layout.TopLines > 0 && m_lines == 0) {
        for (int i = 0; i < m_layout.TopLines; ++i)
            m_sink.EndLine();
        m_lines += m_layout.TopLines;
    }
    if (m_layout.IndentChars > 0) {
        const QByteArray indent(m_layout.IndentChars, ' ');
        m_sink.Write(indent.constData(), indent.size());
    }
    for (qsizetype done = 0; done < length; done += PieceLength)
        m_sink.Write(bytes + done, std::min(PieceLength, length - done));
    m_sink.EndLine();
    ++m_lines;

    if (m_sink.PageNumber() > m_page) {
        m_page = m_sink.PageNumber();
        m_lines = 0;
    }
    if (m_layout.BottomLines > 0 && m_lines >= m_layout.PageLines - m_layout.BottomLines) {
        m_sink.FormFeed();
        m_page = m_sink.PageNumber();
        m_lines = 0;
    }
    if (m_lines >= m_layout.PageLines)
        m_lines = 0;
}

void TLinePrinter::PrintBuffer(const char *bytes, qsizetype length)
{
    // Every kind of line break ends a line here: a break left to the channel
    // would start a line without the indent and escape the line count.
    qsizetype start = 0;
    while (length > 0) {
        qsizetype end = start;
        while (end < length && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        PrintLine(bytes + start, end - start);
        if (end == length)
            break;
        start = end + ((bytes[end] == '\r' && end + 1 < length && bytes[end + 1] == '\n') ? 2 : 1);
    }
}

} // namespace printing
