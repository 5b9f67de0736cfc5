#pragma once
// Long work on the user-interface thread (opening a large file, replacing in
// a large text) that keeps the window alive: every tenth of a second it shows
// in the status panel how far it has come and lets the window repaint. The
// user's keys, clicks and a close wait until the work is done - it is in the
// middle of the text they would act on - all but Escape, which asks work that
// can stop to stop.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QWidget;

class TLongWork : public QObject
{
public:
    // Work of `total` units on `widget`, shown in its window as `what`
    // ("Laden"). The widget itself shows an empty page meanwhile: its text
    // is half done, and a line still growing may be too long to lay out. Below
    // Threshold units nothing is shown and nothing waits.
    TLongWork(QWidget *widget, const QString &what, qint64 total, bool cancellable);
    ~TLongWork() override;
    TLongWork(const TLongWork &) = delete;
    TLongWork &operator=(const TLongWork &) = delete;

    // `done` units so far; false once the user asked to stop. Cheap enough
    // to be called for every piece of the work: a look at the clock.
    bool Step(qint64 done)
    {
        if (m_active && m_clock.elapsed() >= m_next)
            Report(m_offset + done);
        return !m_cancelled;
    }
    bool Cancelled() const { return m_cancelled; }
    // Whether the work is large enough to be shown.
    bool Active() const { return m_active; }
    // Runs `work` on a thread of its own while this one goes on showing the
    // window, with `done` units so far when given; its exception comes back
    // here. `work` must touch nothing the window does, and may ask
    // Cancelled().
    void Aside(const std::function<void()> &work, const std::atomic<qint64> *done = nullptr);
    // Where the units of the following steps start: work in two passes
    // counts the second from the end of the first.
    void SetOffset(qint64 offset) { m_offset = offset; }

    // The innermost work running now, or none: for code deep inside it
    // that can tell how far it has come.
    static TLongWork *Current();

    // Work smaller than this runs as it always did (50 MB).
    static qint64 Threshold;
    // Milliseconds between two looks at the window.
    static int IntervalMs;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Report(qint64 done);
    void ShowText(const QString &text);

    QPointer<QWidget> m_widget;
    QPointer<QWidget> m_window;
    QString m_what;
    qint64 m_total = 0;
    qint64 m_offset = 0;
    qint64 m_done = 0;
    TLongWork *m_outer = nullptr;
    bool m_cancellable = false;
    bool m_active = false;
    std::atomic<bool> m_cancelled{false};
    QElapsedTimer m_clock;
    qint64 m_next = 0;
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_held;
};
