// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SlotSocket.h"

#include "platform/CertificatePins.h"

#include <QHostAddress>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

QList<QSslCertificate> &extraAuthorities()
{
    static QList<QSslCertificate> list;
    return list;
}

// Read once: the store does not change while the program runs.
const QList<QSslCertificate> &systemAuthorities()
{
    static const QList<QSslCertificate> list = QSslConfiguration::systemCaCertificates();
    return list;
}

qint32 reportedCount(qint64 waiting)
{
    return static_cast<qint32>(std::min<qint64>(waiting, std::numeric_limits<qint32>::max()));
}

SocketFailure failureOf(SocketFailure::Kind kind, const QString &text)
{
    SocketFailure failure;
    failure.kind = kind;
    failure.text = text;
    return failure;
}

SocketFailure timedOut(SocketFailure::Kind kind, int timeoutMs, const char *what)
{
    SocketFailure failure =
        failureOf(kind, QStringLiteral("%1 within %2 ms").arg(QLatin1StringView(what)).arg(timeoutMs));
    failure.timeoutMs = timeoutMs;
    return failure;
}

// What an error before connected means; RemoteHostClosedError can only come from a TLS
// handshake the peer dropped.
SocketFailure::Kind kindOf(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return SocketFailure::Kind::Refused;
    case QAbstractSocket::HostNotFoundError:
        return SocketFailure::Kind::HostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return SocketFailure::Kind::ConnectTimedOut;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
    case QAbstractSocket::RemoteHostClosedError:
        return SocketFailure::Kind::TlsHandshakeFailed;
    default:
        return SocketFailure::Kind::NetworkError;
    }
}

} // namespace

// Marks a call from the owner: events that arise inside it are raised afterwards.
class SlotSocket::CallScope
{
public:
    explicit CallScope(SlotSocket *socket)
        : m_socket(socket)
    {
        ++m_socket->m_callDepth;
    }
    ~CallScope() { --m_socket->m_callDepth; }
    CallScope(const CallScope &) = delete;
    CallScope &operator=(const CallScope &) = delete;

private:
    SlotSocket *m_socket;
};

SlotSocket::SlotSocket(int index, QObject *parent)
    : QObject(parent)
    , m_index(index)
    , m_connectTimer(new QTimer(this))
    , m_idleTimer(new QTimer(this))
{
    m_connectTimer->setSingleShot(true);
    m_idleTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, &SlotSocket::onConnectTimeout);
    connect(m_idleTimer, &QTimer::timeout, this, &SlotSocket::onIdleTimeout);
}

SlotSocket::~SlotSocket() { close(); }

void SlotSocket::addTrustedCaCertificates(const QList<QSslCertificate> &cas) { extraAuthorities() += cas; }

void SlotSocket::setTrustedCaCertificates(const QList<QSslCertificate> &cas) { extraAuthorities() = cas; }

void SlotSocket::setLocalPort(quint16 port) { m_localPort = port; }

void SlotSocket::setConnectTimeoutMs(int ms) { m_connectTimeoutMs = std::max(1, ms); }

void SlotSocket::setIdleTimeoutMs(int ms) { m_idleTimeoutMs = std::max(1, ms); }

void SlotSocket::setCertificatePins(CertificatePins *pins) { m_pins = pins; }

