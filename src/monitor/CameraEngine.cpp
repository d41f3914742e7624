#include "monitor/CameraEngine.h"

#include "monitor/BenchmarkLog.h"
#include "monitor/CameraAddress.h"
#include "monitor/HttpResponse.h"
#include "monitor/PictureAcceptance.h"
#include "monitor/RefreshInterval.h"
#include "imaging/PictureDecodeQueue.h"
#include "platform/Clock.h"
#include "platform/SlotSocket.h"

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
    connect(&m_timer, &QTimer::timeout, this, &CameraEngine::tick);
    connect(m_socket, &SlotSocket::connected, this, &CameraEngine::onConnected);
    connect(m_socket, &SlotSocket::dataArrived, this,
            [this](int, qint32 bytesWaiting) { onDataArrived(bytesWaiting); });
    connect(m_socket, &SlotSocket::closedByPeer, this, &CameraEngine::onClosedByPeer);
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

void CameraEngine::open(const CameraRecord &record)
{
    m_open = true;
    m_record = record;
    m_picture = Picture();
    ++m_pictureSerial;
    startFetch();
}

void CameraEngine::stop()
{
    m_socket->close();
    m_timer.stop();
    m_fetching = false;
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
    m_caption = record.name;
}

QString CameraEngine::nextRefreshText() const { return ::nextRefreshText(m_record.refresh, m_elapsed); }

CameraEngine::Display CameraEngine::display() const { return m_display ? m_display() : Display(); }

void CameraEngine::startFetch()
{
    m_fetching = true;
    m_refreshSeconds = effectiveRefreshSeconds(m_record.refresh);
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
    m_host = address.host;
    m_path = address.path;
    m_port = address.port;
    m_tls = address.tls;
    m_userInfo = address.userInfo;
    m_fetch.resetForFetch();

    m_socket->setLocalPort(0);
    m_socket->connectToHost(m_host, m_port, m_tls);
    BenchmarkLog::fetchStarted(m_slot);
}

void CameraEngine::onConnected()
{
    m_path = encodeRequestPath(m_path);
    m_socket->send(buildRequest(m_path, m_host, basicAuthorization(m_userInfo)));
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
        handleResponse(QByteArray());
        return;
    }
    if (!result.showProgress)
        return;
    m_progress = progressBarValueAfter(m_progress, result);
    emit progressed(m_progress, result.barAccepts,
                   downloadStatusText(redactQuerySecrets(statusFileName(m_path)), m_progress));
}

void CameraEngine::onClosedByPeer()
{
    BenchmarkLog::fetchClosed(m_slot);
    // The response is consumed: its bytes become the body.
    handleResponse(std::exchange(m_fetch.buffer, QByteArray()));
}

void CameraEngine::handleResponse(QByteArray response)
{
    m_fetching = false;
    const SplitResponse split = splitResponse(std::move(response));
    if (!headerNamesImage(split.header)) {
        // A picture of an earlier response still being decoded is not shown after this.
        m_pendingDecode = 0;
        emit fetchFinished(FetchResult::NotAPicture);
        return;
    }
    acceptPicture(split.header, split.body);
}

void CameraEngine::acceptPicture(const QByteArray &header, const QByteArray &body)
{
    const LastModifiedOutcome lm = decideLastModified(header, m_storedLastModified);
    if (lm.hasLine) {
        m_lastChanged = lm.lastChangedText;
        if (lm.storeNew)
            m_storedLastModified = lm.lm;
        if (lm.stampRefreshed)
            m_lastRefreshed = refreshedStamp(Clock::now());
        m_changed = lm.changed;
    } else {
        m_changed = false;
    }

    // The body is decoded once, from memory, on a worker; an unreadable body leaves the previous
    // picture. A picture the viewer shows at full size has the part it shows decoded there too;
    // the slot's size bounds the detail it needs.
    const Display shown = display();
    m_pendingDecode = shown.inViewer ? m_decodes->decodeAhead(m_slot, body, shown.viewerArea, shown.slotPixels)
                                     : m_decodes->decode(m_slot, body, shown.slotPixels);
}

void CameraEngine::onDecoded(quint64 job, const Picture &picture)
{
    if (job != m_pendingDecode)
        return;
    m_pendingDecode = 0;
    if (!picture.isNull()) {
        m_picture = picture;
        ++m_pictureSerial;
    }
    emit fetchFinished(picture.isNull() ? FetchResult::Unreadable : FetchResult::Picture);
    autosave();
}

void CameraEngine::autosave()
{
    // What the slot shows is saved: the previous picture when the new one was unreadable.
    if (!m_saving || !m_saving->autosave || !m_changed || m_picture.isNull())
        return;
    const QDateTime now = Clock::now();
    // The writer takes the first free name after this one when the moment is taken already.
    const QString path = m_saving->folder + QLatin1Char('/') + autosaveFileName(m_caption, now);
    BenchmarkLog::slotEvent("autosave_start", m_slot);
    const quint64 job = m_decodes->save(m_slot, m_picture, path, display().slotPixels);
    m_pendingSaves.insert(job, {now, m_pictureSerial});
}

void CameraEngine::onSaved(quint64 job, const QString &path, const QByteArray &jpeg, const QString &error,
                           const Picture &savedPicture)
{
    const auto pending = m_pendingSaves.constFind(job);
    if (pending == m_pendingSaves.constEnd())
        return;
    const PendingSave save = *pending;
    m_pendingSaves.erase(pending);
    BenchmarkLog::slotEvent("autosave_end", m_slot);
    if (jpeg.isEmpty()) {
        emit saveFailed(save.at, path, error);
        return;
    }
    // The slot shows the picture as saved, unless a newer one has come or is coming.
    const bool current = save.pictureSerial == m_pictureSerial && m_pendingDecode == 0 && !savedPicture.isNull();
    if (current) {
        m_picture = savedPicture;
        ++m_pictureSerial;
    }
    emit pictureSaved(current ? savedPicture : Picture(), save.at, path);
}
