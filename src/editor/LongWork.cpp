#include "editor/LongWork.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <future>
#include <utility>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QStatusTipEvent>
#include <QWidget>

qint64 TLongWork::Threshold = qint64(50) << 20;
int TLongWork::IntervalMs = 100;

namespace {

TLongWork *g_current = nullptr;

} // namespace

TLongWork *TLongWork::Current()
{
    return g_current;
}

TLongWork::TLongWork(QWidget *widget, const QString &what, qint64 total, bool cancellable)
    : m_widget(widget),
      m_window(widget ? widget->window() : nullptr),
      m_what(what),
      m_total(total),
      m_cancellable(cancellable)
{
    m_active = total > Threshold && qApp;
    if (!m_active)
        return;
    m_clock.start();
    m_next = IntervalMs;
    qApp->installEventFilter(this);
    m_outer = std::exchange(g_current, this);
}

TLongWork::~TLongWork()
{
    if (!m_active)
        return;
    g_current = m_outer;
    qApp->removeEventFilter(this);
    if (m_widget)
        m_widget->update();
    ShowText(QString());
    for (auto &[receiver, event] : m_held)
        if (receiver)
            QCoreApplication::postEvent(receiver, event.release());
}

void TLongWork::Aside(const std::function<void()> &work, const std::atomic<qint64> *done)
{
    if (!m_active) {
        work();
        return;
    }
    std::future<void> finished = std::async(std::launch::async, work);
    do {
        if (m_clock.elapsed() >= m_next)
            Report(done ? m_offset + done->load() : m_done);
    } while (finished.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready);
    finished.get();
}

void TLongWork::Report(qint64 done)
{
    m_done = done;
    const int percent = m_total > 0 ? int(std::min<qint64>(100, done * 100 / m_total)) : 0;
    ShowText(m_cancellable ? QStringLiteral("%1: %2 % (Abbruch mit Esc)").arg(m_what).arg(percent)
                           : QStringLiteral("%1: %2 %").arg(m_what).arg(percent));
    // Painting and timers; a second instance's hand-over waits for the end.
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    m_next = m_clock.elapsed() + IntervalMs;
}

void TLongWork::ShowText(const QString &text)
{
    // The main window shows status tips in its status panel.
    if (!m_window)
        return;
    QStatusTipEvent tip(text);
    QCoreApplication::sendEvent(m_window, &tip);
}

bool TLongWork::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Paint:
        // The widget worked on shows an empty page until the work is done.
        if (auto *widget = qobject_cast<QWidget *>(watched);
            widget && m_widget && (widget == m_widget || m_widget->isAncestorOf(widget))) {
            QPainter painter(widget);
            painter.fillRect(static_cast<QPaintEvent *>(event)->rect(), widget->palette().color(QPalette::Base));
            return true;
        }
        return false;
    case QEvent::KeyPress:
        if (m_cancellable && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            m_cancelled = true;
            return true;
        }
        [[fallthrough]];
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Close:
        // Taken up once the work is done, as if the window had been busy.
        m_held.emplace_back(watched, event->clone());
        event->ignore();
        return true;
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: return true;
    default: return QObject::eventFilter(watched, event);
    }
}
