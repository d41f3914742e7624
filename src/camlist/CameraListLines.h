// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "camlist/CameraListFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace CameraListFile {

// Raw lines of the list as every reader splits them: CR LF, LF and a lone CR each end
// a line; the empty text after a final terminator is not a line.
inline QList<QByteArray> splitLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < n && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(bytes.mid(start));
    return lines;
}

// The text of one line: UTF-8, or one character per byte (Latin-1) for a line that is not
// valid UTF-8, as a list saved by an older editor may hold. Every reader decodes alike, so a
// name or address read back always finds its line again.
inline QString decodeLine(const QByteArray &line)
{
    const QString text = QString::fromUtf8(line);
    if (text.contains(QChar::ReplacementCharacter) && text.toUtf8() != line)
        return QString::fromLatin1(line);
    return text;
}

// Index of the first line that is the name line of `name`, or -1.
inline qsizetype findNameLine(const QList<QByteArray> &lines, const QString &name)
{
    const QString wanted = Marker + name;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (line.size() >= wanted.size() && line.startsWith("[name]") && decodeLine(line) == wanted)
            return i;
    }
    return -1;
}

} // namespace CameraListFile
