#include "platform/SlotSocket.h"

#include <QHostAddress>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>

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
{
}

SlotSocket::~SlotSocket() { close(); }

void SlotSocket::addTrustedCaCertificates(const QList<QSslCertificate> &cas) { extraAuthorities() += cas; }

void SlotSocket::setTrustedCaCertificates(const QList<QSslCertificate> &cas) { extraAuthorities() = cas; }

void SlotSocket::setLocalPort(quint16 port) { m_localPort = port; }

void SlotSocket::close()
{
    const CallScope scope(this);
    m_established = false;
    m_connectPending = false;
    m_arrivalPending = false;
    m_closePending = false;
    m_closeRaised = false;
    m_offeredAtClose = -1;
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
    QTcpSocket *socket = nullptr;
    if (tls) {
        if (!QSslSocket::supportsSsl())
            return;
        auto *ssl = new QSslSocket;
        if (!extraAuthorities().isEmpty()) {
            QSslConfiguration config = ssl->sslConfiguration();
            config.setCaCertificates(systemAuthorities() + extraAuthorities());
            ssl->setSslConfiguration(config);
        }
        connect(ssl, &QSslSocket::encrypted, this, &SlotSocket::onConnected);
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
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        // Some errors end an established connection without a disconnected signal.
        if (m_socket && m_socket->state() == QAbstractSocket::UnconnectedState)
            onDisconnected();
    });

    if (m_localPort != 0 && !socket->bind(QHostAddress::Any, m_localPort))
        return; // stays unconnected: a failed connection reports nothing
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
    return m_socket ? m_socket->readAll() : QByteArray();
}

qint64 SlotSocket::read(char *into, qint64 maxBytes)
{
    const CallScope scope(this);
    if (!m_socket || maxBytes <= 0)
        return 0;
    return std::max<qint64>(0, m_socket->read(into, maxBytes));
}

qint64 SlotSocket::bytesAvailable() const { return m_socket ? m_socket->bytesAvailable() : 0; }

QAbstractSocket::SocketState SlotSocket::state() const
{
    return m_socket ? m_socket->state() : QAbstractSocket::UnconnectedState;
}

void SlotSocket::onConnected()
{
    m_connectPending = true;
    raiseEvents();
}

void SlotSocket::onReadyRead()
{
    if (!m_established && !m_connectPending)
        return;
    m_arrivalPending = true;
    raiseEvents();
}

void SlotSocket::onDisconnected()
{
    // Before connected (a failed TLS handshake) the attempt failed: nothing to report.
    if ((!m_established && !m_connectPending) || m_closeRaised || m_closePending)
        return;
    m_closePending = true;
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
    while (m_socket) {
        if (m_connectPending) {
            m_connectPending = false;
            m_established = true;
            emit connected(m_index);
        } else if (m_arrivalPending) {
            m_arrivalPending = false;
            const qint64 waiting = m_socket->bytesAvailable();
            if (waiting > 0)
                emit dataArrived(m_index, reportedCount(waiting));
        } else if (m_closePending) {
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
        } else {
            break;
        }
        if (!self)
            return;
    }
    m_delivering = false;
}
