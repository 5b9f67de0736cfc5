#pragma once
// A label that shows when the program's own file was last written: as the
// locale's date and time, or as the packed DOS date-time number.
#include "about/core/StampTime.h"

#include <QLabel>

class TTimeStamp : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(TTimeStampDisplayType Display READ Display WRITE SetDisplay)

public:
    // Applies Display = dtString at once.
    explicit TTimeStamp(QWidget *owner = nullptr);

    TTimeStampDisplayType Display() const { return m_display; }
    // Stores the kind and computes the text once; it is not refreshed
    // while the label lives.
    void SetDisplay(TTimeStampDisplayType display);

    // A label laid out in a designer shows fixed samples instead of the
    // file's time ("12/31/99 12:59:58 PM", "664758141").
    bool Designing() const { return m_designing; }
    void SetDesigning(bool designing);

private:
    TTimeStampDisplayType m_display = dtString;
    bool m_designing = false;
};
