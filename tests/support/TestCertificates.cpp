// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestCertificates.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TestCertificates::TestCertificates(const QStringList &subjectAltNames)
    : TestCertificates(Kind::Signed, subjectAltNames)
{
}

TestCertificates::TestCertificates(Kind kind, const QStringList &subjectAltNames)
    : m_kind(kind)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    if (!make(kind, subjectAltNames))
        return;
    const auto path = [this](const char *name) { return m_dir.filePath(QLatin1String(name)); };
    m_ca = QSslCertificate(readFile(path("ca.pem")), QSsl::Pem);
    m_server = QSslCertificate(readFile(path("server.pem")), QSsl::Pem);
    m_key = QSslKey(readFile(path("server.key")), QSsl::Ec, QSsl::Pem);
    if (m_ca.isNull() || m_server.isNull() || m_key.isNull()) {
        m_error = QStringLiteral("openssl wrote files that do not load");
        return;
    }
    QFile chain(serverChainFile());
    if (!chain.open(QIODevice::WriteOnly)
        || chain.write(m_server.toPem() + (kind == Kind::SelfSigned ? QByteArray() : m_ca.toPem())) < 0)
        m_error = QStringLiteral("cannot write ") + chain.fileName();
}

bool TestCertificates::make(Kind kind, const QStringList &subjectAltNames)
{
    const auto path = [this](const char *name) { return m_dir.filePath(QLatin1String(name)); };
    const auto writeText = [this](const QString &name, const QByteArray &text) {
        QFile file(name);
        if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size())
            return true;
        m_error = QStringLiteral("cannot write ") + name;
        return false;
    };
    const QByteArray extensions = "basicConstraints = critical, CA:FALSE\n"
                                  "keyUsage = critical, digitalSignature, keyEncipherment\n"
                                  "extendedKeyUsage = serverAuth\n"
                                  "subjectAltName = "
        + subjectAltNames.join(QLatin1String(", ")).toUtf8() + '\n';
    if (!writeText(path("server.ext"), extensions))
        return false;

    const QStringList ecKey = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                               QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    const bool keys =
        openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey
                + QStringList{QStringLiteral("-keyout"), path("ca.key"), QStringLiteral("-out"), path("ca.pem"),
                              QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                              QStringLiteral("/CN=Ocellus Test Authority"), QStringLiteral("-addext"),
                              QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                              QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")})
        && openssl(QStringList{QStringLiteral("req")} + ecKey
                   + QStringList{QStringLiteral("-keyout"), path("server.key"), QStringLiteral("-out"),
                                 path("server.csr"), QStringLiteral("-subj"), QStringLiteral("/CN=Ocellus Test Server")});
    if (!keys)
        return false;

    switch (kind) {
    case Kind::Signed:
        return openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), path("server.csr"),
                        QStringLiteral("-CA"), path("ca.pem"), QStringLiteral("-CAkey"), path("ca.key"),
                        QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"),
                        QStringLiteral("-extfile"), path("server.ext"), QStringLiteral("-out"), path("server.pem")});
    case Kind::SelfSigned:
        return openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), path("server.csr"),
                        QStringLiteral("-key"), path("server.key"), QStringLiteral("-days"), QStringLiteral("2"),
                        QStringLiteral("-extfile"), path("server.ext"), QStringLiteral("-out"), path("server.pem")});
    case Kind::Expired:
        // "openssl x509" takes no dates in the past; "openssl ca" takes any validity period.
        if (!writeText(path("ca.cnf"), "[ ca ]\ndefault_ca = test\n"
                                       "[ test ]\ndatabase = index.txt\nserial = serial\nnew_certs_dir = .\ndefault_md = sha256\n"
                                       "policy = any\nunique_subject = no\n"
                                       "[ any ]\ncommonName = supplied\n")
            || !writeText(path("index.txt"), QByteArray()))
            return false;
        return openssl({QStringLiteral("ca"), QStringLiteral("-batch"), QStringLiteral("-notext"),
                        QStringLiteral("-config"), path("ca.cnf"), QStringLiteral("-cert"), path("ca.pem"),
                        QStringLiteral("-keyfile"), path("ca.key"), QStringLiteral("-in"), path("server.csr"),
                        QStringLiteral("-rand_serial"), QStringLiteral("-startdate"), QStringLiteral("20200101000000Z"),
                        QStringLiteral("-enddate"), QStringLiteral("20200102000000Z"), QStringLiteral("-extfile"),
                        path("server.ext"), QStringLiteral("-out"), path("server.pem")});
    }
    return false;
}

QSslConfiguration TestCertificates::serverConfiguration() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(m_kind == Kind::SelfSigned ? QList<QSslCertificate>{m_server}
                                                                      : QList<QSslCertificate>{m_server, m_ca});
    configuration.setPrivateKey(m_key);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

bool TestCertificates::openssl(const QStringList &arguments)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (program.isEmpty()) {
        m_error = QStringLiteral("openssl not found on PATH");
        return false;
    }
    QProcess process;
    process.setWorkingDirectory(m_dir.path()); // "openssl ca" resolves its database here
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        m_error = QStringLiteral("openssl %1 failed: %2")
                      .arg(arguments.value(0), QString::fromLocal8Bit(process.readAll()));
        return false;
    }
    return true;
}
