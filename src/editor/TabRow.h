#pragma once
// The row of file tabs along the bottom of the multi-file editor.
#include <QTabBar>

// A tab row whose change the owner can refuse before it happens. Each tab
// carries the object of the file it stands for.
class TTabRow : public QTabBar
{
    Q_OBJECT
public:
    explicit TTabRow(QWidget *parent);
    // Asks through Changing(); changes the current tab only when allowed.
    void RequestIndex(int index);
    // Appends a tab for `file`, without a name yet; its index.
    int AddFile(QObject *file);
    // The tab of `file`, -1 for none.
    int IndexOf(const QObject *file) const;
    // Tabs are named after files: an "&" in a name is shown as it is, not
    // taken as an access key.
    void SetName(int index, const QString &name);
    QString Name(int index) const;

signals:
    void Changing(int newIndex, bool &allow);

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
};
