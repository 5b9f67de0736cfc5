#include "print/core/PrintLayout.h"

#include <algorithm>
#include <cmath>

namespace printing {

qint64 RoundHalfEven(double value)
{
    return qint64(std::nearbyint(value)); // the default rounding mode is to even
}

namespace {

qint64 Pixels(qint32 millimetres, int dpi)
{
    return RoundHalfEven(double(millimetres) * dpi / 25.4);
}

int Clamp(qint64 value, qint64 upper)
{
    return int(std::max<qint64>(0, std::min(value, upper)));
}

} // namespace

TPrintLayout ComputePrintLayout(qint32 leftMargin, qint32 topMargin, qint32 bottomMargin, const TPrintMetrics &metrics)
{
    TPrintLayout layout;
    if (leftMargin > 0 && metrics.BlankWidth > 0) {
        const qint64 indent = Pixels(leftMargin, metrics.DpiX) / metrics.BlankWidth + 1;
        layout.IndentChars = Clamp(indent, metrics.PageWidth / metrics.BlankWidth - 1);
    }
    if ((topMargin > 0 || bottomMargin > 0) && metrics.CharHeight > 0) {
        const int height = metrics.CharHeight;
        layout.PageLines = std::max(0, metrics.PageHeight / height);
        if (topMargin > 0)
            layout.TopLines = Clamp(Pixels(topMargin, metrics.DpiY) / height + 1, layout.PageLines - 1);
        if (bottomMargin > 0)
            layout.BottomLines =
                Clamp(Pixels(bottomMargin, metrics.DpiY) / height + 1, layout.PageLines - layout.TopLines - 1);
    }
    return layout;
}

} // namespace printing
