// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PythonHttpServer.h"

#include "support/ServerProcess.h"

#include <QStandardPaths>


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
    const QString problem = startAndAwaitPort(
        m_process, python,
        {QStringLiteral("-u"), QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("--bind"),
         QStringLiteral("127.0.0.1"), QStringLiteral("--directory"), m_directory, QString::number(m_port)},
        m_port, timeoutMs);
    if (problem.isEmpty())
        return true;
    m_error = QStringLiteral("python3 http.server ") + problem + QStringLiteral(": ") + log();
    return false;
}

void PythonHttpServer::stop() { stopProcess(m_process, 3000); }

QString PythonHttpServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

QString PythonHttpServer::log()
{
    m_output += m_process.readAll();
    return QString::fromLocal8Bit(m_output);
}
