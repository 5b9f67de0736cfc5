#pragma once
// Lines of text onto a print channel, with the margins of a TPrintLayout:
// the indent before each line, empty lines at the top of each page, and a
// form feed when a page is filled down to the bottom margin.
#include "print/core/PrintLayout.h"

#include <QtGlobal>

namespace printing {

// A text channel to the printer. It wraps a line that is too wide, starts
// a page by itself when the next line would not fit, and starts one on a
// form feed character (12).
class TPrintSink
{
public:
    virtual ~TPrintSink() = default;
    // Bytes of one output line, in the text's encoding (a UTF-8 sequence may
    // be cut between two writes); a tab advances to the next multiple of
    // eight average character widths.
    virtual void Write(const char *bytes, qsizetype length) = 0;
    virtual void EndLine() = 0;
    virtual void FormFeed() = 0;
    // 1 on the first page of the job.
    virtual int PageNumber() const = 0;
};

class TLinePrinter
{
public:
    TLinePrinter(TPrintSink &sink, const TPrintLayout &layout);

    // One line without its line break.
    void PrintLine(const char *bytes, qsizetype length);
    // Lines separated by CR LF, LF or a lone CR. A text that ends with a
    // line break prints a last empty line; an empty text prints nothing.
    void PrintBuffer(const char *bytes, qsizetype length);

    // Lines are handed to the channel in pieces of at most this many bytes.
    static constexpr qsizetype PieceLength = 250;

private:
    TPrintSink &m_sink;
    TPrintLayout m_layout;
    int m_lines = 0; // lines on the current page, top lines included
    int m_page = 0;
};

} // namespace printing
