// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>

// Python's http.server serving one folder on 127.0.0.1, for tests that need a real HTTP
// server (HTTP/1.0, closes after each response, 404 error pages). The process ends with
// the object.
//
//   PythonHttpServer server(dir.path());
//   QVERIFY2(server.start(), qPrintable(server.errorString()));
//   downloadUrlText(server.url("/file.txt"));
class PythonHttpServer
{
public:
    explicit PythonHttpServer(const QString &directory);
    ~PythonHttpServer();

    // Starts python3 on a free port and waits until it accepts connections, at most
    // `timeoutMs`. False, with errorString(), when python3 is missing or does not come up.
    bool start(int timeoutMs = 20000);
    void stop();

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path; `path` starts with "/".
    QString url(const QString &path) const;
    QString errorString() const { return m_error; }
    // What the server wrote so far (one line per request served).
    QString log();

    PythonHttpServer(const PythonHttpServer &) = delete;
    PythonHttpServer &operator=(const PythonHttpServer &) = delete;

private:
    bool startOnce(const QString &python, int timeoutMs);

    QString m_directory;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
    QByteArray m_output;
};
