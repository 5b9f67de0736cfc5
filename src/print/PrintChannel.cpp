#include "print/PrintChannel.h"

#include "platform/core/EditorError.h"
#include "platform/core/Cp1252.h"
#include "platform/core/Utf8.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPrinter>
#include <cmath>

namespace {

// Whether the bytes [p, end) are the start of a valid UTF-8 sequence that
// goes on beyond `end`.
bool CutSequence(const unsigned char *p, const unsigned char *end)
{
    const utf8::TLead lead = utf8::LeadOf(*p);
    const std::ptrdiff_t have = end - p;
    if (lead.length < 2 || have >= lead.length)
        return false;
    if (have > 1 && (p[1] < lead.low || p[1] > lead.high))
        return false;
    for (std::ptrdiff_t i = 2; i < have; ++i)
        if (!utf8::IsContinuation(p[i]))
            return false;
    return true;
}

constexpr char32_t kReplacement = 0xFFFD;

} // namespace

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
    m_pendingCount = 0;
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
    m_utf8Widths.clear();
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

void TPrintChannel::SetEncoding(encoding::TEncoding encoding)
{
    DropPending();
    m_encoding = encoding;
}

void TPrintChannel::Write(const char *bytes, qsizetype length)
{
    if (!m_open)
        return;
    StartJob();
    if (m_encoding == encoding::TEncoding::Utf8) {
        WriteUtf8(bytes, length);
        return;
    }
    for (qsizetype i = 0; i < length; ++i)
        WriteByte(static_cast<unsigned char>(bytes[i]));
}

void TPrintChannel::WriteByte(unsigned char byte)
{
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
        Draw(cp1252::ToUnicode(byte), m_widths[byte]);
    }
}

void TPrintChannel::WriteUtf8(const char *bytes, qsizetype length)
{
    // A sequence cut between two writes goes on where it was cut.
    QByteArray joined;
    if (m_pendingCount > 0) {
        joined.append(reinterpret_cast<const char *>(m_pending), m_pendingCount);
        joined.append(bytes, length);
        m_pendingCount = 0;
        bytes = joined.constData();
        length = joined.size();
    }
    const auto *p = reinterpret_cast<const unsigned char *>(bytes);
    const auto *end = p + length;
    while (p < end) {
        const unsigned char byte = *p;
        if (byte < 0x80) {
            // ASCII, the controls included, is the same in Windows-1252.
            WriteByte(byte);
            ++p;
            continue;
        }
        char32_t character;
        const int n = utf8::Decode(p, end, character);
        if (n > 0) {
            Draw(character, Utf8Width(character));
            p += n;
        } else if (CutSequence(p, end)) {
            m_pendingCount = int(end - p);
            std::copy(p, end, m_pending);
            return;
        } else {
            // As the screen shows it: a byte that starts no sequence.
            Draw(kReplacement, Utf8Width(kReplacement));
            ++p;
        }
    }
}

double TPrintChannel::Utf8Width(char32_t character)
{
    const auto known = m_utf8Widths.constFind(character);
    if (known != m_utf8Widths.constEnd())
        return *known;
    const double width = QFontMetricsF(m_font, &m_printer).horizontalAdvance(QString::fromUcs4(&character, 1));
    m_utf8Widths.insert(character, width);
    return width;
}

void TPrintChannel::Draw(char32_t character, double width)
{
    if (m_x > 0 && m_x + width > m_pageWidth)
        EndLine();
    if (m_run.isEmpty())
        m_runX = m_x;
    if (QChar::requiresSurrogates(character)) {
        m_run.append(QChar(QChar::highSurrogate(character)));
        m_run.append(QChar(QChar::lowSurrogate(character)));
    } else {
        m_run.append(QChar(char16_t(character)));
    }
    m_x += width;
}

void TPrintChannel::DropPending()
{
    // A sequence the line ends in the middle of: one mark for its bytes.
    if (m_pendingCount == 0)
        return;
    m_pendingCount = 0;
    if (m_open)
        Draw(kReplacement, Utf8Width(kReplacement));
}

void TPrintChannel::EndLine()
{
    if (!m_open)
        return;
    StartJob();
    DropPending();
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
    DropPending();
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
    DropPending();
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
