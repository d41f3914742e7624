// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <functional>

// Paints the widgets it is given at most once per interval. A change made through change()
// takes effect at once (the widget's state is always current) but the repaint it asks for is
// set aside until the interval ends; paints that the window system or a neighbouring widget
// cause go ahead as usual, with the current state. Meant for indicators that change many
// times a second, such as a progress bar fed by each piece of a download: each repaint of a
// partly transparent widget also repaints what lies beneath it.
class DeferredPaints : public QObject
{
public:
    explicit DeferredPaints(int intervalMs, QObject *parent = nullptr);
    ~DeferredPaints() override;

    // Runs `apply` (which changes `widget`) without the repaint it asks for, and repaints
    // `widget` when the current interval ends. A widget whose updates are off is changed
    // and left so.
    void change(QWidget *widget, const std::function<void()> &apply);
    // As change(), for a widget whose whole look follows `shownState` (a progress bar's
    // value, say): when the interval ends, the widget is repainted only when that state
    // differs from what its last paint of the whole widget showed. A bar that went from 100
    // through the pieces of the next download back to 100 is not painted again.
    void change(QWidget *widget, const std::function<void()> &apply,
                const std::function<QVariant()> &shownState);
    // Repaints every widget waiting for the interval's end now.
    void release();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What a widget given with a shown state showed when last painted.
    struct Shown
    {
        std::function<QVariant()> state;
        QVariant painted;
        bool known = false; // `painted` is what the whole widget shows
    };

    bool showsCurrentState(QWidget *widget) const;

    QTimer m_timer;
    QList<QPointer<QWidget>> m_waiting;
    QHash<QObject *, Shown> m_shown;
};
