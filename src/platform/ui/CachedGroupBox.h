// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>
#include <QPixmap>
#include <QStyleOptionGroupBox>

// A group box that draws its frame and title once and then copies them: the slots' frames
// lie beneath indicators that change several times a second, and the style draws a rounded,
// antialiased frame and a laid-out title for every such paint, however small the area. The
// copy is drawn again whenever anything the style draws from changes (size, title, state,
// palette, font, style, pixel ratio). Looks exactly as QGroupBox does.
class CachedGroupBox : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Key
    {
        QStyleOptionGroupBox option;
        QString font;
        const QStyle *style = nullptr;
        qreal ratio = 1.0;
        bool operator==(const Key &other) const;
    };

    QPixmap m_drawn;
    Key m_key;
};
