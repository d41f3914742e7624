// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ShippedFiles.h"

#include "platform/AtomicFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The record is a handful of short lines; anything larger is not ours.
constexpr qint64 MaxRecordBytes = 64 * 1024;

bool isInside(const QString &path, const QString &folder)
{
    if (path.isEmpty() || folder.isEmpty())
        return false;
    const QString inner = QFileInfo(path).canonicalFilePath();
    const QString outer = QFileInfo(folder).canonicalFilePath();
    if (inner.isEmpty() || outer.isEmpty())
        return false;
    return inner == outer || inner.startsWith(outer + QLatin1Char('/'));
}

bool holdsAll(const QString &folder, const QStringList &names)
{
    if (folder.isEmpty())
        return false;
    for (const QString &name : names) {
        if (!QFileInfo(QDir(folder).filePath(name)).isFile())
            return false;
    }
    return true;
}

// The hash of the file at `path`, read in pieces; empty when it cannot be read.
QByteArray fileSha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return QByteArray();
    return hash.result().toHex();
}

bool writeRecord(const QString &folder, const QHash<QString, ShippedFiles::RecordEntry> &record)
{
    QStringList names = record.keys();
    names.sort();
    QByteArray text;
    for (const QString &name : std::as_const(names)) {
        const ShippedFiles::RecordEntry &entry = record[name];
        text += name.toUtf8() + '\t' + entry.sha256 + '\t' + entry.version.toString().toUtf8() + '\n';
    }
    return AtomicFile::replace(QDir(folder).filePath(QLatin1String(ShippedFiles::RecordFileName)), text).ok();
}

} // namespace

namespace ShippedFiles {

QString dataFolder(const QString &executableDir, const Places &places, const QStringList &names)
{
    if (isInside(executableDir, places.buildDir))
        return holdsAll(places.sourceDataDir, names) ? QDir::cleanPath(places.sourceDataDir) : QString();
    if (!executableDir.isEmpty() && !places.relativeDataDir.isEmpty()) {
        const QString relative = QDir::cleanPath(executableDir + QLatin1Char('/') + places.relativeDataDir);
        if (holdsAll(relative, names))
            return relative;
    }
    if (holdsAll(places.installDataDir, names))
        return QDir::cleanPath(places.installDataDir);
    return QString();
}

QByteArray sha256Hex(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

QHash<QString, RecordEntry> readRecord(const QString &folder)
{
    QHash<QString, RecordEntry> record;
    QFile file(QDir(folder).filePath(QLatin1String(RecordFileName)));
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxRecordBytes)
        return record;
    const QList<QByteArray> lines = file.read(MaxRecordBytes).split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 3 || fields[0].isEmpty() || fields[1].size() != 64)
            continue;
        const QVersionNumber version = QVersionNumber::fromString(QString::fromUtf8(fields[2]));
        if (version.isNull())
            continue;
        record.insert(QString::fromUtf8(fields[0]), RecordEntry{fields[1].toLower(), version});
    }
    return record;
}

Outcome refresh(const QString &folder, const QString &name, const QByteArray &shipped,
                const QVersionNumber &version, const QList<QByteArray> &earlierCopies)
{
    const QString path = QDir(folder).filePath(name);
    const QFileInfo info(path);
    QHash<QString, RecordEntry> record = readRecord(folder);
    const QByteArray shippedHash = sha256Hex(shipped);
    const auto remember = [&](Outcome done) {
        const RecordEntry now{shippedHash, version};
        const auto old = record.constFind(name);
        if (old != record.constEnd() && old->sha256 == now.sha256 && old->version == now.version)
            return done;
        record.insert(name, now);
        return writeRecord(folder, record) ? done : Outcome::Failed;
    };
    const auto place = [&](Outcome done) {
        if (!AtomicFile::replace(path, shipped).ok())
            return Outcome::Failed;
        return remember(done);
    };

    if (info.isSymLink())
        return info.exists() ? Outcome::KeptOwn : place(Outcome::Copied);
    if (!info.exists())
        return place(Outcome::Copied);
    if (!info.isFile())
        return Outcome::KeptOwn;

    const QByteArray copyHash = fileSha256(path);
    if (copyHash.isEmpty())
        return Outcome::Failed;
    if (copyHash == shippedHash)
        return remember(Outcome::Current);

    const auto entry = record.constFind(name);
    if (entry != record.constEnd()) {
        if (entry->sha256 != copyHash)
            return Outcome::KeptOwn;
        if (entry->version > version)
            return Outcome::KeptNewer;
        return place(Outcome::Replaced);
    }
    if (earlierCopies.contains(copyHash))
        return place(Outcome::Replaced);
    return Outcome::KeptOwn;
}

} // namespace ShippedFiles
