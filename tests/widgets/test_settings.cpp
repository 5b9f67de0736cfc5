#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "app/EditMain.h"
#include "app/core/IniFile.h"
#include "app/JustOne.h"
#include "editor/MultEdit.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

using namespace testsupport;
using dialogs::TAnswer;

namespace {

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        user.WhenNoAnswerLeft = TAnswer::Yes;
        ini = dir.filePath("quillon.ini");
    }

    // A window that read `content` as its settings file.
    std::unique_ptr<TMainForm> Read(const QByteArray &content)
    {
        WriteBytes(ini, content);
        auto form = std::make_unique<TMainForm>();
        form->ReadSettings(ini);
        return form;
    }
    static void Discard(TMainForm &form)
    {
        form.IniFileName.clear();
        form.close();
    }

    QTemporaryDir dir;
    QString ini;
    TScriptedUser user;
    TAnswer &answer = user.WhenNoAnswerLeft;
    QStringList &asked = user.Questions, &messages = user.Messages;
};

} // namespace

TEST_F(SettingsTest, OnlyAMarginSection)
{
    auto form = Read("[Margin]\r\nLeft=5\r\nRight=-3\r\nTop=20\r\nBottom=0\r\n");
    TMultiEditor *editor = form->Editor();
    EXPECT_FALSE(form->IniFileIsNew);
    EXPECT_EQ(editor->LeftMargin, 5);
    EXPECT_EQ(editor->RightMargin, -3);
    EXPECT_EQ(editor->TopMargin, 20);
    EXPECT_EQ(editor->BottomMargin, 0);
    EXPECT_EQ(editor->Filter(), QStringLiteral("Text-Dateien (*.TXT)|*.TXT|Rest (*.*)|*.*"));
    EXPECT_EQ(editor->OtherEditor(), QStringLiteral("Write.Exe"));
    EXPECT_TRUE(editor->DragAccept());
    EXPECT_TRUE(editor->WordWrap());
    EXPECT_TRUE(form->Item("NeueDateienhier")->isChecked());
    EXPECT_TRUE(form->JustOne()->Active());
    EXPECT_EQ(form->size(), QSize(558, 299));
    Discard(*form);
}

TEST_F(SettingsTest, WindowValuesAreAppliedOnlyWhenPlausible)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_GE(screen.width(), 600);
    ASSERT_GE(screen.height(), 450);
    auto form = Read("[window]\nleft=-2147483647\nTop=-5\nWidth=0\nHeight=400\n");
    EXPECT_EQ(form->x(), std::min(354, screen.left() + screen.width() - 558)) << "the built-in place, on the screen";
    EXPECT_EQ(form->y(), screen.top()) << "pulled onto the screen";
    EXPECT_EQ(form->width(), 558);
    EXPECT_EQ(form->height(), 400);
    Discard(*form);

    auto fits = Read("[Window]\nLeft=10\nTop=20\nWidth=300\nHeight=200\n");
    EXPECT_EQ(fits->geometry(), QRect(10, 20, 300, 200)) << "values that fit are kept";
    Discard(*fits);
}

TEST_F(SettingsTest, TheWindowIsKeptOnTheScreenAndWrittenBackSo)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    auto huge = Read("[Window]\nLeft=100000\nTop=100000\nWidth=100000\nHeight=100000\n");
    EXPECT_EQ(huge->geometry(), screen);
    Discard(*huge);
    auto extreme = Read("[Window]\nLeft=2147483647\nTop=-2147483646\nWidth=2147483647\nHeight=2147483647\n");
    EXPECT_EQ(extreme->geometry(), screen);
    Discard(*extreme);

    auto away = Read("[Window]\nLeft=-5000\nTop=-5000\nWidth=400\nHeight=300\n");
    EXPECT_EQ(away->geometry(), QRect(screen.topLeft(), QSize(400, 300)));
    away->WriteSettings(ini);
    Discard(*away);
    TIniFile written(ini);
    written.Load();
    EXPECT_EQ(written.ReadInteger(QStringLiteral("Window"), QStringLiteral("Left")), screen.left());
    EXPECT_EQ(written.ReadInteger(QStringLiteral("Window"), QStringLiteral("Top")), screen.top());
}

