// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/FetchOutcome.h"

#include "monitor/Redirect.h"
#include "platform/SocketFailure.h"

#include <QLatin1StringView>

#include <array>
#include <utility>

namespace {

constexpr qsizetype MaxShownDetail = 100;

struct KindKey
{
    FetchOutcomeKind kind;
    const char *key;
};

constexpr std::array kKeys{
    KindKey{FetchOutcomeKind::Picture, "MSG_OUTCOME_PICTURE"},
    KindKey{FetchOutcomeKind::ConnectionRefused, "MSG_OUTCOME_REFUSED"},
    KindKey{FetchOutcomeKind::HostNotFound, "MSG_OUTCOME_HOSTNOTFOUND"},
    KindKey{FetchOutcomeKind::ConnectTimedOut, "MSG_OUTCOME_CONNECTTIMEOUT"},
    KindKey{FetchOutcomeKind::NoDataTimedOut, "MSG_OUTCOME_NODATA"},
    KindKey{FetchOutcomeKind::NetworkError, "MSG_OUTCOME_NETWORK"},
    KindKey{FetchOutcomeKind::CertificateNotTrusted, "MSG_OUTCOME_CERTUNTRUSTED"},
    KindKey{FetchOutcomeKind::CertificateWrongName, "MSG_OUTCOME_CERTNAME"},
    KindKey{FetchOutcomeKind::CertificateExpired, "MSG_OUTCOME_CERTEXPIRED"},
    KindKey{FetchOutcomeKind::CertificateChanged, "MSG_OUTCOME_CERTCHANGED"},
    KindKey{FetchOutcomeKind::CertificateRefused, "MSG_OUTCOME_CERTREFUSED"},
    KindKey{FetchOutcomeKind::TlsHandshakeFailed, "MSG_OUTCOME_TLSFAILED"},
    KindKey{FetchOutcomeKind::LoginNeeded, "MSG_OUTCOME_LOGINNEEDED"},
    KindKey{FetchOutcomeKind::LoginRefused, "MSG_OUTCOME_LOGINREFUSED"},
    KindKey{FetchOutcomeKind::Forbidden, "MSG_OUTCOME_FORBIDDEN"},
    KindKey{FetchOutcomeKind::NotFound, "MSG_OUTCOME_NOTFOUND"},
    KindKey{FetchOutcomeKind::HttpError, "MSG_OUTCOME_HTTPERROR"},
    KindKey{FetchOutcomeKind::NotHttp, "MSG_OUTCOME_NOTHTTP"},
    KindKey{FetchOutcomeKind::NotAPicture, "MSG_OUTCOME_NOTPICTURE"},
    KindKey{FetchOutcomeKind::TooLarge, "MSG_OUTCOME_TOOLARGE"},
    KindKey{FetchOutcomeKind::UnreadablePicture, "MSG_OUTCOME_UNREADABLE"},
    KindKey{FetchOutcomeKind::TooSlow, "MSG_OUTCOME_TOOSLOW"},
    KindKey{FetchOutcomeKind::RedirectInsecure, "MSG_OUTCOME_REDIRECTINSECURE"},
    KindKey{FetchOutcomeKind::TooManyRedirects, "MSG_OUTCOME_REDIRECTLIMIT"},
    KindKey{FetchOutcomeKind::BadRedirect, "MSG_OUTCOME_BADREDIRECT"},
};

const char *const kNoTypeKey = "MSG_OUTCOME_NOTPICTURENOTYPE";

QString shown(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            continue;
        if (out.size() == MaxShownDetail)
            break;
        out += c;
    }
    return out;
}

QString shown(const QByteArray &latin1) { return shown(QString::fromLatin1(latin1)); }

