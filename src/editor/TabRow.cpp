#include "editor/TabRow.h"

#include "platform/Dialogs.h"

#include <QMouseEvent>
#include <QVariant>
#include <QWheelEvent>

namespace {

QString TabText(const QString &name)
{
    return QString(name).replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

TTabRow::TTabRow(QWidget *parent) : QTabBar(parent)
{
    setShape(QTabBar::RoundedSouth);
    setExpanding(false);
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideNone);
    setFocusPolicy(Qt::NoFocus);
    setDrawBase(true);
}

void TTabRow::RequestIndex(int index)
{
    if (index < 0 || index >= count() || index == currentIndex())
        return;
    bool allow = true;
    emit Changing(index, allow);
    if (allow)
        setCurrentIndex(index);
}

int TTabRow::AddFile(QObject *file)
{
    const int index = addTab(QString());
    setTabData(index, QVariant::fromValue(file));
    return index;
}

int TTabRow::IndexOf(const QObject *file) const
{
    // From the end: a file being opened has the last tab.
    for (int i = count() - 1; i >= 0 && file; --i) {
        if (tabData(i).value<QObject *>() == file)
            return i;
    }
    return -1;
}

void TTabRow::SetName(int index, const QString &name)
{
    setTabText(index, TabText(name));
}

QString TTabRow::Name(int index) const
{
    return tabText(index).replace(QLatin1String("&&"), QLatin1String("&"));
}

bool TTabRow::event(QEvent *event)
{
    // The tool tip is the current file's full name.
    if (dialogs::ShowPlainToolTip(this, event))
        return true;
    return QTabBar::event(event);
}

void TTabRow::mousePressEvent(QMouseEvent *event)
{
    const int index = tabAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0 && index != currentIndex()) {
        RequestIndex(index);
        event->accept();
        return;
    }
    QTabBar::mousePressEvent(event);
}

void TTabRow::wheelEvent(QWheelEvent *event)
{
    // Scrolling over the tabs would switch files without asking.
    event->ignore();
}
