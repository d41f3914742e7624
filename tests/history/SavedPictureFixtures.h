// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/PictureAcceptance.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

// Writes saved pictures as autosave names them, cheaply: `bytes` bytes each, not a real
// JPEG (the index never decodes).
namespace SavedPictureFixtures {

// Writes `size` bytes to `folder`/`name`; false on failure.
inline bool writeFile(const QString &folder, const QString &name, qint64 size)
{
    const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + name);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    bool ok = true;
    if (size > 0)
        ok = ::ftruncate(fd, size) == 0;
    ::close(fd);
    return ok;
}

// The picture of `camera` at `at` (local time), written under its autosave name; returns the name.
inline QString writePicture(const QString &folder, const QString &camera, const QDateTime &at, qint64 size = 100)
{
    const QString name = autosaveFileName(camera, at);
    return writeFile(folder, name, size) ? name : QString();
}

} // namespace SavedPictureFixtures
