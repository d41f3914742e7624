// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AtomicFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QThreadPool>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace AtomicFile {
namespace {

// Attempts at a free temporary name before giving up with EEXIST.
constexpr int TemporaryNameAttempts = 100;

// Bytes of the target's name kept in a temporary name, so that "<name>.XXXXXX" stays
// within the 255 bytes a name may have.
constexpr qsizetype TemporaryStemBytes = 200;

Result failure(int error)
{
    Result result;
    result.error = error > 0 ? error : EIO;
    result.message = qt_error_string(result.error);
    return result;
}

Result success(QString path)
{
    Result result;
    result.path = std::move(path);
    return result;
}

// An open descriptor, closed when the object goes.
class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// The folder of a target path and its last component, as the file system spells them.
struct Location
{
    QByteArray folder;
    QByteArray name; // empty for an empty path or one ending in "/"
};

Location locate(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const qsizetype cut = native.lastIndexOf('/');
    if (cut < 0)
        return {QByteArrayLiteral("."), native};
    return {cut == 0 ? QByteArrayLiteral("/") : native.left(cut), native.mid(cut + 1)};
}

// Opens `folder` for the *at() calls and the final sync; -1 with errno set on failure.
int openFolder(const QByteArray &folder)
{
    return ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

bool unnamedFilesLinkable()
{
    // An unnamed file is given its name through its /proc entry; without /proc it cannot be.
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

QByteArray randomSuffix()
{
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix(6, Qt::Uninitialized);
    for (char &c : suffix)
        c = Alphabet[QRandomGenerator::global()->bounded(int(sizeof(Alphabet) - 1))];
    return suffix;
}

QByteArray temporaryNameFor(const QByteArray &name)
{
    return name.left(TemporaryStemBytes) + '.' + randomSuffix();
}

int writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data += written;
        left -= written;
    }
    return 0;
}

// The mode a new temporary file is opened with (the umask applies to it).
mode_t creationMode(Permissions permissions)
{
    return permissions == Permissions::OwnerOnly ? 0600 : 0666;
}

// Gives the new file its owner and permission bits; `replaced` is the regular file it
// replaces, or null. Best effort: a file system or an account that refuses keeps the new
// content with the bits it was created with.
void applyAttributes(int fd, Permissions permissions, const struct stat *replaced)
{
    // Before the bits: a change of owner may clear the set-user-ID and set-group-ID bits.
    if (replaced && ::fchown(fd, replaced->st_uid, replaced->st_gid) != 0) {
        // Not allowed to give the file away: it stays this account's.
    }
    mode_t bits = 0;
    if (permissions == Permissions::OwnerOnly)
        bits = 0600;
    else if (replaced)
        bits = replaced->st_mode & 07777;
    else if (permissions == Permissions::EveryoneReads)
        bits = 0644;
    else
        return; // 0666 less the umask, as opened
    if (::fchmod(fd, bits) != 0) {
        // A file system without permission bits.
    }
}

// A temporary file in an open folder: unnamed, or named "<name>.XXXXXX". Removed when the
// object goes unless it was placed.
class Temporary
{
public:
    explicit Temporary(int folder)
        : m_folder(folder)
    {
    }
    ~Temporary()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlinkat(m_folder, m_name.constData(), 0);
    }
    Temporary(const Temporary &) = delete;
    Temporary &operator=(const Temporary &) = delete;

    int fd() const { return m_fd; }

