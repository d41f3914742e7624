// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedHttpServer.h"

#include <QHostAddress>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <utility>

#include <sys/socket.h>

namespace {

constexpr qint64 kStreamChunk = 65530;   // a multiple of 10: chunks continue the digit pattern
constexpr qint64 kStreamBacklog = 262144; // bytes queued before waiting for the peer

const QByteArray &digitChunk()
{
    static const QByteArray chunk = [] {
        QByteArray bytes(kStreamChunk, '0');
        for (qint64 i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>('0' + i % 10);
        return bytes;
    }();
    return chunk;
}

} // namespace

Step Step::send(const QByteArray &bytes)
{
    Step step;
    step.kind = Kind::Send;
    step.bytes = bytes;
    return step;
}

Step Step::waitMs(int ms)
{
    Step step;
    step.kind = Kind::Wait;
    step.ms = ms;
    return step;
}

Step Step::close()
{
    Step step;
    step.kind = Kind::Close;
    return step;
}

Step Step::reset()
{
    Step step;
    step.kind = Kind::Reset;
    return step;
}

Step Step::hang() { return Step(); }

Step Step::drip(const QByteArray &bytes, int intervalMs)
{
    Step step;
    step.kind = Kind::Drip;
    step.bytes = bytes;
    step.ms = intervalMs;
    return step;
}

Step Step::stream(qint64 total)
{
    Step step;
    step.kind = Kind::Stream;
    step.total = total;
    return step;
}

Step Step::repeat(const QByteArray &pattern, qint64 total)
{
    Step step;
    step.kind = Kind::Repeat;
    step.bytes = pattern.isEmpty() ? QByteArray(" ") : pattern;
    step.total = total;
    return step;
}

// One accepted connection and the script it plays. Owned by the server.
class ScriptedConnection : public QObject
{
public:
    ScriptedConnection(ScriptedHttpServer *server, QTcpSocket *socket, Script script, bool tls)
        : QObject(server)
        , m_server(server)
        , m_socket(socket)
        , m_script(std::move(script))
        , m_requestIndex(server->m_requests.size())
    {
        socket->setParent(this);
        server->m_connections.append(this);
        server->m_requests.append(QByteArray());
        server->m_lastPeerPort = socket->peerPort();
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &ScriptedConnection::onTimer);
        connect(socket, &QTcpSocket::readyRead, this, &ScriptedConnection::onReadyRead);
        connect(socket, &QTcpSocket::bytesWritten, this, &ScriptedConnection::onBytesWritten);
        connect(socket, &QTcpSocket::disconnected, this, &ScriptedConnection::onDisconnected);
        if (tls) {
            auto *ssl = static_cast<QSslSocket *>(socket);
            connect(ssl, &QSslSocket::encrypted, this, &ScriptedConnection::onReady);
            connect(ssl, &QSslSocket::errorOccurred, this, [this] {
                if (!m_ready && !m_done) {
                    ++m_server->m_handshakeFailures;
                    finish();
                }
            });
            ssl->startServerEncryption();
        } else {
            onReady();
        }
    }

    ~ScriptedConnection() override
    {
        m_server->m_connections.removeOne(this);
        m_timer.stop();
        m_socket->disconnect(this);
        m_socket->abort();
    }

private:
    void onReady()
    {
        m_ready = true;
        if (m_server->m_startOnAccept)
            start();
        onReadyRead();
    }

    void onReadyRead()
    {
        // Not open: a Reset step at accept has dropped the connection already.
        if (!m_ready || !m_socket->isOpen())
            return;
        const QByteArray bytes = m_socket->readAll();
        if (m_requestComplete)
            return;
        QByteArray &request = m_server->m_requests[m_requestIndex];
        request += bytes;
        const qsizetype end = request.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        request.truncate(end + 4);
        m_requestComplete = true;
        start();
    }

    void start()
    {
        if (m_started)
            return;
        m_started = true;
        run();
    }

