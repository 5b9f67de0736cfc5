#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "editor/MultEdit.h"
#include "platform/core/EditorError.h"
#include "platform/Dialogs.h"
#include "platform/ErrorDisplay.h"

#include <QAccessible>
#include <QDir>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeySequence>
#include <QLocalServer>
#include <QMenu>
#include <QMimeData>
#include <QTextDocument>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace testsupport;
using dialogs::TAnswer;

namespace {

class MultiEditorTest : public ::testing::Test
{
protected:
    void SetUp() override { editor.resize(600, 400); }
    QString Path(const QString &name) const { return dir.filePath(name); }
    QString MakeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = Path(name);
        QDir().mkpath(QFileInfo(path).path());
        WriteBytes(path, bytes);
        return path;
    }
    void Click(TBtnType type)
    {
        for (QToolButton *button : editor.Buttons()) {
            if (button->objectName() == QLatin1String(BtnInfo(type).resource))
                button->click();
        }
    }

    QTemporaryDir dir;
    TScriptedUser user;
    QList<TAnswer> &answers = user.Answers;
    QStringList &questions = user.Questions, &errors = user.Errors, &saveTitles = user.SaveTitles,
                &savePresets = user.SavePresets, &openPresets = user.OpenPresets;
    TMultiEditor editor;
};

} // namespace

TEST_F(MultiEditorTest, NewFilesAreNumberedAndTheCounterIsNeverReset)
{
    for (int i = 0; i < 3; ++i)
        Click(btNewFile);
    EXPECT_EQ(editor.TabNames(), (QStringList{"<unbenannt0>", "<unbenannt1>", "<unbenannt2>"}));
    while (editor.FileCount() > 0)
        editor.CloseFileClick(nullptr);
    EXPECT_FALSE(editor.PageAreaShown());
    Click(btNewFile);
    EXPECT_EQ(editor.TabNames(), QStringList{"<unbenannt3>"});
    EXPECT_EQ(editor.ControlList().Names(), QStringList{"<unbenannt3>"});
}

TEST_F(MultiEditorTest, OpenFileCleansTheNameAndLoadsTheBytes)
{
    const QString path = MakeFile(QStringLiteral("mit blank.txt"), "Inhalt\x84");
    editor.OpenFile(QStringLiteral(" \"") + path + QStringLiteral("\""));
    ASSERT_EQ(editor.FileCount(), 1);
    EXPECT_EQ(editor.ControlList().Name(0), path);
    EXPECT_EQ(editor.TabNames(), QStringList{"mit blank.txt"});
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("Inhalt\x84"));
    EXPECT_EQ(editor.CurrentControl()->Hint(), path);
    EXPECT_EQ(editor.TabRow()->toolTip(), path);
    EXPECT_FALSE(editor.CurrentControl()->Modified());

    editor.OpenFile(QStringLiteral("\"\"")); // nothing left after cleaning
    EXPECT_EQ(editor.FileCount(), 1);
}

TEST_F(MultiEditorTest, AnEmptyUntitledTabIsReused)
{
    const QString a = MakeFile(QStringLiteral("a.txt"), "A");
    const QString b = MakeFile(QStringLiteral("b.txt"), "B");
    editor.NewFileClick(nullptr);
    TXMemo *untitled = editor.CurrentControl();
    editor.OpenFile(a);
    EXPECT_EQ(editor.FileCount(), 1);
    EXPECT_EQ(editor.CurrentControl(), untitled);
    EXPECT_EQ(editor.ControlList().Names(), QStringList{a});
    EXPECT_EQ(untitled->Hint(), a);

    editor.NewFileClick(nullptr);
    editor.CurrentControl()->SetSelText("x"); // holds text: not reused
    editor.OpenFile(b);
    EXPECT_EQ(editor.FileCount(), 3);
    editor.NewFileClick(nullptr);
    editor.NewFileClick(nullptr); // an untitled name never reuses
    EXPECT_EQ(editor.FileCount(), 5);
}

