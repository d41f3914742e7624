// SPDX-License-Identifier: GPL-3.0-or-later
// The decode queue: results on the owner's thread in each key's order, decodes superseded,
// saves always done in order, cancelling and destruction while jobs run.

#include "imaging/BottomUpBitmap.h"
#include "imaging/JpegWriter.h"
#include "imaging/PictureDecodeQueue.h"
#include "imaging/PictureDecoder.h"
#include "platform/OperationError.h"

#include "ImagingFixtures.h"

#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <turbojpeg.h>

using namespace ImagingFixtures;

namespace {

// Holds the next job of a key at its start until the key is released; records which jobs
// started, in order.
class Gate
{
public:
    void hold(int key)
    {
        const std::lock_guard lock(m_mutex);
        m_toHold.insert(key);
    }
    void release(int key)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_toHold.remove(key);
            m_held.removeIf([key](const auto &held) { return held.value() == key; });
        }
        m_changed.notify_all();
    }
    void pass(int key, quint64 job)
    {
        std::unique_lock lock(m_mutex);
        m_started.append(job);
        if (m_toHold.remove(key))
            m_held.insert(job, key);
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return !m_held.contains(job); });
    }
    bool waitForStart(quint64 job)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_started.contains(job); });
    }
    QList<quint64> started() const
    {
        const std::lock_guard lock(m_mutex);
        return m_started;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QSet<int> m_toHold;
    QHash<quint64, int> m_held; // job, key
    QList<quint64> m_started;
};

// What the queue delivered, in order.
struct Delivery
{
    int key = 0;
    quint64 job = 0;
    Picture picture;
    QByteArray jpeg;
    QString error;
    QThread *thread = nullptr;
};

// Writes with QSaveFile (a temporary file beside the target, renamed when complete); throws
// an OperationError when that fails.
QString saveFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw OperationError(1, QStringLiteral("test"), QStringLiteral("cannot write ") + path);
    return path;
}

QByteArray jpegOf(int width, int height, quint32 seed)
{
    return turboJpeg(grainyCard(width, height, seed), TJSAMP_420, 85);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPictureDecodeQueue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void deliversOnTheOwnersThread();
    void resultsKeepEachKeysOrder();
    void newerDecodeSupersedesOlder();
    void waitingDecodeDroppedBeforeItStarts();
    void savesNeverSupersededAndKeptInOrder();
    void savesOfAllKeysRunOneAtATime();
    void decodeAheadGoesBeforeWaitingJobs();
    void saveFailuresReported();
    void cancelDropsWaitingAndDiscardsRunning();
    void destructionWaitsAndDeliversNothing();
    void decodeAheadDeliversThePart();

private:
    // A queue with the test's gate and recorder; `writer` defaults to saveFile.
    std::unique_ptr<PictureDecodeQueue> makeQueue(PictureDecodeQueue::FileWriter writer = saveFile);
    bool waitForDeliveries(int count);

    std::shared_ptr<Gate> m_gate;
    std::shared_ptr<QList<Delivery>> m_delivered;
    QTemporaryDir m_dir;
};

void TestPictureDecodeQueue::init()
{
    m_gate = std::make_shared<Gate>();
    m_delivered = std::make_shared<QList<Delivery>>();
}

void TestPictureDecodeQueue::cleanup()
{
    m_gate.reset();
    m_delivered.reset();
}

std::unique_ptr<PictureDecodeQueue> TestPictureDecodeQueue::makeQueue(PictureDecodeQueue::FileWriter writer)
{
    auto queue = std::make_unique<PictureDecodeQueue>(std::move(writer));
    queue->setJobStartHook([gate = m_gate](int key, quint64 job) { gate->pass(key, job); });
    auto delivered = m_delivered;
    connect(queue.get(), &PictureDecodeQueue::decoded, this,
        [delivered](int key, quint64 job, const Picture &picture) {
            delivered->append({key, job, picture, QByteArray(), QString(), QThread::currentThread()});
        });
    connect(queue.get(), &PictureDecodeQueue::saved, this,
        [delivered](int key, quint64 job, const QString &, const QByteArray &jpeg, const QString &error,
                    const Picture &savedPicture) {
            delivered->append({key, job, savedPicture, jpeg, error, QThread::currentThread()});
        });
    return queue;
}

bool TestPictureDecodeQueue::waitForDeliveries(int count)
{
    return QTest::qWaitFor([&] { return m_delivered->size() >= count; }, 20000);
}

