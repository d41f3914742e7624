// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppFolder.h"

#include "platform/FolderCreation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
QString g_folder;

bool isWritableFolder(const QString &dir)
{
    if (!QFileInfo(dir).isDir())
        return false;
    // QFileInfo::isWritable answers from the permission bits; a read-only mount or
    // an ACL can still refuse, so try to create a file.
    QTemporaryFile probe(dir + QStringLiteral("/.ocellus-write-test-XXXXXX"));
    return probe.open();
}
} // namespace

namespace AppFolder {

QString path() { return g_folder; }

void set(const QString &folder)
{
    QString clean = QDir::cleanPath(folder);
    while (clean.size() > 1 && clean.endsWith(QLatin1Char('/')))
        clean.chop(1);
    g_folder = clean;
}

bool isPortable(const QString &executableDir, const QString &cameraListName)
{
    if (executableDir.isEmpty() || !QFileInfo(executableDir).isDir())
        return false;
    const QDir dir(executableDir);
    // exists() on a dangling link is false; the marker is meant as a plain file, but a
    // folder of that name is taken as the same intent.
    return QFileInfo::exists(dir.filePath(QLatin1String(PortableMarker)))
        || (!cameraListName.isEmpty() && QFileInfo(dir.filePath(cameraListName)).isFile());
}

QString defaultFolder(const QString &executableDir, const QString &productName, const QString &cameraListName)
{
    if (isPortable(executableDir, cameraListName))
        return QDir::cleanPath(executableDir);
    // GenericDataLocation is $XDG_DATA_HOME, else ~/.local/share; the XDG rules say a
    // relative value is to be ignored, which Qt 6.4 does not do itself.
    QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QLatin1Char('/') + productName);
}

QString ensureUsable(const QString &folder)
{
    if (folder.isEmpty())
        return QStringLiteral("No application folder was given.");
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1 exists but is not a folder.").arg(folder);
    if (!info.exists() && !createFolderPath(folder, 0700))
        return QStringLiteral("The folder %1 could not be created.").arg(folder);
    if (!isWritableFolder(folder))
        return QStringLiteral("The folder %1 cannot be written by this user account.").arg(folder);
    return QString();
}

QString file(const QString &name) { return g_folder + QLatin1Char('/') + name; }

} // namespace AppFolder
