// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/DiskFloor.h"

#include <QStorageInfo>

#include <algorithm>

namespace {
constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 AutomaticFloor = 1024 * MiB;
constexpr qint64 MaxResumeMargin = 64 * MiB;
} // namespace

DiskSpace readDiskSpace(const QString &path)
{
    const QStorageInfo storage(path);
    if (!storage.isValid() || !storage.isReady())
        return {};
    return {storage.bytesAvailable(), storage.bytesTotal()};
}

DiskFloor::DiskFloor(Reader reader)
    : m_reader(reader ? std::move(reader) : Reader(readDiskSpace))
{
}

qint64 DiskFloor::floorBytes(const DiskSpace &space) const
{
    if (m_minFreeMegabytes)
        return *m_minFreeMegabytes * MiB;
    if (space.totalBytes <= 0)
        return 0;
    return std::min(AutomaticFloor, space.totalBytes / 20);
}

qint64 DiskFloor::resumeMarginBytes(qint64 floorBytes) { return std::min(MaxResumeMargin, floorBytes / 10); }

bool DiskFloor::update(const QString &path) { return update(m_reader(path)); }

bool DiskFloor::update(const DiskSpace &space)
{
    m_last = space;
    const qint64 floor = floorBytes(space);
    bool paused = m_paused;
    if (!space.known() || floor <= 0)
        paused = false;
    else if (space.freeBytes < floor)
        paused = true;
    else if (space.freeBytes >= floor + resumeMarginBytes(floor))
        paused = false;
    const bool changed = paused != m_paused;
    m_paused = paused;
    return changed;
}
