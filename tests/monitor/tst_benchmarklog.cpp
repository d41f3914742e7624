// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark log (OCELLUS_BENCH_LOG) and the paint signal it hangs on: what it writes, the
// fetch bookkeeping behind "abandon_restart", and one line per first paint of a new picture.

#include "imaging/Picture.h"
#include "monitor/BenchmarkLog.h"
#include "monitor/ui/BenchmarkPaints.h"
#include "viewer/ui/ImageControl.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

namespace {

QByteArray jpeg(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

} // namespace

class TestBenchmarkLog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    // The log's lines without their time stamps, after writing what is buffered.
    QStringList events()
    {
        BenchmarkLog::flush();
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList out;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (!line.isEmpty())
                out.append(QString::fromLatin1(line.mid(line.indexOf(' ') + 1)));
        }
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("bench.log"));
        // Read once, at the first call.
        qputenv("OCELLUS_BENCH_LOG", m_path.toLocal8Bit());
        QVERIFY(BenchmarkLog::enabled());
    }

    void linesCarryTimeSlotAndCpu()
    {
        BenchmarkLog::event("main_entered");
        BenchmarkLog::slotEvent("close", 7);
        BenchmarkLog::slotCpuEvent("autosave_start", 7);
        BenchmarkLog::flush();
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
        QVERIFY(lines.size() >= 3);
        const QList<QByteArray> last = lines.last().split(' ');
        QCOMPARE(last.size(), 4);
        QCOMPARE(last[1], QByteArray("autosave_start"));
        QCOMPARE(last[2], QByteArray("7"));
        bool ok = false;
        QVERIFY(last[3].toLongLong(&ok) > 0 && ok);
        qint64 previous = 0;
        for (const QByteArray &line : lines) {
            const qint64 time = line.split(' ').first().toLongLong(&ok);
            QVERIFY(ok);
            QVERIFY(time >= previous); // monotonic clock
            previous = time;
        }
        const QStringList all = events();
        QCOMPARE(all.mid(all.size() - 3, 2), (QStringList {"main_entered", "close 7"}));
        QVERIFY(all.last().startsWith(QLatin1String("autosave_start 7 ")));
    }

    void restartOfAnOpenFetchIsAbandoned_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("logged");
        QTest::newRow("start, close, start") << QStringList {"drop", "start", "close", "drop", "start"}
                                             << QStringList {"fetch_start 3", "close 3", "fetch_start 3"};
        QTest::newRow("start, start before the close") << QStringList {"drop", "start", "drop", "start",
            "close"} << QStringList {"fetch_start 3", "abandon_restart 3", "fetch_start 3", "close 3"};
        QTest::newRow("start, then an address that does not parse, then a start")
            << QStringList {"drop", "start", "drop", "drop", "start"}
            << QStringList {"fetch_start 3", "abandon_restart 3", "fetch_start 3"};
    }

    void restartOfAnOpenFetchIsAbandoned()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, logged);
        BenchmarkLog::fetchClosed(3); // a clean start for the slot
        const int before = static_cast<int>(events().size());
        for (const QString &step : steps) {
            if (step == QLatin1String("drop"))
                BenchmarkLog::fetchDropped(3);
            else if (step == QLatin1String("start"))
                BenchmarkLog::fetchStarted(3);
            else
                BenchmarkLog::fetchClosed(3);
        }
        QCOMPARE(events().mid(before), logged);
        BenchmarkLog::fetchClosed(3);
    }

    void firstPaintOfEachNewPictureIsLogged()
    {
        ImageControl control;
        control.setStretch(true);
        control.resize(85, 61);
        QSignalSpy shown(&control, &ImageControl::pictureShown);
        BenchmarkPaints::watchPictures(&control, "shown", 5);
        BenchmarkPaints::watchPictures(&control, "shown", 5); // a second watch adds nothing
        const int before = static_cast<int>(events().size());

        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        control.repaint();
        QCOMPARE(shown.count(), 0); // nothing set yet: no picture to show

        const Picture picture = Picture::fromBytes(jpeg(640, 480));
        control.setPicture(picture);
        control.setPicture(picture); // set twice before a paint: shown once
        control.repaint();
        QCOMPARE(shown.count(), 1);
        control.repaint(); // the same picture again: not new
        QCOMPARE(shown.count(), 1);
        control.setPicture(Picture::fromBytes(jpeg(320, 240)));
        control.repaint();
        QCOMPARE(shown.count(), 2);
        control.setPicture(Picture()); // clearing shows nothing new
        control.repaint();
        QCOMPARE(shown.count(), 2);
        QCOMPARE(events().mid(before), (QStringList {"shown 5", "shown 5"}));
    }

    void mainWindowShownOnce()
    {
        QWidget window;
        window.resize(200, 100);
        const int before = static_cast<int>(events().size());
        BenchmarkPaints::watchFirstPaint(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(events().mid(before), QStringList {"main_window_shown"});
        window.repaint();
        QTest::qWait(20);
        QCOMPARE(events().mid(before), QStringList {"main_window_shown"});
    }

    // Last: the watch stays on for the rest of the process.
    void loopGapIsTheLongestStretchWithoutLookingForInput()
    {
        BenchmarkLog::watchEventLoop();
        BenchmarkLog::watchEventLoop(); // a second call adds no second watch
        const qsizetype before = events().size();
        QEventLoop loop;
        QTimer ticks; // work for the loop: a short task every 100 ms, and one long one
        int tick = 0;
        connect(&ticks, &QTimer::timeout, &loop, [&] {
            if (++tick == 3)
                QThread::msleep(150);
            else if (tick == 23)
                loop.quit();
        });
        ticks.start(100);
        loop.exec();
        QList<int> gaps;
        for (const QString &line : events().mid(before)) {
            if (line.startsWith(QLatin1String("loop_gap ")))
                gaps.append(line.mid(9).toInt());
        }
        QVERIFY2(gaps.size() >= 2, "one line a second"); // a slow machine may take a third
        QVERIFY2(gaps[0] >= 150, qPrintable(QString::number(gaps[0])));
        // The next second only waited for its ticks: waiting is not a gap.
        QVERIFY2(gaps[1] < 100, qPrintable(QString::number(gaps[1])));
    }
};

QTEST_MAIN(TestBenchmarkLog)
#include "tst_benchmarklog.moc"
