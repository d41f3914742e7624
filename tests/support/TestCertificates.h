// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A test certificate authority and a server certificate, made with the openssl
// command-line tool in a temporary folder (EC P-256 keys; the server certificate's common
// name is not a host name, so only its subject alternative names match). Each object makes a new
// authority and new keys, so two objects never share a certificate.
//
//   TestCertificates certs;                       // for localhost and 127.0.0.1
//   QVERIFY2(certs.isValid(), qPrintable(certs.errorString()));
//   server.setTlsConfiguration(certs.serverConfiguration());
//   SlotSocket::addTrustedCaCertificates({certs.caCertificate()});
class TestCertificates
{
public:
    enum class Kind {
        Signed,     // signed by the authority, valid from now for two days
        SelfSigned, // its own issuer (no authority signs it; caCertificate() is the
                    // authority made alongside, which did not sign it)
        Expired,    // signed by the authority, valid from 1 to 2 January 2020 only
    };

    // `subjectAltNames` in openssl's form, e.g. "DNS:localhost", "IP:127.0.0.1".
    explicit TestCertificates(const QStringList &subjectAltNames = {QStringLiteral("DNS:localhost"),
                                                                    QStringLiteral("IP:127.0.0.1")});
    explicit TestCertificates(Kind kind, const QStringList &subjectAltNames = {QStringLiteral("DNS:localhost"),
                                                                               QStringLiteral("IP:127.0.0.1")});

    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    QSslCertificate caCertificate() const { return m_ca; }
    QSslCertificate serverCertificate() const { return m_server; }
    QSslKey serverKey() const { return m_key; }
    // Server side of a TLS connection: the certificate, its authority as chain (except for a
    // self-signed certificate) and the key.
    QSslConfiguration serverConfiguration() const;
    // The PEM files of the server certificate (with its authority after it, except for a
    // self-signed one) and its key, for servers started as other processes.
    QString serverChainFile() const { return m_dir.filePath(QStringLiteral("chain.pem")); }
    QString serverKeyFile() const { return m_dir.filePath(QStringLiteral("server.key")); }

private:
    bool make(Kind kind, const QStringList &subjectAltNames);
    bool openssl(const QStringList &arguments);

    Kind m_kind = Kind::Signed;
    QTemporaryDir m_dir;
    QString m_error;
    QSslCertificate m_ca;
    QSslCertificate m_server;
    QSslKey m_key;
};
