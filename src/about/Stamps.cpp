#include "about/Stamps.h"

#include "about/core/XVersion.h"

TTimeStamp::TTimeStamp(QWidget *owner) : QLabel(owner)
{
    SetDisplay(dtString);
}

void TTimeStamp::SetDisplay(TTimeStampDisplayType display)
{
    m_display = display;
    if (m_designing) {
        setText(stamptime::DesignSampleText(display));
        return;
    }
    const qint32 packed = stamptime::FilePackedTime(xversion::OwnExecutableName());
    setText(stamptime::StampText(packed, display, QLocale::system()));
}

void TTimeStamp::SetDesigning(bool designing)
{
    m_designing = designing;
    SetDisplay(m_display);
}
