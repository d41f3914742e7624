// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QSslCertificate>
#include <QSslError>
#include <QString>

// How a slot socket's connection attempt or connection ended when it was not the peer's
// close (see SlotSocket::failed).
struct SocketFailure
{
    enum class Kind {
        Refused,            // the peer refused the connection (nothing listens on the port)
        HostNotFound,       // the host name does not resolve
        ConnectTimedOut,    // not connected within the connect timeout; with TLS the handshake
                            // counts as part of connecting
        NoDataTimedOut,     // connected, then no byte arrived for the idle timeout
        TlsHandshakeFailed, // TLS could not be set up: TLS missing on this system, a peer that
                            // does not speak TLS, no common protocol or cipher, a dropped handshake
        TlsCertificate,     // the peer's certificate did not verify and no pin accepts it
        CertificateChanged, // a pin exists for the host and port and the certificate differs
        NetworkError,       // anything else before connected (unreachable network, a local port
                            // that cannot be bound, ...)
    };

    Kind kind = Kind::NetworkError;
    // A description in English for logs and tests: Qt's error text or one of the socket's own.
    QString text;
    // TlsCertificate: the errors the verification reported, as QSslSocket gave them.
    QList<QSslError> sslErrors;
    // TlsCertificate, CertificateChanged: the certificate the peer presented.
    QSslCertificate certificate;
    // TlsCertificate, CertificateChanged: SHA-256 of `certificate`, 64 lower-case hex digits.
    QByteArray peerFingerprint;
    // CertificateChanged: the pinned SHA-256 fingerprint, 64 lower-case hex digits.
    QByteArray pinnedFingerprint;
    // ConnectTimedOut, NoDataTimedOut: the timeout that ran out, in milliseconds; 0 when the
    // system gave up on the connection by itself.
    int timeoutMs = 0;
};

Q_DECLARE_METATYPE(SocketFailure)

// The one problem a certificate failure is named by, from its errors: NotTrusted when any
// error says the chain does not end at a trusted authority (self-signed certificate or chain,
// unknown or untrusted issuer, no issuer certificate); else Expired when any error says the
// certificate or one of its chain is expired or not yet valid; else WrongName when any error
// says the certificate is for another host; else Other (an empty list included).
enum class CertificateProblem { NotTrusted, Expired, WrongName, Other };
CertificateProblem certificateProblem(const QList<QSslError> &errors);
