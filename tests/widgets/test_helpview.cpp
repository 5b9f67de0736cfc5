#include "TestSupport.h"
#include "app/HelpView.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <map>

using namespace testsupport;

namespace {

// Readable failure messages without teaching GoogleTest about Qt types.
std::string Str(const QString &text)
{
    return text.toStdString();
}

std::string Str(const QUrl &url)
{
    return url.toString().toStdString();
}

QString ResourcePath(const QUrl &url)
{
    return url.scheme() == QLatin1String("qrc") ? QLatin1Char(':') + url.path() : QString();
}

QUrl PageUrl(const QString &fileName)
{
    return QUrl(QStringLiteral("qrc:/help/") + fileName);
}

QList<QUrl> AllPages()
{
    QList<QUrl> pages;
    for (const QString &name : QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")}, QDir::Files))
        pages << PageUrl(name);
    return pages;
}

// The page as the viewer's document sees it, so that links, anchors and the
// title are taken from what Qt parsed rather than from a guess at the HTML.
struct TPage
{
    bool exists = false;
    bool validUtf8 = false;
    QString title;
    QString heading;
    QStringList links;
    QSet<QString> anchors;
};

TPage Read(const QUrl &url)
{
    TPage page;
    QFile file(ResourcePath(url));
    if (!file.open(QIODevice::ReadOnly))
        return page;
    page.exists = true;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString html = decoder(file.readAll());
    page.validUtf8 = !decoder.hasError();
    QTextDocument document;
    document.setHtml(html);
    page.title = document.metaInformation(QTextDocument::DocumentTitle);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (page.heading.isEmpty() && block.blockFormat().headingLevel() == 1)
            page.heading = block.text().trimmed();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor() && !format.anchorHref().isEmpty())
                page.links << format.anchorHref();
            for (const QString &name : format.anchorNames())
                page.anchors.insert(name);
        }
    }
    return page;
}

QList<THelpView *> HelpWindows()
{
    QList<THelpView *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *view = qobject_cast<THelpView *>(widget))
            windows << view;
    return windows;
}

