// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A camera list in the file's layout, built from records.

#include <QByteArray>
#include <QList>
#include <QString>

namespace fixture {

struct Camera
{
    QString name;
    QString url;
    QString refresh = QStringLiteral("60");
};

// The bytes of a camera list holding `cameras` in order: an empty first line, then each
// record's four CR LF ended lines.
inline QByteArray camListBytes(const QList<Camera> &cameras)
{
    QByteArray bytes = "\r\n";
    for (const Camera &c : cameras)
        bytes += "[name]" + c.name.toUtf8() + "\r\n" + c.url.toUtf8() + "\r\n" + c.refresh.toUtf8() + "\r\n\r\n";
    return bytes;
}

} // namespace fixture
