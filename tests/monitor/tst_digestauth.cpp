// SPDX-License-Identifier: GPL-3.0-or-later
// WWW-Authenticate challenges, the choice of a Digest challenge, the Authorization values
// of RFC 7616 and RFC 2617/2069, and the decision on a 401.
#include "monitor/AuthChallenge.h"
#include "monitor/CameraAddress.h"
#include "monitor/DigestAuthentication.h"

#include <QCryptographicHash>
#include <QTest>

namespace {

// "scheme(name=value,...)" or "scheme(=token68)" for each challenge, separated by spaces.
QString describe(const QList<AuthChallenge> &challenges)
{
    QStringList out;
    for (const AuthChallenge &challenge : challenges) {
        QStringList params;
        if (!challenge.token68.isEmpty())
            params << QLatin1Char('=') + QString::fromLatin1(challenge.token68);
        for (const auto &[name, value] : challenge.params)
            params << QString::fromLatin1(name + '=' + value);
        out << QString::fromLatin1(challenge.scheme) + QLatin1Char('(') + params.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    return out.join(QLatin1Char(' '));
}

QByteArray header401(const QList<QByteArray> &challenges)
{
    QByteArray header = "HTTP/1.1 401 Unauthorized\r\nContent-Type: text/html";
    for (const QByteArray &challenge : challenges)
        header += "\r\nWWW-Authenticate: " + challenge;
    return header;
}

const QByteArray kRfcNonce = "7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v";
const QByteArray kRfcCnonce = "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ";
const QByteArray kRfcOpaque = "FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS";

QByteArray rfcChallenge(const QByteArray &algorithm)
{
    return "Digest realm=\"http-auth@example.org\", qop=\"auth, auth-int\", algorithm=" + algorithm
        + ", nonce=\"" + kRfcNonce + "\", opaque=\"" + kRfcOpaque + '"';
}

} // namespace

Q_DECLARE_METATYPE(UnauthorizedAction)

class TestDigestAuth : public QObject
{
    Q_OBJECT

private slots:
    void parseChallenges_data();
    void parseChallenges();
    void boundedCounts();
    void challengesOfEveryField();
    void strongest_data();
    void strongest();
    void answers_data();
    void answers();
    void nonceCountGrows();
    void unsafeValuesGiveNoAnswer_data();
    void unsafeValuesGiveNoAnswer();
    void randomCnonces();
    void decision_data();
    void decision();
    void credentialsOfUserInfo_data();
    void credentialsOfUserInfo();
};

void TestDigestAuth::parseChallenges_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("challenges");

    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("blanks and commas only") << QByteArray(" , ,\t,") << "";
    QTest::newRow("basic") << QByteArray("Basic realm=\"cam\"") << "basic(realm=cam)";
    QTest::newRow("scheme alone") << QByteArray("Basic") << "basic()";
    QTest::newRow("RFC 7235 example")
        << QByteArray("Newauth realm=\"apps\", type=1, title=\"Login to \\\"apps\\\"\", Basic realm=\"simple\"")
        << "newauth(realm=apps,type=1,title=Login to \"apps\") basic(realm=simple)";
    QTest::newRow("RFC 7616 challenge")
        << rfcChallenge("SHA-256")
        << QString::fromLatin1("digest(realm=http-auth@example.org,qop=auth, auth-int,algorithm=SHA-256,nonce="
                               + kRfcNonce + ",opaque=" + kRfcOpaque + ")");
    QTest::newRow("letter case of scheme and names; values kept")
        << QByteArray("DIGEST REALM=\"Cam\", Nonce=AbC") << "digest(realm=Cam,nonce=AbC)";
    QTest::newRow("empty list elements") << QByteArray(", ,Basic realm=x,, ,Digest nonce=n,")
                                         << "basic(realm=x) digest(nonce=n)";
    QTest::newRow("blanks around =") << QByteArray("Digest realm = \"x\" ,\tnonce=\t y") << "digest(realm=x,nonce=y)";
    QTest::newRow("parameters without commas") << QByteArray("Digest realm=\"x\" nonce=\"y\" qop=auth")
                                               << "digest(realm=x,nonce=y,qop=auth)";
    QTest::newRow("escapes in quoted strings") << QByteArray("Digest realm=\"a\\\"b\\\\c\\d\", nonce=\"\"")
                                               << "digest(realm=a\"b\\cd,nonce=)";
    QTest::newRow("commas and equals signs inside quotes")
        << QByteArray("Digest realm=\"a, b=c\", nonce=n") << "digest(realm=a, b=c,nonce=n)";
    QTest::newRow("unquoted value beyond a token") << QByteArray("Digest nonce=ab/c+d==, realm=x")
                                                   << "digest(nonce=ab/c+d==,realm=x)";
    QTest::newRow("token68") << QByteArray("Negotiate YIIB/x+y=, Basic abc==") << "negotiate(=YIIB/x+y=) basic(=abc==)";
    QTest::newRow("token68 looking like a parameter without value") << QByteArray("Digest realm=")
                                                                    << "digest(=realm=)";
    QTest::newRow("scheme, comma, parameter") << QByteArray("Basic, realm=x, Digest nonce=n")
                                              << "basic() digest(nonce=n)";
    QTest::newRow("repeated parameter kept in order") << QByteArray("Digest nonce=a, nonce=b")
                                                      << "digest(nonce=a,nonce=b)";
    // Damage.
    QTest::newRow("no scheme before =") << QByteArray("=x, Basic realm=y") << "basic(realm=y)";
    QTest::newRow("quoted text where a scheme belongs") << QByteArray("\"a,b\", Basic") << "basic()";
    QTest::newRow("stray text between parameters") << QByteArray("Digest realm=x, =junk, nonce=n, Basic")
                                                   << "digest(realm=x) basic()";
    QTest::newRow("scheme glued to =") << QByteArray("Digest=x, Basic") << "basic()";
    QTest::newRow("quote without end") << QByteArray("Basic realm=\"x\", Digest realm=\"open, nonce=n")
                                       << "basic(realm=x) digest()";
    QTest::newRow("quote without end after a parameter") << QByteArray("Digest nonce=n, realm=\"open")
                                                         << "digest(nonce=n)";
    QTest::newRow("backslash at the very end") << QByteArray("Digest nonce=n, realm=\"a\\") << "digest(nonce=n)";
    QTest::newRow("control bytes inside quotes are kept")
        << QByteArray("Digest nonce=\"a\x01" "b\"") << QString::fromLatin1("digest(nonce=a\x01" "b)");
    QTest::newRow("control byte ends an unquoted value") << QByteArray("Digest nonce=ab\x01" "cd")
                                                         << "digest(nonce=ab)";
}

