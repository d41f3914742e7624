// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Downloader.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

// Errors that only echo the HTTP status of a response that arrived whole (4xx, 5xx):
// its body is returned like any other.
bool echoesHttpStatus(QNetworkReply::NetworkError error)
{
    const int code = static_cast<int>(error);
    const bool content = code >= 201 && code <= 299 && error != QNetworkReply::ContentReSendError;
    const bool server = code >= 401 && code <= 499;
    return content || server || error == QNetworkReply::ProtocolInvalidOperationError;
}

QNetworkRequest makeRequest(const QUrl &url, const DownloadLimits &limits)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Mozilla"));
    request.setRawHeader("Pragma", "no-cache");
    request.setRawHeader("Cache-Control", "no-cache");
    // The body as sent, never unpacked here (and no compressed body that grows unbounded).
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(limits.idleTimeoutMs);
    return request;
}

} // namespace

QByteArray downloadUrlText(const QString &url) { return downloadUrlText(url, DownloadLimits()); }

QByteArray downloadUrlText(const QString &url, const DownloadLimits &limits)
{
    Download result = download(url, limits);
    return result.ok ? std::move(result.body) : QByteArray();
}

Download download(const QString &url, const DownloadLimits &limits)
{
    Download result;
    const QUrl address(url);
    if (!address.isValid() || address.host().isEmpty()
        || (address.scheme() != QLatin1String("http") && address.scheme() != QLatin1String("https"))) {
        result.error = QStringLiteral("not an http:// or https:// address");
        return result;
    }

    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    manager.setStrictTransportSecurityEnabled(false);

    QNetworkReply *reply = manager.get(makeRequest(address, limits));
    QByteArray body;
    bool failed = false;
    const auto take = [&] {
        if (failed || !reply->isOpen())
            return;
        body += reply->readAll();
        if (body.size() > limits.maxBytes) {
            failed = true;
            result.error = QStringLiteral("the file is larger than %1 bytes").arg(limits.maxBytes);
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, take);

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        failed = true;
        result.error = QStringLiteral("the download took longer than %1 seconds").arg(limits.totalTimeoutMs / 1000);
        reply->abort();
    });
    deadline.start(limits.totalTimeoutMs);

    if (!reply->isFinished())
        loop.exec();
    if (!reply->isFinished()) {
        // The event loop was told to end (the application is quitting).
        failed = true;
        result.error = QStringLiteral("the program is closing");
        reply->abort();
    }
    take();

    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.status = status.isValid() ? status.toInt() : 0;
    result.reasonPhrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    if (failed)
        return result;
    if (error != QNetworkReply::NoError && !(status.isValid() && echoesHttpStatus(error))) {
        result.error = reply->errorString();
        return result;
    }
    // The toolkit may report a body cut short by a reset as complete.
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid() && announced.toLongLong() != body.size()) {
        result.error = QStringLiteral("the file arrived cut short");
        return result;
    }
    result.ok = true;
    result.body = std::move(body);
    return result;
}

QString languageUpdateBaseUrl(const QString &website)
{
    QString base = qEnvironmentVariable("OCELLUS_LANGUAGE_UPDATE_BASE");
    if (base.isEmpty())
        return QLatin1String("https://") + website + QLatin1String("/Languages/");
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base;
}

QString languageUpdateUrl(const QString &website, qint16 productNumber)
{
    return languageUpdateBaseUrl(website) + QString::number(productNumber) + QLatin1String("/Localization.txt");
}
