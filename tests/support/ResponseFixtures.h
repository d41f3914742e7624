// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pictures and HTTP responses as camera servers send them.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

namespace fixture {

// `image` written by Qt's JPEG writer.
inline QByteArray jpegOf(const QImage &image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return bytes;
}

// A JPEG of `width` x `height` filled with `colour`.
inline QByteArray jpegBytes(int width, int height, QColor colour = Qt::darkCyan)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return jpegOf(image, 85);
}

// A complete 200 response carrying `body` as `type`, with a Content-Length and, when given,
// a Last-Modified line.
inline QByteArray imageResponse(const QByteArray &body, const QByteArray &lastModified = QByteArray(),
                                const QByteArray &type = "image/jpeg")
{
    QByteArray r = "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\n";
    if (!lastModified.isEmpty())
        r += "Last-Modified: " + lastModified + "\r\n";
    r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    return r;
}

} // namespace fixture