TEST_F(MultiEditorTest, SameNamesGetTheirOwnPagesAndControls)
{
    const QString one = MakeFile(QStringLiteral("eins/brief.txt"), "eins");
    const QString two = MakeFile(QStringLiteral("zwei/brief.txt"), "zwei");
    editor.OpenFile(one);
    editor.OpenFile(two);
    editor.OpenFile(one);
    EXPECT_EQ(editor.TabNames(), (QStringList{"brief.txt", "brief.txt", "brief.txt"}));
    EXPECT_EQ(editor.ControlAt(0)->Text(), QByteArray("eins"));
    EXPECT_EQ(editor.ControlAt(1)->Text(), QByteArray("zwei"));
    EXPECT_EQ(editor.ControlAt(2)->Text(), QByteArray("eins"));
    for (int i = 0; i < 3; ++i) {
        editor.SelectFile(i);
        EXPECT_EQ(editor.CurrentControl(), editor.ControlAt(i));
        EXPECT_TRUE(editor.CurrentControl()->isVisibleTo(&editor) || !editor.isVisible());
    }
    EXPECT_EQ(editor.ControlAt(7), nullptr);
    EXPECT_EQ(editor.ControlAt(-1), nullptr);
}

TEST_F(MultiEditorTest, AMissingFileOpensEmptyAndIsCreatedOnSave)
{
    const QString path = Path(QStringLiteral("neu.txt"));
    editor.OpenFile(path);
    ASSERT_EQ(editor.FileCount(), 1);
    EXPECT_TRUE(errors.isEmpty());
    editor.CurrentControl()->SetSelText("neu\r\n");
    editor.SaveFileClick(nullptr);
    EXPECT_EQ(ReadBytes(path), QByteArray("neu\r\n"));
    EXPECT_FALSE(editor.CurrentControl()->Modified());
    EXPECT_TRUE(questions.isEmpty());
}

TEST_F(MultiEditorTest, AFileWhoseNameBeginsWithALessThanSignIsSavedUnderItsName)
{
    // "<" begins the names of untitled tabs, and is a legal first character.
    const QString path = MakeFile(QStringLiteral("<notiz>.txt"), "alt\r\n");
    editor.OpenFile(path);
    ASSERT_EQ(editor.TabNames(), QStringList{"<notiz>.txt"});
    editor.CurrentControl()->SetSelText("neu ");
    Click(btSaveFile);
    EXPECT_TRUE(saveTitles.isEmpty()) << "asked for a name";
    EXPECT_EQ(ReadBytes(path), QByteArray("neu alt\r\n"));
    editor.SaveAsFileClick(nullptr);
    EXPECT_EQ(savePresets, QStringList{"*.txt"});
}

TEST_F(MultiEditorTest, AFileThatCouldNotBeReadIsNotOverwrittenWithoutAsking)
{
    // A socket exists but cannot be opened: the load fails.
    QLocalServer server;
    const QString socketPath = Path(QStringLiteral("sock"));
    ASSERT_TRUE(server.listen(socketPath));
    editor.OpenFile(socketPath);
    EXPECT_TRUE(editor.CurrentControl()->LoadFailed());

    // A regular file whose read failed half-way behaves the same.
    const QString path = MakeFile(QStringLiteral("wichtig.txt"), "viele Daten");
    editor.OpenFile(path);
    TXMemo *memo = editor.CurrentControl();
    memo->SetLoadFailed(true);
    memo->SetText("");
    answers << TAnswer::No;
    Click(btSaveFile);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions.first(),
              QStringLiteral("Warnung|Datei %1 konnte nicht gelesen werden. Trotzdem überschreiben ?").arg(path));
    EXPECT_EQ(ReadBytes(path), QByteArray("viele Daten"));
    EXPECT_TRUE(errors.isEmpty()) << "declining is not an error";

    answers << TAnswer::Yes;
    Click(btSaveFile);
    EXPECT_EQ(ReadBytes(path), QByteArray(""));
    EXPECT_FALSE(memo->LoadFailed());
}

