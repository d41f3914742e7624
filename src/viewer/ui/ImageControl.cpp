#include "viewer/ui/ImageControl.h"

#include <QFile>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {
// Above this many device pixels a stretched picture is drawn straight from the full
// decode, clipped to the exposed area, instead of being scaled whole first.
constexpr qint64 MaxScaledPixels = qint64(4096) * 4096;
} // namespace

Picture resourcePicture(const QString &resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return Picture();
    return Picture::fromBytes(file.readAll());
}

ImageControl::ImageControl(QWidget *parent)
    : QWidget(parent)
{
}

QSize ImageControl::naturalSize() const { return m_picture.isNull() ? QSize(0, 0) : m_picture.size(); }

void ImageControl::setPicture(const Picture &picture)
{
    m_picture = picture;
    m_shownPending = !m_picture.isNull();
    if (!m_stretch && !m_picture.isNull())
        resize(m_picture.size());
    update();
}

void ImageControl::setStretch(bool stretch)
{
    if (m_stretch == stretch)
        return;
    m_stretch = stretch;
    if (!m_stretch && !m_picture.isNull())
        resize(m_picture.size());
    update();
}

void ImageControl::paintEvent(QPaintEvent *event)
{
    ++m_paints;
    if (m_picture.isNull() || width() <= 0 || height() <= 0)
        return;
    drawPicture(event);
    if (m_shownPending) {
        m_shownPending = false;
        Q_EMIT pictureShown();
    }
}

void ImageControl::drawPicture(QPaintEvent *event)
{
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    const QSize device(qRound(width() * ratio), qRound(height() * ratio));
    if (!m_stretch && ratio == 1.0) {
        painter.drawImage(QPoint(0, 0), m_picture.full());
        return;
    }
    if (qint64(device.width()) * device.height() > MaxScaledPixels) {
        painter.setClipRegion(event->region());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), m_picture.full());
        return;
    }
    QImage scaled = m_picture.scaledFor(device);
    scaled.setDevicePixelRatio(ratio);
    painter.drawImage(QPoint(0, 0), scaled);
}

void ImageControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QWidget::mouseReleaseEvent(event);
}