void TestDigestAuth::parseChallenges()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, challenges);
    QCOMPARE(describe(parseAuthChallenges(value)), challenges);
}

void TestDigestAuth::boundedCounts()
{
    const QList<AuthChallenge> many = parseAuthChallenges(QByteArray("Basic, ").repeated(MaxChallenges + 10));
    QCOMPARE(many.size(), MaxChallenges);

    QByteArray params = "Digest ";
    for (int i = 0; i < MaxChallengeParams + 10; ++i)
        params += "p" + QByteArray::number(i) + "=v, ";
    params += "nonce=n";
    const QList<AuthChallenge> one = parseAuthChallenges(params);
    QCOMPARE(one.size(), 1);
    QCOMPARE(one.first().params.size(), MaxChallengeParams);
    QCOMPARE(one.first().param("p0"), QByteArray("v"));
    QVERIFY(!one.first().hasParam("nonce"));

    // A repeated parameter: param() gives the first value.
    const AuthChallenge repeated = parseAuthChallenges("Digest nonce=a, nonce=b").first();
    QCOMPARE(repeated.param("nonce"), QByteArray("a"));
    QVERIFY(!repeated.hasParam("realm"));
    QCOMPARE(repeated.param("realm"), QByteArray());
}

void TestDigestAuth::challengesOfEveryField()
{
    const QByteArray header = "HTTP/1.1 401 Unauthorized\r\n"
                              "www-authenticate: Basic realm=\"a\"\r\n"
                              "X-WWW-Authenticate: Digest nonce=\"fake\"\r\n"
                              "Content-Length: 0\r\n"
                              "WWW-Authenticate: Digest realm=\"b\",\r\n"
                              "\tnonce=\"n\", qop=\"auth\"\r\n"
                              "WWW-Authenticate : Newauth x=1";
    QCOMPARE(describe(authChallengesOfHeader(header)),
             QStringLiteral("basic(realm=a) digest(realm=b,nonce=n,qop=auth) newauth(x=1)"));
    QCOMPARE(authChallengesOfHeader("HTTP/1.1 401 Unauthorized\r\nContent-Length: 0").size(), 0);

    QByteArray many = "HTTP/1.1 401 Unauthorized";
    for (int i = 0; i < MaxChallenges; ++i)
        many += "\r\nWWW-Authenticate: Basic, Digest nonce=n";
    QCOMPARE(authChallengesOfHeader(many).size(), MaxChallenges);
}