void TestPictureDecodeQueue::deliversOnTheOwnersThread()
{
    auto queue = makeQueue();
    QCOMPARE(queue->maxThreadCount(), qMax(1, QThread::idealThreadCount()));
    const QByteArray bytes = jpegOf(320, 240, 1);
    const quint64 first = queue->decode(7, bytes, QSize(85, 61));
    const quint64 second = queue->decode(8, "not a picture");
    QVERIFY(second > first);
    QVERIFY(waitForDeliveries(2));
    QCOMPARE(m_delivered->size(), 2);
    for (const Delivery &delivery : *m_delivered) {
        QCOMPARE(delivery.thread, QThread::currentThread());
        if (delivery.key == 7) {
            QCOMPARE(delivery.job, first);
            // Made on a worker, used here: the same picture fromBytes() makes.
            const Picture here = Picture::fromBytes(bytes, QSize(85, 61));
            QCOMPARE(delivery.picture.reducedDecodeSize(), here.reducedDecodeSize());
            QVERIFY(delivery.picture.scaledFor(QSize(85, 61)) == here.scaledFor(QSize(85, 61)));
            QVERIFY(delivery.picture.full() == here.full());
        } else {
            QCOMPARE(delivery.job, second);
            QVERIFY(delivery.picture.isNull()); // unreadable: a null picture, delivered all the same
        }
    }
}

void TestPictureDecodeQueue::resultsKeepEachKeysOrder()
{
    auto queue = makeQueue();
    if (queue->maxThreadCount() < 2)
        QSKIP("needs two workers");
    const Picture picture = Picture::fromBytes(jpegOf(64, 48, 2));
    // The save of key 1 is held; the decode after it finishes first but comes after it.
    m_gate->hold(1);
    const quint64 save = queue->save(1, picture, m_dir.filePath(QStringLiteral("order.jpg")));
    QVERIFY(m_gate->waitForStart(save));
    const quint64 decode = queue->decode(1, jpegOf(64, 48, 3));
    QVERIFY(m_gate->waitForStart(decode));
    const quint64 other = queue->decode(2, jpegOf(32, 24, 4));
    QVERIFY(waitForDeliveries(1)); // key 2 is not held back by key 1
    QCOMPARE(m_delivered->first().job, other);
    QTest::qWait(50);
    QCOMPARE(m_delivered->size(), 1); // the decode of key 1 waits for its save
    m_gate->release(1);
    QVERIFY(waitForDeliveries(3));
    QCOMPARE(m_delivered->at(1).job, save);
    QCOMPARE(m_delivered->at(2).job, decode);
    QVERIFY(!m_delivered->at(2).picture.isNull());
}

void TestPictureDecodeQueue::newerDecodeSupersedesOlder()
{
    auto queue = makeQueue();
    m_gate->hold(1);
    const quint64 older = queue->decode(1, jpegOf(640, 480, 5));
    QVERIFY(m_gate->waitForStart(older)); // it runs
    const quint64 newer = queue->decode(1, jpegOf(64, 48, 6));
    QVERIFY(m_gate->waitForStart(newer));
    m_gate->release(1);
    QVERIFY(waitForDeliveries(1));
    queue.reset(); // every job has ended; nothing more can come
    QCOMPARE(m_delivered->size(), 1);
    QCOMPARE(m_delivered->first().job, newer);
    QCOMPARE(m_delivered->first().picture.size(), QSize(64, 48));
}

void TestPictureDecodeQueue::waitingDecodeDroppedBeforeItStarts()
{
    auto queue = makeQueue();
    // Every worker held by a job of key 0..n-1; key 9's first decode waits behind them.
    const int workers = queue->maxThreadCount();
    QList<quint64> holders;
    for (int key = 0; key < workers; ++key) {
        m_gate->hold(key);
        holders.append(queue->decode(key, jpegOf(32, 24, quint32(key))));
        QVERIFY(m_gate->waitForStart(holders.last()));
    }
    const quint64 waiting = queue->decode(9, jpegOf(32, 24, 20));
    const quint64 newer = queue->decode(9, jpegOf(48, 32, 21));
    for (int key = 0; key < workers; ++key)
        m_gate->release(key);
    QVERIFY(waitForDeliveries(workers + 1));
    queue.reset();
    QVERIFY(!m_gate->started().contains(waiting));
    QVERIFY(m_gate->started().contains(newer));
    QCOMPARE(m_delivered->size(), workers + 1);
    QList<quint64> ofKey9; // keys are not ordered among themselves
    for (const Delivery &delivery : *m_delivered) {
        if (delivery.key == 9)
            ofKey9.append(delivery.job);
    }
    QCOMPARE(ofKey9, QList<quint64> {newer});
}

