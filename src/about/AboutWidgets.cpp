#include "about/AboutWidgets.h"

#include "platform/Dialogs.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <qdrawutil.h>

TBevelPanel::TBevelPanel(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

void TBevelPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect outer = rect();
    qDrawShadePanel(&painter, outer, palette(), true, 1);
    qDrawShadePanel(&painter, outer.adjusted(1, 1, -1, -1), palette(), false, 1);
}

TArrowPair::TArrowPair(QWidget *parent) : QWidget(parent)
{
    auto makeArrow = [this](Qt::ArrowType type, const char *name, const QString &spoken) {
        auto *arrow = new QToolButton(this);
        arrow->setObjectName(QLatin1String(name));
        // An arrow shows no text: a screen reader says which way it goes.
        arrow->setAccessibleName(spoken);
        arrow->setArrowType(type);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRaise(false);
        return arrow;
    };
    m_left = makeArrow(Qt::LeftArrow, "LeftArrow", QStringLiteral("Zurück"));
    m_right = makeArrow(Qt::RightArrow, "RightArrow", QStringLiteral("Weiter"));
    // A click counts when the button is released over the arrow.
    connect(m_left, &QToolButton::clicked, this, [this] {
        if (m_position > m_min)
            SetPosition(m_position - 1);
    });
    connect(m_right, &QToolButton::clicked, this, [this] {
        if (m_position < m_max)
            SetPosition(m_position + 1);
    });
}

void TArrowPair::SetMax(int max)
{
    if (max > m_min)
        m_max = max;
    SetPosition(m_position);
}

void TArrowPair::SetPosition(int position)
{
    position = qBound(m_min, position, m_max);
    if (position == m_position)
        return;
    m_position = position;
    emit Click();
}

void TArrowPair::resizeEvent(QResizeEvent *)
{
    // The two arrows share the width; the left one takes the odd pixel.
    const int half = (width() + 1) / 2;
    m_left->setGeometry(0, 0, half, height());
    m_right->setGeometry(half, 0, width() - half, height());
}

TClickLabel::TClickLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    // Names and values from files and settings: never read as markup.
    setTextFormat(Qt::PlainText);
}

bool TClickLabel::event(QEvent *event)
{
    // Hints are addresses and file names.
    if (dialogs::ShowPlainToolTip(this, event))
        return true;
    return QLabel::event(event);
}

void TClickLabel::SetHint(const QString &hint)
{
    m_hint = hint;
    UpdateToolTip();
}

void TClickLabel::SetShowHint(bool show)
{
    m_showHint = show;
    UpdateToolTip();
}

void TClickLabel::UpdateToolTip()
{
    setToolTip(m_showHint ? m_hint : QString());
}

void TClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked();
}

void TClickLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QLabel::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DoubleClicked();
}
