#pragma once
// Notices open files that other programs changed, removed or only touched:
// when the window becomes active, when a tab is shown, and every two seconds
// for the file in front. A stat per file: 1,000 open files cost a few
// milliseconds when the window is activated and nothing measurable at rest,
// as little as a watch per file, which would use up the user's inotify
// watches and lose track of every file saved by renaming.
#include "editor/OpenFile.h"

#include <QObject>
#include <QTimer>
#include <QVector>
#include <functional>

class QWidget;

class TDiskWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int kCurrentInterval = 2000;

    // `files` and `current` are the editor's; questions open over `owner`.
    TDiskWatcher(QWidget *owner, const TFileList &files, std::function<TOpenFile *()> current);

    // After a load from or a save to `name`: the text is based on the file
    // as `identity` found it, taken before the bytes were read (a change
    // while reading is then noticed by the next check).
    static void Remember(TOpenFile *file, const QString &name, const diskidentity::TDiskIdentity &identity);
    // Replaces the text by the file's bytes as one undo step, the caret on
    // its line, the text unmodified; false (text as it was) when the file
    // cannot be read.
    static bool Reload(TOpenFile *file);

    // Checks `files` now: unmodified ones changed on disk are reloaded, for
    // the modified ones one question is asked, for those gone one message
    // is shown. Nothing while a check is already waiting for an answer.
    void Check(const QVector<TOpenFile *> &files);
    void CheckAll();
    void CheckCurrent();
    // The same once control is back in the event loop, only while the
    // program is the active one and shows no modal dialog.
    void CheckAllSoon();
    void CheckCurrentSoon();

    // Before the text goes over its own file: true when the file is as the
    // text's base left it, or the user agrees to overwrite what another
    // program wrote.
    bool MayOverwrite(TOpenFile *file);

private:
    bool MayCheckNow() const;

    QWidget *m_owner;
    const TFileList &m_files;
    std::function<TOpenFile *()> m_current;
    QTimer m_currentTimer;
    QTimer m_soonTimer;
    bool m_allSoon = false;
    bool m_busy = false;
};
