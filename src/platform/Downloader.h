// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Bounds of one download. A download that breaks one of them has failed.
struct DownloadLimits
{
    int idleTimeoutMs = 30000;                // longest wait for the next byte, connecting included
    int totalTimeoutMs = 300000;              // whole download, redirects included
    qint64 maxBytes = qint64(16) * 1024 * 1024; // largest body accepted
};

// The body of the resource at the http:// or https:// address `url`, byte for byte as
// the server sent it, whatever the HTTP status (an error page is returned like any
// other body). Redirects are followed, except from https to http. Always fetched from
// the server: no cache, no proxy, user agent "Mozilla", "Pragma: no-cache".
// Returns "" when the download fails: another scheme, a host that does not resolve, a
// refused or broken connection, a TLS failure, a response that is not HTTP, a body
// cut short, or a limit of `limits` broken.
// Runs a local event loop until done, so the caller's windows and timers keep working;
// the caller must be ready for its own handlers to run meanwhile.
QByteArray downloadUrlText(const QString &url);
QByteArray downloadUrlText(const QString &url, const DownloadLimits &limits);

// The outcome of one download, as downloadUrlText() fetches it.
struct Download
{
    bool ok = false;        // the body came whole (whatever the status)
    int status = 0;         // the HTTP status of the final response; 0 when none arrived
    QString reasonPhrase;   // its reason phrase
    QByteArray body;        // the body when ok
    QString error;          // why the download failed, for the user, when not ok
};
Download download(const QString &url, const DownloadLimits &limits = DownloadLimits());

// The address of the language directory, ending with "/": the value of the environment
// variable OCELLUS_LANGUAGE_UPDATE_BASE when set and not empty (a missing final "/" is
// added), otherwise "http://" + website + "/Languages/".
QString languageUpdateBaseUrl(const QString &website);

// languageUpdateBaseUrl(website) + productNumber in decimal + "/Localization.txt".
QString languageUpdateUrl(const QString &website, qint16 productNumber);