TEST_F(MultiEditorTest, AFileClosedWhileItsOverwriteQuestionIsOpenIsNotSaved)
{
    const QString path = MakeFile(QStringLiteral("wichtig.txt"), "viele Daten");
    editor.OpenFile(path);
    editor.CurrentControl()->SetLoadFailed(true);
    editor.OpenFile(MakeFile(QStringLiteral("anderes.txt"), "anderer Text"));
    editor.SelectFile(0);
    answers << TAnswer::Yes;
    user.Meanwhile = [&] { // closed while the question is open
        user.Meanwhile = nullptr;
        editor.ClosePage(0);
    };
    EXPECT_FALSE(editor.SaveFileClick(nullptr));
    EXPECT_EQ(ReadBytes(path), QByteArray("viele Daten")) << "another file's text went under its name";
}

TEST_F(MultiEditorTest, SaveErrorsAreShownAndKeepTheModifiedFlag)
{
    editor.OpenFile(dir.path()); // a folder: must never be "saved" over
    TXMemo *memo = editor.CurrentControl();
    memo->SetSelText("Text");
    Click(btSaveFile);
    EXPECT_EQ(errors,
              QStringList{
                  QStringLiteral("Datei %1 ist keine normale Datei und wird nicht überschrieben.").arg(dir.path())});
    EXPECT_TRUE(memo->Modified());
    EXPECT_FALSE(editor.SaveFileClick(nullptr)) << "a failed save said it saved";
    EXPECT_EQ(errors.size(), 2);
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

// A FIFO opened as a tab opens at once (nothing is read from it); saving
// never turns it into a regular file, saving under another name does.
TEST_F(MultiEditorTest, AFifoTabIsNeverSavedOverButCanBeSavedElsewhere)
{
    const QString fifo = Path(QStringLiteral("rohr"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    editor.OpenFile(fifo);
    TXMemo *memo = editor.CurrentControl();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->TextLength(), 0);
    memo->SetSelText("Text");
    Click(btSaveFile);
    EXPECT_EQ(errors,
              QStringList{QStringLiteral("Datei %1 ist keine normale Datei und wird nicht überschrieben.").arg(fifo)});
    EXPECT_TRUE(memo->Modified());
    struct stat info
    {
    };
    ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was replaced";

    user.SaveAnswers << Path(QStringLiteral("kopie.txt"));
    editor.SaveAsFileClick(nullptr);
    EXPECT_EQ(ReadBytes(Path(QStringLiteral("kopie.txt"))), QByteArray("Text"));
    EXPECT_FALSE(memo->Modified());
    EXPECT_EQ(errors.size(), 1);
}

// Kernel files state a size of 0 and still have content: read to the end.
TEST_F(MultiEditorTest, FilesThatStateNoSizeAreReadToTheirEnd)
{
    const QString path = QStringLiteral("/proc/self/cmdline");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_EQ(file.size(), 0);
    const QByteArray expected = file.readAll();
    ASSERT_FALSE(expected.isEmpty());
    editor.OpenFile(path);
    TXMemo *memo = editor.CurrentControl();
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->TextRange(0, memo->TextLength()) == expected);
    EXPECT_FALSE(memo->LoadFailed());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MultiEditorTest, SaveAsPresetsAndRenamesTheTab)
{
    editor.NewFileClick(nullptr);
    editor.CurrentControl()->SetSelText("Brief");
    const QString saveAnswer = Path(QStringLiteral("brief.txt"));
    user.SaveAnswers << saveAnswer;
    Click(btSaveFile); // untitled: the save button asks for a name
    EXPECT_EQ(saveTitles, QStringList{"Sichere Textdatei unter"});
    EXPECT_EQ(savePresets, QStringList{"*.TXT"});
    EXPECT_EQ(ReadBytes(saveAnswer), QByteArray("Brief"));
    EXPECT_EQ(editor.TabNames(), QStringList{"brief.txt"});
    EXPECT_EQ(editor.ControlList().Name(0), saveAnswer);
    EXPECT_EQ(editor.TabRow()->toolTip(), saveAnswer);
    EXPECT_EQ(editor.CurrentControl()->Hint(), saveAnswer);

    // No answer: cancelled, nothing changes.
    EXPECT_FALSE(editor.SaveAsFileClick(nullptr));
    EXPECT_EQ(savePresets.last(), QStringLiteral("*.txt"));
    EXPECT_EQ(editor.ControlList().Name(0), Path(QStringLiteral("brief.txt")));
}

// What a screen reader says: the glyph buttons by their hints, the text
// control and the tab row by the file's name as on its tab, also after
// saving under a new name.
TEST_F(MultiEditorTest, ScreenReadersHearButtonsAndFileNames)
{
    auto spoken = [](QObject *object, QAccessible::Text text = QAccessible::Name) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(object);
        return face ? face->text(text) : QStringLiteral("(none)");
    };
    ASSERT_EQ(editor.Buttons().size(), kBtnTypeCount);
    for (int type = 0; type < kBtnTypeCount; ++type)
        EXPECT_EQ(spoken(editor.Buttons().at(type)), QString::fromUtf8(BtnInfo(TBtnType(type)).hint));

    editor.NewFileClick(nullptr);
    EXPECT_EQ(spoken(editor.CurrentControl()), editor.TabNames().constFirst());
    editor.CurrentControl()->SetSelText("Brief");
    const QString saveAnswer = Path(QStringLiteral("brief.txt"));
    user.SaveAnswers << saveAnswer;
    ASSERT_TRUE(editor.SaveAsFileClick(nullptr));
    EXPECT_EQ(spoken(editor.CurrentControl()), QStringLiteral("brief.txt"));
    EXPECT_EQ(spoken(editor.CurrentControl(), QAccessible::Description), saveAnswer);
    EXPECT_EQ(spoken(editor.TabRow()), QStringLiteral("brief.txt"));
}