QAction *ToolAction(QWidget *window, const QString &text)
{
    for (QAction *action : window->findChildren<QAction *>())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

TEST(HelpViewTest, EachMenuContextShowsItsOwnTopic)
{
    const std::map<int, QString> topics = {
        {100, QStringLiteral("Menü Datei")},  {200, QStringLiteral("Menü Bearbeiten")},
        {300, QStringLiteral("Menü Suchen")}, {400, QStringLiteral("Menü Optionen")},
        {500, QStringLiteral("Menü Hilfe")},  {1000, QStringLiteral("Tasten")},
    };
    QSet<QUrl> distinct;
    for (const auto &[context, topic] : topics) {
        const QUrl url = THelpView::TopicUrl(context);
        distinct.insert(url);
        const TPage page = Read(url);
        ASSERT_TRUE(page.exists) << context << " " << url.toString().toStdString();
        EXPECT_EQ(Str(page.title), Str(topic)) << context;
        EXPECT_EQ(Str(page.heading), Str(topic)) << context;
    }
    EXPECT_EQ(distinct.size(), int(topics.size()));
}

TEST(HelpViewTest, UnknownContextsShowTheContents)
{
    for (const int context : {0, -1, 1, 99, 101, 600, 999, 1001}) {
        EXPECT_EQ(Str(THelpView::TopicUrl(context)), Str(THelpView::ContentsUrl())) << context;
    }
    const TPage contents = Read(THelpView::ContentsUrl());
    ASSERT_TRUE(contents.exists);
    EXPECT_EQ(Str(contents.heading), Str(QStringLiteral("Quillon 32 – Inhalt")));

    const TPage helpOnHelp = Read(THelpView::HelpOnHelpUrl());
    ASSERT_TRUE(helpOnHelp.exists);
    EXPECT_EQ(Str(helpOnHelp.heading), Str(QStringLiteral("Hilfe verwenden")));
}

TEST(HelpViewTest, EveryPageIsUtf8WithATitleThatMatchesItsHeading)
{
    const QList<QUrl> pages = AllPages();
    ASSERT_GE(pages.size(), 9) << "help pages missing from the resources";
    for (const QUrl &url : pages) {
        const TPage page = Read(url);
        const std::string name = url.toString().toStdString();
        EXPECT_TRUE(page.validUtf8) << name;
        EXPECT_FALSE(page.title.isEmpty()) << name;
        EXPECT_EQ(Str(page.title), Str(page.heading)) << name;
        // An umlaut decoded as Latin-1 shows up as "Ã".
        EXPECT_FALSE(page.title.contains(QChar(0xC3))) << name;
    }
}

TEST(HelpViewTest, EveryLinkLeadsToAnExistingPageAndAnchor)
{
    QStringList broken;
    int links = 0;
    for (const QUrl &url : AllPages()) {
        const TPage page = Read(url);
        for (const QString &href : page.links) {
            ++links;
            const QUrl target = url.resolved(QUrl(href));
            const TPage targetPage = Read(target);
            if (!targetPage.exists)
                broken << url.fileName() + QStringLiteral(" -> ") + href;
            else if (target.hasFragment() && !targetPage.anchors.contains(target.fragment()))
                broken << url.fileName() + QStringLiteral(" -> ") + href + QStringLiteral(" (anchor)");
        }
    }
    EXPECT_GT(links, 50) << "links were not found in the pages at all";
    EXPECT_TRUE(broken.isEmpty()) << broken.join(QLatin1Char('\n')).toStdString();
}

TEST(HelpViewTest, EveryPageCanBeReachedFromTheContents)
{
    QSet<QString> reached;
    QList<QUrl> queue = {THelpView::ContentsUrl()};
    while (!queue.isEmpty()) {
        const QUrl url = queue.takeFirst();
        QUrl page = url;
        page.setFragment(QString());
        if (reached.contains(page.path()))
            continue;
        reached.insert(page.path());
        for (const QString &href : Read(page).links)
            queue << page.resolved(QUrl(href));
    }
    for (const QUrl &url : AllPages())
        EXPECT_TRUE(reached.contains(url.path())) << url.toString().toStdString();
}

TEST(HelpViewTest, OneViewerIsReusedAndRaisedForEveryCall)
{
    QWidget editor;
    editor.resize(400, 300);
    editor.show();

    THelpView::ShowContents(&editor);
    ASSERT_EQ(HelpWindows().size(), 1);
    THelpView *view = HelpWindows().first();
    EXPECT_EQ(Str(view->windowTitle()), Str(QStringLiteral("Quillon 32 - Hilfe")));
    auto *browser = view->findChild<QTextBrowser *>();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(Str(browser->source()), Str(THelpView::ContentsUrl()));

    THelpView::ShowContext(&editor, 300);
    THelpView::ShowHelpOnHelp(nullptr);
    ASSERT_EQ(HelpWindows().size(), 1);
    EXPECT_EQ(HelpWindows().first(), view);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(Str(browser->source()), Str(THelpView::HelpOnHelpUrl()));
    EXPECT_EQ(Str(browser->documentTitle()), Str(QStringLiteral("Hilfe verwenden")));

    // A closed viewer comes back as the same window with the new topic.
    view->close();
    EXPECT_FALSE(view->isVisible());
    THelpView::ShowContext(&editor, 1000);
    ASSERT_EQ(HelpWindows().size(), 1);
    EXPECT_EQ(HelpWindows().first(), view);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(Str(browser->documentTitle()), Str(QStringLiteral("Tasten")));

    // The editor window going away must not take the shared viewer with it.
    {
        QWidget other;
        THelpView::ShowContext(&other, 100);
    }
    ASSERT_EQ(HelpWindows().size(), 1);
    EXPECT_EQ(HelpWindows().first(), view);
    EXPECT_EQ(Str(browser->documentTitle()), Str(QStringLiteral("Menü Datei")));
    EXPECT_FALSE(view->testAttribute(Qt::WA_QuitOnClose));
}

TEST(HelpViewTest, LinksByKeyboardAndTheToolBarNavigate)
{
    THelpView::ShowContents(nullptr);
    THelpView *view = HelpWindows().value(0);
    ASSERT_NE(view, nullptr);
    auto *browser = view->findChild<QTextBrowser *>();
    ASSERT_NE(browser, nullptr);
    QAction *contents = ToolAction(view, QStringLiteral("Inhalt"));
    QAction *back = ToolAction(view, QStringLiteral("Zurück"));
    QAction *forward = ToolAction(view, QStringLiteral("Vorwärts"));
    QAction *closing = ToolAction(view, QStringLiteral("Schließen"));
    ASSERT_TRUE(contents && back && forward && closing);

    // Start from a page other than the contents so that "Inhalt" has
    // somewhere to go.
    browser->setSource(THelpView::TopicUrl(200));
    contents->trigger();
    EXPECT_EQ(Str(browser->source()), Str(THelpView::ContentsUrl()));
    EXPECT_TRUE(back->isEnabled());

    // The help tells readers that Tab and Enter follow a link.
    const QString firstLink = Read(THelpView::ContentsUrl()).links.value(0);
    ASSERT_FALSE(firstLink.isEmpty());
    Key(browser, Qt::Key_Tab);
    Key(browser, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(Str(browser->source()), Str(THelpView::ContentsUrl().resolved(QUrl(firstLink))));

    back->trigger();
    EXPECT_EQ(Str(browser->source()), Str(THelpView::ContentsUrl()));
    EXPECT_TRUE(forward->isEnabled());
    forward->trigger();
    EXPECT_EQ(Str(browser->source()), Str(THelpView::ContentsUrl().resolved(QUrl(firstLink))));
    EXPECT_FALSE(forward->isEnabled());

    closing->trigger();
    EXPECT_FALSE(view->isVisible());
}

TEST(HelpViewTest, KeysNamedInTheHelpWorkInTheViewer)
{
    THelpView::ShowContext(nullptr, 200);
    THelpView *view = HelpWindows().value(0);
    ASSERT_NE(view, nullptr);
    auto *browser = view->findChild<QTextBrowser *>();
    ASSERT_NE(browser, nullptr);
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view));
    browser->setFocus();

    QTest::keyClick(browser, Qt::Key_Home, Qt::AltModifier);
    EXPECT_EQ(Str(browser->source()), Str(THelpView::ContentsUrl()));
    QTest::keyClick(browser, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(Str(browser->source()), Str(THelpView::TopicUrl(200)));
    QTest::keyClick(browser, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(Str(browser->source()), Str(THelpView::ContentsUrl()));
    QTest::keyClick(browser, Qt::Key_Escape);
    EXPECT_FALSE(view->isVisible());
}

TEST(HelpViewTest, ProgramIconIsBundledAndDraws)
{
    const QImage icon = QIcon(QStringLiteral(":/icons/quillon.svg")).pixmap(48, 48).toImage();
    ASSERT_FALSE(icon.isNull()) << "resource missing or Qt's SVG plugin not installed";
    // Transparent corners around an opaque sheet: the drawing was rendered,
    // not just an empty canvas of the right size.
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(icon.width() / 2 - 4, icon.height() / 2)), 255);
}
