#pragma once
#include <QAccessibleWidget>

class TXMemo;

// Screen readers see the text control through this interface. Offsets are
// byte offsets, so every query is cheap on any size of file (QScintilla's
// own interface counts characters from the start of the text).
class TXMemoAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit TXMemoAccessible(QWidget *widget);
    static void Install();

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    TXMemo *Memo() const;
};
