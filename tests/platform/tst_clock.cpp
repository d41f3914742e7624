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
    void initTestCase();
    void cleanupTestCase();
    void followsLocalTime();
    void nowIsLocalAndFixable();

private:
    QByteArray m_savedTz;
    bool m_hadTz = false;
};

void TestClock::initTestCase()
{
    m_hadTz = qEnvironmentVariableIsSet("TZ");
    m_savedTz = qgetenv("TZ");
    // A zone written out in full: no zone file needed. Summer time from the last Sunday of
    // March, 01:00 UTC, to the last Sunday of October, 01:00 UTC.
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
}

void TestClock::cleanupTestCase()
{
    if (m_hadTz)
        qputenv("TZ", m_savedTz);
    else
        qunsetenv("TZ");
    tzset();
}

void TestClock::followsLocalTime()
{
    const qint64 springUtc = QDateTime(QDate(2026, 3, 29), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
    const qint64 autumnUtc = QDateTime(QDate(2026, 10, 25), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
    // In this order: each is asked right after the one before, as a running clock would,
    // and then from a second already left behind.
    const qint64 moments[] = {
        springUtc - 1001, springUtc - 1, springUtc, springUtc + 999, springUtc - 1,
        autumnUtc - 1, autumnUtc, autumnUtc + 1, autumnUtc - 500,
        -1, 0, -1000, -1001, // before 1970, the second is rounded down
    };
    for (const qint64 ms : moments) {
        const QDateTime expected = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
        const QDateTime got = Clock::localAt(ms);
        const QByteArray at = QByteArray::number(ms);
        QVERIFY2(got.toMSecsSinceEpoch() == ms, at.constData());
        QVERIFY2(got.offsetFromUtc() == expected.offsetFromUtc(), at.constData());
        QVERIFY2(got.date() == expected.date() && got.time() == expected.time(), at.constData());
    }
    QCOMPARE(Clock::localAt(springUtc - 1).time(), QTime(1, 59, 59, 999));
    QCOMPARE(Clock::localAt(springUtc).time(), QTime(3, 0));
    QCOMPARE(Clock::localAt(autumnUtc - 1).time(), QTime(2, 59, 59, 999));
    QCOMPARE(Clock::localAt(autumnUtc).time(), QTime(2, 0));
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
