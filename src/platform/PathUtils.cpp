// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PathUtils.h"

#include <QFileInfo>

bool folderExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isDir();
}

bool fileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    // QFileInfo follows symbolic links; a link to a file counts as the file.
    return info.exists() && info.isFile() && !fileNameOf(path).isEmpty();
}

QString fileNameOf(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? path : path.mid(cut + 1);
}
