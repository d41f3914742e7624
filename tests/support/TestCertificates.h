#pragma once

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A test certificate authority and a server certificate signed by it, made with the
// openssl command-line tool in a temporary folder (EC P-256 keys, valid for two days).
//
//   TestCertificates certs;                       // for localhost and 127.0.0.1
//   QVERIFY2(certs.isValid(), qPrintable(certs.errorString()));
//   server.setTlsConfiguration(certs.serverConfiguration());
//   SlotSocket::addTrustedCaCertificates({certs.caCertificate()});
class TestCertificates
{
public:
    // `subjectAltNames` in openssl's form, e.g. "DNS:localhost", "IP:127.0.0.1".
    explicit TestCertificates(const QStringList &subjectAltNames = {QStringLiteral("DNS:localhost"),
                                                                    QStringLiteral("IP:127.0.0.1")});

    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    QSslCertificate caCertificate() const { return m_ca; }
    QSslCertificate serverCertificate() const { return m_server; }
    QSslKey serverKey() const { return m_key; }
    // Server side of a TLS connection: the certificate, its authority as chain and the key.
    QSslConfiguration serverConfiguration() const;

private:
    bool openssl(const QStringList &arguments);

    QTemporaryDir m_dir;
    QString m_error;
    QSslCertificate m_ca;
    QSslCertificate m_server;
    QSslKey m_key;
};
