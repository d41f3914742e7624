// SPDX-License-Identifier: GPL-3.0-or-later
#include "camlist/CameraListEdit.h"
#include "camlist/CameraListLines.h"

#include <QFile>

#include <optional>

namespace CameraListFile {
namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

// The whole file; an empty text for a missing file; nullopt when it exists but
// cannot be read.
std::optional<QByteArray> readExisting(const QString &file)
{
    if (!QFile::exists(file))
        return QByteArray();
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    return in.readAll();
}


// The text left by removing `previous`, or nullopt when its record is not in `bytes`
// as it was looked up.
std::optional<QByteArray> withoutRecord(const QByteArray &bytes, const CameraRecord &previous)
{
    if (previous.name.isEmpty())
        return std::nullopt;
    QList<QByteArray> lines = splitLines(bytes);
    const qsizetype at = findNameLine(lines, previous.name);
    if (at < 0 || at + 2 >= lines.size())
        return std::nullopt;
    if (decodeLine(lines.at(at + 1)).compare(previous.url, Qt::CaseInsensitive) != 0
        || decodeLine(lines.at(at + 2)).compare(previous.refresh, Qt::CaseInsensitive) != 0)
        return std::nullopt;

    lines[at].clear();
    lines[at + 2].clear();
    lines.removeAt(at + 1);

    QByteArray out;
    out.reserve(bytes.size() + 2);
    for (const QByteArray &line : std::as_const(lines))
        out += line + CrLf;
    out += CrLf;
    return out;
}

} // namespace

bool replaceCameraRecord(const CameraRecord &previous, const CameraRecord &edited)
{
    const QString file = path();
    const std::optional<QByteArray> current = readExisting(file);
    if (!current)
        return false;

    QByteArray bytes = withoutRecord(*current, previous).value_or(*current);
    if (!bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
        bytes += CrLf;
    bytes += (Marker + edited.name).toUtf8() + CrLf;
    bytes += edited.url.toUtf8() + CrLf;
    bytes += edited.refresh.toUtf8() + CrLf;
    bytes += CrLf;

    return writeList(bytes);
}

} // namespace CameraListFile
