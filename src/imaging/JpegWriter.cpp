#include "imaging/JpegWriter.h"

#include "imaging/BottomUpBitmap.h"
#include "platform/OperationError.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThreadPool>

#include <turbojpeg.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// TurboJPEG's result for every failure.
constexpr int EncoderFailure = -1;

[[noreturn]] void raiseSaveError(int result)
{
    throw OperationError(JpegWriterErrorNumber, jpegWriterErrorSource(),
        QStringLiteral("Failed to save to JPG ") + QString::number(result));
}

[[noreturn]] void raiseFileError(int error)
{
    raiseSaveError(error > 0 ? error : EIO);
}

struct CompressorDeleter
{
    void operator()(void *handle) const { tjDestroy(handle); }
};

// Closes a descriptor and removes the temporary file unless released.
class TemporaryFile
{
public:
    TemporaryFile(int fd, QByteArray path)
        : m_fd(fd)
        , m_path(std::move(path))
    {
    }
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_path.isEmpty())
            ::unlink(m_path.constData());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    int fd() const { return m_fd; }
    const QByteArray &path() const { return m_path; }
    // Closes the descriptor; returns 0 or the errno of the failure.
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }
    void keep() { m_path.clear(); }

private:
    int m_fd;
    QByteArray m_path;
};

// Creates a new, empty file beside `target` with a name no other file has; the process's
// umask applies to its permissions as to any new file.
TemporaryFile createTemporaryBeside(const QByteArray &folder, const QByteArray &name)
{
    const QByteArray stem = folder + "/." + name.left(200) + '.';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray path
            = stem + QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return TemporaryFile(fd, path);
        if (errno != EEXIST)
            raiseFileError(errno);
    }
    raiseFileError(EEXIST);
}

void writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            raiseFileError(errno);
        }
        if (written == 0)
            raiseFileError(EIO);
        data += written;
        left -= written;
    }
}

// Gives the new file the old one's owner, permission bits and times. Best effort: a file
// system that refuses any of these keeps the new content with fresh attributes.
void carryOverAttributes(int fd, const struct stat &old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not the owner: the new file stays ours.
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
        // A file system without permission bits.
    }
    const struct timespec times[2] = {old.st_atim, old.st_mtim};
    if (::futimens(fd, times) != 0) {
        // A file system without settable times.
    }
}

} // namespace

QString jpegWriterErrorSource()
{
    QString exe;
    if (QCoreApplication::instance())
        exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (exe.isEmpty())
        exe = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).fileName();
    return exe + QStringLiteral(".mIntelJPEGLibrary");
}

QByteArray encodeBitmapAsJpeg(const BottomUpBitmap &dib, qint32 quality)
{
    std::unique_ptr<void, CompressorDeleter> compressor(tjInitCompress());
    if (!compressor) {
        throw OperationError(JpegWriterErrorNumber, jpegWriterErrorSource(),
            QStringLiteral("Failed to initialise the IJL library: ") + QString::number(EncoderFailure));
    }
    // The encoder refuses an empty bitmap itself; checking first keeps a null pointer away from it.
    if (!dib.bits() || dib.width() <= 0 || dib.height() <= 0)
        raiseSaveError(EncoderFailure);

    unsigned char *jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int result
        = tjCompress2(compressor.get(), dib.bits(), dib.width(), dib.bytesPerLine(),
            dib.height(), TJPF_BGR, &jpeg, &jpegSize, TJSAMP_420, quality, TJFLAG_BOTTOMUP);
    if (result != 0 || !jpeg) {
        tjFree(jpeg);
        raiseSaveError(result != 0 ? result : EncoderFailure);
    }
    QByteArray bytes(reinterpret_cast<const char *>(jpeg), static_cast<qsizetype>(jpegSize));
    tjFree(jpeg);
    return bytes;
}

void writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QByteArray target = QFile::encodeName(path);
    if (target.isEmpty())
        raiseFileError(ENOENT);

    struct stat old;
    if (::lstat(target.constData(), &old) == 0 && S_ISLNK(old.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(target.constData(), resolved))
            target = resolved;
    }
    const bool existed = ::stat(target.constData(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode))
        raiseFileError(EISDIR);

    const qsizetype cut = target.lastIndexOf('/');
    const QByteArray folder = cut < 0 ? QByteArray(".") : (cut == 0 ? QByteArray("/") : target.left(cut));
    const QByteArray name = target.mid(cut + 1);
    if (name.isEmpty())
        raiseFileError(EISDIR);

    TemporaryFile temporary = createTemporaryBeside(folder, name);
    writeAll(temporary.fd(), bytes);
    if (existed)
        carryOverAttributes(temporary.fd(), old);
    if (::fsync(temporary.fd()) != 0)
        raiseFileError(errno);
    if (const int error = temporary.close())
        raiseFileError(error);
    if (::rename(temporary.path().constData(), target.constData()) != 0)
        raiseFileError(errno);
    temporary.keep();

    // Make the rename itself durable; a folder that cannot be synced loses nothing written.
    // The file is complete and in place already, so the wait for the disk is left to a pool
    // thread instead of the caller (the window thread, for autosave).
    QThreadPool::globalInstance()->start([folder] {
        const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folderFd >= 0) {
            ::fsync(folderFd);
            ::close(folderFd);
        }
    });
}

bool saveBitmapAsJpeg(const BottomUpBitmap &dib, const QString &fileName, qint32 quality)
{
    writeFileAtomically(fileName, encodeBitmapAsJpeg(dib, quality));
    return true;
}
