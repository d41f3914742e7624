// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/DeferredPaints.h"

#include <utility>

DeferredPaints::DeferredPaints(int intervalMs, QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &DeferredPaints::release);
}

DeferredPaints::~DeferredPaints()
{
    release();
}

void DeferredPaints::change(QWidget *widget, const std::function<void()> &apply)
{
    if (!widget || !widget->updatesEnabled()) {
        apply();
        return;
    }
    // The attribute alone, not setUpdatesEnabled(): turning updates on again that way would
    // ask for the very repaint this sets aside.
    widget->setAttribute(Qt::WA_UpdatesDisabled, true);
    apply();
    widget->setAttribute(Qt::WA_UpdatesDisabled, false);
    if (!m_waiting.contains(widget))
        m_waiting.append(widget);
    if (!m_timer.isActive())
        m_timer.start();
}

void DeferredPaints::release()
{
    m_timer.stop();
    const QList<QPointer<QWidget>> waiting = std::exchange(m_waiting, {});
    for (const QPointer<QWidget> &widget : waiting) {
        if (widget)
            widget->update();
    }
}
