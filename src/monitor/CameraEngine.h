// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "camlist/CameraListFile.h"
#include "imaging/Picture.h"
#include "monitor/CameraAddress.h"
#include "monitor/DigestAuthentication.h"
#include "monitor/FetchOutcome.h"
#include "monitor/SlotFetchState.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class CertificatePins;
class PictureDecodeQueue;
class SlotSocket;
struct SocketFailure;

// Where the pictures of the cameras are saved, shared by all engines of a monitor.
struct SaveSettings
{
    bool autosave = false;   // "AutoSave New Pictures" is ticked
    bool paused = false;     // autosave waits for free space on the disk (PictureKeeper)
    QString folder;          // the cam folder, without a trailing "/"
    // The status text while a picture arrives, in the user's language: %1 the file, %2 the
    // progress bar's value.
    QString downloadingText = QString::fromLatin1(DownloadingTextEnglish);
};

// One camera slot's work, without any window: the camera's record, its socket, its
// 1-second refresh timer and countdown, the fetch of its picture, the Last-Modified
// decision, the acceptance of pictures and the autosave decision. Pictures are decoded and
// saved on the workers of a PictureDecodeQueue shared with the other cameras; everything
// else runs on the window thread. It tells the window what to show through its signals.
//
// Cycle of an open camera: fetch started (fetchStarted) -> bytes arriving (progressed) ->
// server closed (fetchFinished, then pictureSaved/saveFailed when autosave applies) ->
// waiting while the timer counts (ticked) -> fetch started ... A new fetch start abandons a
// fetch still running; stop() ends the cycle from any point.
//
// Within one fetch a redirect (301, 302, 303, 307, 308; at most MaxRedirectHops) is followed
// and a 401 carrying a Digest challenge is answered, each on a new connection. Every fetch
// ends with an outcome in words (lastOutcome(), outcomeChanged), failures included: a refused
// connection, a host not found, a timeout (10 s to connect, 20 s without a byte), a
// certificate that does not verify, an HTTP error, a response that is not a picture.
class CameraEngine : public QObject
{
    Q_OBJECT
public:
    using CameraRecord = CameraListFile::CameraRecord;

    // How a picture of this camera will be shown, asked when a picture is accepted.
    struct Display
    {
        QSize slotPixels;       // the slot's picture in device pixels; empty when not known
        bool inViewer = false;  // the viewer shows this camera at its natural size
        QRect viewerArea;       // the part the viewer shows, in picture pixels; null: all of it
    };
    using DisplayQuery = std::function<Display()>;

    // The caption of a slot that was never opened, and of one that was stopped.
    static const QString NeverOpenedCaption; // "[WebCam]"
    static const QString StoppedCaption;     // "[webcam]"

    enum class FetchResult {
        Picture,      // a readable picture: picture() is the new one
        Unreadable,   // the header named an image the decoder cannot read: picture() is kept
        NotAPicture,  // no image type in the header, or the response was abandoned
    };
    Q_ENUM(FetchResult)

    // `slot` is 0..23 and the key of its jobs in `decodes`; `saving` and `decodes` are shared
    // with the other engines and must outlive this one.
    CameraEngine(int slot, const SaveSettings *saving, PictureDecodeQueue *decodes, QObject *parent = nullptr);
    ~CameraEngine() override;

    int slot() const { return m_slot; }
    void setDisplayQuery(DisplayQuery query) { m_display = std::move(query); }
    // The certificates the user trusts for https cameras (may be null); not owned.
    void setCertificatePins(CertificatePins *pins);
    // Timeouts of the connections started afterwards, milliseconds (for tests).
    void setTimeouts(int connectMs, int idleMs);

    // Opening: takes `record` and starts the first fetch, at once or `firstFetchDelayMs`
    // later (cameras opened together spread their fetches over the second instead of all
    // fetching, and being decoded, at the same moment every second). The Last-Modified line
    // stored for the slot is kept (a reused slot compares the new camera's first line with it).
    void open(const CameraRecord &record, int firstFetchDelayMs = 0);
    // Closes the connection, stops the timer and emits stopped(); the texts and the stored
    // line stay until the next opening overwrites them.
    void stop();
    bool isOpen() const { return m_open; }

    // Starts a fetch now (the Refresh button); the countdown restarts from 0.
    void refresh();
    // One second of the refresh timer: counts it and starts a fetch when the interval has
    // run out. Called by the engine's own timer.
    void tick();

    // An open camera takes an edited record without restarting: a running fetch and the
    // timer keep the values they hold; the next fetch start reads the new ones.
    void updateRecord(const CameraRecord &record);

    // The server closed the connection and `response` is everything it sent. A picture's
    // outcome (fetchFinished) follows once a worker has decoded it; a newer response of this
    // camera supersedes it, and a superseded picture is neither shown nor saved.
    void handleResponse(QByteArray response);

