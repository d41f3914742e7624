// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/DigestAuthentication.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <array>

namespace {

// No byte that could end a header line or confuse a reader of one.
bool isHeaderSafe(QByteArrayView text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F)
            return false;
    }
    return true;
}

std::optional<DigestAlgorithm> algorithmOf(const QByteArray &name)
{
    const QByteArray lower = name.toLower();
    if (lower.isEmpty() || lower == "md5")
        return DigestAlgorithm::Md5;
    if (lower == "md5-sess")
        return DigestAlgorithm::Md5Sess;
    if (lower == "sha-256")
        return DigestAlgorithm::Sha256;
    if (lower == "sha-256-sess")
        return DigestAlgorithm::Sha256Sess;
    return std::nullopt;
}

const char *algorithmName(DigestAlgorithm algorithm)
{
    switch (algorithm) {
    case DigestAlgorithm::Md5:
        return "MD5";
    case DigestAlgorithm::Md5Sess:
        return "MD5-sess";
    case DigestAlgorithm::Sha256:
        return "SHA-256";
    case DigestAlgorithm::Sha256Sess:
        return "SHA-256-sess";
    }
    return "MD5";
}

bool isSession(DigestAlgorithm algorithm)
{
    return algorithm == DigestAlgorithm::Md5Sess || algorithm == DigestAlgorithm::Sha256Sess;
}

bool isSha256(DigestAlgorithm algorithm)
{
    return algorithm == DigestAlgorithm::Sha256 || algorithm == DigestAlgorithm::Sha256Sess;
}

// The qop list ("auth, auth-int") holds "auth" as one of its comma-separated entries.
bool offersAuth(const QByteArray &qop)
{
    for (const QByteArray &entry : qop.split(',')) {
        if (entry.trimmed().toLower() == "auth")
            return true;
    }
    return false;
}

QByteArray quoted(QByteArrayView text)
{
    QByteArray out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

} // namespace

std::optional<DigestChallenge> digestChallengeOf(const AuthChallenge &challenge)
{
    if (challenge.scheme != "digest")
        return std::nullopt;
    DigestChallenge digest;
    digest.realm = challenge.param("realm");
    digest.nonce = challenge.param("nonce");
    digest.hasOpaque = challenge.hasParam("opaque");
    digest.opaque = challenge.param("opaque");
    const std::optional<DigestAlgorithm> algorithm = algorithmOf(challenge.param("algorithm"));
    if (digest.nonce.isEmpty() || !algorithm || !isHeaderSafe(digest.realm) || !isHeaderSafe(digest.nonce)
        || !isHeaderSafe(digest.opaque))
        return std::nullopt;
    digest.algorithm = *algorithm;
    digest.algorithmNamed = challenge.hasParam("algorithm");
    if (challenge.hasParam("qop")) {
        if (!offersAuth(challenge.param("qop")))
            return std::nullopt;
        digest.qopAuth = true;
    }
    if (isSession(digest.algorithm) && !digest.qopAuth)
        return std::nullopt;
    digest.stale = challenge.param("stale").toLower() == "true";
    digest.userhash = challenge.param("userhash").toLower() == "true";
    return digest;
}

std::optional<DigestChallenge> strongestDigestChallenge(const QList<AuthChallenge> &challenges)
{
    std::optional<DigestChallenge> best;
    for (const AuthChallenge &challenge : challenges) {
        const std::optional<DigestChallenge> digest = digestChallengeOf(challenge);
        if (!digest)
            continue;
        if (!best || (isSha256(digest->algorithm) && !isSha256(best->algorithm)))
            best = digest;
    }
    return best;
}

QByteArray randomCnonce()
{
    std::array<quint32, 4> words;
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.data()), sizeof words).toHex();
}

DigestAnswerer::DigestAnswerer(const DigestChallenge &challenge, const QByteArray &user,
                               const QByteArray &password, CnonceSource cnonce)
    : m_challenge(challenge)
    , m_user(user)
    , m_password(password)
    , m_cnonceSource(std::move(cnonce))
{
}

QByteArray DigestAnswerer::authorization(QByteArrayView method, QByteArrayView requestUri)
{
    if (!isHeaderSafe(m_user) || !isHeaderSafe(method) || !isHeaderSafe(requestUri))
        return QByteArray();
    if (m_challenge.qopAuth && m_cnonce.isEmpty()) {
        const QByteArray cnonce = m_cnonceSource ? m_cnonceSource() : QByteArray();
        if (cnonce.isEmpty() || !isHeaderSafe(cnonce) || cnonce.contains('"') || cnonce.contains('\\'))
            return QByteArray();
        m_cnonce = cnonce;
    }

    const QCryptographicHash::Algorithm hash =
        isSha256(m_challenge.algorithm) ? QCryptographicHash::Sha256 : QCryptographicHash::Md5;
    const auto h = [hash](const QByteArray &text) { return QCryptographicHash::hash(text, hash).toHex(); };
    const QByteArray &realm = m_challenge.realm;
    const QByteArray &nonce = m_challenge.nonce;

    ++m_nonceCount;
    const QByteArray nc = QByteArray::number(m_nonceCount, 16).rightJustified(8, '0');
    QByteArray ha1 = h(m_user + ':' + realm + ':' + m_password);
    if (isSession(m_challenge.algorithm))
        ha1 = h(ha1 + ':' + nonce + ':' + m_cnonce);
    const QByteArray ha2 = h(method.toByteArray() + ':' + requestUri.toByteArray());
    const QByteArray response = m_challenge.qopAuth
        ? h(ha1 + ':' + nonce + ':' + nc + ':' + m_cnonce + ":auth:" + ha2)
        : h(ha1 + ':' + nonce + ':' + ha2);

    QByteArray out = "Digest username=";
    out += quoted(m_challenge.userhash ? h(m_user + ':' + realm) : m_user);
    out += ", realm=" + quoted(realm);
    out += ", uri=" + quoted(requestUri);
    if (m_challenge.algorithmNamed)
        out += QByteArray(", algorithm=") + algorithmName(m_challenge.algorithm);
    out += ", nonce=" + quoted(nonce);
    if (m_challenge.qopAuth)
        out += ", nc=" + nc + ", cnonce=" + quoted(m_cnonce) + ", qop=auth";
    out += ", response=" + quoted(response);
    if (m_challenge.hasOpaque)
        out += ", opaque=" + quoted(m_challenge.opaque);
    if (m_challenge.userhash)
        out += ", userhash=true";
    return out;
}

UnauthorizedDecision decideOnUnauthorized(const QByteArray &responseHeader, bool haveCredentials,
                                          int digestAnswersSent)
{
    UnauthorizedDecision decision;
    if (!haveCredentials) {
        decision.action = UnauthorizedAction::LoginNeeded;
        return decision;
    }
    const std::optional<DigestChallenge> challenge =
        strongestDigestChallenge(authChallengesOfHeader(responseHeader));
    if (challenge && (digestAnswersSent == 0 || (digestAnswersSent == 1 && challenge->stale))) {
        decision.action = UnauthorizedAction::AnswerWithDigest;
        decision.challenge = *challenge;
        return decision;
    }
    decision.action = UnauthorizedAction::LoginRefused;
    return decision;
}