void TestPictureDecodeQueue::savesNeverSupersededAndKeptInOrder()
{
    if (QThread::idealThreadCount() < 2)
        QSKIP("needs two workers");
    QStringList writes;
    std::mutex writesMutex;
    auto queue = makeQueue([&](const QString &path, const QByteArray &bytes) {
        saveFile(path, bytes);
        const std::lock_guard lock(writesMutex);
        writes.append(QFileInfo(path).fileName());
        return path;
    });
    const Picture first = Picture::fromBytes(jpegOf(120, 90, 7));
    const Picture second = Picture::fromBytes(jpegOf(90, 60, 8));
    const QString path = m_dir.filePath(QStringLiteral("same.jpg"));
    m_gate->hold(3);
    const quint64 saveOne = queue->save(3, first, path);
    QVERIFY(m_gate->waitForStart(saveOne));
    const quint64 decodeOne = queue->decode(3, jpegOf(64, 48, 9));
    QVERIFY(m_gate->waitForStart(decodeOne));
    const quint64 saveTwo = queue->save(3, second, path);
    const quint64 saveThree = queue->save(3, first, m_dir.filePath(QStringLiteral("third.jpg")));
    const quint64 decodeTwo = queue->decode(3, jpegOf(64, 48, 10));
    QTest::qWait(50);
    QVERIFY(!m_gate->started().contains(saveTwo)); // waits for the save before it
    m_gate->release(3);
    QVERIFY(waitForDeliveries(4));
    queue.reset();

    QList<quint64> jobs;
    for (const Delivery &delivery : *m_delivered)
        jobs.append(delivery.job);
    QCOMPARE(jobs, (QList<quint64> {saveOne, saveTwo, saveThree, decodeTwo}));
    QCOMPARE(writes, (QStringList {"same.jpg", "same.jpg", "third.jpg"}));
    const QList<quint64> started = m_gate->started();
    QVERIFY(started.indexOf(saveOne) < started.indexOf(saveTwo));
    QVERIFY(started.indexOf(saveTwo) < started.indexOf(saveThree));

    // The bytes are encodeBitmapAsJpeg's at quality 90, and they are what the file holds.
    BottomUpBitmap dib;
    second.toDib(dib);
    QCOMPARE(m_delivered->at(1).jpeg, encodeBitmapAsJpeg(dib, 90));
    QCOMPARE(readFile(path), m_delivered->at(1).jpeg);
    QVERIFY(m_delivered->at(1).error.isEmpty());
    // The saved bytes come back read as a picture, made on the worker.
    QCOMPARE(m_delivered->at(1).picture.encoded(), m_delivered->at(1).jpeg);
    QCOMPARE(m_delivered->at(1).picture.size(), QSize(90, 60));
    QCOMPARE(
        Picture::fromBytes(readFile(m_dir.filePath(QStringLiteral("third.jpg")))).size(), QSize(120, 90));
}

void TestPictureDecodeQueue::savesOfAllKeysRunOneAtATime()
{
    if (QThread::idealThreadCount() < 2)
        QSKIP("needs two workers");
    auto queue = makeQueue();
    const Picture picture = Picture::fromBytes(jpegOf(120, 90, 11));
    m_gate->hold(1);
    const quint64 saveOne = queue->save(1, picture, m_dir.filePath(QStringLiteral("one.jpg")));
    QVERIFY(m_gate->waitForStart(saveOne));
    // A worker is free, yet the save of another key waits; a decode does not.
    const quint64 saveTwo = queue->save(2, picture, m_dir.filePath(QStringLiteral("two.jpg")));
    const quint64 saveThree = queue->save(3, picture, m_dir.filePath(QStringLiteral("three.jpg")));
    const quint64 decode = queue->decode(2, jpegOf(64, 48, 12));
    QVERIFY(m_gate->waitForStart(decode));
    QTest::qWait(50);
    QVERIFY(!m_gate->started().contains(saveTwo));
    // More saves wait, two of the running key: up to four waiting, still one at a time...
    QList<quint64> ofOne;
    ofOne.append(queue->save(1, picture, m_dir.filePath(QStringLiteral("one-0.jpg"))));
    const quint64 saveFour = queue->save(4, picture, m_dir.filePath(QStringLiteral("four.jpg")));
    QTest::qWait(50);
    QVERIFY(!m_gate->started().contains(saveTwo));
    // ...beyond four a second one runs alongside: the oldest of a key with none running.
    ofOne.append(queue->save(1, picture, m_dir.filePath(QStringLiteral("one-1.jpg"))));
    QVERIFY(m_gate->waitForStart(saveTwo));
    QVERIFY(!m_gate->started().contains(ofOne.constFirst()));
    m_gate->release(1);
    QVERIFY(waitForDeliveries(7));
    const QList<quint64> started = m_gate->started();
    QVERIFY(started.indexOf(saveOne) < started.indexOf(saveTwo));
    QVERIFY(started.indexOf(saveTwo) < started.indexOf(saveThree));
    QVERIFY(started.indexOf(saveThree) < started.indexOf(saveFour));
    for (int i = 1; i < ofOne.size(); ++i)
        QVERIFY(started.indexOf(ofOne.at(i - 1)) < started.indexOf(ofOne.at(i)));
    for (const Delivery &delivery : *m_delivered) {
        QVERIFY(delivery.error.isEmpty());
        QVERIFY(!delivery.picture.isNull());
    }
    for (const char *name : {"one.jpg", "two.jpg", "three.jpg", "four.jpg", "one-1.jpg"})
        QCOMPARE(readFile(m_dir.filePath(QLatin1String(name))), m_delivered->constFirst().jpeg);
}

