// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/CachedGroupBox.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

bool CachedGroupBox::Key::operator==(const Key &other) const
{
    const QStyleOptionGroupBox &a = option;
    const QStyleOptionGroupBox &b = other.option;
    return style == other.style && ratio == other.ratio && font == other.font && a.rect == b.rect
        && a.state == b.state && a.direction == b.direction && a.palette.cacheKey() == b.palette.cacheKey()
        && a.palette.resolveMask() == b.palette.resolveMask() && a.text == b.text
        && a.textAlignment == b.textAlignment && a.textColor == b.textColor && a.lineWidth == b.lineWidth
        && a.midLineWidth == b.midLineWidth && a.features == b.features && a.subControls == b.subControls
        && a.activeSubControls == b.activeSubControls;
}

void CachedGroupBox::paintEvent(QPaintEvent *event)
{
    Key key;
    initStyleOption(&key.option);
    key.font = font().key();
    key.style = style();
    key.ratio = devicePixelRatioF();
    if (m_drawn.isNull() || !(key == m_key)) {
        QPixmap drawn(size() * key.ratio);
        drawn.setDevicePixelRatio(key.ratio);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        // What QPainter takes from a widget it paints on directly.
        painter.setFont(font());
        painter.setPen(palette().color(foregroundRole()));
        painter.setBrush(palette().brush(backgroundRole()));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        style()->drawComplexControl(QStyle::CC_GroupBox, &key.option, &painter, this);
        painter.end();
        m_drawn = drawn;
        m_key = key;
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawPixmap(0, 0, m_drawn);
}
