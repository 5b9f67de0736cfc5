#include "print/PrintChannel.h"

#include "platform/core/EditorError.h"
#include "platform/core/Cp1252.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPrinter>
#include <cmath>

TPrintChannel::TPrintChannel(QPrinter &printer) : m_printer(printer)
{
}

TPrintChannel::~TPrintChannel()
{
    try {
        Close();
    } catch (...) {
        // A destructor runs while an error is already on its way.
    }
}

void TPrintChannel::Open()
{
    // Qt's preview draws on pictures of its own: it needs no printer and no file.
    const QPaintEngine *engine = m_printer.paintEngine();
    const bool preview = engine && engine->type() == QPaintEngine::Picture;
    if (!preview && m_printer.outputFormat() == QPrinter::NativeFormat
        && (m_printer.printerName().isEmpty() || !m_printer.isValid()))
        throw TEditorError(QStringLiteral("Kein Drucker installiert."));
    if (!preview && m_printer.outputFormat() == QPrinter::PdfFormat && m_printer.outputFileName().isEmpty())
        throw TEditorError(QStringLiteral("Kein Drucker installiert."));
    const QRect page = m_printer.pageLayout().paintRectPixels(m_printer.resolution());
    m_pageWidth = page.width();
    m_pageHeight = page.height();
    m_open = true;
    m_started = false;
    m_page = 1;
    m_x = 0;
    m_y = 0;
    m_run.clear();
    SetFont(m_font);
}

void TPrintChannel::SetFont(const QFont &font)
{
    Flush();
    m_font = font;
    const QFontMetrics metrics(m_font, &m_printer);
    const QFontMetricsF exact(m_font, &m_printer);
    m_lineHeight = std::max(1, metrics.height());
    m_ascent = metrics.ascent();
    m_tabWidth = 8.0 * std::max(1, metrics.averageCharWidth());
    for (int byte = 0; byte < 256; ++byte)
        m_widths[byte] = exact.horizontalAdvance(QChar(cp1252::ToUnicode(static_cast<unsigned char>(byte))));
    if (m_started)
        m_painter.setFont(m_font);
}

printing::TPrintMetrics TPrintChannel::Metrics() const
{
    const QFontMetrics metrics(m_font, &m_printer);
    printing::TPrintMetrics result;
    result.DpiX = m_printer.logicalDpiX();
    result.DpiY = m_printer.logicalDpiY();
    result.BlankWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    result.CharHeight = metrics.height();
    result.PageWidth = m_pageWidth;
    result.PageHeight = m_pageHeight;
    return result;
}

void TPrintChannel::StartJob()
{
    if (m_started)
        return;
    if (!m_painter.begin(&m_printer)) {
        m_open = false;
        const QString target =
            m_printer.outputFormat() == QPrinter::PdfFormat ? m_printer.outputFileName() : m_printer.printerName();
        throw TEditorError(QStringLiteral("Drucken auf %1 ist nicht möglich.").arg(target));
    }
    m_started = true;
    m_painter.setFont(m_font);
    m_painter.setPen(Qt::black);
}

void TPrintChannel::Flush()
{
    if (m_run.isEmpty())
        return;
    StartJob();
    m_painter.drawText(QPointF(m_runX, m_y + m_ascent), m_run);
    m_run.clear();
}

void TPrintChannel::Write(const char *bytes, qsizetype length)
{
    if (!m_open)
        return;
    StartJob();
    for (qsizetype i = 0; i < length; ++i) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\f') {
            FormFeed();
        } else if (byte == '\r' || byte == '\n') {
            EndLine();
        } else if (byte == '\t') {
            Flush();
            m_x = (std::floor(m_x / m_tabWidth) + 1) * m_tabWidth;
            if (m_x >= m_pageWidth)
                EndLine();
        } else {
            const double width = m_widths[byte];
            if (m_x > 0 && m_x + width > m_pageWidth)
                EndLine();
            if (m_run.isEmpty())
                m_runX = m_x;
            m_run.append(QChar(cp1252::ToUnicode(byte)));
            m_x += width;
        }
    }
}

void TPrintChannel::EndLine()
{
    if (!m_open)
        return;
    StartJob();
    Flush();
    m_x = 0;
    m_y += m_lineHeight;
    if (m_y + m_lineHeight > m_pageHeight)
        NewPage();
}

void TPrintChannel::FormFeed()
{
    if (!m_open)
        return;
    StartJob();
    NewPage();
}

void TPrintChannel::NewPage()
{
    Flush();
    if (!m_printer.newPage())
        throw TEditorError(QStringLiteral("Drucken ist mißlungen."));
    ++m_page;
    m_x = 0;
    m_y = 0;
}

void TPrintChannel::Close()
{
    if (!m_open)
        return;
    m_open = false;
    if (!m_started)
        return;
    m_started = false;
    if (!m_run.isEmpty()) {
        m_painter.drawText(QPointF(m_runX, m_y + m_ascent), m_run);
        m_run.clear();
    }
    if (!m_painter.end())
        throw TEditorError(QStringLiteral("Drucken ist mißlungen."));
}
