// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the suites that set the main window against misbehaving servers: a shown
// window with one camera at a server running in its own thread, the three ways a fetch
// can end for the user, and the event-loop heartbeat printed per case.

#include "WindowFixture.h"

#include "support/ScriptedHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace hostile {

// What the slot shows once a fetch has ended.
enum class Outcome {
    Shown, // the response's picture
    NotFound, // the notFound picture: the response was not a picture
    Kept, // the picture of the fetch before: the body could not be read
};

enum class Ending { Close, Reset };

// The largest gap between two ticks of a 10 ms timer on the test's thread, from
// construction to destruction; printed then as
//   loop-gap case=<test function>:<data row> max_ms=<whole milliseconds>
// for bench/hostile_gaps.py. Measures only: nothing asserts on it.
class LoopGap
{
public:
    LoopGap()
    {
        m_clock.start();
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start();
    }
    ~LoopGap()
    {
        tick();
        qInfo("loop-gap case=%s max_ms=%lld", qPrintable(caseName()), m_max);
    }
    LoopGap(const LoopGap &) = delete;
    LoopGap &operator=(const LoopGap &) = delete;

    static QString caseName()
    {
        QString name = QString::fromLatin1(QTest::currentTestFunction());
        if (const char *tag = QTest::currentDataTag())
            name += QLatin1Char(':') + QString::fromLatin1(tag);
        return name;
    }

private:
    void tick()
    {
        const qint64 now = m_clock.elapsed();
        m_max = std::max(m_max, now - m_last);
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_max = 0;
};

// Open descriptors of this process.
inline int openDescriptorCount()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                                .size());
}

// The server's part of one connection: `head`, then after a pause `tail` (so that the
// two arrive apart), then the end. Empty parts are left out.
inline Script responseScript(const QByteArray &head, const QByteArray &tail, Ending ending)
{
    Script script;
    if (!head.isEmpty())
        script << Step::send(head);
    if (!tail.isEmpty())
        script << Step::waitMs(200) << Step::send(tail);
    script << (ending == Ending::Reset ? Step::reset() : Step::close());
    return script;
}

// A shown main window with one camera "Cam" at `path` of a server in its own thread.
struct Rig
{
    ScriptedServerThread server;
    fixture::TestWindow w;
    QByteArray first; // the first picture given by openWithFirstPicture(): 64 x 48

    explicit Rig(
        const QString &refresh = QStringLiteral("60"), const QString &path = QStringLiteral("/cam.jpg"))
        : w({{QStringLiteral("Cam"), server.url(path), refresh}})
    {
        w.window->show();
    }

    CameraEngine *camera() const { return w.camera(0); }
    ImageControl *picture() const { return w.slotPicture(0); }
    bool indicatorShown() const { return w.indicatorShown(0); }

    // Opens the camera, its first connection answering with `first`; true once shown.
    bool openWithFirstPicture()
    {
        first = fixture::jpegBytes(64, 48, Qt::red);
        server.queueScript({Step::send(fixture::imageResponse(first)), Step::close()});
        w.open(QStringLiteral("Cam"));
        return QTest::qWaitFor([this] { return !indicatorShown(); }, 20000)
            && picture()->picture().encoded() == first;
    }

    // "Refresh", then waits until the fetch ended (indicator hidden); false on time-out.
    bool refreshAndWait(int timeoutMs = 20000)
    {
        camera()->refresh();
        if (!indicatorShown())
            return false;
        return QTest::qWaitFor([this] { return !indicatorShown(); }, timeoutMs);
    }
};

// The slot (and the viewer, when it shows the slot) after a fetch ended with `outcome`;
// `shownSize` is the size of the response's picture for Outcome::Shown.
inline void verifyOutcome(Rig &rig, Outcome outcome, QSize shownSize = QSize())
{
    QVERIFY(!rig.indicatorShown());
    QVERIFY(rig.picture()->hasPicture());
    const Picture picture = rig.picture()->picture();
    switch (outcome) {
    case Outcome::Shown:
        QVERIFY(shownSize.isValid() && shownSize != QSize(64, 48));
        QCOMPARE(picture.size(), shownSize);
        break;
    case Outcome::NotFound:
        QCOMPARE(picture.encoded(), resourcePicture(QStringLiteral(":/notFound.png")).encoded());
        break;
    case Outcome::Kept:
        QCOMPARE(picture.encoded(), rig.first);
        break;
    }
    if (rig.w.window->viewerSlot() == 0) {
        // The viewer follows shown pictures only; it keeps what it showed otherwise.
        const Picture viewed = control<ImageControl>(rig.w.window.get(), "imgMain")->picture();
        if (outcome == Outcome::Shown)
            QCOMPARE(viewed.size(), shownSize);
        else
            QCOMPARE(viewed.encoded(), rig.first);
    }
}

} // namespace hostile

Q_DECLARE_METATYPE(hostile::Outcome)
Q_DECLARE_METATYPE(hostile::Ending)
