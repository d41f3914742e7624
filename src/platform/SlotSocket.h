// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QString>

#include "platform/SocketFailure.h"

#include <optional>

class CertificatePins;
class QSslSocket;
class QTcpSocket;
class QTimer;

// The TCP client socket of one camera slot. Every event carries the slot index given
// at construction and arrives through the owner's event loop, in the order
// connected, dataArrived..., closedByPeer, and never from inside a call to this object.
//
// A connection attempt that fails raises failed instead of connected: a refused
// connection, a host name that does not resolve, no connection within the connect timeout,
// a failed TLS handshake or certificate check, any other network error. Once connected
// was raised, the end of the connection for any reason (the peer's orderly close, a
// connection reset by the peer, a broken network) is the peer's close: the bytes
// received before it are delivered by dataArrived, then closedByPeer follows. The one
// exception is the idle timeout: no byte for that long ends the connection with failed.
// failed is raised at most once per connection, is its last event, and never follows
// close() or closedByPeer; the socket is unconnected when it arrives.
class SlotSocket : public QObject
{
    Q_OBJECT

public:
    // The most bytes one dataArrived offers: a server that sends faster than the window
    // takes its bytes waits in the system's buffers, not in this process.
    static constexpr qint64 ReadPieceBytes = qint64(1) << 20;
    // Connecting (with TLS, the handshake included) gives up after this long.
    static constexpr int DefaultConnectTimeoutMs = 10000;
    // A connection on which no byte arrives (or is taken by read()) for this long ends.
    static constexpr int DefaultIdleTimeoutMs = 20000;

    explicit SlotSocket(int index, QObject *parent = nullptr);
    ~SlotSocket() override;

    int index() const { return m_index; }

    // Drops the connection or the connection attempt, if any, and discards the bytes
    // still waiting. Harmless on a closed socket. Raises no closedByPeer; no event of the
    // dropped connection arrives afterwards. The socket can connect again at once.
    void close();

    // The local port of the next connection; 0 (the default) lets the system choose.
    // A non-zero port that cannot be bound makes the next connection fail (NetworkError).
    void setLocalPort(quint16 port);
    quint16 localPort() const { return m_localPort; }

    // Timeouts of the connections started afterwards, in milliseconds; values below 1 are
    // taken as 1.
    void setConnectTimeoutMs(int ms);
    int connectTimeoutMs() const { return m_connectTimeoutMs; }
    void setIdleTimeoutMs(int ms);
    int idleTimeoutMs() const { return m_idleTimeoutMs; }

    // The pins consulted when a TLS certificate does not verify; not owned, may be null (no
    // pins), must outlive the socket or be replaced first. Read at each handshake.
    void setCertificatePins(CertificatePins *pins);

    // Starts connecting to `host` (a name, resolved here, or an address) on `port` and
    // returns at once; an earlier connection is dropped first as by close(). With `tls`
    // the connection is encrypted and connected follows the handshake. A certificate that
    // is valid for `host` and chains to a trusted authority (the system's trust store plus
    // addTrustedCaCertificates()) is accepted. One that does not verify is accepted when the
    // pins hold a fingerprint for `host` and `port` equal to its SHA-256 (exactly the
    // reported errors are ignored, for that certificate); with a different pinned
    // fingerprint the attempt fails as CertificateChanged, without a pin as TlsCertificate.
    void connectToHost(const QString &host, quint16 port, bool tls = false);

    // Queues `bytes` for sending, in one piece and in order. Ignored when not connected.
    void send(const QByteArray &bytes);

    // Every byte waiting, removed from the socket; empty when nothing is waiting.
    QByteArray read();

    // Up to `maxBytes` waiting bytes, removed from the socket and written to `into`; returns
    // how many were written (0 when nothing is waiting). Saves a copy of large arrivals.
    qint64 read(char *into, qint64 maxBytes);

    // Bytes waiting to be taken by read().
    qint64 bytesAvailable() const;

    // Unconnected when closed, failed or finished; for diagnostics and tests.
    QAbstractSocket::SocketState state() const;

    // Authorities trusted on top of the system's trust store by TLS connections started
    // afterwards, in this process. setTrustedCaCertificates({}) returns to the system store.
    static void addTrustedCaCertificates(const QList<QSslCertificate> &cas);
    static void setTrustedCaCertificates(const QList<QSslCertificate> &cas);

Q_SIGNALS:
    // Connected; for TLS, after the handshake and the certificate check succeeded.
    void connected(int index);
    // Bytes are waiting; `bytesTotal` is the number waiting now (at most 2^31 - 1 shown).
    void dataArrived(int index, qint32 bytesTotal);
    // The peer closed the connection; every received byte was offered by dataArrived first.
    void closedByPeer(int index);
    // The connection attempt failed, or the idle timeout ended the connection; bytes not
    // yet taken are discarded.
    void failed(int index, const SocketFailure &failure);

private:
    class CallScope;

    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void onSslErrors(QSslSocket *ssl, const QList<QSslError> &errors);
    void onConnectTimeout();
    void onIdleTimeout();
    // Drops the connection and raises failed with `failure`.
    void fail(SocketFailure failure);
    void raiseEvents();

    const int m_index;
    quint16 m_localPort = 0;
    int m_connectTimeoutMs = DefaultConnectTimeoutMs;
    int m_idleTimeoutMs = DefaultIdleTimeoutMs;
    CertificatePins *m_pins = nullptr;
    QString m_host;                 // the current attempt's host, lower-cased, and port
    quint16 m_port = 0;
    bool m_tls = false;
    QTimer *m_connectTimer = nullptr; // children
    QTimer *m_idleTimer = nullptr;
    QTcpSocket *m_socket = nullptr; // the current connection or attempt; owned
    bool m_established = false;     // connected was raised for m_socket
    bool m_connectPending = false;  // events waiting to be raised by raiseEvents()
    bool m_arrivalPending = false;
    bool m_closePending = false;
    bool m_closeRaised = false;     // closedByPeer was raised for m_socket
    bool m_delivering = false;      // an event handler is running
    bool m_raiseQueued = false;     // raiseEvents() is posted to the event loop
    int m_callDepth = 0;            // calls from the owner in progress
    qint64 m_offeredAtClose = -1;   // bytes waiting at the last offer after the peer closed
    std::optional<SocketFailure> m_failurePending;
};