TEST_F(MultiEditorTest, SaveAsWhileAnotherFileArrivesShowsTheSavedFileWholly)
{
    editor.NewFileClick(nullptr);
    TXMemo *saved = editor.CurrentControl();
    saved->SetSelText("Brief");
    const QString arriving = MakeFile(QStringLiteral("neu.txt"), "neu");
    user.SaveAnswers << Path(QStringLiteral("brief.txt"));
    user.Meanwhile = [&] { // handed over while the dialog is open
        user.Meanwhile = nullptr;
        editor.OpenFile(arriving);
    };
    EXPECT_TRUE(editor.SaveAsFileClick(nullptr));
    EXPECT_EQ(editor.TabNames(), (QStringList{"brief.txt", "neu.txt"}));
    EXPECT_EQ(editor.TabRow()->currentIndex(), editor.FileIndex()) << "tab and page show different files";
    EXPECT_EQ(editor.CurrentControl(), saved);
    EXPECT_EQ(editor.TabRow()->toolTip(), Path(QStringLiteral("brief.txt")));
}

TEST_F(MultiEditorTest, AnUntitledNameWithAFolderAsksForANameOnSave)
{
    // "<x/y.txt" is untitled as a whole, though its tab shows only "y.txt":
    // saving must not write over a file that happens to be reachable under it.
    MakeFile(QStringLiteral("<x/y.txt"), "ALT");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    editor.OpenFile(QStringLiteral("<x/y.txt"));
    editor.CurrentControl()->SetSelText("NEU");
    editor.SaveFileClick(nullptr);
    QDir::setCurrent(before);
    EXPECT_EQ(saveTitles, QStringList{"Sichere Textdatei unter"});
    EXPECT_EQ(savePresets, QStringList{"*.TXT"});
    EXPECT_EQ(ReadBytes(Path(QStringLiteral("<x/y.txt"))), QByteArray("ALT"));
    EXPECT_TRUE(editor.CurrentControl()->Modified());
}

TEST_F(MultiEditorTest, OpenDialogOpensEverySelectedFileInOrder)
{
    user.OpenAnswers << QStringList{MakeFile("c.log", "c"), MakeFile("a.txt", "a"), MakeFile("b", "b")};
    const QString before = TMultiPanel::LastOpenPattern;
    Click(btOpenFile);
    EXPECT_EQ(openPresets, QStringList{before});
    EXPECT_EQ(editor.TabNames(), (QStringList{"c.log", "a.txt", "b"}));
    EXPECT_EQ(TMultiPanel::LastOpenPattern, QStringLiteral("*.log"));
    EXPECT_EQ(editor.FileIndex(), 2);
    user.OpenAnswers << QStringList{MakeFile("ohne", "x")};
    Click(btOpenFile);
    EXPECT_EQ(TMultiPanel::LastOpenPattern, QStringLiteral("*"));
}