void TestDigestAuth::strongest_data()
{
    QTest::addColumn<QByteArray>("header");
    // "none", or algorithm name, nonce and flags: "SHA-256 n1 qop" etc.
    QTest::addColumn<QString>("expected");

    const auto digest = [](const QByteArray &rest) { return "Digest realm=\"r\", " + rest; };
    QTest::newRow("RFC 7616: SHA-256 offered first")
        << header401({rfcChallenge("SHA-256"), rfcChallenge("MD5")})
        << QString::fromLatin1("SHA-256 " + kRfcNonce + " named qop opaque");
    QTest::newRow("SHA-256 offered second") << header401({digest("nonce=a"), digest("nonce=b, algorithm=SHA-256")})
                                            << "SHA-256 b named";
    QTest::newRow("two MD5: the first") << header401({digest("nonce=a, algorithm=MD5"), digest("nonce=b")})
                                        << "MD5 a named";
    QTest::newRow("Basic and Digest in one field") << header401({"Basic realm=\"x\", " + digest("nonce=a")})
                                                   << "MD5 a";
    QTest::newRow("Basic only") << header401({"Basic realm=\"x\""}) << "none";
    QTest::newRow("no challenge") << header401({}) << "none";
    QTest::newRow("no nonce") << header401({digest("qop=auth")}) << "none";
    QTest::newRow("empty nonce") << header401({digest("nonce=\"\"")}) << "none";
    QTest::newRow("unknown algorithm only") << header401({digest("nonce=a, algorithm=SHA-512-256")}) << "none";
    QTest::newRow("unknown algorithm, then MD5")
        << header401({digest("nonce=a, algorithm=SHA-512-256"), digest("nonce=b, algorithm=md5")}) << "MD5 b named";
    QTest::newRow("algorithm in any letter case") << header401({digest("nonce=a, algorithm=sha-256-SESS, qop=auth")})
                                                  << "SHA-256-sess a named qop";
    QTest::newRow("SHA-256-sess before MD5-sess")
        << header401({digest("nonce=a, algorithm=MD5-sess, qop=auth"), digest("nonce=b, algorithm=SHA-256-sess, qop=auth")})
        << "SHA-256-sess b named qop";
    QTest::newRow("qop auth-int only") << header401({digest("nonce=a, qop=\"auth-int\"")}) << "none";
    QTest::newRow("qop list with auth last") << header401({digest("nonce=a, qop=\"auth-int,AUTH\"")}) << "MD5 a qop";
    QTest::newRow("qop auth-integrity is not auth") << header401({digest("nonce=a, qop=\"authx\"")}) << "none";
    QTest::newRow("no qop: RFC 2069") << header401({digest("nonce=a")}) << "MD5 a";
    QTest::newRow("session algorithm without qop") << header401({digest("nonce=a, algorithm=MD5-sess")}) << "none";
    QTest::newRow("stale and userhash") << header401({digest("nonce=a, stale=TRUE, userhash=true, qop=auth")})
                                        << "MD5 a qop stale userhash";
    QTest::newRow("stale=false") << header401({digest("nonce=a, stale=false")}) << "MD5 a";
    QTest::newRow("control byte in the nonce") << header401({digest("nonce=\"a\x01\"")}) << "none";
    QTest::newRow("DEL in the realm") << header401({"Digest realm=\"r\x7F\", nonce=a"}) << "none";
    QTest::newRow("control byte in opaque, then a clean one")
        << header401({digest("nonce=a, opaque=\"\x02\""), digest("nonce=b, opaque=\"o\"")}) << "MD5 b opaque";
    QTest::newRow("tab in the realm is allowed") << header401({"Digest realm=\"a\tb\", nonce=n"}) << "MD5 n";
}

