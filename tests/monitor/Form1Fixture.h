#pragma once

// Helpers of the main-window suites: a camera list in a fresh application folder, a
// main window reading it, and responses handed to a slot as if its server sent them.

#include "camlist/CameraListFile.h"
#include "monitor/ui/MainWindow.h"
#include "support/TempAppFolder.h"

#include <QBuffer>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <memory>

namespace fixture {

struct Camera
{
    QString name;
    QString url;
    QString refresh = QStringLiteral("60");
};

inline QByteArray camListBytes(const QList<Camera> &cameras)
{
    QByteArray bytes = "\r\n";
    for (const Camera &c : cameras)
        bytes += "[name]" + c.name.toUtf8() + "\r\n" + c.url.toUtf8() + "\r\n" + c.refresh.toUtf8() + "\r\n\r\n";
    return bytes;
}

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

inline QByteArray imageResponse(const QByteArray &body, const QByteArray &lastModified = QByteArray(),
                                const QByteArray &type = "image/jpeg")
{
    QByteArray r = "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\n";
    if (!lastModified.isEmpty())
        r += "Last-Modified: " + lastModified + "\r\n";
    r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    return r;
}

// A main window over a fresh application folder holding `cameras`.
struct TestWindow
{
    TempAppFolder folder;
    std::unique_ptr<MainWindow> form;

    explicit TestWindow(const QList<Camera> &cameras = {})
    {
        folder.write(CameraListFile::FileName, camListBytes(cameras));
        QDir(folder.path()).mkdir(QStringLiteral("cam"));
        form = std::make_unique<MainWindow>();
        form->ReadCameraNamesIntoList(true);
    }

    void select(const QString &name)
    {
        const QList<QListWidgetItem *> items = form->List1->findItems(name, Qt::MatchExactly);
        Q_ASSERT(!items.isEmpty());
        form->List1->setCurrentItem(items.first());
    }

    void open(const QString &name)
    {
        select(name);
        form->OpenSelectedCamera();
    }

    // Hands `response` to slot `i` as the complete response of its running fetch.
    void deliver(int i, const QByteArray &response)
    {
        form->cams[i].fetch.camBuffer = response;
        form->wsCam_Close(i);
    }

    int openSlotCount() const
    {
        int n = 0;
        for (const CameraSlot &slot : form->cams)
            n += slot.isOpen() ? 1 : 0;
        return n;
    }
};

} // namespace fixture
