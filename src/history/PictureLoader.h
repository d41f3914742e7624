// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSize>
#include <QString>

class QThread;

// Reads and decodes saved pictures on a thread of its own for a window that shows one at a
// time. Only the newest request counts: requests made while a decode runs replace each other,
// so that a dragged slider costs one decode at a time and ends on the picture it stopped at.
// JPEG files are decoded by libjpeg-turbo at 1/2, 1/4 or 1/8 in the DCT domain when that is
// still at least the size asked for, then scaled down to fit it (PictureDecoder's bounds and
// budget apply). Files over 64 MiB are not read. Create, call and delete on one thread.
class PictureLoader : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;

    explicit PictureLoader(QObject *parent = nullptr);
    ~PictureLoader() override;

    // Asks for `path` fitted into `size` (device pixels, aspect kept; a null size: the natural
    // size). `serial` comes back with the answer.
    void request(quint64 serial, const QString &path, QSize size);

    // Reads and decodes on the calling thread: what a request's answer carries.
    static QImage load(const QString &path, QSize size);

Q_SIGNALS:
    // The answer to the newest request at the time the decode started; a null image when the
    // file could not be read or decoded.
    void loaded(quint64 serial, const QImage &image);

private:
    struct Request
    {
        quint64 serial = 0;
        QString path;
        QSize size;
    };
    void drain();

    QThread *m_thread = nullptr;
    QObject *m_worker = nullptr;
    QMutex m_mutex;
    Request m_next;          // guarded by m_mutex
    bool m_hasNext = false;  // guarded by m_mutex
    bool m_draining = false; // guarded by m_mutex
};
