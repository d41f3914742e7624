// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/RetentionPruner.h"

#include "history/SavedPictureIndex.h"

#include <QFile>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 BytesPerMegabyte = 1024 * 1024;

// Deletes `path` when it is still a regular file.
bool deleteRegularFile(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    return ::unlink(native.constData()) == 0;
}

} // namespace

PruneOutcome prunePictures(const QString &folder, const QString &cameraName, const QStringList &otherCameras,
                           const RetentionLimits &limits, const QDateTime &now, const NamePattern &pattern)
{
    PruneOutcome outcome;
    const SavedPictureIndex index = SavedPictureIndex::scan(
        folder, cameraName, otherCameras, pattern, {SavedPictureIndex::Ownership::Certain, true});
    outcome.kept = static_cast<int>(index.size());
    outcome.keptBytes = index.totalBytes();
    if (!limits.limitsAnything())
        return outcome;

    const qint64 oldestKept
        = limits.maxDays > 0 ? LocalTimeKey::of(now) - qint64(limits.maxDays) * LocalTimeKey::MsecsPerDay
                             : std::numeric_limits<qint64>::min();
    const qint64 maxBytes = limits.maxMegabytes > 0 ? limits.maxMegabytes * BytesPerMegabyte
                                                    : std::numeric_limits<qint64>::max();
    qint64 remainingBytes = index.totalBytes();
    for (qsizetype i = 0; i < index.size(); ++i) {
        const SavedPicture &picture = index.pictures()[static_cast<size_t>(i)];
        if (picture.time >= oldestKept && remainingBytes <= maxBytes)
            break;
        if (deleteRegularFile(index.filePath(i))) {
            ++outcome.deleted;
            outcome.deletedBytes += picture.bytes;
            --outcome.kept;
            outcome.keptBytes -= picture.bytes;
        } else {
            ++outcome.failed;
        }
        // A picture that could not be deleted still takes its room, but waiting for it would
        // keep every newer picture over the limit: the next oldest goes instead.
        remainingBytes -= picture.bytes;
    }
    return outcome;
}
