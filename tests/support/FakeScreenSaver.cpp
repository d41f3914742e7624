// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeScreenSaver.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QTest>

const QString FakeScreenSaver::ServiceName = QStringLiteral("org.freedesktop.ScreenSaver");
const QString FakeScreenSaver::StandardPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString FakeScreenSaver::OlderPath = QStringLiteral("/ScreenSaver");

QList<ScreenSaverRecorder::Call> ScreenSaverRecorder::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

uint ScreenSaverRecorder::Inhibit(const QString &application, const QString &reason)
{
    QMutexLocker lock(&m_mutex);
    m_nextCookie += 7;
    m_calls.append(Call{QStringLiteral("Inhibit"), application, reason, m_nextCookie});
    return m_nextCookie;
}

void ScreenSaverRecorder::UnInhibit(uint cookie)
{
    QMutexLocker lock(&m_mutex);
    m_calls.append(Call{QStringLiteral("UnInhibit"), QString(), QString(), cookie});
}

FakeScreenSaver::FakeScreenSaver(const QString &busAddress, const QString &objectPath)
    : m_busAddress(busAddress)
    , m_connectionName(QStringLiteral("fake-screensaver-%1").arg(++s_instances))
{
    m_object.moveToThread(&m_thread);
    m_thread.start();
    QDBusConnection connection = QDBusConnection::connectToBus(busAddress, m_connectionName);
    m_ok = connection.isConnected()
           && (objectPath.isEmpty()
               || connection.registerObject(objectPath, &m_object, QDBusConnection::ExportAllSlots))
           && connection.registerService(ServiceName);
}

FakeScreenSaver::~FakeScreenSaver()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_thread.quit();
    m_thread.wait();
    // The bus releases the name once it notices the closed connection.
    const QString probeName = m_connectionName + QStringLiteral("-probe");
    {
        QDBusConnection probe = QDBusConnection::connectToBus(m_busAddress, probeName);
        QDBusConnectionInterface *bus = probe.isConnected() ? probe.interface() : nullptr;
        const QDeadlineTimer deadline(10000);
        while (bus && bus->isServiceRegistered(ServiceName) && !deadline.hasExpired())
            QTest::qWait(10);
    }
    QDBusConnection::disconnectFromBus(probeName);
}
