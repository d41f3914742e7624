// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ui/ThumbnailStrip.h"

#include "history/PictureLoader.h"
#include "history/SavedPictureIndex.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

namespace {
constexpr int Frame = 2; // the frame of the picture shown, inside the margin
constexpr int Margin = 4;
// While the row moves on quickly (a dragged slider, playing), its thumbnails are asked for
// once it has stood still this long, so that their decodes do not take the processor from
// the picture shown and the window; at the latest after MaxSettleMs of moving.
constexpr int SettleMs = 60;
constexpr int MaxSettleMs = 250;
} // namespace

ThumbnailStrip::ThumbnailStrip(QWidget *parent)
    : QWidget(parent)
    , m_loader(new PictureLoader(this))
    , m_settle(new QTimer(this))
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMs);
    connect(m_settle, &QTimer::timeout, this, &ThumbnailStrip::requestShown);
    setObjectName(QStringLiteral("lstThumbnails"));
    setFixedHeight(ThumbHeight + 2 * Margin);
    setMinimumWidth(ThumbWidth + 2 * Margin);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(m_loader, &PictureLoader::loaded, this, &ThumbnailStrip::onLoaded);
}

ThumbnailStrip::~ThumbnailStrip() = default;

void ThumbnailStrip::setPictures(const SavedPictureIndex *index, qsizetype current)
{
    m_index = index && !index->isEmpty() ? index : nullptr;
    m_current = m_index ? std::clamp<qsizetype>(current, 0, m_index->size() - 1) : -1;
    layoutPlaces();
}

QImage ThumbnailStrip::thumbnail(qsizetype index) const
{
    if (!m_index || index < 0 || index >= m_index->size())
        return {};
    return m_cache.value(m_index->filePath(index));
}

qsizetype ThumbnailStrip::indexAt(QPoint point) const
{
    for (qsizetype index = m_first; index < m_first + m_shown; ++index) {
        if (placeOf(index).contains(point))
            return index;
    }
    return -1;
}

QRect ThumbnailStrip::placeOf(qsizetype index) const
{
    if (index < m_first || index >= m_first + m_shown)
        return {};
    const int place = static_cast<int>(index - m_first);
    return {m_left + place * (ThumbWidth + Gap), Margin, ThumbWidth, ThumbHeight};
}

void ThumbnailStrip::layoutPlaces()
{
    if (!m_index) {
        m_shown = 0;
        m_first = 0;
        m_asked.clear();
        m_loader->requestEach({});
        update();
        return;
    }
    const int fit = std::max(1, (width() - 2 * Margin + Gap) / (ThumbWidth + Gap));
    m_shown = static_cast<int>(std::min<qsizetype>(fit, m_index->size()));
    m_first = std::clamp<qsizetype>(m_current - m_shown / 2, 0, m_index->size() - m_shown);
    m_left = (width() - (m_shown * (ThumbWidth + Gap) - Gap)) / 2;
    if (!m_settle->isActive())
        m_moving.start();
    if (m_moving.elapsed() < MaxSettleMs)
        m_settle->start();
    update();
}

void ThumbnailStrip::requestShown()
{
    if (!m_index)
        return;
    // The one shown first, then outwards from it; only what is not decoded yet.
    QStringList wanted;
    const qsizetype last = m_first + m_shown - 1;
    for (qsizetype distance = 0; distance < m_shown; ++distance) {
        for (const qsizetype index : {m_current - distance, m_current + distance}) {
            if (index < m_first || index > last)
                continue;
            const QString path = m_index->filePath(index);
            if (!m_cache.contains(path) && !wanted.contains(path))
                wanted.append(path);
        }
    }
    if (wanted == m_asked)
        return;
    m_asked = wanted;
    const QSize size = QSize(ThumbWidth, ThumbHeight) * devicePixelRatioF();
    QList<PictureLoader::Request> requests;
    for (const QString &path : std::as_const(wanted))
        requests.append({++m_serial, path, size});
    m_loader->requestEach(requests);

    // Thumbnails far from the ones shown make room.
    if (m_cache.size() > 4 * m_shown) {
        QHash<QString, QImage> near;
        const qsizetype from = std::max<qsizetype>(0, m_first - m_shown);
        const qsizetype to = std::min<qsizetype>(m_index->size(), m_first + 2 * m_shown);
        for (qsizetype index = from; index < to; ++index) {
            const auto found = m_cache.constFind(m_index->filePath(index));
            if (found != m_cache.constEnd())
                near.insert(found.key(), found.value());
        }
        m_cache.swap(near);
    }
}

void ThumbnailStrip::onLoaded(quint64, const QString &path, const QImage &image)
{
    m_asked.removeOne(path);
    if (!m_index)
        return;
    m_cache.insert(path, image);
    for (qsizetype index = m_first; index < m_first + m_shown; ++index) {
        if (m_index->filePath(index) == path) {
            update(placeOf(index));
            emit thumbnailLoaded(index);
            return;
        }
    }
}

void ThumbnailStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (qsizetype index = m_first; index < m_first + m_shown; ++index) {
        const QRect box = placeOf(index);
        painter.fillRect(box, palette().dark());
        const QImage image = m_cache.value(m_index->filePath(index));
        if (!image.isNull()) {
            const QSizeF fitted = QSizeF(image.size()).scaled(QSizeF(box.size()), Qt::KeepAspectRatio);
            const QPointF corner(box.x() + (box.width() - fitted.width()) / 2,
                                 box.y() + (box.height() - fitted.height()) / 2);
            painter.drawImage(QRectF(corner, fitted), image);
        }
        if (index == m_current) {
            QPen pen(palette().highlight(), Frame);
            pen.setJoinStyle(Qt::MiterJoin);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(box).adjusted(-Frame / 2.0, -Frame / 2.0, Frame / 2.0, Frame / 2.0));
        }
    }
}

void ThumbnailStrip::mousePressEvent(QMouseEvent *event)
{
    const qsizetype index = event->button() == Qt::LeftButton ? indexAt(event->position().toPoint()) : -1;
    if (index >= 0)
        emit pictureChosen(index);
    event->accept();
}

void ThumbnailStrip::wheelEvent(QWheelEvent *event)
{
    // Down or right: later pictures, one a notch (fine-grained wheels add up to notches).
    const QPoint delta = event->angleDelta();
    m_wheel += delta.y() != 0 ? -delta.y() : delta.x();
    const int notches = m_wheel / 120;
    m_wheel %= 120;
    if (m_index && notches != 0)
        emit pictureChosen(std::clamp<qsizetype>(m_current + notches, 0, m_index->size() - 1));
    event->accept();
}

void ThumbnailStrip::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPlaces();
}

bool ThumbnailStrip::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const qsizetype index = indexAt(help->pos());
        if (index >= 0 && m_toolTipText)
            QToolTip::showText(help->globalPos(), m_toolTipText(index), this, placeOf(index));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
