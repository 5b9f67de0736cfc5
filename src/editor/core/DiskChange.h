#pragma once
// What to do about open files that other programs changed, removed or only
// touched since they were loaded or saved. No windows here: the editor asks
// the questions and reloads.
#include "platform/core/DiskIdentity.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace diskchange {

// What the editor knows of one open file.
struct TKnown
{
    // The file as loaded or last saved, and the checksum of those bytes.
    diskidentity::TDiskIdentity base;
    quint64 baseChecksum = 0;
    // The text differs from what was loaded or saved.
    bool modified = false;
    // The disk state the user has already heard of (a declined reload, a
    // message that the file is gone): not brought up again.
    std::optional<diskidentity::TDiskIdentity> told;
};

enum class TVerdict {
    Unchanged,
    // Same bytes under a new time or inode: take the new identity, silently.
    Touched,
    // Unmodified text, other bytes on disk: reload at once.
    Reload,
    // Modified text, other bytes on disk: ask before throwing it away.
    Ask,
    // The file is no longer there (deleted, renamed, replaced by something
    // that is not a regular file).
    Gone,
    // Changed, but exactly as the user already heard.
    AlreadyTold
};

// `now` is the file as it lies now. `checksum` reads the file's checksum
// (false when it cannot) and is called only when the metadata changed but
// not the size: a different size is different bytes, and a huge file is
// not read for nothing.
TVerdict Judge(const TKnown &known, const diskidentity::TDiskIdentity &now,
               const std::function<bool(quint64 &)> &checksum);

// Whether saving over the file may go ahead without asking: the file is as
// it was loaded or saved, gone (nothing to lose), or holds the same bytes.
bool SafeToOverwrite(const TKnown &known, const diskidentity::TDiskIdentity &now,
                     const std::function<bool(quint64 &)> &checksum);

// The one question for all modified files changed on disk at once, and the
// one message for all files gone at once; names as given, plain text.
QString ReloadQuestion(const QStringList &names);
QString GoneMessage(const QStringList &names);
QString OverwriteQuestion(const QString &name);

// Lines up to this length are reloaded into the text in place (one undo
// step); a longer one goes through a fresh load, which shows such lines
// its own way. Well below what the text control can lay out.
constexpr qint64 kLongestInPlaceLine = 64 << 10;

} // namespace diskchange