TEST_F(MultiEditorTest, ClosingAskesOnlyForChangedFiles)
{
    const QString path = MakeFile(QStringLiteral("a.txt"), "alt");
    editor.OpenFile(path);
    editor.CloseFileClick(nullptr);
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(editor.FileCount(), 0);

    editor.OpenFile(path);
    editor.CurrentControl()->SetSelText("neu ");
    answers << TAnswer::Cancel;
    editor.CloseFileClick(nullptr);
    EXPECT_EQ(questions, QStringList{"Warnung|Datei wurde geändert !\rVor dem Schließen sichern ?"});
    EXPECT_EQ(editor.FileCount(), 1);
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("neu alt"));

    answers << TAnswer::Yes;
    editor.CloseFileClick(nullptr);
    EXPECT_EQ(ReadBytes(path), QByteArray("neu alt"));
    EXPECT_EQ(editor.FileCount(), 0);

    editor.OpenFile(path);
    editor.CurrentControl()->SetSelText("weg ");
    answers << TAnswer::No;
    editor.CloseFileClick(nullptr);
    EXPECT_EQ(ReadBytes(path), QByteArray("neu alt"));
    EXPECT_EQ(editor.FileCount(), 0);
}

TEST_F(MultiEditorTest, AnAnswerActsOnTheFileItWasAskedFor)
{
    const QString a = MakeFile(QStringLiteral("A.txt"), "a");
    const QString b = MakeFile(QStringLiteral("B.txt"), "b");
    // A file handed over while the question is open comes to the front.
    user.Meanwhile = [&] { editor.OpenFile(b); };
    editor.OpenFile(a);
    editor.CurrentControl()->SetSelText("neu ");
    answers = {TAnswer::No};
    editor.CloseFileClick(nullptr);
    EXPECT_EQ(editor.TabNames(), QStringList{"B.txt"});
    EXPECT_EQ(ReadBytes(a), QByteArray("a"));

    editor.CurrentControl()->SetSelText("neu ");
    answers = {TAnswer::Yes};
    editor.CloseFileClick(nullptr);
    EXPECT_EQ(ReadBytes(b), QByteArray("neu b"));
    EXPECT_EQ(editor.TabNames(), QStringList{"B.txt"}) << "the second B.txt stays, unsaved and unchanged";
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("b"));
    editor.CloseFileClick(nullptr);

    // An emptied new file is asked about; the file arriving gets its own tab.
    Click(btNewFile);
    editor.CurrentControl()->SetSelText("x");
    editor.CurrentControl()->Select(0, 1);
    editor.CurrentControl()->SetSelText("");
    user.Meanwhile = [&] { editor.OpenFile(a); };
    answers = {TAnswer::No};
    editor.CloseFileClick(nullptr);
    EXPECT_EQ(editor.TabNames(), QStringList{"A.txt"});
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("a"));
}

TEST_F(MultiEditorTest, ACancelledSaveAsNeverClosesUnsavedText)
{
    editor.NewFileClick(nullptr);
    editor.CurrentControl()->SetSelText("ungesichert");
    answers << TAnswer::Yes;
    editor.CloseFileClick(nullptr);
    EXPECT_EQ(editor.FileCount(), 1);
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("ungesichert"));
}

TEST_F(MultiEditorTest, AFailedSaveOnCloseKeepsTheFileOpen)
{
    editor.OpenFile(Path(QStringLiteral("fehlt/x.txt")));
    editor.CurrentControl()->SetSelText("Text");
    answers << TAnswer::Yes;
    errordisplay::RunGuarded([&] { editor.CloseFileClick(nullptr); });
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(editor.FileCount(), 1);
    EXPECT_TRUE(editor.CurrentControl()->Modified());
}