    // Creates the file for the target `name`; 0 or the errno of the failure.
    int create(const QByteArray &name, mode_t mode, bool unnamed)
    {
        if (unnamed && unnamedFilesLinkable()) {
            m_fd = ::openat(m_folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
            if (m_fd >= 0)
                return 0;
            // A file system without unnamed files: a named one below.
        }
        for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
            const QByteArray candidate = temporaryNameFor(name);
            m_fd = ::openat(
                m_folder, candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (m_fd >= 0) {
                m_name = candidate;
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }

    // Flushes the written file to the disk; a named one is closed as well, so that a
    // failure of its last write-back shows here. 0 or the errno of the failure.
    int finish()
    {
        if (::fsync(m_fd) != 0)
            return errno;
        if (m_name.isEmpty())
            return 0; // an unnamed file needs its descriptor until it has a name
        const int result = ::close(std::exchange(m_fd, -1));
        return result == 0 ? 0 : errno;
    }

    // Gives the finished file the name `target` in the folder, replacing what stands
    // there, or (`replace` false) only where nothing does: EEXIST then. 0 or the errno.
    int place(const QByteArray &target, bool replace)
    {
        if (m_name.isEmpty()) {
            if (!replace)
                return linkUnnamed(target);
            if (const int error = nameUnnamed(target))
                return error;
        }
        if (replace) {
            if (::renameat(m_folder, m_name.constData(), m_folder, target.constData()) != 0)
                return errno;
            m_name.clear();
            return 0;
        }
        if (::renameat2(m_folder, m_name.constData(), m_folder, target.constData(), RENAME_NOREPLACE) == 0) {
            m_name.clear();
            return 0;
        }
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
        // A file system that cannot rename without replacing: a second link, then the
        // temporary name goes.
        if (::linkat(m_folder, m_name.constData(), m_folder, target.constData(), 0) != 0)
            return errno;
        ::unlinkat(m_folder, std::exchange(m_name, QByteArray()).constData(), 0);
        return 0;
    }

private:
    // Links the unnamed file as `target`; EEXIST when an entry stands there.
    int linkUnnamed(const QByteArray &target)
    {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
        if (::linkat(AT_FDCWD, self.constData(), m_folder, target.constData(), AT_SYMLINK_FOLLOW) != 0)
            return errno;
        return 0;
    }

    // Gives the unnamed file a free temporary name, from which it is renamed.
    int nameUnnamed(const QByteArray &target)
    {
        for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
            const QByteArray candidate = temporaryNameFor(target);
            const int error = linkUnnamed(candidate);
            if (error == 0) {
                m_name = candidate;
                return 0;
            }
            if (error != EEXIST)
                return error;
        }
        return EEXIST;
    }

    int m_folder;
    int m_fd = -1;
    QByteArray m_name;
};

// Makes the folder's new entry durable. A folder that cannot be synced loses nothing
// written: the file is complete and in place already.
void syncFolder(Descriptor &folder, FolderSync when)
{
    if (when == FolderSync::Wait) {
        ::fsync(folder.get());
        return;
    }
    QThreadPool::globalInstance()->start([fd = folder.release()] {
        ::fsync(fd);
        ::close(fd);
    });
}

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

Result replace(const QString &path, const QByteArray &bytes, const Options &options)
{
    const Location target = locate(path);
    if (target.name.isEmpty())
        return failure(path.isEmpty() ? ENOENT : EISDIR);
    Descriptor folder(openFolder(target.folder));
    if (folder.get() < 0)
        return failure(errno);

    struct stat old = {};
    const bool stands = ::fstatat(folder.get(), target.name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (stands && S_ISDIR(old.st_mode))
        return failure(EISDIR);

    Temporary temporary(folder.get());
    if (const int error
        = temporary.create(target.name, creationMode(options.permissions), options.unnamedTemporary))
        return failure(error);
    if (const int error = writeAll(temporary.fd(), bytes))
        return failure(error);
    applyAttributes(temporary.fd(), options.permissions, stands && S_ISREG(old.st_mode) ? &old : nullptr);
    if (const int error = temporary.finish())
        return failure(error);
    if (const int error = temporary.place(target.name, true))
        return failure(error);
    syncFolder(folder, options.folderSync);
    return success(path);
}

Result createNumbered(
    const QString &folderPath, const QString &fileName, const QByteArray &bytes, const Options &options)
{
    const QByteArray name = QFile::encodeName(fileName);
    if (name.isEmpty() || name.contains('/'))
        return failure(EINVAL);
    Descriptor folder(openFolder(QFile::encodeName(folderPath)));
    if (folder.get() < 0)
        return failure(errno);

    Temporary temporary(folder.get());
    if (const int error = temporary.create(name, creationMode(options.permissions), options.unnamedTemporary))
        return failure(error);
    if (const int error = writeAll(temporary.fd(), bytes))
        return failure(error);
    applyAttributes(temporary.fd(), options.permissions, nullptr);
    if (const int error = temporary.finish())
        return failure(error);
    for (int number = 1; number <= MaxFileNumber; ++number) {
        const QString candidate = numberedFileName(fileName, number);
        const int error = temporary.place(QFile::encodeName(candidate), false);
        if (error == EEXIST)
            continue;
        if (error != 0)
            return failure(error);
        syncFolder(folder, options.folderSync);
        return success(joined(folderPath.isEmpty() ? QStringLiteral(".") : folderPath, candidate));
    }
    return failure(EEXIST);
}

QString numberedFileName(const QString &fileName, int number)
{
    if (number <= 1)
        return fileName;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? fileName.left(dot) : fileName;
    const QString extension = dot > 0 ? fileName.mid(dot) : QString();
    return base + QLatin1Char('_') + QString::number(number) + extension;
}

bool entryExists(const QString &path)
{
    struct stat info = {};
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

} // namespace AtomicFile
