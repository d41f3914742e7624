// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QRegion>
#include <QString>

#include <functional>

class QPainter;
class QStyle;
class QStyleOption;
class QWidget;

namespace StyleDrawing {

// What the drawing takes from the widget itself besides its style option.
struct Basis
{
    QString font;
    const QStyle *style = nullptr;
    qreal ratio = 1.0;

    static Basis of(const QWidget *widget);
    bool operator==(const Basis &other) const;
};

// Whether the parts every style option has (rectangle, state, direction, palette) agree.
bool sameOption(const QStyleOption &a, const QStyleOption &b);
// A transparent pixmap the widget's size at `basis.ratio`, with `draw` called on a painter
// set up as one on the widget itself.
QPixmap drawAnew(QWidget *widget, const Basis &basis, const std::function<void(QPainter &)> &draw);
// `drawn` painted onto `region` of `widget`.
void copyOnto(QWidget *widget, const QRegion &region, const QPixmap &drawn);

} // namespace StyleDrawing

// The style's drawing of a widget, kept and copied onto the widget for as long as nothing it
// was drawn from changes: for widgets painted mostly in parts and with an unchanged look,
// whose style draws rounded, shaded shapes and text for every paint, however small. `Option`
// is the widget's style option; `same` says whether the parts of two that only it has agree.
template<typename Option>
class StyleDrawingCopy
{
public:
    using Same = bool (*)(const Option &, const Option &);
    using Draw = std::function<void(QPainter &painter, const Option &option)>;

    explicit StyleDrawingCopy(Same same)
        : m_same(same)
    {
    }

    // Paints `region` of `widget` from the copy, which `draw` first makes again when `option`
    // does not look as the one it was made with, or the widget's font, style or pixel ratio
    // changed. Returns whether `draw` was called.
    bool paint(QWidget *widget, const QRegion &region, const Option &option, const Draw &draw)
    {
        const StyleDrawing::Basis basis = StyleDrawing::Basis::of(widget);
        const bool fresh = m_drawn.isNull() || !(basis == m_basis)
            || !StyleDrawing::sameOption(option, m_option) || !m_same(option, m_option);
        if (fresh) {
            m_drawn = StyleDrawing::drawAnew(widget, basis, [&](QPainter &painter) { draw(painter, option); });
            m_basis = basis;
            m_option = option;
        }
        StyleDrawing::copyOnto(widget, region, m_drawn);
        return fresh;
    }

private:
    Same m_same;
    QPixmap m_drawn;
    StyleDrawing::Basis m_basis;
    Option m_option;
};
