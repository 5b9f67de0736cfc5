#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "about/InfoAdd.h"
#include "about/Stamps.h"
#include "about/SysComp.h"
#include "about/aboutdlg.h"
#include "app/EditMain.h"
#include "platform/AppTitle.h"

#include <QAction>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class AboutBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        apptitle::SetTitle(QStringLiteral("Quillon 32"));
        TSystem::Sources().memInfo = [this] { return memInfo; };
        TSystem::Sources().measureMhz = [this] {
            ++measurements;
            return mhz;
        };
        box = new TAboutBox;
        box->AddInfoPages(AuthorMessage());
        box->show();
    }
    void TearDown() override
    {
        delete box;
        TSystem::ResetSources();
        apptitle::SetTitle(QStringLiteral("Quillon 32"));
    }

    QStringList PageNames() const
    {
        QStringList names;
        for (int i = 0; i < box->Notebook->count(); ++i)
            names << box->Notebook->widget(i)->objectName();
        return names;
    }
    // Page Down or Page Up as the keyboard sends it to the focused button.
    void Turn(Qt::Key key, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            Key(box->OKButton, key);
    }
    TClickLabel *PageLabel(const QString &name) const
    {
        QWidget *page = box->Notebook->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
        return page ? page->findChild<TClickLabel *>() : nullptr;
    }

    QByteArray memInfo = "MemTotal: 2097152 kB\nMemAvailable: 524288 kB\nSwapTotal: 2097152 kB\nSwapFree: 1048576 kB\n";
    double mhz = 2394.567;
    int measurements = 0;
    TScriptedUser user;
    QList<QUrl> &opened = user.Opened;
    TAboutBox *box = nullptr;
};

} // namespace

TEST_F(AboutBoxTest, EveryLabelShowsItsWholeText)
{
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Infos"));
    const struct
    {
        QLabel *label;
        const char *text;
    } labels[] = {
        {box->Label7, "URL : "},
        {box->LinkLabel, "www.example.org"},
        {box->Label8, "Mail : "},
        {box->MailLabel, "info@example.org"},
        {box->Label1, "Systeminformationen"},
        {box->Label6, "Gefüllt:"},
        {box->FreeLabel, "Frei: "},
        {box->FreeMemLabel, "234"},
        {box->MhzLbLabel, "Mhz:"},
        {box->MhzLabel, "0"},
        {box->Label2, "Konfiguration"},
        {box->Version, nullptr},
        {box->IniLabel, nullptr},
    };
    for (const auto &l : labels) {
        if (l.text) {
            EXPECT_EQ(l.label->text(), QString::fromUtf8(l.text));
        }
        // Sized to their text: nothing is cut off.
        EXPECT_GE(l.label->width(), l.label->sizeHint().width()) << l.label->objectName().toStdString();
    }
    EXPECT_FALSE(box->ProgramIcon->pixmap().isNull());
    EXPECT_EQ(box->focusWidget(), box->OKButton);
    EXPECT_TRUE(box->AboutTimer->isActive());
}

TEST_F(AboutBoxTest, PagesInOrderTurnedByPageDownAndPageUp)
{
    QStringList expected{QStringLiteral("Icon"), QStringLiteral("System")};
    for (int i = 2; i <= 15; ++i)
        expected << QString::number(i);
    EXPECT_EQ(PageNames(), expected);
    EXPECT_EQ(box->Scroller->Max(), 15);

    EXPECT_EQ(box->ActivePageName(), QStringLiteral("Icon"));
    Turn(Qt::Key_PageUp);
    EXPECT_EQ(box->ActivePageName(), QStringLiteral("Icon"));
    Turn(Qt::Key_PageDown);
    EXPECT_EQ(box->ActivePageName(), QStringLiteral("System"));
    Turn(Qt::Key_PageDown, 14);
    EXPECT_EQ(box->ActivePageName(), QStringLiteral("15"));
    Turn(Qt::Key_PageDown, 3);
    EXPECT_EQ(box->ActivePageName(), QStringLiteral("15"));
    Turn(Qt::Key_PageUp, 13);
    EXPECT_EQ(box->ActivePageName(), QStringLiteral("2"));
    // Keys sent to the box itself turn the pages the same way, and only once.
    Key(box, Qt::Key_PageUp);
    EXPECT_EQ(box->ActivePageName(), QStringLiteral("System"));

    // The arrows step one page; the left one does nothing on the first page.
    QTest::mouseClick(box->Scroller->LeftArrow(), Qt::LeftButton);
    EXPECT_EQ(box->ActivePageName(), QStringLiteral("Icon"));
    QTest::mouseClick(box->Scroller->LeftArrow(), Qt::LeftButton);
    EXPECT_EQ(box->ActivePageName(), QStringLiteral("Icon"));
    EXPECT_EQ(box->Scroller->Position(), 0);
    QTest::mouseClick(box->Scroller->RightArrow(), Qt::LeftButton);
    EXPECT_EQ(box->ActivePageName(), QStringLiteral("System"));
}

