// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/CameraEngine.h"

#include "imaging/PictureDecodeQueue.h"
#include "monitor/BenchmarkLog.h"
#include "monitor/CameraAddress.h"
#include "monitor/Redirect.h"
#include "monitor/RefreshInterval.h"
#include "platform/SlotSocket.h"
#include "platform/SocketFailure.h"

#include <utility>

const QString CameraEngine::NeverOpenedCaption = QStringLiteral("[WebCam]");
const QString CameraEngine::StoppedCaption = QStringLiteral("[webcam]");

CameraEngine::CameraEngine(int slot, const SaveSettings *saving, PictureDecodeQueue *decodes, QObject *parent)
    : QObject(parent)
    , m_slot(slot)
    , m_saving(saving)
    , m_decodes(decodes)
    , m_socket(new SlotSocket(slot, this))
    , m_caption(NeverOpenedCaption)
{
    m_timer.setInterval(1000);
    // Precise: a coarse timer would be moved to a shared boundary of the second, bringing the
    // cameras' fetches (and decodes) together again after they were spread at opening.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_firstFetch.setSingleShot(true);
    connect(&m_firstFetch, &QTimer::timeout, this, &CameraEngine::startFetch);
    connect(&m_timer, &QTimer::timeout, this, &CameraEngine::tick);
    connect(m_socket, &SlotSocket::connected, this, &CameraEngine::onConnected);
    connect(m_socket, &SlotSocket::dataArrived, this,
            [this](int, qint32 bytesWaiting) { onDataArrived(bytesWaiting); });
    connect(m_socket, &SlotSocket::closedByPeer, this, &CameraEngine::onClosedByPeer);
    connect(m_socket, &SlotSocket::failed, this,
            [this](int, const SocketFailure &failure) { onSocketFailed(failure); });
    connect(m_decodes, &PictureDecodeQueue::decoded, this, [this](int key, quint64 job, const Picture &picture) {
        if (key == m_slot)
            onDecoded(job, picture);
    });
    connect(m_decodes, &PictureDecodeQueue::saved, this,
            [this](int key, quint64 job, const QString &path, const QByteArray &jpeg, const QString &error,
                   const Picture &savedPicture) {
                if (key == m_slot)
                    onSaved(job, path, jpeg, error, savedPicture);
            });
}

CameraEngine::~CameraEngine() = default;

void CameraEngine::setCertificatePins(CertificatePins *pins) { m_socket->setCertificatePins(pins); }

void CameraEngine::setTimeouts(int connectMs, int idleMs)
{
    m_socket->setConnectTimeoutMs(connectMs);
    m_socket->setIdleTimeoutMs(idleMs);
}

void CameraEngine::open(const CameraRecord &record, int firstFetchDelayMs)
{
    m_open = true;
    updateRecord(record);
    m_picture = Picture();
    ++m_pictureSerial;
    // What the viewer shows of a camera belongs to it alone; the stored Last-Modified line stays
    // for the change decision.
    m_lastChanged.clear();
    m_lastRefreshed.clear();
    m_lastRefreshedAt = QDateTime();
    m_outcome.reset();
    m_lastPictureAt = QDateTime();
    m_droppedInARow = 0;
    m_shownAddress = addressForDisplay(record.url);
    if (firstFetchDelayMs > 0)
        m_firstFetch.start(firstFetchDelayMs);
    else
        startFetch();
}

void CameraEngine::stop()
{
    m_socket->close();
    m_timer.stop();
    m_firstFetch.stop();
    m_fetching = false;
    m_inFlight = false;
    // A picture still being decoded is not shown; saves asked for are still written.
    m_decodes->cancel(m_slot);
    m_pendingDecode = 0;
    m_pendingSaves.clear();
    m_caption = StoppedCaption;
    m_open = false;
    emit stopped();
}

void CameraEngine::refresh() { startFetch(); }

void CameraEngine::tick()
{
    ++m_elapsed;
    emit ticked();
    if (m_elapsed >= m_refreshSeconds) {
        m_timer.stop();
        startFetch();
    }
}

