// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <optional>

// The free space of the disk that holds a folder, in bytes.
struct DiskSpace
{
    qint64 freeBytes = -1;  // available to this user; -1 when unknown
    qint64 totalBytes = -1; // -1 when unknown
    bool known() const { return freeBytes >= 0 && totalBytes > 0; }
};

// Reads the space of the disk holding `path` (QStorageInfo); unknown when it cannot.
DiskSpace readDiskSpace(const QString &path);

// Where autosave stops for lack of space. The automatic floor is 1 GiB or 5 % of the disk,
// whichever is smaller; `minFreeMegabytes` (MiB) replaces it, 0 turning the floor off.
// Autosave pauses when the free space falls below the floor and resumes once it is at least
// the floor plus a margin (a tenth of the floor, at most 64 MiB), so that a disk hovering
// at the floor does not switch it on and off at every picture.
class DiskFloor
{
public:
    using Reader = std::function<DiskSpace(const QString &path)>;

    // `reader` empty: readDiskSpace.
    explicit DiskFloor(Reader reader = {});

    void setMinFreeMegabytes(std::optional<qint64> minFreeMegabytes) { m_minFreeMegabytes = minFreeMegabytes; }

    // The floor for a disk of `space`, in bytes; 0 when the floor is off or the size unknown.
    qint64 floorBytes(const DiskSpace &space) const;
    static qint64 resumeMarginBytes(qint64 floorBytes);

    // Reads the space of `path` and updates paused(); true when paused() changed. An unknown
    // reading never pauses (a failing write is then reported as any other).
    bool update(const QString &path);
    // The same for a reading made elsewhere (a worker thread).
    bool update(const DiskSpace &space);

    bool paused() const { return m_paused; }
    const DiskSpace &lastReading() const { return m_last; }
    const Reader &reader() const { return m_reader; }

private:
    Reader m_reader;
    std::optional<qint64> m_minFreeMegabytes;
    DiskSpace m_last;
    bool m_paused = false;
};
