// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/Picture.h"

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>

// Decodes received pictures and saves pictures on worker threads, so that the thread that
// owns the queue (the window's) never waits for a decoder. No widgets.
//
// Jobs belong to a key (a camera slot). The results of a key come back through the signals,
// on the owner's thread and in the order the jobs were submitted. A decode supersedes the
// decodes of its key submitted before it: a superseded decode that has not started is
// dropped, and the result of one already running is discarded. Saves are never superseded:
// every save asked for is done. The saves of one key run one after the other, in order;
// saves of different keys run one at a time too, in the order they were asked for (each
// holds its picture decoded at full size while it runs, and one such bitmap at a time bounds
// the memory of 24 cameras saving every second), unless more than a few wait: then a second
// one, of another key, runs alongside.
//
// Threads: a pool of its own with at most QThread::idealThreadCount() threads (at least one).
// A decode-ahead job decodes its part on a second worker when one is free at that moment,
// alongside the slot's reduced decode, and otherwise after it on its own worker: the queue
// never keeps more threads busy than that. A part of half the picture or more is decoded
// with the whole picture in one pass on the job's own worker. Decode-ahead jobs waiting for a
// worker start before the other jobs waiting. Pictures are made on the workers and handed to
// the owner's thread, which then is the only one to use them; a save works on a detached()
// copy of its picture.
class PictureDecodeQueue : public QObject
{
    Q_OBJECT

public:
    // Writes `bytes` as the file at `path` (or, as the writer decides, under a free name
    // derived from it), placing it only when complete, and returns the path written; throws
    // an OperationError (or another std::exception) on failure. Called on the workers, for
    // one key at a time in order, possibly for several keys at once.
    using FileWriter = std::function<QString(const QString &path, const QByteArray &bytes)>;

    explicit PictureDecodeQueue(FileWriter writer, QObject *parent = nullptr);
    // Drops the decodes that have not started, waits for the running jobs and for the saves
    // still waiting (they are written), and delivers nothing more.
    ~PictureDecodeQueue() override;

    // The picture in `bytes`, as Picture::fromBytes(bytes, shownAt) makes it. Returns the job's
    // number; numbers increase with every job submitted.
    quint64 decode(int key, const QByteArray &bytes, QSize shownAt = QSize());
    // As Picture::fromBytesDecodingAhead(bytes, area, shownAt) makes it, with the part
    // `area` already decoded when the picture is delivered.
    quint64 decodeAhead(
        int key, const QByteArray &bytes, const QRect &area = QRect(), QSize shownAt = QSize());
    // `picture` at its natural size encoded as a JPEG of quality 90 (Picture::toDib, then
    // encodeBitmapAsJpeg) and written to `path` through the writer; the bytes written are
    // then read back as Picture::fromBytes(jpeg, shownAt) makes them, on the worker too.
    quint64 save(int key, const Picture &picture, const QString &path, QSize shownAt = QSize());

    // Drops the waiting decodes of `key` and discards every result of the key still to
    // come. Saves already asked for are still written; only their results are not delivered.
    void cancel(int key);

    int maxThreadCount() const { return m_pool.maxThreadCount(); }

    // For tests: called on the worker as each job starts its work (dropped jobs never start),
    // with the job's key and number. Set before the first job is submitted.
    void setJobStartHook(std::function<void(int key, quint64 job)> hook);

signals:
    // A decode's result: null when the bytes are unreadable or were refused.
    void decoded(int key, quint64 job, const Picture &picture);
    // A save's result: the path the writer wrote, the bytes written and the picture read back
    // from them; or an empty `jpeg`, a null picture and the reason in `error` (`path` is then
    // the path asked for).
    void saved(int key, quint64 job, const QString &path, const QByteArray &jpeg, const QString &error,
               const Picture &savedPicture);

private:
    struct State;
    struct Job;

    quint64 submitDecode(int key, const QByteArray &bytes, const QRect &area, QSize shownAt, bool ahead);
    void start(std::shared_ptr<Job> job);
    void run(const Job &job);
    void deliver(int key);

    std::unique_ptr<State> m_state;
    QThreadPool m_pool;
};