void CameraEngine::updateRecord(const CameraRecord &record)
{
    m_record = record;
    m_recordRefreshSeconds = effectiveRefreshSeconds(record.refresh);
    m_caption = record.name;
}

QString CameraEngine::nextRefreshText() const { return ::nextRefreshText(m_record.refresh, m_elapsed); }

CameraEngine::Display CameraEngine::display() const { return m_display ? m_display() : Display(); }

void CameraEngine::startFetch()
{
    // A fetch still waiting for its end is abandoned; a camera that never finishes within its
    // interval says so.
    if (m_inFlight && ++m_droppedInARow >= SlowFetchDrops)
        setOutcome(fetchOutcome(FetchOutcomeKind::TooSlow));
    m_inFlight = false;
    m_fetching = true;
    m_firstFetch.stop();
    m_refreshSeconds = m_recordRefreshSeconds;
    m_elapsed = 0;
    m_timer.start();
    m_caption = m_record.name;
    m_socket->close();
    BenchmarkLog::fetchDropped(m_slot);
    emit fetchStarted();

    // From here on an unusable address ends the start silently: the indicator stays and the
    // timer tries again at the next interval.
    const CameraAddress address = parseCameraAddress(m_record.url);
    if (!address.ok)
        return;
    m_address = address;
    m_redirects = 0;
    m_digestAnswers = 0;
    m_digest.reset();
    m_fetchClock.start();
    connectForRequest();
}

void CameraEngine::connectForRequest()
{
    m_inFlight = true;
    m_shownAddress = redactQuerySecrets(displayAddress(m_address));
    m_fetch.resetForFetch();
    m_socket->close();
    m_socket->setLocalPort(0);
    m_socket->connectToHost(m_address.host, m_address.port, m_address.tls);
    BenchmarkLog::fetchStarted(m_slot);
}

void CameraEngine::onConnected()
{
    m_address.path = encodeRequestPath(m_address.path);
    // Basic credentials go with the first request; once a Digest challenge came, its answer.
    const QByteArray authorization = m_digest
        ? m_digest->authorization("GET", m_address.path.toUtf8())
        : basicAuthorization(m_address.userInfo);
    m_socket->send(buildRequest(m_address.path, m_address.host, authorization));
}

void CameraEngine::onDataArrived(qint32 bytesWaiting)
{
    // The waiting bytes go straight from the socket into the fetch's buffer.
    SlotSocket &socket = *m_socket;
    const ArrivalResult result = onDataArrival(m_fetch, socket.bytesAvailable(), bytesWaiting,
                                               [&socket](char *into, qint64 bytes) { return socket.read(into, bytes); });
    if (result.abandon) {
        // A response beyond the bound is not a picture: stop receiving and say so.
        BenchmarkLog::slotEvent("abandon_bound", m_slot);
        m_socket->close();
        BenchmarkLog::fetchClosed(m_slot);
        FetchOutcome tooLarge = fetchOutcome(FetchOutcomeKind::TooLarge);
        tooLarge.bytes = MaxResponseBytes;
        finishWithout(tooLarge);
        return;
    }
    if (!result.showProgress)
        return;
    m_progress = progressBarValueAfter(m_progress, result);
    emit progressed(m_progress, result.barAccepts,
                    downloadStatusText(redactQuerySecrets(statusFileName(m_address.path)), m_progress,
                                       m_saving->downloadingText));
}

void CameraEngine::onSocketFailed(const SocketFailure &failure)
{
    // Reported, not shown as a picture: the indicator stays until the next start, as for any
    // fetch that does not end with a response.
    m_inFlight = false;
    m_droppedInARow = 0;
    FetchOutcome outcome = outcomeOfSocketFailure(failure, m_address.host);
    outcome.host = m_address.host;
    outcome.port = m_address.port;
    setOutcome(outcome);
}

void CameraEngine::onClosedByPeer()
{
    BenchmarkLog::fetchClosed(m_slot);
    // The response is consumed: its bytes become the body.
    handleResponse(std::exchange(m_fetch.buffer, QByteArray()));
}

void CameraEngine::setOutcome(FetchOutcome outcome)
{
    m_outcome = std::move(outcome);
    emit outcomeChanged();
}