void SlotSocket::close()
{
    const CallScope scope(this);
    m_established = false;
    m_connectPending = false;
    m_arrivalPending = false;
    m_closePending = false;
    m_closeRaised = false;
    m_offeredAtClose = -1;
    m_failurePending.reset();
    m_connectTimer->stop();
    m_idleTimer->stop();
    if (!m_socket)
        return;
    // The socket may be the sender of the signal whose handler called close(): it is
    // silenced now and deleted once control is back in the event loop.
    QTcpSocket *socket = std::exchange(m_socket, nullptr);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void SlotSocket::connectToHost(const QString &host, quint16 port, bool tls)
{
    const CallScope scope(this);
    close();
    m_host = host.toLower();
    m_port = port;
    m_tls = tls;
    QTcpSocket *socket = nullptr;
    if (tls) {
        if (!QSslSocket::supportsSsl()) {
            fail(failureOf(SocketFailure::Kind::TlsHandshakeFailed, QStringLiteral("TLS is not available")));
            return;
        }
        auto *ssl = new QSslSocket;
        if (!extraAuthorities().isEmpty()) {
            QSslConfiguration config = ssl->sslConfiguration();
            config.setCaCertificates(systemAuthorities() + extraAuthorities());
            ssl->setSslConfiguration(config);
        }
        connect(ssl, &QSslSocket::encrypted, this, &SlotSocket::onConnected);
        connect(ssl, &QSslSocket::sslErrors, this, [this, ssl](const QList<QSslError> &errors) {
            onSslErrors(ssl, errors);
        });
        socket = ssl;
    } else {
        socket = new QTcpSocket;
        connect(socket, &QTcpSocket::connected, this, &SlotSocket::onConnected);
    }
    m_socket = socket;
    // A bounded read buffer hands a fast sender's bytes over in pieces of at most this size,
    // one per pass of the event loop, instead of whatever piled up meanwhile at once.
    socket->setReadBufferSize(ReadPieceBytes);
    connect(socket, &QTcpSocket::readyRead, this, &SlotSocket::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &SlotSocket::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &SlotSocket::onError);

    m_connectTimer->start(m_connectTimeoutMs);
    if (m_localPort != 0 && !socket->bind(QHostAddress::Any, m_localPort)) {
        fail(failureOf(SocketFailure::Kind::NetworkError,
                       QStringLiteral("local port %1: %2").arg(m_localPort).arg(socket->errorString())));
        return;
    }
    if (tls)
        static_cast<QSslSocket *>(socket)->connectToHostEncrypted(host, port);
    else
        socket->connectToHost(host, port);
}

void SlotSocket::send(const QByteArray &bytes)
{
    const CallScope scope(this);
    if (m_socket && m_established && !bytes.isEmpty())
        m_socket->write(bytes);
}

QByteArray SlotSocket::read()
{
    const CallScope scope(this);
    if (!m_socket)
        return QByteArray();
    QByteArray bytes = m_socket->readAll();
    if (!bytes.isEmpty() && m_idleTimer->isActive())
        m_idleTimer->start(m_idleTimeoutMs);
    return bytes;
}

qint64 SlotSocket::read(char *into, qint64 maxBytes)
{
    const CallScope scope(this);
    if (!m_socket || maxBytes <= 0)
        return 0;
    const qint64 taken = std::max<qint64>(0, m_socket->read(into, maxBytes));
    if (taken > 0 && m_idleTimer->isActive())
        m_idleTimer->start(m_idleTimeoutMs);
    return taken;
}

qint64 SlotSocket::bytesAvailable() const { return m_socket ? m_socket->bytesAvailable() : 0; }

QAbstractSocket::SocketState SlotSocket::state() const
{
    return m_socket ? m_socket->state() : QAbstractSocket::UnconnectedState;
}

void SlotSocket::onConnected()
{
    m_connectTimer->stop();
    m_idleTimer->start(m_idleTimeoutMs);
    m_connectPending = true;
    raiseEvents();
}

void SlotSocket::onReadyRead()
{
    if (!m_established && !m_connectPending)
        return;
    m_idleTimer->start(m_idleTimeoutMs);
    m_arrivalPending = true;
    raiseEvents();
}

void SlotSocket::onDisconnected()
{
    if (!m_established && !m_connectPending) {
        // Closed before connected without an error of its own: a dropped TLS handshake.
        fail(failureOf(m_tls ? SocketFailure::Kind::TlsHandshakeFailed : SocketFailure::Kind::NetworkError,
                       QStringLiteral("the connection was closed before it was set up")));
        return;
    }
    if (m_closeRaised || m_closePending)
        return;
    m_idleTimer->stop();
    m_closePending = true;
    raiseEvents();
}

void SlotSocket::onError(QAbstractSocket::SocketError error)
{
    if (!m_socket)
        return;
    if (m_established || m_connectPending) {
        // Some errors end an established connection without a disconnected signal.
        if (m_socket->state() == QAbstractSocket::UnconnectedState)
            onDisconnected();
        return;
    }
    SocketFailure failure = failureOf(kindOf(error), m_socket->errorString());
    if (failure.kind == SocketFailure::Kind::TlsHandshakeFailed && !m_tls)
        failure.kind = SocketFailure::Kind::NetworkError;
    fail(failure);
}

void SlotSocket::onSslErrors(QSslSocket *ssl, const QList<QSslError> &errors)
{
    if (ssl != m_socket)
        return;
    QSslCertificate certificate = ssl->peerCertificate();
    if (certificate.isNull() && !errors.isEmpty())
        certificate = errors.first().certificate();
    const QByteArray peer = CertificatePins::fingerprint(certificate);
    const QByteArray pinned = m_pins ? m_pins->fingerprintFor(m_host, m_port) : QByteArray();

    if (!pinned.isEmpty() && !peer.isEmpty() && pinned == peer) {
        ssl->ignoreSslErrors(errors);
        return;
    }
    SocketFailure failure;
    failure.certificate = certificate;
    failure.peerFingerprint = peer;
    if (!pinned.isEmpty() && !peer.isEmpty()) {
        failure.kind = SocketFailure::Kind::CertificateChanged;
        failure.pinnedFingerprint = pinned;
        failure.text =
            QStringLiteral("the certificate differs from the one trusted for %1:%2").arg(m_host).arg(m_port);
    } else {
        failure.kind = SocketFailure::Kind::TlsCertificate;
        failure.sslErrors = errors;
        QStringList texts;
        for (const QSslError &error : errors)
            texts << error.errorString();
        failure.text = texts.join(QStringLiteral("; "));
    }
    fail(failure);
}

void SlotSocket::onConnectTimeout()
{
    if (m_socket && !m_established && !m_connectPending)
        fail(timedOut(SocketFailure::Kind::ConnectTimedOut, m_connectTimeoutMs, "not connected"));
}

void SlotSocket::onIdleTimeout()
{
    if (m_socket && !m_closePending && !m_closeRaised)
        fail(timedOut(SocketFailure::Kind::NoDataTimedOut, m_idleTimeoutMs, "no data"));
}

void SlotSocket::fail(SocketFailure failure)
{
    close();
    m_failurePending = std::move(failure);
    raiseEvents();
}

void SlotSocket::raiseEvents()
{
    // A handler that runs a nested event loop must not see the next event of this
    // socket inside itself: the outer call raises it when the handler has returned.
    if (m_delivering)
        return;
    if (m_callDepth > 0) {
        if (!m_raiseQueued) {
            m_raiseQueued = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_raiseQueued = false;
                    raiseEvents();
                },
                Qt::QueuedConnection);
        }
        return;
    }
    m_delivering = true;
    const QPointer<SlotSocket> self(this);
    for (;;) {
        if (m_socket && m_connectPending) {
            m_connectPending = false;
            m_established = true;
            emit connected(m_index);
        } else if (m_socket && m_arrivalPending) {
            m_arrivalPending = false;
            const qint64 waiting = m_socket->bytesAvailable();
            if (waiting > 0)
                emit dataArrived(m_index, reportedCount(waiting));
        } else if (m_socket && m_closePending) {
            // Offer what is still waiting; a handler that took nothing of the last
            // offer is not asked again, so the close cannot be held back forever.
            const qint64 waiting = m_socket->bytesAvailable();
            if (waiting > 0 && waiting != m_offeredAtClose) {
                m_offeredAtClose = waiting;
                emit dataArrived(m_index, reportedCount(waiting));
            } else {
                m_closePending = false;
                m_closeRaised = true;
                emit closedByPeer(m_index);
            }
        } else if (m_failurePending) {
            const SocketFailure failure = std::move(*m_failurePending);
            m_failurePending.reset();
            emit failed(m_index, failure);
        } else {
            break;
        }
        if (!self)
            return;
    }
    m_delivering = false;
}