TEST_F(AboutBoxTest, ABoxWithoutMessagePagesHasNoArrowsToHide)
{
    TAboutBox bare;
    bare.show();
    EXPECT_EQ(bare.Notebook->count(), 2);
    EXPECT_EQ(bare.Scroller->Max(), 1);
    EXPECT_FALSE(bare.Scroller->isHidden());
    bare.Notebook->removeWidget(bare.Notebook->widget(1));
    bare.FormShow();
    EXPECT_TRUE(bare.Scroller->isHidden());
}

TEST_F(AboutBoxTest, VersionLineAndLegalNotice)
{
    EXPECT_EQ(box->Version->text(), QStringLiteral("Version 1.3.4.1 (6) 32-Bit"));
    EXPECT_FALSE(box->Copyright->text().isEmpty());
    EXPECT_EQ(box->CommentLabel->text(), QString());
    EXPECT_EQ(box->ProductName->text(), QStringLiteral("Quillon 32"));
}

TEST_F(AboutBoxTest, KeyITogglesTheTimeStamp)
{
    EXPECT_TRUE(box->TimeStamp->isHidden());
    EXPECT_FALSE(box->TimeStamp->text().isEmpty());
    Key(box->OKButton, Qt::Key_I, Qt::NoModifier, QStringLiteral("i"));
    EXPECT_FALSE(box->TimeStamp->isHidden());
    Key(box->OKButton, Qt::Key_I, Qt::NoModifier, QStringLiteral("i"));
    EXPECT_TRUE(box->TimeStamp->isHidden());
    Key(box, Qt::Key_I, Qt::ShiftModifier, QStringLiteral("I"));
    EXPECT_FALSE(box->TimeStamp->isHidden());
    // Other keys and Ctrl+I leave it alone.
    Key(box->OKButton, Qt::Key_K, Qt::NoModifier, QStringLiteral("k"));
    Key(box->OKButton, Qt::Key_I, Qt::ControlModifier, QStringLiteral("\t"));
    EXPECT_FALSE(box->TimeStamp->isHidden());
    EXPECT_EQ(box->ActivePageName(), QStringLiteral("Icon"));
}

TEST_F(AboutBoxTest, TheTimerUpdatesTheSystemPageOnlyWhileItIsShown)
{
    QTest::qWait(350);
    EXPECT_EQ(measurements, 0);
    EXPECT_EQ(box->FreeMemLabel->text(), QStringLiteral("234"));
    EXPECT_EQ(box->MhzLabel->text(), QStringLiteral("0"));

    Turn(Qt::Key_PageDown);
    ASSERT_EQ(box->ActivePageName(), QStringLiteral("System"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return measurements > 0; }, 2000));
    EXPECT_EQ(box->FreeMemLabel->text(), QStringLiteral("1536.00 Mb"));
    EXPECT_EQ(box->LoadMemGauge->value(), 75);
    const QString point = QLocale::system().decimalPoint();
    EXPECT_EQ(box->MhzLabel->text(), QStringLiteral("2394") + point + QStringLiteral("60"));
    EXPECT_FALSE(box->MhzLbLabel->isHidden());

    // Far more than 4 GiB free: the sum of the full byte counts.
    memInfo = "MemTotal: 25165824 kB\nMemAvailable: 24117248 kB\nSwapTotal: 4194304 kB\nSwapFree: 3145728 kB\n";
    mhz = 0.0;
    box->AboutTimerTimer();
    EXPECT_EQ(box->FreeMemLabel->text(), QStringLiteral("26624.00 Mb"));
    EXPECT_EQ(box->LoadMemGauge->value(), 4);
    EXPECT_EQ(box->MhzLabel->text(), QStringLiteral("0") + point + QStringLiteral("00"));
    EXPECT_TRUE(box->MhzLbLabel->isHidden());
    mhz = -1.0;
    box->AboutTimerTimer();
    EXPECT_EQ(box->MhzLabel->text(), QString());
    EXPECT_TRUE(box->MhzLbLabel->isHidden());

    // Back on another page the figures stay as they were.
    Turn(Qt::Key_PageDown);
    const int counted = measurements;
    memInfo = "MemTotal: 2097152 kB\nMemAvailable: 0 kB\n";
    QTest::qWait(350);
    EXPECT_EQ(measurements, counted);
    EXPECT_EQ(box->FreeMemLabel->text(), QStringLiteral("26624.00 Mb"));
}

