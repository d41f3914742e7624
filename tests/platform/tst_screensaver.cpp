// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ScreenSaver.h"
#include "support/FakeScreenSaver.h"
#include "support/SessionBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTest>

#include <memory>

class TestScreenSaver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void noServiceGivesFalse();
    void inhibitsAndReleases_data();
    void inhibitsAndReleases();
    void serviceWithoutObjectGivesFalse();
    void vanishedServiceForgetsCookie();
    void cleanupTestCase();

private:
    std::unique_ptr<SessionBus> m_bus;
};

void TestScreenSaver::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("OcellusTest"));
    m_bus = std::make_unique<SessionBus>();
    if (!m_bus->isRunning())
        QSKIP(qPrintable(m_bus->error()));
    QVERIFY(QDBusConnection::sessionBus().isConnected());
}

void TestScreenSaver::cleanup()
{
    // Leaves no cookie held for the next case, whatever happened.
    setScreenSaverActive(true);
}

void TestScreenSaver::noServiceGivesFalse()
{
    QVERIFY(!setScreenSaverActive(false));
    // Nothing was inhibited, so there is nothing to release.
    QVERIFY(setScreenSaverActive(true));
}

void TestScreenSaver::inhibitsAndReleases_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("standard path") << FakeScreenSaver::StandardPath;
    QTest::newRow("older path") << FakeScreenSaver::OlderPath;
}

void TestScreenSaver::inhibitsAndReleases()
{
    QFETCH(QString, path);
    FakeScreenSaver service(m_bus->address(), path);
    QVERIFY(service.isOk());

    QVERIFY(setScreenSaverActive(false));
    QList<FakeScreenSaver::Call> calls = service.calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].method, QStringLiteral("Inhibit"));
    QCOMPARE(calls[0].application, QStringLiteral("OcellusTest"));
    QCOMPARE(calls[0].reason, QStringLiteral("Full-screen camera view"));
    const uint cookie = calls[0].cookie;

    // A second switch-off holds the same inhibition instead of adding one.
    QVERIFY(setScreenSaverActive(false));
    QCOMPARE(service.calls().size(), 1);

    QVERIFY(setScreenSaverActive(true));
    calls = service.calls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[1].method, QStringLiteral("UnInhibit"));
    QCOMPARE(calls[1].cookie, cookie);

    QVERIFY(setScreenSaverActive(true));
    QCOMPARE(service.calls().size(), 2);

    // The next switch-off asks for a new inhibition.
    QVERIFY(setScreenSaverActive(false));
    calls = service.calls();
    QCOMPARE(calls.size(), 3);
    QVERIFY(calls[2].cookie != cookie);
}

void TestScreenSaver::serviceWithoutObjectGivesFalse()
{
    FakeScreenSaver service(m_bus->address(), QString());
    QVERIFY(service.isOk());
    QVERIFY(!setScreenSaverActive(false));
    QVERIFY(service.calls().isEmpty());
}

void TestScreenSaver::vanishedServiceForgetsCookie()
{
    auto first = std::make_unique<FakeScreenSaver>(m_bus->address(), FakeScreenSaver::StandardPath);
    QVERIFY(first->isOk());
    QVERIFY(setScreenSaverActive(false));
    first.reset();
    QVERIFY(!setScreenSaverActive(true));

    // The failed release forgot the cookie: a new service is asked to inhibit.
    FakeScreenSaver second(m_bus->address(), FakeScreenSaver::StandardPath);
    QVERIFY(second.isOk());
    QVERIFY(setScreenSaverActive(false));
    QCOMPARE(second.calls().size(), 1);
    QCOMPARE(second.calls()[0].method, QStringLiteral("Inhibit"));
}

void TestScreenSaver::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(QDBusConnection::sessionBus().name());
    m_bus.reset();
}

QTEST_GUILESS_MAIN(TestScreenSaver)
#include "tst_screensaver.moc"