    const CameraRecord &record() const { return m_record; }
    // The slot's frame caption: the name from the first fetch start on, NeverOpenedCaption
    // before, StoppedCaption after stop().
    const QString &caption() const { return m_caption; }
    // Shown under "Last Changed:": the Last-Modified value of the last picture that had one.
    const QString &lastChanged() const { return m_lastChanged; }
    // Shown under "Last Refreshed:": local date and time the picture was first seen or last
    // found changed.
    const QString &lastRefreshed() const { return m_lastRefreshed; }
    // The moment behind lastRefreshed(), for showing it in another locale; invalid while
    // lastRefreshed() is empty.
    const QDateTime &lastRefreshedAt() const { return m_lastRefreshedAt; }
    // The Last-Modified line (label included) of the last picture whose line was stored.
    const QString &storedLastModified() const { return m_storedLastModified; }
    // The last accepted picture carried a line different from a stored, non-empty one.
    bool changed() const { return m_changed; }
    qint32 elapsedSeconds() const { return m_elapsed; }
    // While ticked() is handled: the tick starts a fetch once its handlers are done.
    bool fetchStartsThisTick() const { return m_elapsed >= m_refreshSeconds; }
    // The interval taken at the last fetch start, in whole seconds (0 or less: every tick).
    qint32 refreshSeconds() const { return m_refreshSeconds; }
    // The countdown shown under "Next Refresh:".
    QString nextRefreshText() const;
    // The progress bar's value (0..100); never reset, so a new fetch shows the last value
    // until its own progress arrives.
    float progressValue() const { return m_progress; }
    // The picture the slot shows: the last accepted one, or its saved copy after autosave;
    // null until the first picture of the camera now open.
    const Picture &picture() const { return m_picture; }
    // A fetch was started and its response has not arrived: the refresh indicator shows.
    bool fetching() const { return m_fetching; }

    // How the last fetch of the camera now open ended; null before its first one ended.
    const std::optional<FetchOutcome> &lastOutcome() const { return m_outcome; }
    // The address of the last request, as shown to the user: after redirects, without
    // credentials and secret query values.
    const QString &shownAddress() const { return m_shownAddress; }
    // When the camera now open last delivered a readable picture (local time); invalid before.
    const QDateTime &lastPictureAt() const { return m_lastPictureAt; }

Q_SIGNALS:
    // A fetch was started (caption() is the camera's name now).
    void fetchStarted();
    // Bytes of the running fetch arrived; `barValue` is the progress bar's value after them.
    // `barTakesValue` is false when the bar keeps its value (more bytes than announced).
    void progressed(float barValue, bool barTakesValue, const QString &statusText);
    // The server closed and the response was handled as `result`; outcomeChanged() came
    // just before.
    void fetchFinished(CameraEngine::FetchResult result);
    // Autosave wrote the picture of `at` to `path`. `saved` is the written file read back,
    // which the slot shows from now on; null when a newer picture has come meanwhile.
    void pictureSaved(const Picture &saved, const QDateTime &at, const QString &path);
    // Autosave could not write `path`: `reason` says why.
    void saveFailed(const QDateTime &at, const QString &path, const QString &reason);
    // A second was counted (the countdown changed).
    void ticked();
    // lastOutcome() changed.
    void outcomeChanged();
    // stop() closed the camera.
    void stopped();

private:
    void startFetch();
    // Connects for the next request of the running fetch (the first, after a redirect, or with
    // a Digest answer).
    void connectForRequest();
    void onConnected();
    void onSocketFailed(const SocketFailure &failure);
    // The response of one request: a redirect or a login to answer continues the fetch on a
    // new connection; anything else ends it. True when the fetch went on.
    // `ended` receives the outcome of a redirect or login that ends the fetch.
    bool continueFetch(const SplitResponse &response, const StatusLine &status, std::optional<FetchOutcome> &ended);
    void finishWithout(FetchOutcome outcome);
    void setOutcome(FetchOutcome outcome);
    void onDataArrived(qint32 bytesWaiting);
    void onClosedByPeer();
    void acceptPicture(const QByteArray &header, const QByteArray &body);
    void onDecoded(quint64 job, const Picture &picture);
    void autosave();
    void onSaved(quint64 job, const QString &path, const QByteArray &jpeg, const QString &error,
                 const Picture &savedPicture);
    Display display() const;

    const int m_slot;
    const SaveSettings *m_saving;
    PictureDecodeQueue *m_decodes;
    DisplayQuery m_display;
    SlotSocket *m_socket;
    QTimer m_timer;
    QTimer m_firstFetch;  // single shot: a delayed opening's first fetch

    bool m_open = false;
    CameraRecord m_record;
    QString m_caption;

    // The running fetch: the address of its current request, its redirects and logins.
    CameraAddress m_address;
    int m_redirects = 0;
    int m_digestAnswers = 0;
    std::optional<DigestAnswerer> m_digest;
    QElapsedTimer m_fetchClock;    // since the running fetch started
    int m_droppedInARow = 0;       // fetches the next start abandoned, in a row
    SlotFetchState m_fetch;
    bool m_fetching = false;
    bool m_inFlight = false;       // a request of the running fetch awaits its end
    float m_progress = 0;
    std::optional<FetchOutcome> m_outcome;
    QString m_shownAddress;
    QDateTime m_lastPictureAt;
    qint64 m_pendingBytes = 0;     // the body of the picture being decoded
    int m_pendingStatus = 0;       // its response's status

    qint32 m_elapsed = 0;
    qint32 m_refreshSeconds = 0;
    qint32 m_recordRefreshSeconds = 0; // the record's interval, read when the record is set

    QString m_storedLastModified;
    QString m_lastChanged;
    QString m_lastRefreshed;
    QDateTime m_lastRefreshedAt;
    bool m_changed = false;
    Picture m_picture;
    quint64 m_pictureSerial = 0;   // counts the changes of m_picture
    quint64 m_pendingDecode = 0;   // the decode whose result is awaited; 0 for none
    struct PendingSave
    {
        QDateTime at;
        quint64 pictureSerial = 0;
    };
    QHash<quint64, PendingSave> m_pendingSaves;
};
