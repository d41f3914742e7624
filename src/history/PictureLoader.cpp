// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/PictureLoader.h"

#include "imaging/PictureDecoder.h"
#include "imaging/SmoothScale.h"

#include <QFile>
#include <QPointer>
#include <QThread>

PictureLoader::PictureLoader(QObject *parent)
    : QObject(parent)
    , m_thread(new QThread(this))
    , m_worker(new QObject)
{
    m_thread->setObjectName(QStringLiteral("PictureLoader"));
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

PictureLoader::~PictureLoader()
{
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
}

void PictureLoader::request(quint64 serial, const QString &path, QSize size)
{
    requestEach({{serial, path, size}});
}

void PictureLoader::requestEach(const QList<Request> &requests)
{
    QMutexLocker lock(&m_mutex);
    m_waiting.assign(requests.begin(), requests.end());
    if (m_draining || m_waiting.empty())
        return;
    m_draining = true;
    QMetaObject::invokeMethod(m_worker, [this] { drain(); });
}

void PictureLoader::drain()
{
    // On the worker thread. The loader waits for this thread before it goes.
    for (;;) {
        Request request;
        {
            QMutexLocker lock(&m_mutex);
            if (m_waiting.empty()) {
                m_draining = false;
                return;
            }
            request = std::move(m_waiting.front());
            m_waiting.pop_front();
        }
        const QImage image = load(request.path, request.size);
        QPointer<PictureLoader> self(this);
        QMetaObject::invokeMethod(this, [self, serial = request.serial, path = request.path, image] {
            if (self)
                emit self->loaded(serial, path, image);
        }, Qt::QueuedConnection);
    }
}

QImage PictureLoader::load(const QString &path, QSize size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileBytes)
        return {};
    const QByteArray bytes = file.read(MaxFileBytes);
    const PictureDecoder::Probe probe = PictureDecoder::probe(bytes);
    if (probe.codec == PictureDecoder::Codec::None)
        return {};
    const QSize fitted = probe.size.scaled(size, Qt::KeepAspectRatio);
    const int denominator = size.isEmpty() ? 1 : PictureDecoder::pickDenominator(probe.size, fitted);
    QImage image = PictureDecoder::decode(bytes, probe, denominator);
    if (image.isNull() || size.isEmpty())
        return image;
    if (image.width() > fitted.width() || image.height() > fitted.height())
        image = smoothScaled(image, image.size().scaled(size, Qt::KeepAspectRatio));
    return image;
}
