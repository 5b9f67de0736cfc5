#include "app/HelpView.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QPointer>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QPointer<THelpView> &Instance()
{
    static QPointer<THelpView> instance;
    return instance;
}

QUrl Page(const char *name)
{
    return QUrl(QStringLiteral("qrc:/help/") + QLatin1String(name));
}

} // namespace

QUrl THelpView::ContentsUrl()
{
    return Page("index.html");
}

QUrl THelpView::HelpOnHelpUrl()
{
    return Page("hilfe-verwenden.html");
}

QUrl THelpView::TopicUrl(int context)
{
    switch (context) {
    case ContextFile: return Page("datei.html");
    case ContextEdit: return Page("bearbeiten.html");
    case ContextSearch: return Page("suchen.html");
    case ContextOptions: return Page("optionen.html");
    case ContextHelp: return Page("hilfe.html");
    case ContextKeys: return Page("tasten.html");
    default: return ContentsUrl();
    }
}

void THelpView::ShowContents(QWidget *parent)
{
    Show(parent, ContentsUrl());
}

void THelpView::ShowContext(QWidget *parent, int context)
{
    Show(parent, TopicUrl(context));
}

void THelpView::ShowHelpOnHelp(QWidget *parent)
{
    Show(parent, HelpOnHelpUrl());
}

// Without a Qt parent: the help is a window of its own that neither stays on
// top of the editor nor disappears with the editor window it was called from.
THelpView::THelpView(QWidget *parent) : QWidget(nullptr, Qt::Window), browser(new QTextBrowser(this))
{
    setWindowTitle(QStringLiteral("Quillon 32 - Hilfe"));
    // An open help window must not keep the program alive once the last
    // editor window has been closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(640, 480);
    if (parent) {
        const QRect over = parent->window()->frameGeometry();
        move(over.center() - rect().center());
    }

    browser->setOpenExternalLinks(true);
    browser->document()->setDocumentMargin(10);

    auto *bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setMovable(false);

    QAction *contents = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Inhalt"));
    contents->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    connect(contents, &QAction::triggered, this, [this] { browser->setSource(ContentsUrl()); });

    QAction *back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Zurück"));
    back->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    back->setEnabled(false);
    connect(back, &QAction::triggered, browser, &QTextBrowser::backward);
    connect(browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);

    QAction *forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Vorwärts"));
    forward->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    forward->setEnabled(false);
    connect(forward, &QAction::triggered, browser, &QTextBrowser::forward);
    connect(browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    QAction *closing = bar->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("Schließen"));
    closing->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(closing, &QAction::triggered, this, &QWidget::close);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(browser);
    browser->setFocus();
}

void THelpView::Show(QWidget *parent, const QUrl &url)
{
    QPointer<THelpView> &view = Instance();
    if (!view) {
        view = new THelpView(parent);
        // Nothing else owns the window; the event loop's last round after
        // quitting still deletes it.
        connect(qApp, &QCoreApplication::aboutToQuit, view, &QObject::deleteLater);
    }
    // Setting the page again would throw away the reader's scroll position.
    if (view->browser->source() != url)
        view->browser->setSource(url);
    if (view->isMinimized())
        view->showNormal();
    else
        view->show();
    view->raise();
    view->activateWindow();
}
