// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Apache httpd (Debian's apache2 package: /usr/sbin/apache2, modules in
// /usr/lib/apache2/modules) in the foreground on a free 127.0.0.1 port, with a minimal
// configuration of its own in a temporary folder (no system configuration is read). It
// serves that folder's files; folders added with protect() need a Digest login. Works as
// root (the serving processes then run as "nobody", so the folder is made readable by all)
// and as any other user. The process ends with the object.
//
//   ApacheHttpServer apache;
//   QVERIFY(apache.addFile("md5/pic.jpg", jpeg));
//   apache.protect("md5", "MD5");
//   QVERIFY(apache.addUser("camera", "secret"));
//   QVERIFY2(apache.start(), qPrintable(apache.errorString()));
//   ... GET http://127.0.0.1:<apache.port()>/md5/pic.jpg
class ApacheHttpServer
{
public:
    // The realm of every protected folder.
    static constexpr const char *Realm = "ocellus";

    ApacheHttpServer();
    ~ApacheHttpServer();

    // /usr/sbin/apache2 and the Digest module are there.
    static bool isInstalled();
    // This Apache accepts "AuthDigestAlgorithm <algorithm>" (checked with "apache2 -t").
    static bool supportsDigestAlgorithm(const QString &algorithm);

    // Writes `bytes` to `path` (relative, "/" separated) under the served folder.
    bool addFile(const QString &path, const QByteArray &bytes);
    // The URL path "/<folder>/" needs a Digest login with `algorithm`; a nonce is stale
    // after `nonceLifetimeSeconds` (at least 1). Takes effect at start().
    void protect(const QString &folder, const QString &algorithm = QStringLiteral("MD5"),
                 int nonceLifetimeSeconds = 300);
    // A user of the realm, written as htdigest writes it (user:realm:MD5(user:realm:password)).
    bool addUser(const QString &user, const QString &password);

    // Writes the configuration, starts apache2 and waits until it accepts connections, at
    // most `timeoutMs`. False, with errorString(), when it does not come up.
    bool start(int timeoutMs = 20000);
    void stop();

    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }
    // What apache2 wrote to its output and error log so far.
    QString log();

    ApacheHttpServer(const ApacheHttpServer &) = delete;
    ApacheHttpServer &operator=(const ApacheHttpServer &) = delete;

private:
    struct Protected
    {
        QString folder;
        QString algorithm;
        int nonceLifetimeSeconds = 300;
    };

    bool startOnce(int timeoutMs);
    QByteArray configuration() const;
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
    QList<Protected> m_protected;
    QByteArray m_users;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
    QByteArray m_output;
};
