// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SessionBus.h"

#include <QDeadlineTimer>
#include <QStandardPaths>

#include <algorithm>

SessionBus::SessionBus()
    : m_previousAddress(qgetenv("DBUS_SESSION_BUS_ADDRESS"))
    , m_hadPreviousAddress(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon is not installed");
        return;
    }
    m_daemon.setProgram(program);
    m_daemon.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                           QStringLiteral("--print-address=1")});
    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
    m_daemon.start();
    if (!m_daemon.waitForStarted(10000)) {
        m_error = QStringLiteral("dbus-daemon did not start: ") + m_daemon.errorString();
        return;
    }
    QByteArray line;
    const QDeadlineTimer deadline(10000);
    while (!line.contains('\n') && !deadline.hasExpired() && m_daemon.state() == QProcess::Running) {
        m_daemon.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        line += m_daemon.readAllStandardOutput();
    }
    const QByteArray address = line.left(line.indexOf('\n')).trimmed();
    if (address.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon printed no address: ")
                  + QString::fromLocal8Bit(m_daemon.readAllStandardError());
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
        return;
    }
    m_address = QString::fromUtf8(address);
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
}

SessionBus::~SessionBus()
{
    if (m_hadPreviousAddress)
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_previousAddress);
    else
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }
}
