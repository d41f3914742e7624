// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/export/ExportTask.h"

#include <QThread>

namespace {
// Progress reports closer together than this are dropped (the last one never is).
constexpr qint64 ProgressIntervalMs = 50;
} // namespace

ExportTask::ExportTask(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<ExportOutcome>();
}

ExportTask::~ExportTask()
{
    stop();
}

void ExportTask::start()
{
    if (m_thread)
        return;
    m_running = true;
    m_thread.reset(QThread::create([this] {
        m_sinceProgress.start();
        const ExportOutcome outcome = work();
        m_running = false;
        emit finished(outcome);
    }));
    m_thread->setObjectName(QStringLiteral("export"));
    m_thread->start(QThread::LowPriority);
}

void ExportTask::cancel()
{
    m_cancelled = true;
}

bool ExportTask::wait(int milliseconds)
{
    if (!m_thread)
        return true;
    return milliseconds < 0 ? m_thread->wait() : m_thread->wait(QDeadlineTimer(milliseconds));
}

void ExportTask::stop()
{
    cancel();
    wait();
}

void ExportTask::reportProgress(int done, int total)
{
    // The first report always goes out, so that a short export shows movement too.
    if (m_reported && done < total && m_sinceProgress.elapsed() < ProgressIntervalMs)
        return;
    m_reported = true;
    m_sinceProgress.restart();
    emit progress(done, total);
}
