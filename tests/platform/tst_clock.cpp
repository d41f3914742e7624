// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Clock.h"

#include <QTest>

#include <ctime>

// Clock::localAt keeps the local offset of the last second it was asked for: what it gives
// must stay what the C library's local time gives, across offset changes and back.
class TestClock : public QObject
{
    Q_OBJECT

private slots:
    void followsLocalTime();
    void nowIsLocalAndFixable();
};

void TestClock::followsLocalTime()
{
    // A zone written out in full, no zone file needed: summer time from the last Sunday of
    // March to the last Sunday of October, both at 01:00 UTC.
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    const qint64 spring = QDateTime(QDate(2026, 3, 29), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
    const qint64 autumn = QDateTime(QDate(2026, 10, 25), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
    // In this order: each right after the one before, as a running clock asks, then a second
    // already left behind; before 1970 the second is rounded down.
    const qint64 moments[] = {spring - 1001, spring - 1, spring, spring + 999, spring - 1, autumn - 1, autumn,
        autumn + 1, autumn - 500, -1, 0, -1000, -1001};
    for (const qint64 ms : moments) {
        const QDateTime expected = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
        const QDateTime got = Clock::localAt(ms);
        const QByteArray at = QByteArray::number(ms);
        QVERIFY2(got.toMSecsSinceEpoch() == ms && got.offsetFromUtc() == expected.offsetFromUtc()
                && got.date() == expected.date() && got.time() == expected.time(),
            at.constData());
    }
    // The zone was in force: the clock jumped an hour forward and back.
    QCOMPARE(Clock::localAt(spring - 1).time(), QTime(1, 59, 59, 999));
    QCOMPARE(Clock::localAt(spring).time(), QTime(3, 0));
    QCOMPARE(Clock::localAt(autumn).time(), QTime(2, 0));
}

void TestClock::nowIsLocalAndFixable()
{
    const QDateTime before = QDateTime::currentDateTime();
    const QDateTime now = Clock::now();
    const QDateTime after = QDateTime::currentDateTime();
    QVERIFY(before <= now && now <= after);
    QCOMPARE(now.offsetFromUtc(), after.offsetFromUtc());

    const QDateTime fixed(QDate(2024, 2, 29), QTime(23, 59, 59));
    Clock::setFixed(fixed);
    QCOMPARE(Clock::now(), fixed);
    Clock::setFixed(QDateTime());
    QVERIFY(Clock::now() >= now);
}

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
