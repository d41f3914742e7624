// SPDX-License-Identifier: GPL-3.0-or-later
#include "camlist/CameraListFile.h"
#include "camlist/CameraListLines.h"

#include "platform/AppFolder.h"
#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace CameraListFile {
namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

std::optional<QByteArray> readAll()
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

QString path() { return AppFolder::file(FileName); }

bool writeList(const QByteArray &bytes)
{
    return AtomicFile::replace(path(), bytes, {.permissions = AtomicFile::Permissions::OwnerOnly}).ok();
}

bool createIfMissing()
{
    removeLeftoverCopies();
    const QFileInfo info(path());
    if (info.exists())
        return info.isFile();
    return writeList(CrLf);
}

int removeLeftoverCopies()
{
    // A save killed between writing its copy and renaming it over the list leaves the copy
    // as "<list>.XXXXXX". One younger than a minute may belong to a save still running.
    const QFileInfo list(path());
    const QDateTime settled = QDateTime::currentDateTimeUtc().addSecs(-60);
    int removed = 0;
    const QFileInfoList copies = list.dir().entryInfoList(
        QStringList{FileName + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &copy : copies) {
        if (copy.lastModified().toUTC() < settled && QFile::remove(copy.filePath()))
            ++removed;
    }
    return removed;
}

QStringList readCameraNames()
{
    QStringList names;
    const std::optional<QByteArray> bytes = readAll();
    if (!bytes)
        return names;
    for (const QByteArray &raw : splitLines(*bytes)) {
        QString line = decodeLine(raw);
        if (!line.contains(Marker, Qt::CaseInsensitive))
            continue;
        line.remove(Marker, Qt::CaseInsensitive);
        names.append(line);
    }
    return names;
}

bool findCameraRecord(const QString &name, CameraRecord &record)
{
    if (name.isEmpty())
        return false;
    const std::optional<QByteArray> bytes = readAll();
    if (!bytes)
        return false;
    const QList<QByteArray> lines = splitLines(*bytes);
    const qsizetype at = findNameLine(lines, name);
    if (at < 0)
        return false;
    record.name = name;
    record.url = at + 1 < lines.size() ? decodeLine(lines.at(at + 1)) : QString();
    record.refresh = at + 2 < lines.size() ? decodeLine(lines.at(at + 2)) : QString();
    return true;
}

bool appendCameraRecord(const QString &name, const QString &url, const QString &refresh)
{
    // A list that exists but cannot be read must not be replaced by the new record alone.
    const std::optional<QByteArray> existing = QFile::exists(path()) ? readAll() : QByteArray();
    if (!existing)
        return false;
    QByteArray bytes = *existing;
    // A hand-edited file may lack its final line break; the record starts on a line of its own.
    if (!bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
        bytes += CrLf;
    bytes += (Marker + name).toUtf8() + CrLf;
    bytes += url.toUtf8() + CrLf;
    bytes += refresh.toUtf8() + CrLf;
    bytes += CrLf;
    return writeList(bytes);
}

bool removeCameraRecord(const QString &name, const QString &url, const QString &refresh)
{
    if (name.isEmpty())
        return false;
    const std::optional<QByteArray> bytes = readAll();
    if (!bytes)
        return false;
    QList<QByteArray> lines = splitLines(*bytes);
    const qsizetype at = findNameLine(lines, name);
    if (at < 0 || at + 2 >= lines.size())
        return false;
    // The record must still be the one the caller looked up.
    if (decodeLine(lines.at(at + 1)).compare(url, Qt::CaseInsensitive) != 0
        || decodeLine(lines.at(at + 2)).compare(refresh, Qt::CaseInsensitive) != 0)
        return false;

    lines[at].clear();
    lines[at + 2].clear();
    lines.removeAt(at + 1);

    QByteArray out;
    out.reserve(bytes->size() + 2);
    for (const QByteArray &line : std::as_const(lines))
        out += line + CrLf;
    out += CrLf;
    return writeList(out);
}

} // namespace CameraListFile
