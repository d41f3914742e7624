// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/export/ExportOutcome.h"

#include <QElapsedTimer>
#include <QObject>

#include <atomic>
#include <memory>

class QThread;

// A long export run on a thread of its own, so that the window that starts it never waits.
// The object lives on the thread that creates it; progress() and finished() reach that
// thread's event loop queued. A task runs once.
class ExportTask : public QObject
{
    Q_OBJECT
public:
    ~ExportTask() override;

    // Starts the work on a new thread. Does nothing when already started.
    void start();
    // Asks the work to stop at its next picture; finished() follows with Cancelled.
    // Callable from any thread.
    void cancel();
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    // Started and finished() not yet emitted.
    bool isRunning() const { return m_running.load(); }
    // Waits for the work's thread to end; true when it has (or never started).
    bool wait(int milliseconds = -1);

Q_SIGNALS:
    // `done` of `total` pictures handled: the first report, then at most one every 50 ms,
    // and always the last.
    void progress(int done, int total);
    void finished(const ExportOutcome &outcome);

protected:
    explicit ExportTask(QObject *parent);
    // The work, on the task's thread. Calls reportProgress() and checks isCancelled()
    // between pictures. Every subclass's destructor calls stop() first.
    virtual ExportOutcome work() = 0;
    void reportProgress(int done, int total);
    // Cancels and waits for the thread: a subclass's members outlive the work.
    void stop();

private:
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_cancelled {false};
    std::atomic<bool> m_running {false};
    QElapsedTimer m_sinceProgress;
    bool m_reported = false; // on the task's thread only
};
