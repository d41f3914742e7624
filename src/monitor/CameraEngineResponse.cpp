// SPDX-License-Identifier: GPL-3.0-or-later
// A camera engine's handling of a finished response: redirects and logins that continue the
// fetch, the outcome of one that ends it, the acceptance of a picture and its autosave.

#include "monitor/CameraEngine.h"

#include "imaging/PictureDecodeQueue.h"
#include "monitor/BenchmarkLog.h"
#include "monitor/HttpResponse.h"
#include "monitor/PictureAcceptance.h"
#include "monitor/Redirect.h"
#include "platform/Clock.h"

void CameraEngine::handleResponse(QByteArray response)
{
    m_inFlight = false;
    m_droppedInARow = 0;
    const SplitResponse split = splitResponse(std::move(response));
    const StatusLine status = parseStatusLine(split.header);
    std::optional<FetchOutcome> ended;
    if (continueFetch(split, status, ended))
        return;
    if (ended) {
        finishWithout(*ended);
        return;
    }
    if (!headerNamesImage(split.header)) {
        FetchOutcome outcome = fetchOutcome(FetchOutcomeKind::NotAPicture);
        if (!status.ok) {
            outcome = fetchOutcome(FetchOutcomeKind::NotHttp);
        } else if (status.code >= 300) {
            outcome = outcomeOfHttpStatus(status);
        } else {
            outcome.status = status.code;
            outcome.contentType = responseContentType(split.header);
        }
        finishWithout(outcome);
        return;
    }
    m_pendingStatus = status.ok ? status.code : 0;
    m_pendingBytes = split.body.size();
    acceptPicture(split.header, split.body);
}

bool CameraEngine::continueFetch(const SplitResponse &response, const StatusLine &status,
                                 std::optional<FetchOutcome> &ended)
{
    if (!status.ok)
        return false;
    if (isRedirectStatus(status.code)) {
        if (m_redirects >= MaxRedirectHops) {
            ended = fetchOutcome(FetchOutcomeKind::TooManyRedirects);
            return false;
        }
        const Redirect redirect = resolveRedirect(m_address, headerFieldValue(response.header, "Location"));
        switch (redirect.verdict) {
        case Redirect::Verdict::Follow:
            // Credentials went with `next` only when it is the same scheme, host and port.
            m_address = redirect.next;
            ++m_redirects;
            m_digest.reset();
            m_digestAnswers = 0;
            connectForRequest();
            return true;
        case Redirect::Verdict::RefusedInsecure: {
            FetchOutcome refused = fetchOutcome(FetchOutcomeKind::RedirectInsecure);
            refused.detail = redirect.address;
            ended = refused;
            return false;
        }
        case Redirect::Verdict::Unusable:
            ended = fetchOutcome(FetchOutcomeKind::BadRedirect);
            return false;
        }
    }
    if (status.code == 401) {
        const bool haveCredentials = !m_address.userInfo.isEmpty();
        const UnauthorizedDecision decision = decideOnUnauthorized(response.header, haveCredentials, m_digestAnswers);
        switch (decision.action) {
        case UnauthorizedAction::AnswerWithDigest: {
            // The same request again, on a new connection, with the challenge answered.
            const Credentials credentials = credentialsOf(m_address.userInfo);
            m_digest.emplace(decision.challenge, credentials.user, credentials.password);
            ++m_digestAnswers;
            connectForRequest();
            return true;
        }
        case UnauthorizedAction::LoginNeeded:
            ended = fetchOutcome(FetchOutcomeKind::LoginNeeded);
            return false;
        case UnauthorizedAction::LoginRefused:
            ended = fetchOutcome(FetchOutcomeKind::LoginRefused);
            return false;
        }
    }
    return false;
}

void CameraEngine::finishWithout(FetchOutcome outcome)
{
    m_fetching = false;
    // A picture of an earlier response still being decoded is not shown after this.
    m_pendingDecode = 0;
    setOutcome(std::move(outcome));
    emit fetchFinished(FetchResult::NotAPicture);
}

void CameraEngine::acceptPicture(const QByteArray &header, const QByteArray &body)
{
    m_fetching = false;
    const LastModifiedOutcome lm = decideLastModified(header, m_storedLastModified);
    if (lm.hasLine) {
        m_lastChanged = lm.lastChangedText;
        if (lm.storeNew)
            m_storedLastModified = lm.lm;
        if (lm.stampRefreshed) {
            m_lastRefreshedAt = Clock::now();
            m_lastRefreshed = refreshedStamp(m_lastRefreshedAt);
        }
        m_changed = lm.changed;
    } else {
        m_changed = false;
    }

    // The body is decoded once, from memory, on a worker; an unreadable body leaves the previous
    // picture. A picture the viewer shows at full size has the part it shows decoded there too;
    // the slot's size bounds the detail it needs.
    const Display shown = display();
    BenchmarkLog::slotEvent("submitted", m_slot);
    m_pendingDecode = shown.inViewer ? m_decodes->decodeAhead(m_slot, body, shown.viewerArea, shown.slotPixels)
                                     : m_decodes->decode(m_slot, body, shown.slotPixels);
}

void CameraEngine::onDecoded(quint64 job, const Picture &picture)
{
    if (job != m_pendingDecode)
        return;
    BenchmarkLog::slotEvent("decoded", m_slot);
    m_pendingDecode = 0;
    if (picture.isNull()) {
        setOutcome(fetchOutcome(FetchOutcomeKind::UnreadablePicture));
    } else {
        m_picture = picture;
        ++m_pictureSerial;
        m_lastPictureAt = Clock::now();
        FetchOutcome received = fetchOutcome(FetchOutcomeKind::Picture);
        received.status = m_pendingStatus;
        received.bytes = m_pendingBytes;
        received.elapsedMs = m_fetchClock.elapsed();
        setOutcome(received);
    }
    emit fetchFinished(picture.isNull() ? FetchResult::Unreadable : FetchResult::Picture);
    autosave();
}

void CameraEngine::autosave()
{
    // What the slot shows is saved: the previous picture when the new one was unreadable.
    if (!m_saving || !m_saving->autosave || m_saving->paused || !m_changed || m_picture.isNull())
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
