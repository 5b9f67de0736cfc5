#pragma once
// The help window: German HTML pages bundled under ":/help", shown in one
// viewer per application.
#include <QUrl>
#include <QWidget>

class QTextBrowser;

class THelpView : public QWidget
{
    Q_OBJECT

public:
    // Help contexts of the main window's menus and of the keys topic.
    enum : int {
        ContextFile = 100,
        ContextEdit = 200,
        ContextSearch = 300,
        ContextOptions = 400,
        ContextHelp = 500,
        ContextKeys = 1000,
    };

    static void ShowContents(QWidget *parent);
    // An unknown context shows the contents rather than nothing.
    static void ShowContext(QWidget *parent, int context);
    static void ShowHelpOnHelp(QWidget *parent);

    static QUrl ContentsUrl();
    static QUrl HelpOnHelpUrl();
    static QUrl TopicUrl(int context);

private:
    explicit THelpView(QWidget *parent);
    static void Show(QWidget *parent, const QUrl &url);

    QTextBrowser *browser;
};
