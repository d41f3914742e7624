// SPDX-License-Identifier: GPL-3.0-or-later
// Fetch outcomes in words: the English defaults with their details, the translations that
// ship, outcomes of socket failures and HTTP statuses, details from servers shown safely.
#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"
#include "monitor/FetchOutcome.h"
#include "platform/SocketFailure.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

LanguageTable &defaults()
{
    static LanguageTable table = [] {
        LanguageTable languages;
        addDefaultMessages(languages);
        return languages;
    }();
    return table;
}

QString english(const FetchOutcome &outcome)
{
    return outcomeText(outcome, [](const QString &key) { return defaults().message(key); });
}

FetchOutcome outcome(FetchOutcomeKind kind)
{
    FetchOutcome out;
    out.kind = kind;
    return out;
}

QStringList allKeys()
{
    QStringList keys;
    for (const FetchOutcomeKind kind : allFetchOutcomeKinds())
        keys << outcomeMessageKey(kind);
    keys << QStringLiteral("MSG_OUTCOME_NOTPICTURENOTYPE");
    return keys;
}

// The placeholders a text uses, sorted: "%1 %3".
QString placeholders(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%[1-9]"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    found.removeDuplicates();
    return found.join(QLatin1Char(' '));
}

SocketFailure failure(SocketFailure::Kind kind, const QList<QSslError> &errors = {})
{
    SocketFailure out;
    out.kind = kind;
    out.text = QStringLiteral("system text");
    out.sslErrors = errors;
    out.peerFingerprint = QByteArray(64, 'b');
    return out;
}

} // namespace

Q_DECLARE_METATYPE(FetchOutcome)
Q_DECLARE_METATYPE(FetchOutcomeKind)

class TestFetchOutcome : public QObject
{
    Q_OBJECT

private slots:
    void englishTexts_data();
    void englishTexts();
    void keysAreDistinctAndDefaulted();
    void shippedTranslations_data();
    void shippedTranslations();
    void detailsFromServersShownSafely();
    void socketFailures_data();
    void socketFailures();
    void httpStatuses_data();
    void httpStatuses();
};

void TestFetchOutcome::englishTexts_data()
{
    QTest::addColumn<FetchOutcome>("outcome");
    QTest::addColumn<QString>("text");

    using K = FetchOutcomeKind;
    FetchOutcome picture = outcome(K::Picture);
    picture.status = 200;
    picture.bytes = 48213;
    picture.elapsedMs = 125;
    QTest::newRow("picture") << picture << "Picture received: HTTP 200, 48213 bytes in 125 ms";
    QTest::newRow("refused") << outcome(K::ConnectionRefused) << "Connection refused";
    QTest::newRow("host not found") << outcome(K::HostNotFound) << "Host not found";
    FetchOutcome connect = outcome(K::ConnectTimedOut);
    connect.seconds = 10;
    QTest::newRow("connect timeout") << connect << "Connection timed out after 10 s";
    FetchOutcome idle = outcome(K::NoDataTimedOut);
    idle.seconds = 20;
    QTest::newRow("no data") << idle << "No data received for 20 s";
    FetchOutcome network = outcome(K::NetworkError);
    network.detail = QStringLiteral("Network unreachable");
    QTest::newRow("network error") << network << "Network error: Network unreachable";
    QTest::newRow("not trusted") << outcome(K::CertificateNotTrusted) << "Certificate not trusted";
    FetchOutcome name = outcome(K::CertificateWrongName);
    name.detail = QStringLiteral("cam.local");
    QTest::newRow("wrong name") << name << "Certificate is not for cam.local";
    QTest::newRow("expired") << outcome(K::CertificateExpired) << "Certificate expired";
    QTest::newRow("changed") << outcome(K::CertificateChanged) << "Certificate changed since it was trusted";
    FetchOutcome refused = outcome(K::CertificateRefused);
    refused.detail = QStringLiteral("The certificate has been revoked");
    QTest::newRow("certificate refused") << refused << "Certificate refused: The certificate has been revoked";
    QTest::newRow("handshake") << outcome(K::TlsHandshakeFailed) << "TLS handshake failed";
    QTest::newRow("login needed") << outcome(K::LoginNeeded) << "HTTP 401: login needed";
    QTest::newRow("login refused") << outcome(K::LoginRefused) << "HTTP 401: login refused";
    QTest::newRow("403") << outcome(K::Forbidden) << "HTTP 403 Forbidden";
    QTest::newRow("404") << outcome(K::NotFound) << "HTTP 404 Not Found";
    FetchOutcome error = outcome(K::HttpError);
    error.status = 503;
    error.reason = "Service Unavailable";
    QTest::newRow("503") << error << "HTTP 503 Service Unavailable";
    QTest::newRow("not HTTP") << outcome(K::NotHttp) << "No HTTP response";
    FetchOutcome html = outcome(K::NotAPicture);
    html.contentType = "text/html";
    QTest::newRow("not a picture") << html << "Not a picture (text/html)";
    QTest::newRow("not a picture, no type") << outcome(K::NotAPicture) << "Not a picture (no content type)";
    FetchOutcome large = outcome(K::TooLarge);
    large.bytes = 64 * 1024 * 1024;
    QTest::newRow("too large") << large << "Too large: more than 64 MB";
    QTest::newRow("unreadable") << outcome(K::UnreadablePicture) << "Unreadable picture";
    QTest::newRow("too slow") << outcome(K::TooSlow) << "Download slower than the refresh interval";
    FetchOutcome insecure = outcome(K::RedirectInsecure);
    insecure.detail = QStringLiteral("http://cam/x");
    QTest::newRow("insecure redirect") << insecure << "Redirect from https to http refused: http://cam/x";
    QTest::newRow("too many redirects") << outcome(K::TooManyRedirects) << "More than 5 redirects";
    QTest::newRow("bad redirect") << outcome(K::BadRedirect) << "Redirect to an address that cannot be fetched";
}

