// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/CachedProgressBar.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

bool CachedProgressBar::looksAlike(const QStyleOptionProgressBar &a, const QStyleOptionProgressBar &b)
{
    return a.minimum == b.minimum && a.maximum == b.maximum && a.progress == b.progress && a.text == b.text
        && a.textAlignment == b.textAlignment && a.textVisible == b.textVisible
        && a.invertedAppearance == b.invertedAppearance && a.bottomToTop == b.bottomToTop;
}

void CachedProgressBar::paintEvent(QPaintEvent *event)
{
    if (minimum() == maximum()) {
        ++m_drawings;
        QProgressBar::paintEvent(event);
        return;
    }
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    const bool drawn = m_copy.paint(this, event->region(), option,
        [this](QPainter &painter, const QStyleOptionProgressBar &look) {
            style()->drawControl(QStyle::CE_ProgressBar, &look, &painter, this);
        });
    if (drawn)
        ++m_drawings;
}
