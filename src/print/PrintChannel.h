#pragma once
// A text channel to a QPrinter: bytes are drawn as characters of their
// encoding, line by line in the printer font, a line too wide for the page goes on in the next line,
// a page starts when the next line would not fit or on a form feed.
#include "platform/core/Encoding.h"
#include "print/core/LinePrinter.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QString>
#include <array>

class QPrinter;

class TPrintChannel : public printing::TPrintSink
{
public:
    explicit TPrintChannel(QPrinter &printer);
    ~TPrintChannel() override;

    // Starts a job under the printer's document name, on page 1. Raises
    // TEditorError when there is no printer to print on.
    void Open();
    void SetFont(const QFont &font);
    // How the written bytes are read; Windows-1252 until set.
    void SetEncoding(encoding::TEncoding encoding);
    printing::TPrintMetrics Metrics() const;
    // Ends the job; also when printing stopped on an error.
    void Close();

    void Write(const char *bytes, qsizetype length) override;
    void EndLine() override;
    void FormFeed() override;
    int PageNumber() const override { return m_page; }

private:
    void StartJob();
    void NewPage();
    void Flush();
    void WriteByte(unsigned char byte);
    void Draw(char32_t character, double width);
    void WriteUtf8(const char *bytes, qsizetype length);
    double Utf8Width(char32_t character);
    void DropPending();

    QPrinter &m_printer;
    QPainter m_painter;
    QFont m_font;
    std::array<double, 256> m_widths{};
    encoding::TEncoding m_encoding = encoding::TEncoding::Cp1252;
    QHash<char32_t, double> m_utf8Widths;
    // The start of a UTF-8 sequence that the next write goes on with.
    unsigned char m_pending[4] = {};
    int m_pendingCount = 0;
    double m_tabWidth = 0;
    int m_lineHeight = 1;
    int m_ascent = 0;
    int m_pageWidth = 0;
    int m_pageHeight = 0;
    bool m_open = false;
    bool m_started = false; // the printer is only bothered once there is output
    int m_page = 0;
    double m_x = 0;
    int m_y = 0;
    QString m_run; // text of the current line not drawn yet
    double m_runX = 0;
};
