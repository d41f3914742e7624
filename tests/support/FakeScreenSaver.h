// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

// The D-Bus object of FakeScreenSaver: answers Inhibit with a new cookie and records
// every call. Its slots run on the service's own thread; calls() may be read from any.
class ScreenSaverRecorder : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    struct Call
    {
        QString method;       // "Inhibit" or "UnInhibit"
        QString application;  // Inhibit only
        QString reason;       // Inhibit only
        uint cookie = 0;      // Inhibit: the cookie handed out; UnInhibit: the cookie given
    };

    QList<Call> calls() const;

public Q_SLOTS:
    uint Inhibit(const QString &application, const QString &reason);
    void UnInhibit(uint cookie);

private:
    mutable QMutex m_mutex;
    QList<Call> m_calls;
    uint m_nextCookie = 1000;
};

// Stands in for the desktop's screen-saver service (org.freedesktop.ScreenSaver) on the
// bus at `busAddress`, normally a private SessionBus. The service has a connection of
// its own and answers on a thread of its own, so the blocking calls of the code under
// test are answered while the calling thread waits.
//
//   SessionBus bus;
//   FakeScreenSaver service(bus.address());
//   QVERIFY(service.isOk());
//   setScreenSaverActive(false);
//   QCOMPARE(service.calls().size(), 1);
//
// The destructor leaves the bus and waits (at most 10 s) until the bus has released the
// service name, so the next instance can take it.
class FakeScreenSaver
{
public:
    using Call = ScreenSaverRecorder::Call;

    static const QString ServiceName;   // "org.freedesktop.ScreenSaver"
    static const QString StandardPath;  // "/org/freedesktop/ScreenSaver"
    static const QString OlderPath;     // "/ScreenSaver"

    // `objectPath` empty: the name is taken but no object answers.
    explicit FakeScreenSaver(const QString &busAddress, const QString &objectPath = StandardPath);
    ~FakeScreenSaver();

    // Connected, object registered (unless none was asked for) and name taken.
    bool isOk() const { return m_ok; }

    // Every call answered so far, in order.
    QList<Call> calls() const { return m_object.calls(); }

    FakeScreenSaver(const FakeScreenSaver &) = delete;
    FakeScreenSaver &operator=(const FakeScreenSaver &) = delete;

private:
    static inline int s_instances = 0;
    QString m_busAddress;
    QString m_connectionName;
    QThread m_thread;
    ScreenSaverRecorder m_object;
    bool m_ok = false;
};