TEST_F(MultiEditorTest, ClosingPicksTheNeighbourAndHidesThePagesAfterTheLast)
{
    const QStringList files = {MakeFile("1.txt", "1"), MakeFile("2.txt", "2"), MakeFile("3.txt", "3")};
    for (const QString &f : files)
        editor.OpenFile(f);
    editor.SelectFile(0);
    editor.CloseFileClick(nullptr);
    EXPECT_EQ(editor.TabNames(), (QStringList{"2.txt", "3.txt"}));
    EXPECT_EQ(editor.FileIndex(), 0);
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("2"));
    EXPECT_EQ(editor.TabRow()->toolTip(), files.at(1));

    editor.SelectFile(5); // clamped to the last
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("3"));
    editor.CloseFileClick(nullptr);
    editor.DialogUsed = true;
    editor.CloseFileClick(nullptr);
    EXPECT_EQ(editor.FileCount(), 0);
    EXPECT_FALSE(editor.PageAreaShown());
    EXPECT_FALSE(editor.DialogUsed);
    EXPECT_EQ(editor.CurrentControl(), nullptr);
    EXPECT_EQ(editor.FileIndex(), 0);

    editor.OpenFile(files.at(0)); // takes the spare page over
    EXPECT_EQ(editor.TabNames(), QStringList{"1.txt"});
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("1"));
}

TEST_F(MultiEditorTest, AVetoedTabChangeKeepsPageAndHint)
{
    editor.OpenFile(MakeFile("a.txt", "a"));
    editor.OpenFile(MakeFile("b.txt", "b"));
    bool allowed = false;
    int actualized = 0;
    QObject::connect(&editor, &TMultiPanel::OnTabChange, [&](QObject *, int, bool &allow) { allow = allowed; });
    QObject::connect(&editor, &TMultiPanel::OnActualize, [&](QObject *) { ++actualized; });
    editor.SelectFile(0);
    EXPECT_EQ(editor.FileIndex(), 1);
    EXPECT_EQ(editor.TabRow()->currentIndex(), 1);
    EXPECT_EQ(editor.TabRow()->toolTip(), Path("b.txt"));
    EXPECT_EQ(actualized, 0);
    allowed = true;
    editor.SelectFile(0);
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("a"));
    EXPECT_EQ(editor.TabRow()->toolTip(), Path("a.txt"));
    EXPECT_EQ(actualized, 1);
}

TEST_F(MultiEditorTest, TheBarAndItsMenuFollowBtnTypes)
{
    QList<int> lefts;
    for (QToolButton *b : editor.Buttons()) {
        lefts << b->x();
        EXPECT_EQ(b->y(), 4);
        EXPECT_EQ(b->size(), QSize(24, 24));
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
    }
    EXPECT_EQ(lefts, (QList<int>{4, 32, 56, 80, 104, 132, 160, 184, 208, 236, 260, 284, 308, 336, 364}));
    QStringList captions;
    for (QAction *a : editor.ContextMenu()->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions, (QStringList{"Neue Datei",
                                     "-",
                                     "Öffne Datei",
                                     "Datei sichern",
                                     "Datei sichern unter...",
                                     "Datei drucken",
                                     "-",
                                     "Datei schließen",
                                     "-",
                                     "Kopieren",
                                     "Ausschneiden",
                                     "Einfügen",
                                     "-",
                                     "Suchen",
                                     "Weitersuchen",
                                     "Ersetzen",
                                     "Gehe zur Zeile",
                                     "-",
                                     "Rückgängig",
                                     "-",
                                     "Schrift"}));

    editor.SetBtnTypes(kAllBtnTypes & ~(1u << btNewFile) & ~(1u << btCloseFile));
    ASSERT_EQ(editor.Buttons().first()->objectName(), QStringLiteral("OPENFILE"));
    EXPECT_EQ(editor.Buttons().first()->x(), 4);
    const QList<QAction *> items = editor.ContextMenu()->actions();
    EXPECT_EQ(items.first()->text(), QStringLiteral("Öffne Datei"));
    for (int i = 1; i < items.size(); ++i)
        EXPECT_FALSE(items.at(i)->isSeparator() && items.at(i - 1)->isSeparator()) << "doubled separator at " << i;

    editor.SetShowPanel(false);
    EXPECT_FALSE(editor.ShowPanel());
    editor.SetShowPanel(true);
    EXPECT_TRUE(editor.ShowPanel());
    EXPECT_EQ(editor.Buttons().size(), 13);
}