void TestDigestAuth::strongest()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, expected);

    const std::optional<DigestChallenge> challenge = strongestDigestChallenge(authChallengesOfHeader(header));
    if (expected == QLatin1String("none")) {
        QVERIFY(!challenge);
        return;
    }
    QVERIFY(challenge);
    static const char *const names[] = {"MD5", "MD5-sess", "SHA-256", "SHA-256-sess"};
    QStringList got{QLatin1String(names[static_cast<int>(challenge->algorithm)]), QString::fromLatin1(challenge->nonce)};
    if (challenge->algorithmNamed)
        got << QStringLiteral("named");
    if (challenge->qopAuth)
        got << QStringLiteral("qop");
    if (challenge->stale)
        got << QStringLiteral("stale");
    if (challenge->userhash)
        got << QStringLiteral("userhash");
    if (challenge->hasOpaque)
        got << QStringLiteral("opaque");
    QCOMPARE(got.join(QLatin1Char(' ')), expected);
}

void TestDigestAuth::answers_data()
{
    QTest::addColumn<QByteArray>("challenge");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("cnonce");
    QTest::addColumn<QByteArray>("uri");
    QTest::addColumn<QByteArray>("authorization");

    const QByteArray rfcAnswer = "Digest username=\"Mufasa\", realm=\"http-auth@example.org\", uri=\"/dir/index.html\", "
                                 "algorithm=%1, nonce=\""
        + kRfcNonce + "\", nc=00000001, cnonce=\"" + kRfcCnonce + "\", qop=auth, response=\"%2\", opaque=\""
        + kRfcOpaque + "\"";
    const auto rfc = [&rfcAnswer](const char *algorithm, const char *response) {
        return QString::fromLatin1(rfcAnswer).arg(QLatin1String(algorithm), QLatin1String(response)).toLatin1();
    };
    // RFC 7616, section 3.9.1.
    QTest::newRow("RFC 7616 MD5") << rfcChallenge("MD5") << QByteArray("Mufasa") << QByteArray("Circle of Life")
                                  << kRfcCnonce << QByteArray("/dir/index.html")
                                  << rfc("MD5", "8ca523f5e9506fed4657c9700eebdbec");
    QTest::newRow("RFC 7616 SHA-256")
        << rfcChallenge("SHA-256") << QByteArray("Mufasa") << QByteArray("Circle of Life") << kRfcCnonce
        << QByteArray("/dir/index.html")
        << rfc("SHA-256", "753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1");
    // The same values with the session variants; expected responses computed with Python's hashlib.
    QTest::newRow("MD5-sess") << rfcChallenge("MD5-sess") << QByteArray("Mufasa") << QByteArray("Circle of Life")
                              << kRfcCnonce << QByteArray("/dir/index.html")
                              << rfc("MD5-sess", "e783283f46242139c486a698fec7211d");
    QTest::newRow("SHA-256-sess")
        << rfcChallenge("SHA-256-sess") << QByteArray("Mufasa") << QByteArray("Circle of Life") << kRfcCnonce
        << QByteArray("/dir/index.html")
        << rfc("SHA-256-sess", "2fd51b3a77ad75bad6afad6003e818d767133c46d9e2749e7f5232ae1ea3efd7");
    // RFC 2617, section 3.5: qop auth, no algorithm named.
    QTest::newRow("RFC 2617") << QByteArray("Digest realm=\"testrealm@host.com\", qop=\"auth,auth-int\", "
                                            "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", "
                                            "opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"")
                              << QByteArray("Mufasa") << QByteArray("Circle Of Life") << QByteArray("0a4f113b")
                              << QByteArray("/dir/index.html")
                              << QByteArray("Digest username=\"Mufasa\", realm=\"testrealm@host.com\", "
                                            "uri=\"/dir/index.html\", nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", "
                                            "nc=00000001, cnonce=\"0a4f113b\", qop=auth, "
                                            "response=\"6629fae49393a05397450978507c4ef1\", "
                                            "opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"");
    // RFC 2069, section 2.4: no qop, so no nc and cnonce.
    QTest::newRow("RFC 2069") << QByteArray("Digest realm=\"testrealm@host.com\", "
                                            "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", "
                                            "opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"")
                              << QByteArray("Mufasa") << QByteArray("CircleOfLife") << QByteArray("unused")
                              << QByteArray("/dir/index.html")
                              << QByteArray("Digest username=\"Mufasa\", realm=\"testrealm@host.com\", "
                                            "uri=\"/dir/index.html\", nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", "
                                            "response=\"1949323746fe6a43ef61f9606e7febea\", "
                                            "opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"");
    QTest::newRow("userhash, no opaque")
        << QByteArray("Digest realm=\"http-auth@example.org\", qop=auth, algorithm=SHA-256, userhash=true, nonce=\""
                      + kRfcNonce + "\"")
        << QByteArray("Mufasa") << QByteArray("Circle of Life") << kRfcCnonce << QByteArray("/dir/index.html")
        << "Digest username=\"a947aad205e80e429958a387394944c6b496301e79f89d35a4cc23b6ee12b5b6\", "
           "realm=\"http-auth@example.org\", uri=\"/dir/index.html\", algorithm=SHA-256, nonce=\""
            + kRfcNonce + "\", nc=00000001, cnonce=\"" + kRfcCnonce
            + "\", qop=auth, response=\"753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1\", "
              "userhash=true";
    // RFC 2069 form: response = MD5(MD5(user:realm:password):nonce:MD5(GET:uri)).
    const auto md5 = [](const QByteArray &text) { return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex(); };
    const QByteArray escapedResponse = md5(md5("us\"e\\r:a\"b:pw") + ":n\\m:" + md5("GET:/p?q=\"x\""));
    QTest::newRow("quotes and backslashes escaped")
        << QByteArray("Digest realm=\"a\\\"b\", nonce=\"n\\\\m\"") << QByteArray("us\"e\\r") << QByteArray("pw")
        << QByteArray("c") << QByteArray("/p?q=\"x\"")
        << "Digest username=\"us\\\"e\\\\r\", realm=\"a\\\"b\", uri=\"/p?q=\\\"x\\\"\", nonce=\"n\\\\m\", "
           "response=\""
            + escapedResponse + "\"";
}

void TestDigestAuth::answers()
{
    QFETCH(QByteArray, challenge);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, cnonce);
    QFETCH(QByteArray, uri);
    QFETCH(QByteArray, authorization);

    const std::optional<DigestChallenge> digest = strongestDigestChallenge(parseAuthChallenges(challenge));
    QVERIFY(digest);
    DigestAnswerer answerer(*digest, user, password, [cnonce] { return cnonce; });
    QCOMPARE(answerer.authorization("GET", uri), authorization);
    QCOMPARE(answerer.nonceCount(), 1u);
}

void TestDigestAuth::nonceCountGrows()
{
    const std::optional<DigestChallenge> digest = strongestDigestChallenge(parseAuthChallenges(rfcChallenge("MD5")));
    QVERIFY(digest);
    int asked = 0;
    DigestAnswerer answerer(*digest, "Mufasa", "Circle of Life", [&asked] {
        ++asked;
        return kRfcCnonce;
    });
    const QByteArray first = answerer.authorization("GET", "/dir/index.html");
    const QByteArray second = answerer.authorization("GET", "/dir/index.html");
    const QByteArray third = answerer.authorization("GET", "/dir/index.html");
    QCOMPARE(asked, 1);
    QCOMPARE(answerer.nonceCount(), 3u);
    QVERIFY(first.contains(", nc=00000001, "));
    // Second answer: nc=00000002 with the same cnonce (Python's hashlib for the value).
    QVERIFY(second.contains(", nc=00000002, cnonce=\"" + kRfcCnonce + "\", "));
    QVERIFY(second.contains("response=\"4b5d595ecf2db9df612ea5b45cd97101\""));
    QVERIFY(third.contains(", nc=00000003, "));
    QVERIFY(first != second && second != third);
}

void TestDigestAuth::unsafeValuesGiveNoAnswer_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("uri");
    QTest::addColumn<QByteArray>("cnonce");
    QTest::newRow("CR LF in the user") << QByteArray("a\r\nX-Evil: 1") << QByteArray("/p") << QByteArray("c");
    QTest::newRow("NUL in the user") << QByteArray("a\0b", 3) << QByteArray("/p") << QByteArray("c");
    QTest::newRow("LF in the URI") << QByteArray("a") << QByteArray("/p\nq") << QByteArray("c");
    QTest::newRow("DEL in the URI") << QByteArray("a") << QByteArray("/p\x7F") << QByteArray("c");
    QTest::newRow("empty cnonce") << QByteArray("a") << QByteArray("/p") << QByteArray();
    QTest::newRow("quote in the cnonce") << QByteArray("a") << QByteArray("/p") << QByteArray("c\"d");
    QTest::newRow("CR in the cnonce") << QByteArray("a") << QByteArray("/p") << QByteArray("c\rd");
}

void TestDigestAuth::unsafeValuesGiveNoAnswer()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, uri);
    QFETCH(QByteArray, cnonce);
    const std::optional<DigestChallenge> digest = strongestDigestChallenge(parseAuthChallenges(rfcChallenge("MD5")));
    QVERIFY(digest);
    DigestAnswerer answerer(*digest, user, "pw", [cnonce] { return cnonce; });
    QCOMPARE(answerer.authorization("GET", uri), QByteArray());
    QCOMPARE(answerer.nonceCount(), 0u);
}

