// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/DeferredPaints.h"

#include <QPaintEvent>

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

void DeferredPaints::change(QWidget *widget, const std::function<void()> &apply,
                            const std::function<QVariant()> &shownState)
{
    if (widget && shownState && !m_shown.contains(widget)) {
        m_shown.insert(widget, Shown {shownState, QVariant(), false});
        widget->installEventFilter(this);
        connect(widget, &QObject::destroyed, this, [this](QObject *gone) { m_shown.remove(gone); });
    }
    change(widget, apply);
}

bool DeferredPaints::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        const auto it = m_shown.find(watched);
        if (it != m_shown.end()) {
            const auto *widget = static_cast<QWidget *>(watched);
            const QVariant now = it->state();
            const QRegion painted = static_cast<QPaintEvent *>(event)->region();
            if (QRegion(widget->rect()).subtracted(painted).isEmpty()) {
                it->painted = now;
                it->known = true;
            } else if (it->known && now != it->painted) {
                it->known = false; // part old, part new
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

bool DeferredPaints::showsCurrentState(QWidget *widget) const
{
    const auto it = m_shown.constFind(widget);
    return it != m_shown.constEnd() && it->known && it->state() == it->painted;
}

void DeferredPaints::release()
{
    m_timer.stop();
    const QList<QPointer<QWidget>> waiting = std::exchange(m_waiting, {});
    for (const QPointer<QWidget> &widget : waiting) {
        if (widget && !showsCurrentState(widget))
            widget->update();
    }
}
