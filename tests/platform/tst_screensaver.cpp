#include "platform/ScreenSaver.h"
#include "support/SessionBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QMutex>
#include <QTest>
#include <QThread>

#include <memory>

namespace {
const QString kServiceName = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kStandardPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kOlderPath = QStringLiteral("/ScreenSaver");
} // namespace

// Stands in for the desktop's screen-saver service and records what it is asked.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    struct Call
    {
        QString method;
        QString application;
        QString reason;
        uint cookie = 0;
    };

    QList<Call> calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

public slots:
    uint Inhibit(const QString &application, const QString &reason)
    {
        QMutexLocker lock(&m_mutex);
        m_nextCookie += 7;
        m_calls.append(Call{QStringLiteral("Inhibit"), application, reason, m_nextCookie});
        return m_nextCookie;
    }

    void UnInhibit(uint cookie)
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append(Call{QStringLiteral("UnInhibit"), QString(), QString(), cookie});
    }

private:
    mutable QMutex m_mutex;
    QList<Call> m_calls;
    uint m_nextCookie = 1000;
};

// The service on a connection of its own, its object in a thread of its own, so the
// test's blocking calls are answered while the main thread waits.
class FakeService
{
public:
    FakeService(const QString &busAddress, const QString &objectPath)
        : m_connectionName(QStringLiteral("fake-screensaver-%1").arg(++s_instances))
    {
        m_object.moveToThread(&m_thread);
        m_thread.start();
        QDBusConnection connection = QDBusConnection::connectToBus(busAddress, m_connectionName);
        m_ok = connection.isConnected()
               && (objectPath.isEmpty() || connection.registerObject(objectPath, &m_object, QDBusConnection::ExportAllSlots))
               && connection.registerService(kServiceName);
    }

    ~FakeService()
    {
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_thread.quit();
        m_thread.wait();
        // The bus releases the name once it notices the closed connection; the next
        // service must not find it taken.
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        const QDeadlineTimer deadline(10000);
        while (bus && bus->isServiceRegistered(kServiceName) && !deadline.hasExpired())
            QTest::qWait(10);
    }

    bool isOk() const { return m_ok; }
    QList<FakeScreenSaver::Call> calls() const { return m_object.calls(); }

private:
    static inline int s_instances = 0;
    QString m_connectionName;
    QThread m_thread;
    FakeScreenSaver m_object;
    bool m_ok = false;
};

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
    SetScreenSaverActive(true);
}

void TestScreenSaver::noServiceGivesFalse()
{
    QVERIFY(!SetScreenSaverActive(false));
    // Nothing was inhibited, so there is nothing to release.
    QVERIFY(SetScreenSaverActive(true));
}

void TestScreenSaver::inhibitsAndReleases_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("standard path") << kStandardPath;
    QTest::newRow("older path") << kOlderPath;
}

void TestScreenSaver::inhibitsAndReleases()
{
    QFETCH(QString, path);
    FakeService service(m_bus->address(), path);
    QVERIFY(service.isOk());

    QVERIFY(SetScreenSaverActive(false));
    QList<FakeScreenSaver::Call> calls = service.calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].method, QStringLiteral("Inhibit"));
    QCOMPARE(calls[0].application, QStringLiteral("OcellusTest"));
    QCOMPARE(calls[0].reason, QStringLiteral("Full-screen camera view"));
    const uint cookie = calls[0].cookie;

    // A second switch-off holds the same inhibition instead of adding one.
    QVERIFY(SetScreenSaverActive(false));
    QCOMPARE(service.calls().size(), 1);

    QVERIFY(SetScreenSaverActive(true));
    calls = service.calls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[1].method, QStringLiteral("UnInhibit"));
    QCOMPARE(calls[1].cookie, cookie);

    QVERIFY(SetScreenSaverActive(true));
    QCOMPARE(service.calls().size(), 2);

    // The next switch-off asks for a new inhibition.
    QVERIFY(SetScreenSaverActive(false));
    calls = service.calls();
    QCOMPARE(calls.size(), 3);
    QVERIFY(calls[2].cookie != cookie);
}

void TestScreenSaver::serviceWithoutObjectGivesFalse()
{
    FakeService service(m_bus->address(), QString());
    QVERIFY(service.isOk());
    QVERIFY(!SetScreenSaverActive(false));
    QVERIFY(service.calls().isEmpty());
}

void TestScreenSaver::vanishedServiceForgetsCookie()
{
    auto first = std::make_unique<FakeService>(m_bus->address(), kStandardPath);
    QVERIFY(first->isOk());
    QVERIFY(SetScreenSaverActive(false));
    first.reset();
    QVERIFY(!SetScreenSaverActive(true));

    // The failed release forgot the cookie: a new service is asked to inhibit.
    FakeService second(m_bus->address(), kStandardPath);
    QVERIFY(second.isOk());
    QVERIFY(SetScreenSaverActive(false));
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
