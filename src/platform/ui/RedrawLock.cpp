// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/RedrawLock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Swallows the paint requests (QEvent::UpdateRequest) of the locked window.
// setUpdatesEnabled is not used: turning updates on again repaints the whole window,
// far too costly when every camera picture locks and unlocks the main window.
class RedrawLockFilter : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::UpdateRequest && watched == m_window.data()) {
            m_swallowed = true;
            return true;
        }
        return false;
    }

    QPointer<QWidget> m_window;
    bool m_swallowed = false;
};

QPointer<RedrawLockFilter> g_filter;
QPointer<QWidget> g_mainWindow;
std::function<bool()> g_fullScreenVisible;

RedrawLockFilter *filter()
{
    if (!g_filter)
        g_filter = new RedrawLockFilter(QCoreApplication::instance());
    return g_filter.data();
}

bool drawingLeftAlone()
{
    if (g_fullScreenVisible && g_fullScreenVisible())
        return true;
    return g_mainWindow && g_mainWindow->isMinimized();
}

} // namespace

bool lockRedraw(QWidget *window, bool lock)
{
    RedrawLockFilter *f = filter();
    if (!lock) {
        QWidget *locked = f->m_window.data();
        if (!locked)
            return false;
        locked->removeEventFilter(f);
        f->m_window = nullptr;
        if (f->m_swallowed)
            QCoreApplication::postEvent(locked, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
        f->m_swallowed = false;
        return true;
    }
    if (!window || drawingLeftAlone() || f->m_window)
        return false;
    QWidget *topLevel = window->window();
    f->m_window = topLevel;
    f->m_swallowed = false;
    topLevel->installEventFilter(f);
    return true;
}

void setRedrawConditions(QWidget *mainWindow, std::function<bool()> fullScreenVisible)
{
    g_mainWindow = mainWindow;
    g_fullScreenVisible = std::move(fullScreenVisible);
}

QWidget *redrawLockedWindow() { return g_filter ? g_filter->m_window.data() : nullptr; }