// Replaces "%1".."%9" by args[0].. in one pass; markers without an argument stay.
QString filled(const QString &text, const QStringList &args)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('%') && i + 1 < text.size()) {
            const int n = text[i + 1].digitValue();
            if (n >= 1 && n <= args.size()) {
                out += args[n - 1];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

FetchOutcome outcomeOf(FetchOutcomeKind kind)
{
    FetchOutcome outcome;
    outcome.kind = kind;
    return outcome;
}

} // namespace

QList<FetchOutcomeKind> allFetchOutcomeKinds()
{
    QList<FetchOutcomeKind> kinds;
    for (const KindKey &entry : kKeys)
        kinds << entry.kind;
    return kinds;
}

QString outcomeMessageKey(FetchOutcomeKind kind)
{
    for (const KindKey &entry : kKeys) {
        if (entry.kind == kind)
            return QLatin1StringView(entry.key);
    }
    return QString();
}

QString outcomeText(const FetchOutcome &outcome, const MessageLookup &messages)
{
    QString key = outcomeMessageKey(outcome.kind);
    QStringList args;
    switch (outcome.kind) {
    case FetchOutcomeKind::Picture:
        args << QString::number(outcome.status) << QString::number(outcome.bytes)
             << QString::number(outcome.elapsedMs);
        break;
    case FetchOutcomeKind::ConnectTimedOut:
    case FetchOutcomeKind::NoDataTimedOut:
        args << QString::number(outcome.seconds);
        break;
    case FetchOutcomeKind::NetworkError:
    case FetchOutcomeKind::CertificateWrongName:
    case FetchOutcomeKind::CertificateRefused:
    case FetchOutcomeKind::RedirectInsecure:
        args << shown(outcome.detail);
        break;
    case FetchOutcomeKind::HttpError:
        args << QString::number(outcome.status) << shown(outcome.reason);
        break;
    case FetchOutcomeKind::NotAPicture:
        if (outcome.contentType.isEmpty())
            key = QLatin1StringView(kNoTypeKey);
        else
            args << shown(outcome.contentType);
        break;
    case FetchOutcomeKind::TooLarge:
        args << QString::number(outcome.bytes / (1024 * 1024));
        break;
    case FetchOutcomeKind::TooManyRedirects:
        args << QString::number(MaxRedirectHops);
        break;
    default:
        break;
    }
    const QString text = messages ? messages(key) : QString();
    return filled(text.isEmpty() ? key : text, args).trimmed();
}

FetchOutcome outcomeOfSocketFailure(const SocketFailure &failure, const QString &host)
{
    FetchOutcome outcome;
    const auto certificateOutcome = [&failure](FetchOutcomeKind kind) {
        FetchOutcome out = outcomeOf(kind);
        out.certificate = failure.certificate;
        out.peerFingerprint = failure.peerFingerprint;
        for (const QSslError &error : failure.sslErrors)
            out.certificateErrors.append(error.errorString());
        return out;
    };
    switch (failure.kind) {
    case SocketFailure::Kind::Refused:
        return outcomeOf(FetchOutcomeKind::ConnectionRefused);
    case SocketFailure::Kind::HostNotFound:
        return outcomeOf(FetchOutcomeKind::HostNotFound);
    case SocketFailure::Kind::ConnectTimedOut:
    case SocketFailure::Kind::NoDataTimedOut:
        outcome = outcomeOf(failure.kind == SocketFailure::Kind::ConnectTimedOut
                                ? FetchOutcomeKind::ConnectTimedOut
                                : FetchOutcomeKind::NoDataTimedOut);
        outcome.seconds = (failure.timeoutMs + 999) / 1000;
        return outcome;
    case SocketFailure::Kind::TlsHandshakeFailed:
        return outcomeOf(FetchOutcomeKind::TlsHandshakeFailed);
    case SocketFailure::Kind::CertificateChanged:
        outcome = certificateOutcome(FetchOutcomeKind::CertificateChanged);
        outcome.pinnedFingerprint = failure.pinnedFingerprint;
        return outcome;
    case SocketFailure::Kind::TlsCertificate:
        switch (certificateProblem(failure.sslErrors)) {
        case CertificateProblem::NotTrusted:
            return certificateOutcome(FetchOutcomeKind::CertificateNotTrusted);
        case CertificateProblem::Expired:
            return certificateOutcome(FetchOutcomeKind::CertificateExpired);
        case CertificateProblem::WrongName:
            outcome = certificateOutcome(FetchOutcomeKind::CertificateWrongName);
            outcome.detail = host;
            return outcome;
        case CertificateProblem::Other:
            outcome = certificateOutcome(FetchOutcomeKind::CertificateRefused);
            outcome.detail =
                failure.sslErrors.isEmpty() ? failure.text : failure.sslErrors.first().errorString();
            return outcome;
        }
        break;
    case SocketFailure::Kind::NetworkError:
        break;
    }
    outcome = outcomeOf(FetchOutcomeKind::NetworkError);
    outcome.detail = failure.text;
    return outcome;
}

FetchOutcome outcomeOfHttpStatus(const StatusLine &status)
{
    FetchOutcome outcome = outcomeOf(status.code == 403   ? FetchOutcomeKind::Forbidden
                                     : status.code == 404 ? FetchOutcomeKind::NotFound
                                                          : FetchOutcomeKind::HttpError);
    outcome.status = status.code;
    if (outcome.kind == FetchOutcomeKind::HttpError)
        outcome.reason = status.reason;
    return outcome;
}

bool isCertificateOutcome(FetchOutcomeKind kind)
{
    switch (kind) {
    case FetchOutcomeKind::CertificateNotTrusted:
    case FetchOutcomeKind::CertificateWrongName:
    case FetchOutcomeKind::CertificateExpired:
    case FetchOutcomeKind::CertificateChanged:
    case FetchOutcomeKind::CertificateRefused:
        return true;
    default:
        return false;
    }
}
