// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui/StyleDrawingCopy.h"

#include <QGroupBox>
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
    StyleDrawingCopy<QStyleOptionGroupBox> m_copy {&looksAlike};

    static bool looksAlike(const QStyleOptionGroupBox &a, const QStyleOptionGroupBox &b);
};
