// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ApacheHttpServer.h"

#include "support/ServerProcess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString kApache = QStringLiteral("/usr/sbin/apache2");
const QString kModules = QStringLiteral("/usr/lib/apache2/modules");

bool writeFile(const QString &path, const QByteArray &bytes, QFileDevice::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.setPermissions(permissions);
}

const QFileDevice::Permissions kReadable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
    | QFileDevice::ReadOther;
const QFileDevice::Permissions kFolder = kReadable | QFileDevice::ExeOwner | QFileDevice::ExeGroup
    | QFileDevice::ExeOther;

// The modules the configuration uses, in load order.
QByteArray moduleLines()
{
    QByteArray lines;
    for (const char *module : {"mpm_prefork", "authn_core", "authn_file", "authz_core", "authz_user", "auth_digest",
                               "mime"}) {
        lines += QByteArray("LoadModule ") + module + "_module \"" + kModules.toUtf8() + "/mod_" + module + ".so\"\n";
    }
    return lines;
}

// As root, Apache serves from processes of this user and group.
QByteArray userLines()
{
    if (::geteuid() != 0)
        return QByteArray();
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        return QByteArray();
    return "User #" + QByteArray::number(nobody->pw_uid) + "\nGroup #" + QByteArray::number(nobody->pw_gid) + '\n';
}

} // namespace

ApacheHttpServer::ApacheHttpServer()
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // Apache ends its serving processes by signalling its whole process group: in a group
    // of its own it cannot reach the test and whatever started it.
    m_process.setChildProcessModifier([] { ::setsid(); });
    if (m_dir.isValid()) {
        QFile::setPermissions(m_dir.path(), kFolder);
        QDir(m_dir.path()).mkpath(QStringLiteral("www"));
        QDir(m_dir.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(path(QStringLiteral("www")), kFolder);
    }
}

ApacheHttpServer::~ApacheHttpServer() { stop(); }

bool ApacheHttpServer::isInstalled()
{
    return QFileInfo(kApache).isExecutable() && QFileInfo::exists(kModules + QStringLiteral("/mod_auth_digest.so"));
}

bool ApacheHttpServer::supportsDigestAlgorithm(const QString &algorithm)
{
    if (!isInstalled())
        return false;
    ApacheHttpServer probe;
    probe.protect(QStringLiteral("probe"), algorithm);
    probe.m_port = freeLoopbackPort();
    const QString config = probe.path(QStringLiteral("httpd.conf"));
    if (!writeFile(config, probe.configuration(), kReadable))
        return false;
    QProcess check;
    check.start(kApache, {QStringLiteral("-t"), QStringLiteral("-f"), config});
    return check.waitForFinished(20000) && check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0;
}

bool ApacheHttpServer::addFile(const QString &relative, const QByteArray &bytes)
{
    const QString target = path(QStringLiteral("www/") + relative);
    const QString folder = QFileInfo(target).path();
    if (!QDir().mkpath(folder))
        return false;
    // Every folder from the served one down must be readable by the serving user.
    for (QString at = folder; at.startsWith(path(QStringLiteral("www"))); at = QFileInfo(at).path())
        QFile::setPermissions(at, kFolder);
    return writeFile(target, bytes, kReadable);
}

void ApacheHttpServer::protect(const QString &folder, const QString &algorithm, int nonceLifetimeSeconds)
{
    m_protected.append({folder, algorithm, std::max(1, nonceLifetimeSeconds)});
}

bool ApacheHttpServer::addUser(const QString &user, const QString &password)
{
    const QByteArray prefix = user.toUtf8() + ':' + Realm;
    m_users += prefix + ':' + QCryptographicHash::hash(prefix + ':' + password.toUtf8(), QCryptographicHash::Md5).toHex()
        + '\n';
    return writeFile(path(QStringLiteral("users.digest")), m_users, kReadable);
}

QByteArray ApacheHttpServer::configuration() const
{
    const QByteArray root = m_dir.path().toUtf8();
    QByteArray config = "ServerRoot \"" + root + "\"\n"
                        "Listen 127.0.0.1:" + QByteArray::number(m_port) + "\n"
                        "ServerName 127.0.0.1\n"
                        "PidFile \"" + root + "/run/httpd.pid\"\n"
                        "DefaultRuntimeDir \"" + root + "/run\"\n"
                        "ErrorLog \"" + root + "/error.log\"\n"
                        "LogLevel warn\n"
        + moduleLines() + userLines()
        + "StartServers 1\nMinSpareServers 1\nMaxSpareServers 2\n"
          "TypesConfig /dev/null\n"
          "AddType image/jpeg .jpg\n"
          "DocumentRoot \"" + root + "/www\"\n";
    for (const Protected &item : m_protected) {
        config += "<Directory \"" + root + "/www/" + item.folder.toUtf8() + "\">\n"
                  "    AuthType Digest\n"
                  "    AuthName \"" + QByteArray(Realm) + "\"\n"
                  "    AuthDigestProvider file\n"
                  "    AuthDigestAlgorithm " + item.algorithm.toUtf8() + "\n"
                  "    AuthDigestNonceLifetime " + QByteArray::number(item.nonceLifetimeSeconds) + "\n"
                  "    AuthUserFile \"" + root + "/users.digest\"\n"
                  "    Require valid-user\n"
                  "</Directory>\n";
    }
    return config;
}

bool ApacheHttpServer::start(int timeoutMs)
{
    if (!isInstalled()) {
        m_error = kApache + QStringLiteral(" or its Digest module is missing (Debian package apache2)");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    // Another process may take the free port between the probe and Apache's bind.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (startOnce(timeoutMs))
            return true;
        stop();
    }
    return false;
}

bool ApacheHttpServer::startOnce(int timeoutMs)
{
    m_port = freeLoopbackPort();
    const QString config = path(QStringLiteral("httpd.conf"));
    if (m_port == 0 || !writeFile(config, configuration(), kReadable)) {
        m_error = QStringLiteral("no free port or the configuration cannot be written");
        return false;
    }
    m_output.clear();
    const QString problem =
        startAndAwaitPort(m_process, kApache, {QStringLiteral("-f"), config, QStringLiteral("-DFOREGROUND")},
                          m_port, timeoutMs);
    if (problem.isEmpty())
        return true;
    m_error = QStringLiteral("apache2 ") + problem + QStringLiteral(": ") + log();
    return false;
}

void ApacheHttpServer::stop() { stopProcess(m_process, 5000); }

QString ApacheHttpServer::log()
{
    m_output += m_process.readAll();
    QFile errors(path(QStringLiteral("error.log")));
    const QByteArray logged = errors.open(QIODevice::ReadOnly) ? errors.readAll() : QByteArray();
    return QString::fromLocal8Bit(m_output + logged);
}
