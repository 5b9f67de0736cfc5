#pragma once
// Small controls of the about box: a panel with a double bevel, a pair of
// arrow buttons that step a position, and a label that reacts to clicks.
#include <QFrame>
#include <QLabel>

class QToolButton;

// Lowered outer bevel, raised inner bevel.
class TBevelPanel : public QFrame
{
    Q_OBJECT
public:
    explicit TBevelPanel(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Two small arrows side by side. The left one lowers Position by 1, the
// right one raises it; neither goes past Min or Max. Every change of
// Position, by an arrow or by SetPosition, is reported through Click.
class TArrowPair : public QWidget
{
    Q_OBJECT
public:
    explicit TArrowPair(QWidget *parent = nullptr);

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Position() const { return m_position; }
    // Takes effect only when the new Max is greater than Min.
    void SetMax(int max);
    // Clamped to Min..Max; a value other than the current one calls Click.
    void SetPosition(int position);

    QToolButton *LeftArrow() const { return m_left; }
    QToolButton *RightArrow() const { return m_right; }

signals:
    void Click();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_min = 0;
    int m_max = 1;
    int m_position = 0;
    QToolButton *m_left = nullptr;
    QToolButton *m_right = nullptr;
};

// A label with a hint (shown as tool tip when ShowHint is on) and click and
// double-click signals.
class TClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TClickLabel(const QString &text = QString(), QWidget *parent = nullptr);

    QString Hint() const { return m_hint; }
    void SetHint(const QString &hint);
    void SetShowHint(bool show);

signals:
    void Clicked();
    void DoubleClicked();

protected:
    bool event(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void UpdateToolTip();

    QString m_hint;
    bool m_showHint = false;
};
