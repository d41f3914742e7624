// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/ui/BenchmarkPaints.h"

#include "monitor/BenchmarkLog.h"
#include "viewer/ui/ImageControl.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

// Logs main_window_shown once the event loop is back after the window's first paint.
class FirstPaintWatcher : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                BenchmarkLog::event("main_window_shown");
                BenchmarkLog::flush();
                deleteLater();
            });
        }
        return false;
    }
};

} // namespace

namespace BenchmarkPaints {

void watchPictures(ImageControl *control, const char *name, int slot)
{
    if (!BenchmarkLog::enabled() || !control || control->property("benchmarkLogWatched").toBool())
        return;
    control->setProperty("benchmarkLogWatched", true);
    QObject::connect(control, &ImageControl::pictureShown, control, [name, slot] {
        if (slot >= 0)
            BenchmarkLog::slotEvent(name, slot);
        else
            BenchmarkLog::event(name);
    });
}

void watchFirstPaint(QWidget *window)
{
    if (BenchmarkLog::enabled() && window)
        window->installEventFilter(new FirstPaintWatcher(window));
}

} // namespace BenchmarkPaints