void TestPictureDecodeQueue::decodeAheadGoesBeforeWaitingJobs()
{
    auto queue = makeQueue();
    const int workers = queue->maxThreadCount();
    const QByteArray bytes = jpegOf(64, 48, 13);
    // Every worker held by a job of its own key; then a decode and a decode-ahead wait.
    QList<quint64> held;
    for (int key = 0; key < workers; ++key) {
        m_gate->hold(key);
        held.append(queue->decode(key, bytes));
        QVERIFY(m_gate->waitForStart(held.constLast()));
    }
    const quint64 plain = queue->decode(10, bytes);
    const quint64 ahead = queue->decodeAhead(11, bytes, QRect(0, 0, 16, 16));
    QTest::qWait(50);
    QCOMPARE(m_gate->started().size(), workers);
    m_gate->release(0);
    QVERIFY(m_gate->waitForStart(plain));
    const QList<quint64> started = m_gate->started();
    QVERIFY(started.indexOf(ahead) >= 0 && started.indexOf(ahead) < started.indexOf(plain));
    for (int key = 1; key < workers; ++key)
        m_gate->release(key);
    QVERIFY(waitForDeliveries(workers + 2));
}

void TestPictureDecodeQueue::saveFailuresReported()
{
    auto queue = makeQueue();
    const Picture picture = Picture::fromBytes(jpegOf(64, 48, 11));
    const QString noFolder = m_dir.filePath(QStringLiteral("missing/folder/x.jpg"));
    queue->save(4, picture, noFolder);
    queue->save(4, Picture(), m_dir.filePath(QStringLiteral("null.jpg")));
    queue->save(4, picture, m_dir.filePath(QStringLiteral("fine.jpg")));
    QVERIFY(waitForDeliveries(3));
    QCOMPARE(m_delivered->at(0).error, QStringLiteral("cannot write ") + noFolder);
    QVERIFY(m_delivered->at(0).jpeg.isEmpty());
    QVERIFY(m_delivered->at(0).picture.isNull());
    // A null picture has no pixels: the encoder refuses it, as it says.
    QCOMPARE(m_delivered->at(1).error, QStringLiteral("Failed to save to JPG -1"));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("null.jpg"))));
    QVERIFY(m_delivered->at(2).error.isEmpty()); // a failure does not stop the saves after it
    QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("fine.jpg"))));
}

