// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/PictureDecodeQueue.h"

#include "imaging/BottomUpBitmap.h"
#include "imaging/JpegWriter.h"
#include "platform/OperationError.h"

#include <QPointer>
#include <QThread>

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace {

// The quality of every saved picture.
constexpr qint32 SaveQuality = 90;

// Saves waiting beyond which a second one runs (of another camera): one worker no longer
// keeps up, and falling further behind would hold ever more pictures.
constexpr size_t SaveBacklog = 4;

// A job's result, waiting to be delivered in its key's order.
struct Result
{
    static Result of(quint64 job, bool save)
    {
        Result result;
        result.job = job;
        result.save = save;
        return result;
    }

    quint64 job = 0;
    bool save = false;
    bool done = false;
    Picture picture;
    QString path;
    QByteArray jpeg;
    QString error;
};

} // namespace

struct PictureDecodeQueue::Job
{
    enum class Kind { Decode, DecodeAhead, Save };

    Kind kind = Kind::Decode;
    quint64 id = 0;
    int key = 0;
    QByteArray bytes;
    QRect area;
    QSize shownAt;
    Picture picture; // a save's, detached from the owner's
    QString path;
};

struct PictureDecodeQueue::State
{
    struct Key
    {
        std::deque<Result> pending; // in submission order; a dropped job's entry is removed
        int savesLeft = 0; // asked for and not yet done
        bool saveRunning = false;
    };

    // The saves to start now, taken from waitingSaves: the first waiting save of each key
    // that has none running, while fewer run than allowed. Called with the mutex held.
    std::vector<std::shared_ptr<Job>> takeStartableSaves()
    {
        std::vector<std::shared_ptr<Job>> startable;
        for (;;) {
            const int allowed = waitingSaves.size() > SaveBacklog ? 2 : 1;
            if (savesRunning >= allowed)
                break;
            const auto next = std::find_if(waitingSaves.begin(), waitingSaves.end(),
                [this](const std::shared_ptr<Job> &job) { return !keys[job->key].saveRunning; });
            if (next == waitingSaves.end())
                break;
            keys[(*next)->key].saveRunning = true;
            ++savesRunning;
            startable.push_back(std::move(*next));
            waitingSaves.erase(next);
        }
        return startable;
    }

    // The pending result of `job` of `key`; null when it was superseded or cancelled.
    Result *find(int key, quint64 job)
    {
        const auto it = keys.find(key);
        if (it == keys.end())
            return nullptr;
        for (Result &result : it->second.pending) {
            if (result.job == job)
                return &result;
        }
        return nullptr;
    }

    std::mutex mutex;
    std::map<int, Key> keys;
    // Saves of every key wait here, in the order they were asked for: one runs at a time
    // (one full-size bitmap at a time), two while more than SaveBacklog wait.
    std::deque<std::shared_ptr<Job>> waitingSaves;
    int savesRunning = 0;
    quint64 lastJob = 0;
    bool closing = false;
    FileWriter writer;
    std::function<void(int, quint64)> startHook;
};

PictureDecodeQueue::PictureDecodeQueue(FileWriter writer, QObject *parent)
    : QObject(parent)
    , m_state(std::make_unique<State>())
{
    m_state->writer = std::move(writer);
    m_pool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
}

PictureDecodeQueue::~PictureDecodeQueue()
{
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->closing = true;
    }
    m_pool.waitForDone();
}

void PictureDecodeQueue::setJobStartHook(std::function<void(int key, quint64 job)> hook)
{
    const std::lock_guard lock(m_state->mutex);
    m_state->startHook = std::move(hook);
}

quint64 PictureDecodeQueue::decode(int key, const QByteArray &bytes, QSize shownAt)
{
    return submitDecode(key, bytes, QRect(), shownAt, false);
}

quint64 PictureDecodeQueue::decodeAhead(int key, const QByteArray &bytes, const QRect &area, QSize shownAt)
{
    return submitDecode(key, bytes, area, shownAt, true);
}

quint64 PictureDecodeQueue::submitDecode(
    int key, const QByteArray &bytes, const QRect &area, QSize shownAt, bool ahead)
{
    auto job = std::make_shared<Job>();
    job->kind = ahead ? Job::Kind::DecodeAhead : Job::Kind::Decode;
    job->key = key;
    job->bytes = bytes;
    job->area = area;
    job->shownAt = shownAt;
    {
        const std::lock_guard lock(m_state->mutex);
        job->id = ++m_state->lastJob;
        std::deque<Result> &pending = m_state->keys[key].pending;
        std::erase_if(pending, [](const Result &result) { return !result.save; });
        pending.push_back(Result::of(job->id, false));
    }
    const quint64 id = job->id;
    start(std::move(job));
    return id;
}