void TestDigestAuth::randomCnonces()
{
    const QByteArray a = randomCnonce();
    const QByteArray b = randomCnonce();
    QCOMPARE(a.size(), 32);
    QVERIFY(a != b);
    for (const char c : a)
        QVERIFY((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
}

void TestDigestAuth::decision_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("credentials");
    QTest::addColumn<int>("answersSent");
    QTest::addColumn<UnauthorizedAction>("action");
    QTest::addColumn<QByteArray>("nonce");

    const QByteArray fresh = header401({"Digest realm=\"r\", nonce=\"n1\", qop=auth"});
    const QByteArray stale = header401({"Digest realm=\"r\", nonce=\"n2\", qop=auth, stale=true"});
    const QByteArray basic = header401({"Basic realm=\"r\""});
    const QByteArray none = header401({});
    using A = UnauthorizedAction;
    QTest::newRow("no credentials, Digest offered") << fresh << false << 0 << A::LoginNeeded << QByteArray();
    QTest::newRow("no credentials, no challenge") << none << false << 0 << A::LoginNeeded << QByteArray();
    QTest::newRow("Basic sent and refused") << basic << true << 0 << A::LoginRefused << QByteArray();
    QTest::newRow("no challenge at all") << none << true << 0 << A::LoginRefused << QByteArray();
    QTest::newRow("Digest offered") << fresh << true << 0 << A::AnswerWithDigest << QByteArray("n1");
    QTest::newRow("Digest answer refused") << fresh << true << 1 << A::LoginRefused << QByteArray();
    QTest::newRow("stale after one answer") << stale << true << 1 << A::AnswerWithDigest << QByteArray("n2");
    QTest::newRow("stale again after the retry") << stale << true << 2 << A::LoginRefused << QByteArray();
    QTest::newRow("stale on the first 401") << stale << true << 0 << A::AnswerWithDigest << QByteArray("n2");
    QTest::newRow("only auth-int offered")
        << header401({"Digest realm=\"r\", nonce=\"n\", qop=\"auth-int\""}) << true << 0 << A::LoginRefused
        << QByteArray();
}

void TestDigestAuth::decision()
{
    QFETCH(QByteArray, header);
    QFETCH(bool, credentials);
    QFETCH(int, answersSent);
    QFETCH(UnauthorizedAction, action);
    QFETCH(QByteArray, nonce);

    const UnauthorizedDecision decision = decideOnUnauthorized(header, credentials, answersSent);
    QCOMPARE(decision.action, action);
    QCOMPARE(decision.challenge.nonce, nonce);
}

void TestDigestAuth::credentialsOfUserInfo_data()
{
    QTest::addColumn<QString>("userInfo");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("empty") << "" << QByteArray() << QByteArray();
    QTest::newRow("user and password") << "cam:pw" << QByteArray("cam") << QByteArray("pw");
    QTest::newRow("no colon") << "cam" << QByteArray("cam") << QByteArray();
    QTest::newRow("empty password") << "cam:" << QByteArray("cam") << QByteArray();
    QTest::newRow("colons after the first belong to the password") << "cam:a:b" << QByteArray("cam") << QByteArray("a:b");
    QTest::newRow("encoded colon stays in the user") << "c%3Aam:pw" << QByteArray("c:am") << QByteArray("pw");
    QTest::newRow("encoded characters") << "us%20er:p%40ss%25" << QByteArray("us er") << QByteArray("p@ss%");
    QTest::newRow("UTF-8") << QString::fromUtf8("J\xC3\xA4s:p\xC3\xB6") << QByteArray("J\xC3\xA4s")
                           << QByteArray("p\xC3\xB6");
    QTest::newRow("encoded line break stays a byte") << "a%0D%0Ab:pw" << QByteArray("a\r\nb") << QByteArray("pw");
}

void TestDigestAuth::credentialsOfUserInfo()
{
    QFETCH(QString, userInfo);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);
    const Credentials credentials = credentialsOf(userInfo);
    QCOMPARE(credentials.user, user);
    QCOMPARE(credentials.password, password);
}

QTEST_GUILESS_MAIN(TestDigestAuth)
#include "tst_digestauth.moc"