    // Runs steps until one has to wait for a timer or for the peer.
    void run()
    {
        while (!m_done && m_next < m_script.size()) {
            const Step &step = m_script[m_next];
            switch (step.kind) {
            case Step::Kind::Send:
                write(step.bytes);
                ++m_next;
                break;
            case Step::Kind::Wait:
                ++m_next;
                m_timer.start(step.ms);
                return;
            case Step::Kind::Close:
                ++m_server->m_finished;
                finish();
                m_socket->disconnectFromHost();
                return;
            case Step::Kind::Reset:
                ++m_server->m_finished;
                finish();
                resetConnection();
                return;
            case Step::Kind::Hang:
                m_next = m_script.size();
                return;
            case Step::Kind::Drip:
                if (m_position < step.bytes.size()) {
                    write(step.bytes.mid(m_position, 1));
                    ++m_position;
                    m_timer.start(step.ms);
                    return;
                }
                m_position = 0;
                ++m_next;
                break;
            case Step::Kind::Stream:
                if (!pumpStream(step.total))
                    return;
                m_position = 0;
                ++m_next;
                break;
            case Step::Kind::Repeat:
                if (!pumpRepeat(step.bytes, step.total))
                    return;
                m_position = 0;
                ++m_next;
                break;
            }
        }
    }

    // Queues stream bytes while the backlog is small; true once `total` were queued.
    bool pumpStream(qint64 total)
    {
        while (total < 0 || m_position < total) {
            if (m_socket->bytesToWrite() >= kStreamBacklog)
                return false; // continued by onBytesWritten
            qint64 size = kStreamChunk;
            if (total >= 0)
                size = std::min(size, total - m_position);
            // Continue the digit pattern where the last chunk stopped.
            const qint64 offset = m_position % 10;
            write(digitChunk().mid(offset, size - offset) + digitChunk().left(offset));
            m_position += size;
        }
        return true;
    }

    // As pumpStream(), with copies of `pattern` continued where the last chunk stopped.
    bool pumpRepeat(const QByteArray &pattern, qint64 total)
    {
        if (m_position == 0) {
            m_repeatChunk = pattern.repeated(std::max<qsizetype>(1, kStreamChunk / pattern.size()));
            m_repeatChunk += m_repeatChunk.left(pattern.size()); // room for any starting offset
        }
        const qsizetype period = pattern.size();
        const qsizetype body = m_repeatChunk.size() - period; // a whole number of copies
        while (total < 0 || m_position < total) {
            if (m_socket->bytesToWrite() >= kStreamBacklog)
                return false; // continued by onBytesWritten
            qint64 size = body;
            if (total >= 0)
                size = std::min(size, total - m_position);
            write(m_repeatChunk.mid(m_position % period, size));
            m_position += size;
        }
        return true;
    }

    void onBytesWritten()
    {
        if (m_started && !m_done && m_next < m_script.size()
            && (m_script[m_next].kind == Step::Kind::Stream || m_script[m_next].kind == Step::Kind::Repeat))
            run();
    }

    void onTimer()
    {
        if (!m_done)
            run();
    }

    void write(const QByteArray &bytes)
    {
        m_socket->write(bytes);
        m_server->m_bytesSent += bytes.size();
    }

    void resetConnection()
    {
        m_socket->flush();
        const qintptr descriptor = m_socket->socketDescriptor();
        if (descriptor >= 0) {
            const linger abortive {1, 0};
            ::setsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        }
        m_socket->abort();
        deleteLater();
    }

    void onDisconnected()
    {
        if (!m_done && m_ready)
            ++m_server->m_peerClosed;
        finish();
        deleteLater();
    }

    void finish()
    {
        m_done = true;
        m_timer.stop();
    }

    ScriptedHttpServer *m_server;
    QTcpSocket *m_socket;
    Script m_script;
    qsizetype m_requestIndex;
    QTimer m_timer;
    qsizetype m_next = 0;     // next step
    qint64 m_position = 0;    // progress inside a Drip, Stream or Repeat step
    QByteArray m_repeatChunk; // copies of the Repeat step's pattern, plus one more
    bool m_ready = false;     // accepted (TLS: handshake done)
    bool m_requestComplete = false;
    bool m_started = false;
    bool m_done = false;
};

ScriptedHttpServer::ScriptedHttpServer(QObject *parent)
    : QTcpServer(parent)
{
    listen(QHostAddress::LocalHost, 0);
    setScript({Step::hang()});
}