TEST_F(SettingsTest, FontSizesOutOfRangeFallBackAndAreWrittenBackSane)
{
    const int defaultPoints = TMainForm().Editor()->EditorFont().pointSize();
    for (const char *values : {"Height=100000\n", "Size=2147483647\n", "Size=5000\n", "Height=-2147483648\n",
                               "Height=-2147483648\nSize=-2147483648\n", "Height=1\nSize=1\n"}) {
        auto form = Read(QByteArray("[Font]\n") + values);
        const QFont font = form->Editor()->EditorFont();
        EXPECT_EQ(font.pointSize(), defaultPoints) << values;
        EXPECT_EQ(font.pixelSize(), -1) << values;
        form->WriteSettings(ini);
        Discard(*form);

        TIniFile written(ini);
        written.Load();
        const qint32 height = written.ReadInteger(QStringLiteral("Font"), QStringLiteral("Height"), 0);
        const qint32 size = written.ReadInteger(QStringLiteral("Font"), QStringLiteral("Size"), 0);
        EXPECT_EQ(size, defaultPoints) << values;
        EXPECT_LT(height, -4) << values;
        EXPECT_GT(height, -40) << values;
    }
    // A sane pixel height alone is taken as it is.
    auto form = Read("[Font]\nHeight=-20\n");
    EXPECT_EQ(form->Editor()->EditorFont().pixelSize(), 20);
    Discard(*form);
}

TEST_F(SettingsTest, FontSizeWinsOverHeightAndStylesOnlyAdd)
{
    auto form = Read("[Font]\nName=DejaVu Sans Mono\nHeight=-20\nSize=12\nBold=1\nItalic=0\nColor=$0000FF\nPitch=2\n");
    QFont font = form->Editor()->EditorFont();
    EXPECT_EQ(font.family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(font.pointSize(), 12);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_EQ(form->Editor()->EditorFontColor(), QColor(255, 0, 0)) << "the low byte is red";
    Discard(*form);

    // Bold 0 while the font is bold already: it stays bold.
    auto again = Read("[Font]\nBold=0\n");
    QFont bold = again->Editor()->EditorFont();
    bold.setBold(true);
    again->Editor()->SetEditorFont(bold);
    again->ReadSettings(ini);
    EXPECT_TRUE(again->Editor()->EditorFont().bold());
    Discard(*again);
}

TEST_F(SettingsTest, WrittenSettingsReadBackAndKeepForeignLines)
{
    auto form = Read("; meine Notiz\r\n[Eigenes]\r\nX=1\r\n");
    form->Editor()->LeftMargin = 15;
    form->Editor()->BottomMargin = -2;
    form->Editor()->SetFilter(QStringLiteral("Alles|*"));
    form->Editor()->SetOtherEditor(QStringLiteral("/usr/bin/gedit"));
    form->Item("NeueDateienhier")->trigger();
    form->move(40, 50);
    form->WriteSettings(ini);
    Discard(*form);

    const QByteArray written = ReadBytes(ini);
    EXPECT_TRUE(written.startsWith("; meine Notiz\r\n[Eigenes]\r\nX=1\r\n\r\n[Window]\r\nLeft=40\r\nTop=50\r\n"))
        << written.constData();

    TMainForm second;
    second.ReadSettings(ini);
    EXPECT_EQ(second.Editor()->LeftMargin, 15);
    EXPECT_EQ(second.Editor()->BottomMargin, -2);
    EXPECT_EQ(second.Editor()->OtherEditor(), QStringLiteral("/usr/bin/gedit"));
    EXPECT_EQ(second.Editor()->Filter(), QStringLiteral("Alles|*"));
    EXPECT_FALSE(second.JustOne()->Active());
    EXPECT_EQ(second.pos(), QPoint(40, 50));
    Discard(second);
}

TEST_F(SettingsTest, AFirstStartAsksBeforeCreatingTheFile)
{
    const QString fresh = dir.filePath("neu/quillon.ini");
    QDir().mkpath(dir.filePath("neu"));
    TMainForm form;
    form.ReadSettings(fresh);
    EXPECT_TRUE(form.IniFileIsNew);
    EXPECT_TRUE(QFileInfo(fresh).isFile()) << "created empty as a write test";
    EXPECT_EQ(form.Editor()->LeftMargin, 0);
    EXPECT_EQ(form.Editor()->Filter(), QStringLiteral("Textdateien (*.TXT)|*.TXT|Alle Dateien(*.*)|*.*"));
    form.IniFileName = fresh;
    answer = TAnswer::No;
    EXPECT_TRUE(form.close());
    EXPECT_EQ(asked, QStringList{"Bestätigen|Soll eine neue Ini-Datei unter\r\n" + fresh + "\r\nangelegt werden ?"});
    EXPECT_EQ(ReadBytes(fresh), QByteArray());
}

TEST_F(SettingsTest, UnwritableFilesAreReportedAndTheWindowStillCloses)
{
    const QString nowhere = dir.filePath("fehlt/quillon.ini");
    TMainForm form;
    form.ReadSettings(nowhere);
    EXPECT_EQ(messages, QStringList{"Fehler|Ini-Datei " + nowhere + " kann nicht geschrieben werden!"});

    messages.clear();
    form.IniFileName = nowhere;
    form.IniFileIsNew = false;
    EXPECT_TRUE(form.close());
    EXPECT_EQ(messages, QStringList{"Fehler|Ini-Datei konnte nicht geschrieben werden !"});
}