TEST_F(MultiEditorTest, EveryClickRaisesItsEventFirst)
{
    QStringList seen;
    QObject::connect(&editor, &TMultiPanel::OnNewFileClick, [&](QObject *s) {
        seen << QStringLiteral("new:%1").arg(editor.FileCount()) + (s ? s->objectName() : QString());
    });
    QObject::connect(&editor, &TMultiPanel::OnSaveAsFileClick, [&](QObject *) { seen << "saveas"; });
    QObject::connect(&editor, &TMultiPanel::OnSaveFileClick, [&](QObject *) { seen << "save"; });
    QObject::connect(&editor, &TMultiPanel::OnCopyClick, [&](QObject *) { seen << "copy"; });
    QObject::connect(&editor, &TMultiPanel::OnFontClick, [&](QObject *) { seen << "font"; });
    Click(btNewFile);
    Click(btSaveFile);
    Click(btCopyText);
    user.Meanwhile = [&] { seen << "dialog"; };
    Click(btFont);
    EXPECT_EQ(seen, (QStringList{"new:0NEWFILE", "save", "saveas", "copy", "font", "dialog"}));
}

TEST_F(MultiEditorTest, DroppedFoldersAreSkipped)
{
    editor.SetDragAccept(true);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dir.path()), QUrl::fromLocalFile(MakeFile("x.txt", "x")),
                  QUrl::fromLocalFile(Path("gibt es nicht")), QUrl::fromLocalFile(MakeFile("y.txt", "y"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&editor, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&editor, &drop);
    EXPECT_EQ(editor.TabNames(), (QStringList{"x.txt", "y.txt"}));
}

TEST_F(MultiEditorTest, OptionsReachEveryControl)
{
    editor.OpenFile(MakeFile("a.txt", "a"));
    editor.SetHideSelection(true); // before the second control
    editor.OpenFile(MakeFile("b.txt", "b"));
    EXPECT_FALSE(editor.ControlAt(1)->HideSelection()) << "a new control starts with HideSelection off";
    EXPECT_TRUE(editor.ControlAt(0)->HideSelection());
    editor.SetHideSelection(false);
    editor.SetWordWrap(false);
    editor.SetWantTabs(true);
    editor.SetWantReturns(false);
    editor.SetScrollBars(TScrollStyle::ssVertical);
    editor.SetPlainText(false);
    editor.SetHelpContext(300);
    for (int i = 0; i < 2; ++i) {
        TXMemo *m = editor.ControlAt(i);
        EXPECT_FALSE(m->HideSelection());
        EXPECT_FALSE(m->WordWrap());
        EXPECT_TRUE(m->WantTabs());
        EXPECT_FALSE(m->WantReturns());
        EXPECT_EQ(m->ScrollBars(), TScrollStyle::ssVertical);
        EXPECT_FALSE(m->PlainText());
        EXPECT_EQ(m->HelpContext(), 300);
    }
    EXPECT_EQ(editor.ControlAt(0)->Text(), QByteArray("a"));
}

