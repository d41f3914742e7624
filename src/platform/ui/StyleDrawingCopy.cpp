// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/StyleDrawingCopy.h"

#include <QPainter>
#include <QStyleOption>
#include <QWidget>

namespace StyleDrawing {

Basis Basis::of(const QWidget *widget)
{
    return Basis {widget->font().key(), widget->style(), widget->devicePixelRatioF()};
}

bool Basis::operator==(const Basis &other) const
{
    return style == other.style && ratio == other.ratio && font == other.font;
}

bool sameOption(const QStyleOption &a, const QStyleOption &b)
{
    return a.rect == b.rect && a.state == b.state && a.direction == b.direction
        && a.palette.cacheKey() == b.palette.cacheKey() && a.palette.resolveMask() == b.palette.resolveMask();
}

QPixmap drawAnew(QWidget *widget, const Basis &basis, const std::function<void(QPainter &)> &draw)
{
    QPixmap drawn(widget->size() * basis.ratio);
    drawn.setDevicePixelRatio(basis.ratio);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    // What QPainter takes from a widget it paints on directly.
    painter.setFont(widget->font());
    painter.setPen(widget->palette().color(widget->foregroundRole()));
    painter.setBrush(widget->palette().brush(widget->backgroundRole()));
    draw(painter);
    return drawn;
}

void copyOnto(QWidget *widget, const QRegion &region, const QPixmap &drawn)
{
    QPainter painter(widget);
    painter.setClipRegion(region);
    painter.drawPixmap(0, 0, drawn);
}

} // namespace StyleDrawing
