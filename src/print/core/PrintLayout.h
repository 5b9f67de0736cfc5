#pragma once
// Margins in millimetres become characters and lines: blanks before every
// line, empty lines at the top of a page, lines kept free at the bottom.
#include <QtGlobal>

namespace printing {

// What the printer tells about itself and its font, in device pixels.
struct TPrintMetrics
{
    int DpiX = 0;
    int DpiY = 0;
    int BlankWidth = 0; // width of one blank in the printer font
    int CharHeight = 0; // character height without external leading
    int PageWidth = 0;  // printable width
    int PageHeight = 0; // printable height
};

struct TPrintLayout
{
    int IndentChars = 0;
    int TopLines = 0;
    int BottomLines = 0;
    int PageLines = 0;
};

// Nearest integer, halves to the even neighbour.
qint64 RoundHalfEven(double value);

// Margins of 0 or less mean none. Margins too large for the page are cut
// so that every line and every page still holds text: beyond that the
// printer would only be fed blank lines and blank pages.
TPrintLayout ComputePrintLayout(qint32 leftMargin, qint32 topMargin, qint32 bottomMargin, const TPrintMetrics &metrics);

} // namespace printing
