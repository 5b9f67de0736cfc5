#include "TestSupport.h"
#include "../support/ScriptedUser.h"
#include "editor/LongWork.h"
#include "editor/MultEdit.h"
#include "editor/TabRow.h"
#include "platform/core/DiskIdentity.h"
#include "platform/core/EditorError.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QStatusTipEvent>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>
#include <thread>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// What the window was told and how often it painted while the work ran.
class TWindowWatch : public QObject
{
public:
    QStringList Tips;
    int Paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::StatusTip)
            Tips << static_cast<QStatusTipEvent *>(event)->tip();
        if (event->type() == QEvent::Paint)
            ++Paints;
        return QObject::eventFilter(watched, event);
    }
};

class LongWorkTest : public ::testing::Test
{
protected:
    // Small texts count as large here, and every step looks at the window.
    void SetUp() override
    {
        TLongWork::Threshold = 1 << 20;
        TLongWork::IntervalMs = 0;
        editor.resize(600, 400);
        editor.show();
        QCoreApplication::processEvents();
        qApp->installEventFilter(&watch);
    }
    void TearDown() override
    {
        qApp->removeEventFilter(&watch);
        TLongWork::Threshold = qint64(50) << 20;
        TLongWork::IntervalMs = 100;
    }
    // 12 MB: three pieces of the read.
    QString LargeFile(const QString &name, const QByteArray &tail = {})
    {
        QByteArray text;
        while (text.size() < 12 << 20)
            text += "Eine Zeile Text, die sich oft wiederholt.\r\n";
        WriteBytes(dir.filePath(name), text + tail);
        return dir.filePath(name);
    }
    void Reset()
    {
        watch.Tips.clear();
        watch.Paints = 0;
        // Something for the window to paint once it gets the chance.
        editor.update();
    }

    QTemporaryDir dir;
    TScriptedUser user;
    TWindowWatch watch;
    TMultiEditor editor;
    QTimer watchedPaint;
};

} // namespace

