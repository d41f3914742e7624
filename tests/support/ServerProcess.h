// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// For helpers that run a server program on the loopback interface.

// A port on 127.0.0.1 that nothing listened on a moment ago; 0 when none could be found. Free
// for a server to take, or refused for a client that connects to it.
quint16 freeLoopbackPort();

// Starts `program` with `arguments` in `process` and waits until something accepts
// connections on 127.0.0.1:`port`, at most `timeoutMs`. Empty on success; otherwise what went
// wrong ("did not start: ...", "ended", "did not accept connections"), the process's output
// left to the caller to add.
QString startAndAwaitPort(QProcess &process, const QString &program, const QStringList &arguments, quint16 port,
                          int timeoutMs);

// Ends a running `process`: asks it to terminate, kills it when it is still running after
// `graceMs`.
void stopProcess(QProcess &process, int graceMs);
