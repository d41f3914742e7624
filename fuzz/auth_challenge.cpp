// SPDX-License-Identifier: GPL-3.0-or-later
// Parses a WWW-Authenticate value (and a header holding it), picks the Digest challenge and
// answers it. Aborts when a bound is broken, a parsed name is not what the grammar allows,
// or an answer could break the request or does not read back with the values it answers.
#include "monitor/AuthChallenge.h"
#include "monitor/DigestAuthentication.h"

#include "FuzzCheck.h"

namespace {

bool isLowerToken(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if ((c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) <= 0x20 || c == ',' || c == '"'
            || c == '=')
            return false;
    }
    return true;
}

void checkChallenges(const QList<AuthChallenge> &challenges, qsizetype inputSize)
{
    check(challenges.size() <= MaxChallenges);
    qsizetype kept = 0;
    for (const AuthChallenge &challenge : challenges) {
        check(isLowerToken(challenge.scheme));
        check(challenge.params.size() <= MaxChallengeParams);
        check(challenge.token68.isEmpty() || challenge.params.isEmpty());
        kept += challenge.scheme.size() + challenge.token68.size();
        for (const auto &[name, value] : challenge.params) {
            check(isLowerToken(name));
            kept += name.size() + value.size();
        }
    }
    // Every byte kept came from the input once.
    check(kept <= inputSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray value(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QList<AuthChallenge> challenges = parseAuthChallenges(value);
    checkChallenges(challenges, value.size());
    const QByteArray header = "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: " + value;
    const QList<AuthChallenge> fromHeader = authChallengesOfHeader(header);
    check(fromHeader.size() <= MaxChallenges);
    // The decision on a 401 follows the challenges it offers.
    const bool answerable = strongestDigestChallenge(fromHeader).has_value();
    check(
        (decideOnUnauthorized(header, true, 0).action == UnauthorizedAction::AnswerWithDigest) == answerable);
    check(decideOnUnauthorized(header, false, 0).action == UnauthorizedAction::LoginNeeded);
    check(decideOnUnauthorized(header, true, 2).action == UnauthorizedAction::LoginRefused);

    const std::optional<DigestChallenge> digest = strongestDigestChallenge(challenges);
    if (!digest)
        return 0;
    check(!digest->nonce.isEmpty());

    const QByteArray user = "us\"er\\";
    DigestAnswerer answerer(*digest, user, "pw", [] { return QByteArray("0a4f113b"); });
    const QByteArray answer = answerer.authorization("GET", "/p?q=\"1\"");
    check(!answer.isEmpty());
    check(!answer.contains('\r') && !answer.contains('\n') && !answer.contains('\0'));
    check(answer.startsWith("Digest username=\""));
    // The answer has the syntax of a challenge: it reads back with the values it answers.
    const QList<AuthChallenge> back = parseAuthChallenges(answer);
    check(!back.isEmpty() && back.first().scheme == "digest");
    check(back.first().param("realm") == digest->realm);
    check(back.first().param("nonce") == digest->nonce);
    check(back.first().param("uri") == "/p?q=\"1\"");
    check(digest->userhash || back.first().param("username") == user);
    check(!digest->hasOpaque || back.first().param("opaque") == digest->opaque);
    check(answerer.nonceCount() == 1);
    check(answerer.authorization("GET", "/p") != answer);
    check(answerer.nonceCount() == 2);
    return 0;
}