void TestPictureDecodeQueue::cancelDropsWaitingAndDiscardsRunning()
{
    auto queue = makeQueue();
    const int workers = queue->maxThreadCount();
    // Key 1's decode runs (held); the other workers are held by keys 10.. so that key 2's
    // decode waits.
    m_gate->hold(1);
    const quint64 running = queue->decode(1, jpegOf(64, 48, 12));
    QVERIFY(m_gate->waitForStart(running));
    for (int i = 1; i < workers; ++i) {
        m_gate->hold(10 + i);
        QVERIFY(m_gate->waitForStart(queue->decode(10 + i, jpegOf(32, 24, 13))));
    }
    const quint64 waiting = queue->decode(2, jpegOf(64, 48, 14));
    // A save of key 2 still asked for is written; only its result is not delivered.
    const QString savedPath = m_dir.filePath(QStringLiteral("cancelled.jpg"));
    queue->save(2, Picture::fromBytes(jpegOf(64, 48, 15)), savedPath);
    queue->cancel(1);
    queue->cancel(2);
    queue->cancel(99); // a key without jobs
    m_gate->release(1);
    for (int i = 1; i < workers; ++i)
        m_gate->release(10 + i);
    // A job submitted after the cancel is delivered.
    const quint64 after = queue->decode(1, jpegOf(32, 24, 16));
    QVERIFY(waitForDeliveries(workers));
    queue.reset();
    QVERIFY(!m_gate->started().contains(waiting));
    QVERIFY(QFile::exists(savedPath));
    QList<int> keys;
    for (const Delivery &delivery : *m_delivered) {
        keys.append(delivery.key);
        QVERIFY(delivery.job != running && delivery.job != waiting);
    }
    QVERIFY(!keys.contains(2));
    QCOMPARE(keys.count(1), 1);
    QCOMPARE(m_delivered->size(), workers); // the holders of keys 11.. and the later job of key 1
    QVERIFY(std::any_of(m_delivered->cbegin(), m_delivered->cend(),
        [after](const Delivery &delivery) { return delivery.job == after; }));
}

void TestPictureDecodeQueue::destructionWaitsAndDeliversNothing()
{
    auto queue = makeQueue();
    m_gate->hold(5);
    const quint64 running = queue->decode(5, jpegOf(64, 48, 17));
    QVERIFY(m_gate->waitForStart(running));
    const QString first = m_dir.filePath(QStringLiteral("first.jpg"));
    const QString second = m_dir.filePath(QStringLiteral("second.jpg"));
    const Picture picture = Picture::fromBytes(jpegOf(64, 48, 18));
    const quint64 saveOne = queue->save(6, picture, first);
    queue->save(6, picture, second); // waits for the first
    QVERIFY(m_gate->waitForStart(saveOne));
    queue->decode(7, jpegOf(64, 48, 19)); // dropped, or delivered to nobody

    // The running decode is released while the destructor waits for it.
    std::thread releaser([gate = m_gate] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        gate->release(5);
    });
    queue.reset();
    releaser.join();
    QCoreApplication::processEvents();
    QTest::qWait(50);
    QVERIFY(m_delivered->isEmpty());
    QVERIFY(QFile::exists(first));
    QVERIFY(QFile::exists(second)); // a save asked for is done, even then
}

void TestPictureDecodeQueue::decodeAheadDeliversThePart()
{
    auto queue = makeQueue();
    const QByteArray jpeg = jpegOf(640, 360, 20);
    const QImage whole = PictureDecoder::decode(jpeg, PictureDecoder::probe(jpeg), 1);
    const QRect shown(100, 40, 300, 200);
    const QImage eighth = PictureDecoder::decode(jpeg, PictureDecoder::probe(jpeg), 8);
    queue->decodeAhead(1, jpeg, shown, QSize(85, 61));
    queue->decodeAhead(2, jpeg); // the whole picture
    queue->decodeAhead(3, jpeg, QRect(0, 0, 400, 300)); // over half of it
    QVERIFY(waitForDeliveries(3));
    for (const Delivery &delivery : *m_delivered) {
        QPoint origin;
        if (delivery.key == 3) {
            // Decoded whole, with the slot's picture averaged from it on the way: on average
            // within a level or two of the DCT-scaled decode.
            QVERIFY(delivery.picture.hasFullDecode());
            QVERIFY(delivery.picture.area(QRect(0, 0, 10, 10), &origin) == whole);
            QCOMPARE(delivery.picture.reducedDecodeSize(), eighth.size());
            const double error = meanAbsoluteError(delivery.picture.scaledFor(eighth.size()), eighth);
            QVERIFY2(error >= 0 && error < 2.0, qPrintable(QString::number(error)));
        } else if (delivery.key == 1) {
            const QImage part = delivery.picture.area(QRect(120, 50, 20, 20), &origin);
            QCOMPARE(origin, shown.topLeft());
            QVERIFY(part == whole.copy(shown));
            QVERIFY(!delivery.picture.hasFullDecode());
            QCOMPARE(delivery.picture.reducedDecodeSize(), QSize(160, 90)); // 1/4 covers 85 x 61
        } else {
            QVERIFY(delivery.picture.area(QRect(0, 0, 10, 10), &origin) == whole);
            QCOMPARE(origin, QPoint(0, 0));
            QVERIFY(delivery.picture.hasFullDecode());
        }
    }
}

QTEST_GUILESS_MAIN(TestPictureDecodeQueue)
#include "tst_PictureDecodeQueue.moc"