ScriptedHttpServer::~ScriptedHttpServer()
{
    close();
    while (!m_connections.isEmpty())
        delete m_connections.last(); // removes itself from the list
}

void ScriptedHttpServer::setScript(const Script &script) { m_script = script; }

void ScriptedHttpServer::queueScript(const Script &script) { m_queue.enqueue(script); }

void ScriptedHttpServer::setStartOnAccept(bool onAccept) { m_startOnAccept = onAccept; }

void ScriptedHttpServer::setTlsConfiguration(const QSslConfiguration &configuration)
{
    m_tls = true;
    m_tlsConfiguration = configuration;
}

QString ScriptedHttpServer::url(const QString &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3")
        .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(port())
        .arg(path);
}

QByteArray ScriptedHttpServer::response(int status, const QList<QPair<QByteArray, QByteArray>> &headers,
                                        const QByteArray &body)
{
    static const QList<QPair<int, QByteArray>> reasons = {
        {200, "OK"}, {301, "Moved Permanently"}, {302, "Found"}, {304, "Not Modified"},
        {400, "Bad Request"}, {403, "Forbidden"}, {404, "Not Found"}, {500, "Internal Server Error"},
        {503, "Service Unavailable"}};
    QByteArray reason = "Status";
    for (const auto &[code, text] : reasons) {
        if (code == status)
            reason = text;
    }
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    for (const auto &[name, value] : headers)
        bytes += name + ": " + value + "\r\n";
    return bytes + "\r\n" + body;
}

void ScriptedHttpServer::incomingConnection(qintptr descriptor)
{
    QTcpSocket *socket = nullptr;
    if (m_tls) {
        auto *ssl = new QSslSocket;
        ssl->setSslConfiguration(m_tlsConfiguration);
        socket = ssl;
    } else {
        socket = new QTcpSocket;
    }
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    ++m_connectionCount;
    const Script script = m_queue.isEmpty() ? m_script : m_queue.dequeue();
    new ScriptedConnection(this, socket, script, m_tls);
}

ScriptedServerThread::ScriptedServerThread()
    : m_thread(std::make_unique<QThread>())
    , m_context(new QObject)
{
    m_context->moveToThread(m_thread.get());
    m_thread->start();
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            m_server = new ScriptedHttpServer;
            m_port = m_server->port();
        },
        Qt::BlockingQueuedConnection);
}

ScriptedServerThread::~ScriptedServerThread()
{
    QMetaObject::invokeMethod(
        m_context, [this] { delete std::exchange(m_server, nullptr); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_context; // its thread has ended: no event of it is pending
}

void ScriptedServerThread::run(const std::function<void(ScriptedHttpServer &)> &work) const
{
    QMetaObject::invokeMethod(
        m_context, [this, &work] { work(*m_server); }, Qt::BlockingQueuedConnection);
}

void ScriptedServerThread::setScript(const Script &script)
{
    run([&script](ScriptedHttpServer &server) { server.setScript(script); });
}

void ScriptedServerThread::queueScript(const Script &script)
{
    run([&script](ScriptedHttpServer &server) { server.queueScript(script); });
}

void ScriptedServerThread::setStartOnAccept(bool onAccept)
{
    run([onAccept](ScriptedHttpServer &server) { server.setStartOnAccept(onAccept); });
}

QString ScriptedServerThread::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

int ScriptedServerThread::connectionCount() const
{
    int value = 0;
    run([&value](ScriptedHttpServer &server) { value = server.connectionCount(); });
    return value;
}

int ScriptedServerThread::peerClosedCount() const
{
    int value = 0;
    run([&value](ScriptedHttpServer &server) { value = server.peerClosedCount(); });
    return value;
}

int ScriptedServerThread::finishedScripts() const
{
    int value = 0;
    run([&value](ScriptedHttpServer &server) { value = server.finishedScripts(); });
    return value;
}

qint64 ScriptedServerThread::bytesSent() const
{
    qint64 value = 0;
    run([&value](ScriptedHttpServer &server) { value = server.bytesSent(); });
    return value;
}

QList<QByteArray> ScriptedServerThread::requests() const
{
    QList<QByteArray> value;
    run([&value](ScriptedHttpServer &server) { value = server.requests(); });
    return value;
}