TEST_F(MultiEditorTest, ControlsFollowTheChosenFontUnlessTheyHaveTheirOwn)
{
    editor.OpenFile(MakeFile("a.txt", "a"));
    editor.OpenFile(MakeFile("b.txt", "b"));
    const QFont own(QStringLiteral("DejaVu Sans Mono"), 14);
    editor.ControlAt(1)->SetEditorFont(own);
    user.FontAnswers << QFont(QStringLiteral("Liberation Serif"), 12);
    Click(btFont);
    EXPECT_EQ(editor.EditorFont().family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(editor.ControlAt(0)->EditorFont().family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(editor.ControlAt(1)->EditorFont(), own);
}

TEST_F(MultiEditorTest, ControlEventsArePassedOnThenActualize)
{
    editor.OpenFile(MakeFile("a.txt", "a"));
    QStringList seen;
    QObject::connect(&editor, &TMultiEditor::OnKeyPress, [&](QObject *s, char &key) {
        EXPECT_EQ(s, &editor);
        seen << QStringLiteral("press:%1").arg(key);
        if (key == 'q')
            key = 'Q';
    });
    QObject::connect(&editor, &TMultiEditor::OnKeyUp, [&](QObject *, int &, Qt::KeyboardModifiers) { seen << "up"; });
    QObject::connect(&editor, &TMultiEditor::OnChange, [&](QObject *) { seen << "change"; });
    QObject::connect(&editor, &TMultiPanel::OnActualize,
                     [&](QObject *s) { seen << (s == editor.CurrentControl() ? "actualize" : "actualize?"); });
    Text(editor.CurrentControl(), QStringLiteral("q"));
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, (QStringList{"press:q", "up", "actualize", "change", "actualize"}));
    EXPECT_EQ(editor.CurrentControl()->Text(), QByteArray("Qa"));
}

TEST_F(MultiEditorTest, ClipboardCommandsWorkOnTheCurrentFile)
{
    editor.CutClick(nullptr); // no file: nothing happens
    editor.OpenFile(MakeFile("a.txt", "Hallo Welt"));
    TXMemo *memo = editor.CurrentControl();
    memo->Select(0, 6);
    editor.CutClick(nullptr);
    EXPECT_EQ(memo->Text(), QByteArray("Welt"));
    memo->SetSelStart(4);
    editor.InsertClick(nullptr);
    EXPECT_EQ(memo->Text(), QByteArray("WeltHallo "));
    memo->Select(0, 4);
    editor.DeleteClick(nullptr);
    EXPECT_EQ(memo->Text(), QByteArray("Hallo "));
    editor.UndoClick(nullptr);
    EXPECT_EQ(memo->Text(), QByteArray("WeltHallo "));
}

TEST_F(MultiEditorTest, InitialDirDropsOneTrailingSeparatorButNotARoot)
{
    editor.SetInitialDir(QStringLiteral("/home/texte/"));
    EXPECT_EQ(editor.InitialDir(), QStringLiteral("/home/texte"));
    editor.SetInitialDir(QStringLiteral("/"));
    EXPECT_EQ(editor.InitialDir(), QStringLiteral("/"));
    editor.SetInitialDir(QStringLiteral("C:\\Texte\\"));
    EXPECT_EQ(editor.InitialDir(), QStringLiteral("C:\\Texte"));
    editor.SetInitialDir(QStringLiteral("C:\\"));
    EXPECT_EQ(editor.InitialDir(), QStringLiteral("C:\\"));
}

TEST_F(MultiEditorTest, OpenAndSaveWithoutEditsGivesTheSameBytes)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QByteArray oneLine(50 << 20, 'x');
    for (qsizetype i = 0; i < oneLine.size(); i += 4099)
        oneLine[i] = char(0x80 + i % 32);
    const QList<QPair<QString, QByteArray>> corpus = {
        {"alle Bytes.bin", all.repeated(3)},
        {"gemischt \"zitiert\" Bücher.txt", QByteArray("a\r\nb\nc\rd\0e\r\n\n\r", 15)},
        {"leer.txt", QByteArray()},
        {"ohne Umbruch.txt", QByteArray("kein Zeilenende \x84x\x93")},
        {"eine Zeile.txt", oneLine},
    };
    for (const auto &[name, bytes] : corpus) {
        const QString path = MakeFile(name, bytes);
        editor.OpenFile(path);
        editor.SaveFileAt(editor.FileCount() - 1);
        EXPECT_TRUE(ReadBytes(path) == bytes) << name.toStdString();
    }
    EXPECT_EQ(editor.FileCount(), corpus.size());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MultiEditorTest, TheTabRowShowsTheNameAsItIs)
{
    const QString path = MakeFile(QStringLiteral("<h1>Datei gespeichert<h1><a href=x>klick<a>&b.txt"), "x");
    editor.OpenFile(path);
    EXPECT_EQ(editor.TabNames(), QStringList(QFileInfo(path).fileName()));
    EXPECT_TRUE(QKeySequence::mnemonic(editor.TabRow()->tabText(0)).isEmpty()) << "an \"&\" is no access key";
    editor.show();
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), editor.TabRow()->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(editor.TabRow(), &help);
    ASSERT_TRUE(QToolTip::isVisible());
    // What the tool tip shows, as Qt renders it.
    QTextDocument shown;
    if (Qt::mightBeRichText(QToolTip::text()))
        shown.setHtml(QToolTip::text());
    else
        shown.setPlainText(QToolTip::text());
    EXPECT_EQ(shown.toPlainText(), path);
    QToolTip::hideText();
}
