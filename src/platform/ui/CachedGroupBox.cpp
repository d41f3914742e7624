// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/CachedGroupBox.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

bool CachedGroupBox::looksAlike(const QStyleOptionGroupBox &a, const QStyleOptionGroupBox &b)
{
    return a.text == b.text && a.textAlignment == b.textAlignment && a.textColor == b.textColor
        && a.lineWidth == b.lineWidth && a.midLineWidth == b.midLineWidth && a.features == b.features
        && a.subControls == b.subControls && a.activeSubControls == b.activeSubControls;
}

void CachedGroupBox::paintEvent(QPaintEvent *event)
{
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    m_copy.paint(this, event->region(), option, [this](QPainter &painter, const QStyleOptionGroupBox &drawn) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        style()->drawComplexControl(QStyle::CC_GroupBox, &drawn, &painter, this);
    });
}
