// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/SavedPictureIndex.h"

#include <QFile>

#include <algorithm>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Directory
{
    DIR *dir = nullptr;
    explicit Directory(const QString &path) : dir(::opendir(QFile::encodeName(path).constData())) {}
    ~Directory()
    {
        if (dir)
            ::closedir(dir);
    }
    Directory(const Directory &) = delete;
    Directory &operator=(const Directory &) = delete;
};

// The entry as lstat sees it; false when it is gone or cannot be read.
bool statEntry(int dirFd, const char *name, struct stat &info)
{
    return ::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
}

qint64 modificationKey(const struct stat &info)
{
    const qint64 msecs = static_cast<qint64>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1'000'000;
    return LocalTimeKey::of(QDateTime::fromMSecsSinceEpoch(msecs));
}

bool inTimeOrder(const SavedPicture &a, const SavedPicture &b)
{
    if (a.time != b.time)
        return a.time < b.time;
    if (a.variant != b.variant)
        return a.variant < b.variant;
    return a.fileName < b.fileName;
}

} // namespace

SavedPictureIndex SavedPictureIndex::scan(const QString &folder, const QString &cameraName,
                                          const QStringList &otherCameras, const NamePattern &pattern,
                                          Options options)
{
    SavedPictureIndex index;
    index.m_folder = folder;
    const QString prefix = NamePattern::cameraPrefix(cameraName);
    if (prefix.isEmpty())
        return index;
    const bool certain = options.ownership == Ownership::Certain;
    // Only prefixes of which one begins with the other can claim the same name.
    QStringList longer;
    QStringList shorter;
    for (const QString &other : otherCameras) {
        const QString otherPrefix = NamePattern::cameraPrefix(other);
        if (otherPrefix.isEmpty() || other == cameraName)
            continue;
        if (otherPrefix == prefix) {
            if (certain)
                return index;
            continue;
        }
        if (otherPrefix.startsWith(prefix))
            longer.append(otherPrefix);
        else if (prefix.startsWith(otherPrefix))
            shorter.append(otherPrefix);
    }

    Directory directory(folder);
    if (!directory.dir)
        return index;
    const int dirFd = ::dirfd(directory.dir);
    const QByteArray prefixBytes = QFile::encodeName(prefix);
    index.m_pictures.reserve(4096);
    while (const dirent *entry = ::readdir(directory.dir)) {
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        // Cheap rejection of other cameras' names before any conversion.
        if (std::strncmp(entry->d_name, prefixBytes.constData(), static_cast<size_t>(prefixBytes.size())) != 0)
            continue;
        const QString name = QString::fromUtf8(entry->d_name);
        if (!name.startsWith(prefix))
            continue;
        const NamePattern::Reading reading = pattern.read(name, prefix.size());
        if (!(reading.matches || (!certain && reading.looksSaved)))
            continue;
        bool claimedElsewhere = false;
        for (const QString &other : longer) {
            if (!name.startsWith(other))
                continue;
            const NamePattern::Reading theirs = pattern.read(name, other.size());
            if (theirs.matches || (!reading.matches && theirs.looksSaved)) {
                claimedElsewhere = true;
                break;
            }
        }
        if (!claimedElsewhere && certain) {
            for (const QString &other : shorter) {
                if (pattern.read(name, other.size()).matches) {
                    claimedElsewhere = true;
                    break;
                }
            }
        }
        if (claimedElsewhere)
            continue;

        SavedPicture picture;
        picture.fileName = name;
        picture.variant = reading.variant;
        const bool needStat = options.sizes || entry->d_type == DT_UNKNOWN || reading.times.size() != 1;
        struct stat info {};
        if (needStat) {
            if (!statEntry(dirFd, entry->d_name, info) || !S_ISREG(info.st_mode))
                continue;
            if (options.sizes) {
                picture.bytes = static_cast<qint64>(info.st_size);
                index.m_totalBytes += picture.bytes;
            }
        }
        if (reading.times.size() == 1) {
            picture.time = reading.times.front();
        } else if (reading.times.isEmpty()) {
            picture.time = modificationKey(info);
            picture.timeFromName = false;
        } else {
            // The reading nearest the moment the file was written.
            picture.time = reading.nearestTo(modificationKey(info));
        }
        index.m_pictures.push_back(std::move(picture));
    }
    std::sort(index.m_pictures.begin(), index.m_pictures.end(), inTimeOrder);
    return index;
}

qsizetype SavedPictureIndex::find(const QString &fileName, qint64 time) const
{
    // Pictures of one time are few: the ones of that second and its variants.
    const auto [first, last] = std::equal_range(m_pictures.begin(), m_pictures.end(), SavedPicture {{}, time},
                                                [](const SavedPicture &a, const SavedPicture &b) { return a.time < b.time; });
    const auto found = std::find_if(first, last, [&fileName](const SavedPicture &p) { return p.fileName == fileName; });
    return found == last ? -1 : found - m_pictures.begin();
}

qsizetype SavedPictureIndex::insert(const SavedPicture &picture)
{
    if (find(picture.fileName, picture.time) >= 0)
        return -1;
    const auto at = std::upper_bound(m_pictures.begin(), m_pictures.end(), picture, inTimeOrder);
    if (picture.bytes > 0)
        m_totalBytes += picture.bytes;
    return m_pictures.insert(at, picture) - m_pictures.begin();
}

QString SavedPictureIndex::filePath(qsizetype index) const
{
    return m_folder + QLatin1Char('/') + m_pictures.at(static_cast<size_t>(index)).fileName;
}

qsizetype SavedPictureIndex::indexAtOrBefore(qint64 time) const
{
    if (m_pictures.empty())
        return -1;
    const auto after = std::upper_bound(m_pictures.begin(), m_pictures.end(), time,
                                        [](qint64 t, const SavedPicture &p) { return t < p.time; });
    return std::max<qsizetype>(0, (after - m_pictures.begin()) - 1);
}
