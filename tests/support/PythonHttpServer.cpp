#include "support/PythonHttpServer.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool accepts(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(250);
}

} // namespace

PythonHttpServer::PythonHttpServer(const QString &directory)
    : m_directory(directory)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

PythonHttpServer::~PythonHttpServer() { stop(); }

bool PythonHttpServer::start(int timeoutMs)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        m_error = QStringLiteral("python3 not found on PATH");
        return false;
    }
    // Another process may take the free port between the probe and python's bind.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (startOnce(python, timeoutMs))
            return true;
        stop();
    }
    return false;
}

bool PythonHttpServer::startOnce(const QString &python, int timeoutMs)
{
    m_port = freeLoopbackPort();
    if (m_port == 0) {
        m_error = QStringLiteral("no free loopback port");
        return false;
    }
    m_output.clear();
    m_process.start(python, {QStringLiteral("-u"), QStringLiteral("-m"), QStringLiteral("http.server"),
                             QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("--directory"), m_directory, QString::number(m_port)});
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("python3 did not start: ") + m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process.state() != QProcess::Running) {
            m_error = QStringLiteral("python3 ended: ") + log();
            return false;
        }
        if (accepts(m_port))
            return true;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("python3 http.server did not accept connections: ") + log();
    return false;
}

void PythonHttpServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QString PythonHttpServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

QString PythonHttpServer::log()
{
    m_output += m_process.readAll();
    return QString::fromLocal8Bit(m_output);
}
