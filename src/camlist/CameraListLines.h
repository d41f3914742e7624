#pragma once

#include <QByteArray>
#include <QList>

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

} // namespace CameraListFile
