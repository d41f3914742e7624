// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/StatusPanel.h"

#include <QPainter>
#include <QStyle>

void StatusPanel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
    // Screen readers read the panel by its accessible name: the text itself (setting it tells
    // them that it changed).
    setAccessibleName(text);
}

QSize StatusPanel::sizeHint() const
{
    // One line of text, measured as a label measures its text (a laid-out line, which may be a
    // pixel taller than the font's height); the width comes from the status bar.
    const QMargins margins = contentsMargins();
    const int line = fontMetrics().boundingRect(QRect(0, 0, 2000, 2000), Qt::AlignLeft, QStringLiteral("X")).height();
    return QSize(margins.left() + margins.right(), line + margins.top() + margins.bottom());
}

QSize StatusPanel::minimumSizeHint() const { return sizeHint(); }

void StatusPanel::paintEvent(QPaintEvent *)
{
    if (m_text.isEmpty())
        return;
    // As QLabel draws plain text: at the start of the contents rectangle in the text's own
    // direction (a right-to-left text starts at the right), centred vertically.
    QPainter painter(this);
    const bool rightToLeft = m_text.isRightToLeft();
    const int alignment = QStyle::visualAlignment(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight,
                                                  Qt::AlignLeft | Qt::AlignVCenter);
    const int direction = rightToLeft ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight;
    style()->drawItemText(&painter, contentsRect(), alignment | direction, palette(), isEnabled(), m_text,
                          foregroundRole());
}
