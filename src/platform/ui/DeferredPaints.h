// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
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
    // Repaints every widget waiting for the interval's end now.
    void release();

private:
    QTimer m_timer;
    QList<QPointer<QWidget>> m_waiting;
};
