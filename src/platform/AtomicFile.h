// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Whole-file writes that never leave a cut file under the target's name and never write
// through a symbolic link. Qt Core only; every function may be called from any thread.
//
// The bytes go to a new temporary file in the target's folder, created exclusively: an
// unnamed file (O_TMPFILE) where the file system offers one, otherwise "<name>.XXXXXX"
// (six letters or digits) opened with O_CREAT | O_EXCL | O_NOFOLLOW. They are written
// whole (short writes and interrupted calls are continued), flushed to the disk (fsync),
// and only then does the file take the target's name; then the folder is synced so that
// the name survives a power cut. Any failure removes the temporary file and leaves what
// stood at the target as it was. A process killed during a replace leaves at most one
// copy "<name>.XXXXXX" beside the target: a complete one (an unnamed file is named only
// once written and flushed, just before its rename), or, with a named temporary file, one
// cut anywhere. Callers that care remove such copies (CameraListFile::removeLeftoverCopies).
//
// Only the last component of a path is never resolved: a symbolic link standing there is
// an entry like any other, and the file it points to is never opened, written or changed.
// The folders leading to it are followed as usual.
namespace AtomicFile {

// Permission bits of the file written.
enum class Permissions {
    // A new file: 0666 less the process's umask. A regular file replaced: its bits.
    Default,
    // 0600 whatever stood there: a replaced file's looser bits are not carried over.
    // For files that hold secrets (passwords in camera addresses, certificate pins).
    OwnerOnly,
    // A new file: 0644 whatever the umask. A regular file replaced: its bits.
    EveryoneReads,
};

// When the folder holding the new name is synced.
enum class FolderSync {
    // Before the call returns.
    Wait,
    // On a thread of QThreadPool::globalInstance(): the file is complete and in place when
    // the call returns, only the wait for the folder's entry to reach the disk is left.
    InBackground,
};

struct Options
{
    Permissions permissions = Permissions::Default;
    FolderSync folderSync = FolderSync::Wait;
    // false: always a named temporary file, as on a file system without unnamed ones.
    bool unnamedTemporary = true;
};

// The outcome of a write: success, or the errno of the failure and its text.
struct Result
{
    // 0 on success, else the errno of the failure (> 0), e.g. ENOENT (the folder is
    // missing), ENOTDIR (a folder on the path is a file), EISDIR (the target is a folder),
    // EACCES, EROFS, ENOSPC, EDQUOT, EFBIG (the disk or a limit is full), EEXIST (no free
    // name, createNumbered only), EINVAL (a file name that is not one component).
    int error = 0;
    // On success, the file written: `path` for replace, folder + "/" + the name taken for
    // createNumbered. Empty on failure.
    QString path;
    // On failure, the system's text for `error` ("No space left on device"), to show.
    QString message;

    bool ok() const { return error == 0; }
};

// Replaces whatever stands at `path` (nothing, a file, a symbolic link, dangling or not)
// with a regular file holding `bytes`. A folder at `path` is refused (EISDIR) and left.
// When a regular file stood there, the new one takes over its owner and group (where this
// account may give them) and, unless Permissions::OwnerOnly, its permission bits; its times
// are the new file's own. A file's attributes that cannot be carried over do not fail the
// write. A link's target keeps its content, its attributes and its name.
Result replace(const QString &path, const QByteArray &bytes, const Options &options = {});

// Writes `bytes` as a new file in `folder` under the first of numberedFileName(fileName, 1),
// numberedFileName(fileName, 2), ... numberedFileName(fileName, MaxFileNumber) at which no
// entry at all stands: no file, no folder, no symbolic link (dangling or not). The name is
// taken without replacing anything, so an entry created meanwhile by anyone else makes the
// write move on to the next number. `fileName` must be one path component (EINVAL when
// empty or holding "/"); EEXIST when every numbered name is taken.
Result createNumbered(
    const QString &folder, const QString &fileName, const QByteArray &bytes, const Options &options = {});

// The highest number createNumbered and callers that pick a free name themselves try.
inline constexpr int MaxFileNumber = 999;

// `fileName` for `number` 1, else "<base>_<number><.ext>" where ".ext" is the part from the
// last "." (none when the name has no "." after its first character): "a.b.jpg", 2 gives
// "a.b_2.jpg"; "Gate", 3 gives "Gate_3"; ".hidden", 2 gives ".hidden_2".
QString numberedFileName(const QString &fileName, int number);

// True when some directory entry stands at `path` (lstat): a symbolic link counts whether or
// not its target exists.
bool entryExists(const QString &path);

} // namespace AtomicFile
