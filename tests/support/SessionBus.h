// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

// A private D-Bus session bus for one test: starts `dbus-daemon --session` and points
// DBUS_SESSION_BUS_ADDRESS at it while the object lives. Start it before the first
// use of QDBusConnection::sessionBus(), which keeps the address it first connects to.
class SessionBus
{
public:
    SessionBus();
    ~SessionBus();

    // True when the daemon runs and printed its address; otherwise error() says why.
    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    QString error() const { return m_error; }

    SessionBus(const SessionBus &) = delete;
    SessionBus &operator=(const SessionBus &) = delete;

private:
    QProcess m_daemon;
    QString m_address;
    QString m_error;
    QByteArray m_previousAddress;
    bool m_hadPreviousAddress = false;
};
