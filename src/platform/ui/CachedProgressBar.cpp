// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/CachedProgressBar.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

bool CachedProgressBar::Key::operator==(const Key &other) const
{
    const QStyleOptionProgressBar &a = option;
    const QStyleOptionProgressBar &b = other.option;
    return style == other.style && ratio == other.ratio && font == other.font && a.rect == b.rect
        && a.state == b.state && a.direction == b.direction && a.palette.cacheKey() == b.palette.cacheKey()
        && a.palette.resolveMask() == b.palette.resolveMask() && a.minimum == b.minimum
        && a.maximum == b.maximum && a.progress == b.progress && a.text == b.text
        && a.textAlignment == b.textAlignment && a.textVisible == b.textVisible
        && a.invertedAppearance == b.invertedAppearance && a.bottomToTop == b.bottomToTop;
}

void CachedProgressBar::paintEvent(QPaintEvent *event)
{
    ++m_paints;
    if (minimum() == maximum()) {
        ++m_drawings;
        QProgressBar::paintEvent(event);
        return;
    }
    Key key;
    initStyleOption(&key.option);
    key.font = font().key();
    key.style = style();
    key.ratio = devicePixelRatioF();
    if (m_drawn.isNull() || !(key == m_key)) {
        ++m_drawings;
        QPixmap drawn(size() * key.ratio);
        drawn.setDevicePixelRatio(key.ratio);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        // What QPainter takes from a widget it paints on directly.
        painter.setFont(font());
        painter.setPen(palette().color(foregroundRole()));
        painter.setBrush(palette().brush(backgroundRole()));
        style()->drawControl(QStyle::CE_ProgressBar, &key.option, &painter, this);
        painter.end();
        m_drawn = drawn;
        m_key = key;
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawPixmap(0, 0, m_drawn);
}