quint64 PictureDecodeQueue::save(int key, const Picture &picture, const QString &path, QSize shownAt)
{
    auto job = std::make_shared<Job>();
    job->kind = Job::Kind::Save;
    job->key = key;
    job->picture = picture.detached();
    job->path = path;
    job->shownAt = shownAt;
    std::vector<std::shared_ptr<Job>> startable;
    {
        const std::lock_guard lock(m_state->mutex);
        job->id = ++m_state->lastJob;
        State::Key &state = m_state->keys[key];
        state.pending.push_back(Result::of(job->id, true));
        ++state.savesLeft;
        m_state->waitingSaves.push_back(job);
        startable = m_state->takeStartableSaves();
    }
    const quint64 id = job->id;
    for (std::shared_ptr<Job> &save : startable)
        start(std::move(save));
    return id;
}

void PictureDecodeQueue::cancel(int key)
{
    const std::lock_guard lock(m_state->mutex);
    const auto it = m_state->keys.find(key);
    if (it != m_state->keys.end())
        it->second.pending.clear();
}

void PictureDecodeQueue::start(std::shared_ptr<Job> job)
{
    // The viewer's picture goes ahead of the jobs waiting for a worker: it is the one the user
    // looks at, and its decode is the longest.
    const int priority = job->kind == Job::Kind::DecodeAhead ? 1 : 0;
    m_pool.start([this, job] { run(*job); }, priority);
}

void PictureDecodeQueue::run(const Job &job)
{
    std::function<void(int, quint64)> hook;
    {
        const std::lock_guard lock(m_state->mutex);
        if (job.kind != Job::Kind::Save && (m_state->closing || !m_state->find(job.key, job.id)))
            return; // superseded or cancelled before it started
        hook = m_state->startHook;
    }
    if (hook)
        hook(job.key, job.id);

    Result outcome;
    outcome.path = job.path;
    std::vector<std::shared_ptr<Job>> nextSaves;
    if (job.kind == Job::Kind::Save) {
        BottomUpBitmap dib;
        job.picture.toDib(dib);
        try {
            outcome.jpeg = encodeBitmapAsJpeg(dib, SaveQuality);
            if (!m_state->writer)
                throw std::runtime_error("no file writer");
            outcome.path = m_state->writer(job.path, outcome.jpeg);
            outcome.picture = Picture::fromBytes(outcome.jpeg, job.shownAt);
        } catch (const OperationError &error) {
            outcome.jpeg.clear();
            outcome.error = error.description();
        } catch (const std::exception &error) {
            outcome.jpeg.clear();
            outcome.error = QString::fromLocal8Bit(error.what());
        }
    } else {
        outcome.picture = job.kind == Job::Kind::DecodeAhead
            ? Picture::make(job.bytes, job.shownAt, Picture::Ahead::Beside, job.area, &m_pool)
            : Picture::fromBytes(job.bytes, job.shownAt);
    }

    {
        const std::lock_guard lock(m_state->mutex);
        if (Result *result = m_state->find(job.key, job.id)) {
            result->done = true;
            result->picture = std::move(outcome.picture);
            result->path = std::move(outcome.path);
            result->jpeg = std::move(outcome.jpeg);
            result->error = std::move(outcome.error);
        }
        if (job.kind == Job::Kind::Save) {
            State::Key &state = m_state->keys[job.key];
            --state.savesLeft;
            state.saveRunning = false;
            --m_state->savesRunning;
            nextSaves = m_state->takeStartableSaves();
        }
    }
    for (std::shared_ptr<Job> &save : nextSaves)
        start(std::move(save));
    QMetaObject::invokeMethod(
        this, [this, key = job.key] { deliver(key); }, Qt::QueuedConnection);
}

void PictureDecodeQueue::deliver(int key)
{
    // One result at a time: a receiver may submit, cancel or destroy the queue.
    const QPointer<PictureDecodeQueue> alive(this);
    while (alive) {
        Result result;
        {
            const std::lock_guard lock(m_state->mutex);
            const auto it = m_state->keys.find(key);
            if (m_state->closing || it == m_state->keys.end())
                return;
            State::Key &state = it->second;
            if (state.pending.empty() || !state.pending.front().done) {
                if (state.pending.empty() && state.savesLeft == 0)
                    m_state->keys.erase(it);
                return;
            }
            result = std::move(state.pending.front());
            state.pending.pop_front();
        }
        if (result.save)
            emit saved(key, result.job, result.path, result.jpeg, result.error, result.picture);
        else
            emit decoded(key, result.job, result.picture);
    }
}
