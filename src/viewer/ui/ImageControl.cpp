// SPDX-License-Identifier: GPL-3.0-or-later
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

QSize ImageControl::devicePixelSize() const
{
    const qreal ratio = devicePixelRatioF();
    return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

void ImageControl::setPicture(const Picture &picture)
{
    m_picture = picture;
    m_shownPending = !m_picture.isNull();
    // A JPEG covers the whole control with opaque pixels (stretched, or the control takes its
    // size): what lies behind it need not be painted first.
    setAttribute(Qt::WA_OpaquePaintEvent, m_picture.format() == "jpeg");
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
    if (!drawPicture(event) && testAttribute(Qt::WA_OpaquePaintEvent)) {
        // Nothing drawn although nothing was painted behind: clear the area instead.
        QPainter(this).fillRect(rect(), palette().window());
    }
    if (m_shownPending) {
        m_shownPending = false;
        Q_EMIT pictureShown();
    }
}

bool ImageControl::drawPicture(QPaintEvent *event)
{
    const qreal ratio = devicePixelRatioF();
    const QSize device = devicePixelSize();
    QImage image;
    if (ratio == 1.0 && (!m_stretch || device == m_picture.size())) {
        // At its natural size only the exposed part is needed; the viewer's picture may have
        // had just that part decoded ahead.
        QPoint origin;
        image = m_picture.area(event->rect() & rect(), &origin);
        if (image.isNull())
            return false;
        QPainter(this).drawImage(origin, image);
        return true;
    }
    if (qint64(device.width()) * device.height() > MaxScaledPixels) {
        image = m_picture.full();
        if (image.isNull())
            return false;
        QPainter painter(this);
        painter.setClipRegion(event->region());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), image);
        return true;
    }
    image = m_picture.scaledFor(device);
    if (image.isNull())
        return false;
    image.setDevicePixelRatio(ratio);
    QPainter(this).drawImage(QPoint(0, 0), image);
    return true;
}

void ImageControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QWidget::mouseReleaseEvent(event);
}
