// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/HttpResponse.h"

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct SocketFailure;

// How one fetch of a camera's picture ended.
enum class FetchOutcomeKind {
    Picture,              // a picture was received: status, bytes, elapsedMs
    ConnectionRefused,
    HostNotFound,
    ConnectTimedOut,      // seconds
    NoDataTimedOut,       // seconds
    NetworkError,         // detail: the system's text
    CertificateNotTrusted, // certificate, peerFingerprint
    CertificateWrongName,  // detail: the host; certificate, peerFingerprint
    CertificateExpired,    // certificate, peerFingerprint
    CertificateChanged,    // certificate, peerFingerprint, pinnedFingerprint
    CertificateRefused,    // any other certificate error; detail: its text; certificate, peerFingerprint
    TlsHandshakeFailed,
    LoginNeeded,          // 401 and the address holds no credentials
    LoginRefused,         // 401 after the credentials were sent
    Forbidden,            // 403
    NotFound,             // 404
    HttpError,            // any other status that is no picture: status, reason
    NotHttp,              // the connection ended without an HTTP response
    NotAPicture,          // contentType (may be empty: none was sent)
    TooLarge,             // bytes: the bound that was crossed
    UnreadablePicture,    // the body did not decode as a picture
    TooSlow,              // the next refresh dropped the fetch SlowFetchDrops times in a row
    RedirectInsecure,     // a redirect from https to http was refused; detail: the address as
                          // shown (addressForDisplay())
    TooManyRedirects,     // more than MaxRedirectHops redirects
    BadRedirect,          // a redirect whose Location cannot be fetched
};

// How many refreshes in a row must drop an unfinished fetch for TooSlow.
constexpr int SlowFetchDrops = 3;

struct FetchOutcome
{
    FetchOutcomeKind kind = FetchOutcomeKind::Picture;
    int status = 0;                // the response's status code when there was one
    QByteArray reason;             // HttpError: the reason phrase
    qint64 bytes = 0;              // Picture: the body's bytes; TooLarge: the bound
    qint64 elapsedMs = 0;          // Picture: from the start of the fetch to its end
    QByteArray contentType;        // NotAPicture: the media type received
    int seconds = 0;               // ConnectTimedOut, NoDataTimedOut: the timeout that ran out
    QString detail;                // see the kinds
    // certificate kinds: the certificate the camera presented (held only for them: even an
    // empty QSslCertificate costs a look-up of the TLS back end, at every picture)
    std::optional<QSslCertificate> certificate;
    QByteArray peerFingerprint;    // certificate kinds: its SHA-256, 64 lower-case hex digits
    QByteArray pinnedFingerprint;  // CertificateChanged: the trusted one's SHA-256
    QStringList certificateErrors; // certificate kinds: what verification reported, in English
    QString host;                  // failures of a connection: the host and port it went to
    quint16 port = 0;
};

// The outcome is about the camera's certificate: the user may look at it and trust it.
bool isCertificateOutcome(FetchOutcomeKind kind);

// An outcome of `kind` without details.
inline FetchOutcome fetchOutcome(FetchOutcomeKind kind)
{
    FetchOutcome outcome;
    outcome.kind = kind;
    return outcome;
}

// Every kind, in declaration order.
QList<FetchOutcomeKind> allFetchOutcomeKinds();

// The localization message key of a kind: "MSG_OUTCOME_" and a name, e.g.
// "MSG_OUTCOME_REFUSED". NotAPicture has a second key, "MSG_OUTCOME_NOTPICTURENOTYPE", for
// a response without a content type. The English texts are the default messages
// (localization/DefaultMessages.cpp); their placeholders:
//   PICTURE %1 status, %2 bytes, %3 milliseconds; CONNECTTIMEOUT, NODATA %1 seconds;
//   NETWORK %1 the system's text; CERTNAME %1 the host; CERTREFUSED %1 the error's text;
//   HTTPERROR %1 status, %2 reason; NOTPICTURE %1 content type; TOOLARGE %1
//   megabytes; REDIRECTINSECURE %1 the address; REDIRECTLIMIT %1 the most hops.
QString outcomeMessageKey(FetchOutcomeKind kind);

// The text of a message key in the user's language; empty when the key is unknown.
using MessageLookup = std::function<QString(const QString &key)>;

// The outcome in words: the message of its key from `messages`, its placeholders "%1",
// "%2", "%3" replaced by the details (each replaced once, in one pass; a detail's own "%"
// texts stay as they are). Texts from the server (reason phrase, content type) and the
// detail are shown with bytes below 0x20 and 0x7F to 0x9F dropped and at most 100
// characters; the reason and content type are read as Latin-1. An unknown key (empty
// text) shows the key itself, so that a missing message is seen, not blank. White space at
// either end of the result (an empty reason phrase, say) is removed.
QString outcomeText(const FetchOutcome &outcome, const MessageLookup &messages);

// The outcome of a socket failure on a connection to `host`: Refused, HostNotFound,
// ConnectTimedOut and NoDataTimedOut (seconds rounded up), TlsHandshakeFailed and
// NetworkError as they are; a certificate failure by certificateProblem(): NotTrusted,
// Expired, WrongName (detail: host), Other as CertificateRefused (detail: the first error's
// text); CertificateChanged with both fingerprints.
FetchOutcome outcomeOfSocketFailure(const SocketFailure &failure, const QString &host);

// The outcome of a response status that brings no picture and is no redirect: 403
// Forbidden, 404 NotFound, any other (401 included; see decideOnUnauthorized()) HttpError
// with the reason phrase.
FetchOutcome outcomeOfHttpStatus(const StatusLine &status);
