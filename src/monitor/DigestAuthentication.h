// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/AuthChallenge.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <functional>
#include <optional>

// HTTP Digest access authentication for a camera's GET (RFC 7616; RFC 2069 answers for
// challenges without qop).

enum class DigestAlgorithm { Md5, Md5Sess, Sha256, Sha256Sess };

// A Digest challenge this program can answer.
struct DigestChallenge
{
    QByteArray realm;  // as sent
    QByteArray nonce;  // as sent; never empty
    QByteArray opaque; // as sent; echoed when the challenge had one
    bool hasOpaque = false;
    DigestAlgorithm algorithm = DigestAlgorithm::Md5;
    bool algorithmNamed = false; // the challenge named the algorithm: the answer names it too
    bool qopAuth = false;        // qop offered "auth": answered with qop, nc and cnonce
    bool stale = false;          // stale=true: the nonce expired, the credentials were right
    bool userhash = false;       // userhash=true: the user name goes out hashed
};

// A Digest challenge read from a parsed one; nullopt when it cannot be answered: another
// scheme, no nonce, an algorithm other than MD5, MD5-sess, SHA-256, SHA-256-sess (any
// letter case; none named is MD5), a qop list without "auth" (only "auth-int", say), a
// "-sess" algorithm without qop "auth", or a realm, nonce or opaque holding a byte below
// 0x20 other than tab, or 0x7F (it could break the request).
std::optional<DigestChallenge> digestChallengeOf(const AuthChallenge &challenge);

// The strongest challenge that can be answered: SHA-256 and SHA-256-sess before MD5 and
// MD5-sess; among equals the first offered. nullopt when none can be answered.
std::optional<DigestChallenge> strongestDigestChallenge(const QList<AuthChallenge> &challenges);

// Client nonce texts; each call gives a new one.
using CnonceSource = std::function<QByteArray()>;

// 32 lower-case hex digits from the system's random source.
QByteArray randomCnonce();

// Answers one challenge with one user's credentials: the Authorization field value of each
// request, counting nc (the number of requests answered with this challenge's nonce).
class DigestAnswerer
{
public:
    // `user` and `password` as bytes (UTF-8); `cnonce` is asked once, for the first answer
    // that needs one, and that cnonce serves every later answer (with a growing nc).
    DigestAnswerer(const DigestChallenge &challenge, const QByteArray &user, const QByteArray &password,
                   CnonceSource cnonce = randomCnonce);

    // The value for "Authorization: " for a request of `method` for `requestUri` (the path as
    // it goes on the request line):
    //   Digest username="..", realm="..", uri="..", algorithm=.., nonce="..", nc=00000001,
    //   cnonce="..", qop=auth, response="..", opaque="..", userhash=true
    // with algorithm only when the challenge named it, nc, cnonce and qop only with qop auth,
    // opaque only when the challenge had one, userhash only when asked for. Quoted values
    // escape '"' and '\' with '\'. Hex digests are lower-case. Each call counts nc up by one.
    // Empty (and nc not counted) when the user, method or URI holds a byte below 0x20 other
    // than tab, or 0x7F, or the cnonce source gives an empty text or one of those bytes, '"'
    // or '\'.
    QByteArray authorization(QByteArrayView method, QByteArrayView requestUri);

    // Requests answered so far.
    quint32 nonceCount() const { return m_nonceCount; }
    const DigestChallenge &challenge() const { return m_challenge; }

private:
    DigestChallenge m_challenge;
    QByteArray m_user;
    QByteArray m_password;
    CnonceSource m_cnonceSource;
    QByteArray m_cnonce;
    quint32 m_nonceCount = 0;
};

// What a fetch does with a 401 response.
enum class UnauthorizedAction {
    AnswerWithDigest, // send the request again, on a new connection, with `challenge` answered
    LoginNeeded,      // the address holds no credentials
    LoginRefused,     // the credentials were refused
};

struct UnauthorizedDecision
{
    UnauthorizedAction action = UnauthorizedAction::LoginRefused;
    DigestChallenge challenge; // AnswerWithDigest only
};

// The decision on a 401 whose header is `responseHeader`, after `digestAnswersSent` Digest
// answers in this fetch:
// - without credentials: LoginNeeded;
// - no Digest answer sent yet and a challenge that can be answered: AnswerWithDigest with the
//   strongest (the first request carried Basic credentials or none);
// - one Digest answer sent and the strongest challenge now says stale=true: AnswerWithDigest
//   once more with it (the nonce had expired);
// - otherwise LoginRefused.
UnauthorizedDecision decideOnUnauthorized(const QByteArray &responseHeader, bool haveCredentials,
                                          int digestAnswersSent);
