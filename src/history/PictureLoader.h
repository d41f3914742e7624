// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QSize>
#include <QString>

#include <deque>

class QThread;

// Reads and decodes saved pictures on a thread of its own for a window. Only the newest
// requests count: requests made while a decode runs replace the ones still waiting, so that
// a dragged slider costs one decode at a time and ends on the picture it stopped at, and a
// strip of thumbnails decodes only what is on screen at the moment.
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

    struct Request
    {
        quint64 serial = 0;
        QString path;
        QSize size;
    };

    // Asks for `path` fitted into `size` (device pixels, aspect kept; a null size: the natural
    // size). `serial` comes back with the answer. Replaces the requests still waiting.
    void request(quint64 serial, const QString &path, QSize size);
    // Replaces the requests still waiting with `requests`, decoded in their order.
    void requestEach(const QList<Request> &requests);

    // Reads and decodes on the calling thread: what a request's answer carries.
    static QImage load(const QString &path, QSize size);

Q_SIGNALS:
    // The answer to a request that was still wanted when its decode started; a null image
    // when the file could not be read or decoded.
    void loaded(quint64 serial, const QString &path, const QImage &image);

private:
    void drain();

    QThread *m_thread = nullptr;
    QObject *m_worker = nullptr;
    QMutex m_mutex;
    std::deque<Request> m_waiting; // guarded by m_mutex
    bool m_draining = false;       // guarded by m_mutex
};