TEST_F(LongWorkTest, ALargeFileLoadsWithProgressAndEscapeGivesItUp)
{
    // UTF-8 only in the last piece read: it decides all the same.
    const QString whole = LargeFile(QStringLiteral("ganz.txt"), "Gr\xc3\xbc\xc3\x9f" "e\n");
    Reset();
    editor.OpenFile(whole);
    const qint64 size = QFileInfo(whole).size();
    EXPECT_TRUE(editor.CurrentControl()->Text() == ReadBytes(whole));
    EXPECT_EQ(editor.CurrentControl()->Encoding(), encoding::TEncoding::Utf8);
    EXPECT_FALSE(editor.CurrentControl()->LoadFailed());
    // From nothing read to all of it, never backwards.
    ASSERT_GE(watch.Tips.size(), 2);
    EXPECT_EQ(watch.Tips.first(), QStringLiteral("Laden: 0 % (Abbruch mit Esc)"));
    int last = 0;
    for (int i = 0; i + 1 < watch.Tips.size(); ++i) {
        const QString &tip = watch.Tips.at(i);
        ASSERT_TRUE(tip.startsWith(QStringLiteral("Laden: ")) && tip.endsWith(QStringLiteral(" % (Abbruch mit Esc)")))
            << tip.toStdString();
        const int percent = tip.section(QLatin1Char(' '), 1, 1).toInt();
        EXPECT_GE(percent, last);
        last = percent;
    }
    EXPECT_EQ(watch.Tips.last(), QString()) << "the status panel is cleared at the end";
    EXPECT_GT(watch.Paints, 0) << "the window painted while the file was read";

    // Escape pressed while the file is read: the tab stays, empty, under the
    // file's name, and saving asks before it empties the file.
    const QString given = LargeFile(QStringLiteral("abgebrochen.txt"));
    const QByteArray givenBytes = ReadBytes(given);
    Reset();
    QCoreApplication::postEvent(editor.CurrentControl(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
    QCoreApplication::postEvent(editor.CurrentControl(), new QKeyEvent(QEvent::KeyPress, Qt::Key_X, {}, "x"));
    editor.OpenFile(given);
    EXPECT_EQ(editor.FileCount(), 2);
    TXMemo *memo = editor.CurrentControl();
    EXPECT_EQ(memo->TextLength(), 0);
    EXPECT_TRUE(memo->LoadFailed());
    EXPECT_EQ(editor.TabRow()->Name(editor.FileIndex()), QStringLiteral("abgebrochen.txt"));
    EXPECT_EQ(editor.ControlAt(0)->TextLength(), size) << "a key typed meanwhile waits for the end";
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.ControlAt(0)->TextLength(), size + 1) << "and then arrives";
    user.Answers << dialogs::TAnswer::No;
    EXPECT_FALSE(editor.SaveFileAt(editor.FileIndex()));
    EXPECT_EQ(user.Questions.size(), 1);
    EXPECT_TRUE(ReadBytes(given) == givenBytes);
}

TEST_F(LongWorkTest, ReplaceAllInALargeTextShowsProgressInBothDirectionsAndWhenUndone)
{
    QByteArray text;
    while (text.size() < 3 << 20)
        text += "o-------o-------o-------o-------\n";
    QByteArray replaced = text;
    replaced.replace("o", "00");
    editor.NewFileClick(nullptr);
    TXMemo *memo = editor.CurrentControl();
    memo->SetText(text);
    for (const bool down : {true, false}) {
        SCOPED_TRACE(down ? "downwards" : "upwards");
        memo->SetSelStart(down ? 0 : text.size());
        Reset();
        editor.FindText = QStringLiteral("o");
        editor.ReplaceText = QStringLiteral("00");
        editor.FindOptions = (down ? FindOptionBit(frDown) : 0) | FindOptionBit(frReplaceAll);
        editor.SearchNext();
        EXPECT_TRUE(memo->Text() == replaced) << "the text was left alone while the window painted";
        EXPECT_EQ(memo->SelStart(), down ? replaced.size() - 8 : 0)
            << "behind the last replacement, or in front of the first";
        QStringList percents;
        for (const QString &tip : watch.Tips)
            percents << tip.section(QLatin1Char(' '), 1, 1);
        ASSERT_GE(watch.Tips.size(), 3) << watch.Tips.join('\n').toStdString();
        EXPECT_TRUE(watch.Tips.first().startsWith(QStringLiteral("Ersetzen: "))) << watch.Tips.first().toStdString();
        EXPECT_EQ(watch.Tips.last(), QString());
        // The search counts for the first half, the replacing for the second.
        EXPECT_LT(percents.first().toInt(), 50);
        EXPECT_GE(percents.at(percents.size() - 2).toInt(), 50);
        EXPECT_GT(watch.Paints, 0);

        // Undo and redo take as long, and show how far they are too.
        for (const bool redo : {false, true}) {
            Reset();
            redo ? memo->Redo() : memo->Undo();
            EXPECT_TRUE(memo->Text() == (redo ? replaced : text));
            ASSERT_GE(watch.Tips.size(), 2) << redo;
            EXPECT_TRUE(watch.Tips.first().startsWith(redo ? QStringLiteral("Wiederholen: ")
                                                           : QStringLiteral("Rückgängig: ")))
                << watch.Tips.first().toStdString();
            EXPECT_EQ(watch.Tips.last(), QString());
            EXPECT_GT(watch.Paints, 0);
        }
        memo->Undo();
        EXPECT_TRUE(memo->Text() == text);
    }
}

TEST_F(LongWorkTest, WorkAsideLetsTheWindowPaintAndReturnsItsFailure)
{
    // The control worked on shows an empty page; the rest of the window paints.
    editor.NewFileClick(nullptr);
    TXMemo *control = editor.CurrentControl();
    // The work waits until the window has painted twice meanwhile: were it
    // run on the window's thread, it would wait in vain.
    std::atomic<int> paints{0};
    QObject::connect(&watchedPaint, &QTimer::timeout, &editor, [&] {
        editor.repaint();
        paints = watch.Paints;
    });
    watchedPaint.start(5);
    TLongWork work(control, QStringLiteral("Laden"), 2 << 20, true);
    const std::thread::id windowThread = std::this_thread::get_id();
    std::thread::id workThread;
    bool painted = false;
    Reset();
    work.Aside([&] {
        workThread = std::this_thread::get_id();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (paints < 2 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        painted = paints >= 2;
    });
    EXPECT_TRUE(painted);
    EXPECT_NE(workThread, windowThread);
    EXPECT_TRUE(watch.Tips.contains(QStringLiteral("Laden: 0 % (Abbruch mit Esc)")));
    EXPECT_THROW(work.Aside([] { throw std::bad_alloc(); }), std::bad_alloc);

    // Small work runs where it is asked for, as it always did.
    TLongWork small(control, QStringLiteral("Laden"), 1 << 10, true);
    small.Aside([&] { workThread = std::this_thread::get_id(); });
    EXPECT_EQ(workThread, windowThread);
}

namespace {

// A file that breaks off with a read error after a few MB.
class TBrokenFile : public QIODevice
{
public:
    explicit TBrokenFile(qint64 good) : m_good(good) { open(QIODevice::ReadOnly); }
    qint64 size() const override { return 2 * m_good; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = std::min(maxSize, m_good - pos());
        if (n <= 0)
            return -1;
        for (qint64 i = 0; i < n; ++i)
            data[i] = (pos() + i) % 80 == 79 ? '\n' : 'a';
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    qint64 m_good;
};

} // namespace

TEST_F(LongWorkTest, AReadErrorLeavesNoChecksumOfTheTextBefore)
{
    // The large text is filled apart from the view, which hears of no
    // change: what is known of the old text must not outlive it.
    editor.NewFileClick(nullptr);
    TXMemo *memo = editor.CurrentControl();
    memo->SetText("alter Text");
    ASSERT_EQ(memo->Checksum(), diskidentity::Checksum("alter Text", 10));
    TBrokenFile broken(6 << 20);
    EXPECT_THROW(memo->ReadTextFromStream(broken), TEditorError);
    const QByteArray text = memo->Text();
    EXPECT_EQ(memo->Checksum(), diskidentity::Checksum(text.constData(), std::size_t(text.size())));
}
