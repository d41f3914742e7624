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
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    const auto path = [this](const char *name) { return m_dir.filePath(QLatin1String(name)); };
    QFile extensions(path("server.ext"));
    if (!extensions.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write ") + extensions.fileName();
        return;
    }
    extensions.write("basicConstraints = critical, CA:FALSE\n"
                     "keyUsage = critical, digitalSignature, keyEncipherment\n"
                     "extendedKeyUsage = serverAuth\n"
                     "subjectAltName = "
                     + subjectAltNames.join(QLatin1String(", ")).toUtf8() + '\n');
    extensions.close();

    const QStringList ecKey = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                               QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    const bool made =
        openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey
                + QStringList{QStringLiteral("-keyout"), path("ca.key"), QStringLiteral("-out"), path("ca.pem"),
                              QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                              QStringLiteral("/CN=Ocellus Test Authority"), QStringLiteral("-addext"),
                              QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                              QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")})
        && openssl(QStringList{QStringLiteral("req")} + ecKey
                   + QStringList{QStringLiteral("-keyout"), path("server.key"), QStringLiteral("-out"),
                                 path("server.csr"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost")})
        && openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), path("server.csr"),
                    QStringLiteral("-CA"), path("ca.pem"), QStringLiteral("-CAkey"), path("ca.key"),
                    QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"),
                    QStringLiteral("-extfile"), path("server.ext"), QStringLiteral("-out"), path("server.pem")});
    if (!made)
        return;

    m_ca = QSslCertificate(readFile(path("ca.pem")), QSsl::Pem);
    m_server = QSslCertificate(readFile(path("server.pem")), QSsl::Pem);
    m_key = QSslKey(readFile(path("server.key")), QSsl::Ec, QSsl::Pem);
    if (m_ca.isNull() || m_server.isNull() || m_key.isNull())
        m_error = QStringLiteral("openssl wrote files that do not load");
}

QSslConfiguration TestCertificates::serverConfiguration() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain({m_server, m_ca});
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