void TestFetchOutcome::englishTexts()
{
    QFETCH(FetchOutcome, outcome);
    QFETCH(QString, text);
    QCOMPARE(english(outcome), text);
}

void TestFetchOutcome::keysAreDistinctAndDefaulted()
{
    const QStringList keys = allKeys();
    QCOMPARE(allFetchOutcomeKinds().size(), static_cast<int>(FetchOutcomeKind::BadRedirect) + 1);
    QCOMPARE(QSet<QString>(keys.cbegin(), keys.cend()).size(), keys.size());
    for (const QString &key : keys) {
        QVERIFY2(key.startsWith(QLatin1String("MSG_OUTCOME_")), qPrintable(key));
        QVERIFY2(!defaults().message(key).isEmpty(), qPrintable(key));
    }
    // A lookup that knows no text shows the key, details still filled in.
    FetchOutcome timeout = outcome(FetchOutcomeKind::ConnectTimedOut);
    timeout.seconds = 10;
    QCOMPARE(outcomeText(timeout, [](const QString &) { return QString(); }), QStringLiteral("MSG_OUTCOME_CONNECTTIMEOUT"));
    QCOMPARE(outcomeText(timeout, {}), QStringLiteral("MSG_OUTCOME_CONNECTTIMEOUT"));
    QCOMPARE(outcomeText(timeout, [](const QString &) { return QStringLiteral("%1 / %2 / %1"); }),
             QStringLiteral("10 / %2 / 10"));
}

void TestFetchOutcome::shippedTranslations_data()
{
    QTest::addColumn<QString>("language");
    for (const char *name : {"English", "Deutsch", "Français", "Español"})
        QTest::newRow(name) << QString::fromUtf8(name);
}

void TestFetchOutcome::shippedTranslations()
{
    QFETCH(QString, language);

    QFile file(qEnvironmentVariable("OCELLUS_SOURCE_DIR") + QStringLiteral("/resources/Localization.txt"));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    LanguageTable table;
    QVERIFY(table.loadLanguageFromText(QString::fromUtf8(file.readAll()), language));

    int asInEnglish = 0;
    for (const QString &key : allKeys()) {
        const std::optional<QString> text = table.tryCaption(key);
        QVERIFY2(text && !text->isEmpty(), qPrintable(key));
        const QString defaultText = defaults().message(key);
        // The same details in every language.
        QCOMPARE(placeholders(*text), placeholders(defaultText));
        if (language == QLatin1String("English"))
            QCOMPARE(*text, defaultText);
        else
            asInEnglish += *text == defaultText ? 1 : 0;
    }
    QCOMPARE(asInEnglish, 0);

    // Every detail lands in the translated text.
    FetchOutcome picture = outcome(FetchOutcomeKind::Picture);
    picture.status = 200;
    picture.bytes = 4711;
    picture.elapsedMs = 33;
    const QString text = outcomeText(picture, [&table](const QString &key) { return table.caption(key); });
    QVERIFY2(text.contains(QLatin1String("200")) && text.contains(QLatin1String("4711"))
                 && text.contains(QLatin1String("33")) && !text.contains(QLatin1Char('%')),
             qPrintable(text));
}

void TestFetchOutcome::detailsFromServersShownSafely()
{
    FetchOutcome error = outcome(FetchOutcomeKind::HttpError);
    error.status = 500;
    error.reason = "Bad\r\nX\x01Y %1 %2 \xE4" + QByteArray(200, 'r');
    const QString text = english(error);
    QVERIFY(text.startsWith(QStringLiteral("HTTP 500 BadXY %1 %2 \u00E4rrr")));
    QCOMPARE(text.size(), QStringLiteral("HTTP 500 ").size() + 100);

    FetchOutcome type = outcome(FetchOutcomeKind::NotAPicture);
    type.contentType = "text/\x1b[31mhtml";
    QCOMPARE(english(type), QStringLiteral("Not a picture (text/[31mhtml)"));

    FetchOutcome network = outcome(FetchOutcomeKind::NetworkError);
    network.detail = QStringLiteral("line\nbreak\u0085 %3");
    QCOMPARE(english(network), QStringLiteral("Network error: linebreak %3"));
}

