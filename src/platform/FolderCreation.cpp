// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderCreation.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <sys/stat.h>

bool createFolderPath(const QString &folder, mode_t mode, bool exactBits)
{
    QStringList missing;
    QString level = QFileInfo(folder).absoluteFilePath();
    while (!QFileInfo::exists(level)) {
        missing.prepend(level);
        const QString parent = QFileInfo(level).absolutePath();
        if (parent == level)
            break;
        level = parent;
    }
    for (const QString &created : std::as_const(missing)) {
        const QByteArray native = QFile::encodeName(created);
        if (::mkdir(native.constData(), mode) != 0) {
            if (errno == EEXIST && QFileInfo(created).isDir())
                continue;
            return false;
        }
        if (exactBits && ::chmod(native.constData(), mode) != 0) {
            // A file system without permission bits: the folder is usable as it is.
        }
    }
    return true;
}