TEST_F(AboutBoxTest, LinksOpenThroughTheDesktop)
{
    EXPECT_EQ(box->LinkLabel->Hint(), QStringLiteral("http://www.example.org"));
    EXPECT_EQ(box->LinkLabel->toolTip(), QStringLiteral("http://www.example.org"));
    EXPECT_EQ(box->LinkLabel->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(box->LinkLabel, Qt::LeftButton);
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("http://www.example.org"))});

    // The subject carries the whole title as the main window has it.
    apptitle::SetTitle(QStringLiteral("/tmp/a&b.txt : Quillon 32"));
    TAboutBox::SetCaption(box->MailLabel, TAboutBox::SupportMailAddress());
    opened.clear();
    QTest::mouseClick(box->MailLabel, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    const QUrl mail = opened[0];
    EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(mail.path(), QStringLiteral("quillon@example.org"));
    EXPECT_EQ(QUrlQuery(mail).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
              QStringLiteral("/tmp/a&b.txt : Quillon 32: Version 1.3.4.1"));

    // The settings file's name, its full path as hint, its folder on a double click.
    const QString ini = QStringLiteral("/etc/anders/andere.ini");
    box->ShowIniFile(ini);
    EXPECT_EQ(box->IniLabel->text(), QFileInfo(ini).fileName());
    EXPECT_EQ(box->IniLabel->toolTip(), ini);
    opened.clear();
    QTest::mouseDClick(box->IniLabel, Qt::LeftButton);
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(QFileInfo(ini).path())});
    box->IniLabel->SetHint(QString());
    opened.clear();
    QTest::mouseDClick(box->IniLabel, Qt::LeftButton);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(AboutBoxTest, AuthorsMessageOnePagePerParagraph)
{
    const TInfoAdds &message = AuthorMessage();
    ASSERT_EQ(message.size(), 14);
    int naming = 0;
    bool lineBreaks = false;
    for (int i = 0; i < message.size(); ++i) {
        const QString &paragraph = message[i];
        EXPECT_GE(paragraph.size(), 74) << i;
        EXPECT_LE(paragraph.size(), 165) << i;
        EXPECT_FALSE(paragraph.contains(QLatin1Char('\n'))) << i;
        lineBreaks = lineBreaks || paragraph.contains(QLatin1Char('\r'));
        for (const QChar c : paragraph) // Windows-1252 holds every character
            EXPECT_TRUE(c.unicode() < 0x100 || QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ").contains(c)) << i;

        TClickLabel *label = PageLabel(QString::number(i + 2));
        ASSERT_NE(label, nullptr) << i;
        Turn(Qt::Key_PageDown, i == 0 ? 2 : 1);
        ASSERT_EQ(box->Notebook->currentWidget(), label->parentWidget());
        QCoreApplication::processEvents();
        EXPECT_TRUE(label->wordWrap());
        EXPECT_EQ(label->geometry(), QRect(0, 0, 137, 137));
        // The paragraph fits its page.
        EXPECT_LE(label->heightForWidth(137), 137) << i;
        QString shown = paragraph;
        EXPECT_EQ(label->text(), shown.replace(QLatin1Char('\r'), QLatin1Char('\n')));
        if (paragraph.contains(TInfoAdds::HomepageHost())) {
            ++naming;
            EXPECT_EQ(label->Hint(), QStringLiteral("http://quillon.example.org/"));
            EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
            QTest::mouseClick(label, Qt::LeftButton);
            EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("http://quillon.example.org/"))});
        } else {
            EXPECT_EQ(label->Hint(), QString());
        }
    }
    EXPECT_EQ(naming, 1);
    EXPECT_TRUE(lineBreaks);
    EXPECT_TRUE(TInfoAdds::HomepageHost().endsWith(QStringLiteral(".example.org")));
}

TEST_F(AboutBoxTest, EnterClosesTheBox)
{
    Key(box->OKButton, Qt::Key_Return);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->result(), QDialog::Accepted);
}

TEST_F(AboutBoxTest, MenuCommandBuildsTheBoxForTheProduct)
{
    TMainForm form;
    // The window's own settings file, as after "-I".
    form.IniFileName = QStringLiteral("/etc/anders/andere.ini");
    apptitle::SetTitle(QStringLiteral("/home/a/brief.txt : Quillon 32"));
    QString product, mail, ini;
    QStringList pages;
    QObject *parent = nullptr;
    user.DialogAnswers << [&](QDialog &dialog) {
        auto &shown = dynamic_cast<TAboutBox &>(dialog);
        product = shown.ProductName->text();
        mail = shown.MailLabel->text();
        ini = shown.IniLabel->toolTip();
        parent = shown.parent();
        for (int i = 0; i < shown.Notebook->count(); ++i)
            pages << shown.Notebook->widget(i)->objectName();
    };
    form.Item(QStringLiteral("Info1"))->trigger();
    EXPECT_EQ(product, QStringLiteral("Quillon 32"));
    EXPECT_EQ(mail, TAboutBox::SupportMailAddress());
    EXPECT_EQ(ini, QStringLiteral("/etc/anders/andere.ini"));
    EXPECT_EQ(parent, &form);
    EXPECT_EQ(pages.size(), 16);
    EXPECT_EQ(pages.value(15), QStringLiteral("15"));
    // Built for one showing only.
    EXPECT_EQ(form.findChild<TAboutBox *>(), nullptr);
    form.IniFileName.clear();
    form.close();
}
