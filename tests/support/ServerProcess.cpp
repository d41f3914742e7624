// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ServerProcess.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {

bool accepts(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(250);
}

} // namespace

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

QString startAndAwaitPort(QProcess &process, const QString &program, const QStringList &arguments, quint16 port,
                          int timeoutMs)
{
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs))
        return QStringLiteral("did not start: ") + process.errorString();
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (process.state() != QProcess::Running)
            return QStringLiteral("ended");
        if (accepts(port))
            return QString();
        QThread::msleep(50);
    }
    return QStringLiteral("did not accept connections");
}

void stopProcess(QProcess &process, int graceMs)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(graceMs)) {
        process.kill();
        process.waitForFinished(3000);
    }
}
