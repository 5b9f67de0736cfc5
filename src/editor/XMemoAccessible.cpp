#include "editor/XMemoAccessible.h"

#include "editor/XMemo.h"

#include <QFontMetrics>

namespace {

QAccessibleInterface *Factory(const QString &className, QObject *object)
{
    // Asked by the most derived class name first, so this wins over the
    // interface QScintilla registers for its base class.
    if (className == QLatin1String("TXMemo") && object && object->isWidgetType())
        return new TXMemoAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

TXMemoAccessible::TXMemoAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::EditableText)
{
}

void TXMemoAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    Q_UNUSED(installed);
}

TXMemo *TXMemoAccessible::Memo() const
{
    return static_cast<TXMemo *>(widget());
}

void *TXMemoAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString TXMemoAccessible::text(QAccessible::Text t) const
{
    // The short name first, the full one (with its folder) on request.
    if (t == QAccessible::Name)
        return Memo()->accessibleName().isEmpty() ? Memo()->Hint() : Memo()->accessibleName();
    if (t == QAccessible::Description && Memo()->accessibleDescription().isEmpty())
        return Memo()->Hint();
    return QAccessibleWidget::text(t);
}

void TXMemoAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && Memo()->SelLength() > 0) {
        *startOffset = int(Memo()->SelStart());
        *endOffset = int(Memo()->SelStart() + Memo()->SelLength());
    }
}

int TXMemoAccessible::selectionCount() const
{
    return Memo()->SelLength() > 0 ? 1 : 0;
}

void TXMemoAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void TXMemoAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        Memo()->SetSelStart(Memo()->SelStart());
}

void TXMemoAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        Memo()->Select(startOffset, endOffset - startOffset);
}

int TXMemoAccessible::cursorPosition() const
{
    return int(Memo()->TextPosition(Memo()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS)));
}

void TXMemoAccessible::setCursorPosition(int position)
{
    Memo()->SetSelStart(position);
}

QString TXMemoAccessible::text(int startOffset, int endOffset) const
{
    return Memo()->TextOf(Memo()->TextRange(startOffset, endOffset));
}

int TXMemoAccessible::characterCount() const
{
    return int(std::min<qint64>(Memo()->TextLength(), INT_MAX));
}

QRect TXMemoAccessible::characterRect(int offset) const
{
    TXMemo *memo = Memo();
    offset = int(memo->ShownPosition(offset));
    const int x = int(memo->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, long(offset)));
    const int y = int(memo->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, long(offset)));
    const QFontMetrics metrics(memo->EditorFont());
    QRect rect(x, y, metrics.averageCharWidth(), metrics.height());
    rect.moveTo(memo->viewport()->mapToGlobal(rect.topLeft()));
    return rect;
}

int TXMemoAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPoint p = Memo()->viewport()->mapFromGlobal(point);
    return int(Memo()->TextPosition(Memo()->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINT,
                                                          static_cast<unsigned long>(p.x()), long(p.y()))));
}

void TXMemoAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    Memo()->SendScintilla(QsciScintillaBase::SCI_SCROLLRANGE,
                          static_cast<unsigned long>(Memo()->ShownPosition(endIndex)),
                          long(Memo()->ShownPosition(startIndex)));
}

QString TXMemoAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = offset;
    return QString();
}