void TestFetchOutcome::socketFailures_data()
{
    QTest::addColumn<SocketFailure>("failure");
    QTest::addColumn<FetchOutcomeKind>("kind");
    QTest::addColumn<QString>("text");

    using K = FetchOutcomeKind;
    using F = SocketFailure::Kind;
    QTest::newRow("refused") << failure(F::Refused) << K::ConnectionRefused << "Connection refused";
    QTest::newRow("host") << failure(F::HostNotFound) << K::HostNotFound << "Host not found";
    SocketFailure connect = failure(F::ConnectTimedOut);
    connect.timeoutMs = 10000;
    QTest::newRow("connect timeout") << connect << K::ConnectTimedOut << "Connection timed out after 10 s";
    SocketFailure shortIdle = failure(F::NoDataTimedOut);
    shortIdle.timeoutMs = 300;
    QTest::newRow("idle timeout rounded up") << shortIdle << K::NoDataTimedOut << "No data received for 1 s";
    SocketFailure system = failure(F::ConnectTimedOut);
    QTest::newRow("timeout of the system") << system << K::ConnectTimedOut << "Connection timed out after 0 s";
    QTest::newRow("handshake") << failure(F::TlsHandshakeFailed) << K::TlsHandshakeFailed << "TLS handshake failed";
    QTest::newRow("network") << failure(F::NetworkError) << K::NetworkError << "Network error: system text";
    QTest::newRow("self-signed") << failure(F::TlsCertificate, {QSslError(QSslError::SelfSignedCertificate)})
                                 << K::CertificateNotTrusted << "Certificate not trusted";
    QTest::newRow("expired") << failure(F::TlsCertificate, {QSslError(QSslError::CertificateExpired)})
                             << K::CertificateExpired << "Certificate expired";
    QTest::newRow("wrong name") << failure(F::TlsCertificate, {QSslError(QSslError::HostNameMismatch)})
                                << K::CertificateWrongName << "Certificate is not for cam.local";
    QTest::newRow("revoked") << failure(F::TlsCertificate, {QSslError(QSslError::CertificateRevoked)})
                             << K::CertificateRefused
                             << "Certificate refused: " + QSslError(QSslError::CertificateRevoked).errorString();
    SocketFailure changed = failure(F::CertificateChanged);
    changed.pinnedFingerprint = QByteArray(64, 'a');
    QTest::newRow("changed") << changed << K::CertificateChanged << "Certificate changed since it was trusted";
}

void TestFetchOutcome::socketFailures()
{
    QFETCH(SocketFailure, failure);
    QFETCH(FetchOutcomeKind, kind);
    QFETCH(QString, text);

    const FetchOutcome got = outcomeOfSocketFailure(failure, QStringLiteral("cam.local"));
    QCOMPARE(got.kind, kind);
    QCOMPARE(english(got), text);
    const bool certificate = failure.kind == SocketFailure::Kind::TlsCertificate
        || failure.kind == SocketFailure::Kind::CertificateChanged;
    QCOMPARE(got.peerFingerprint, certificate ? QByteArray(64, 'b') : QByteArray());
    QCOMPARE(got.pinnedFingerprint, failure.pinnedFingerprint);
}

void TestFetchOutcome::httpStatuses_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<FetchOutcomeKind>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("403") << QByteArray("HTTP/1.1 403 Verboten") << FetchOutcomeKind::Forbidden << "HTTP 403 Forbidden";
    QTest::newRow("404") << QByteArray("HTTP/1.0 404 Nope") << FetchOutcomeKind::NotFound << "HTTP 404 Not Found";
    QTest::newRow("500") << QByteArray("HTTP/1.1 500 Internal Server Error") << FetchOutcomeKind::HttpError
                         << "HTTP 500 Internal Server Error";
    QTest::newRow("410 without reason") << QByteArray("HTTP/1.1 410") << FetchOutcomeKind::HttpError << "HTTP 410";
    QTest::newRow("401 is an error here") << QByteArray("HTTP/1.1 401 Unauthorized") << FetchOutcomeKind::HttpError
                                          << "HTTP 401 Unauthorized";
    QTest::newRow("304") << QByteArray("HTTP/1.1 304 Not Modified") << FetchOutcomeKind::HttpError
                         << "HTTP 304 Not Modified";
}

void TestFetchOutcome::httpStatuses()
{
    QFETCH(QByteArray, header);
    QFETCH(FetchOutcomeKind, kind);
    QFETCH(QString, text);

    const StatusLine status = parseStatusLine(header);
    QVERIFY(status.ok);
    const FetchOutcome got = outcomeOfHttpStatus(status);
    QCOMPARE(got.kind, kind);
    QCOMPARE(got.status, status.code);
    QCOMPARE(english(got), text);
}

QTEST_GUILESS_MAIN(TestFetchOutcome)
#include "tst_fetchoutcome.moc"
