// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/AuthChallenge.h"

#include "monitor/Blanks.h"
#include "monitor/HttpResponse.h"

#include <cstring>
#include <optional>

namespace {

bool isAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isTokenChar(char c) { return isAlnum(c) || (c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr); }

bool isToken68Char(char c) { return isAlnum(c) || (c != '\0' && std::strchr("-._~+/", c) != nullptr); }

// An unquoted parameter value runs up to one of these.
bool endsUnquotedValue(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F || c == ',' || c == '"';
}

class ChallengeParser
{
public:
    explicit ChallengeParser(QByteArrayView input)
        : m_in(input)
    {
    }

    QList<AuthChallenge> parse()
    {
        QList<AuthChallenge> challenges;
        while (challenges.size() < MaxChallenges) {
            skipSeparators();
            if (atEnd())
                break;
            const qsizetype start = m_pos;
            const QByteArrayView scheme = run(isTokenChar);
            if (scheme.isEmpty() || !(atEnd() || isBlank(peek()) || peek() == ',')) {
                m_pos = start;
                skipPastItem();
                continue;
            }
            AuthChallenge challenge;
            challenge.scheme = scheme.toByteArray().toLower();
            skipBlanks();
            const bool complete = atEnd() || peek() == ',' || readToken68(challenge) || readParams(challenge);
            challenges.append(challenge);
            if (!complete)
                break; // a quoted string without its end: nothing after it can be read
        }
        return challenges;
    }

private:
    enum class ParamResult { Read, NotAParam, Unterminated };

    bool atEnd() const { return m_pos >= m_in.size(); }
    char peek() const { return m_in[m_pos]; }

    void skipBlanks()
    {
        while (!atEnd() && isBlank(peek()))
            ++m_pos;
    }

    void skipSeparators()
    {
        while (!atEnd() && (isBlank(peek()) || peek() == ','))
            ++m_pos;
    }

    template<typename Accept> QByteArrayView run(Accept accept)
    {
        const qsizetype start = m_pos;
        while (!atEnd() && accept(peek()))
            ++m_pos;
        return m_in.sliced(start, m_pos - start);
    }

    // At a '"': the unescaped content, the position after the closing quote; nullopt and
    // the position at the end when the closing quote is missing.
    std::optional<QByteArray> quotedString()
    {
        QByteArray out;
        ++m_pos;
        while (!atEnd()) {
            const char c = m_in[m_pos++];
            if (c == '"')
                return out;
            if (c == '\\') {
                if (atEnd())
                    break;
                out += m_in[m_pos++];
            } else {
                out += c;
            }
        }
        m_pos = m_in.size();
        return std::nullopt;
    }

    // Skips to the next ',' outside a quoted string (or the end).
    void skipPastItem()
    {
        while (!atEnd() && peek() != ',') {
            if (peek() == '"')
                quotedString();
            else
                ++m_pos;
        }
    }

    // The token68 form: the challenge's only content, followed by blanks and a ',' or the end.
    bool readToken68(AuthChallenge &challenge)
    {
        const qsizetype start = m_pos;
        const QByteArrayView body = run(isToken68Char);
        run([](char c) { return c == '='; });
        const QByteArrayView whole = m_in.sliced(start, m_pos - start);
        skipBlanks();
        if (!body.isEmpty() && (atEnd() || peek() == ',')) {
            challenge.token68 = whole.toByteArray();
            return true;
        }
        m_pos = start;
        return false;
    }

    ParamResult readParam(AuthChallenge &challenge)
    {
        const qsizetype start = m_pos;
        const QByteArrayView name = run(isTokenChar);
        skipBlanks();
        if (name.isEmpty() || atEnd() || peek() != '=') {
            m_pos = start;
            return ParamResult::NotAParam;
        }
        ++m_pos;
        skipBlanks();
        QByteArray value;
        if (!atEnd() && peek() == '"') {
            std::optional<QByteArray> quoted = quotedString();
            if (!quoted)
                return ParamResult::Unterminated;
            value = std::move(*quoted);
        } else {
            value = run([](char c) { return !endsUnquotedValue(c); }).toByteArray();
            if (value.isEmpty()) {
                m_pos = start;
                return ParamResult::NotAParam;
            }
        }
        if (challenge.params.size() < MaxChallengeParams)
            challenge.params.append({name.toByteArray().toLower(), value});
        return ParamResult::Read;
    }

    // Parameters up to the first text that is not one (the next challenge's scheme, or
    // damage, left for parse()). False when a quoted string has no end.
    bool readParams(AuthChallenge &challenge)
    {
        bool any = false;
        for (;;) {
            const ParamResult result = readParam(challenge);
            if (result == ParamResult::Unterminated)
                return false;
            if (result == ParamResult::NotAParam)
                break;
            any = true;
            skipSeparators();
            if (atEnd())
                break;
        }
        if (!any)
            skipPastItem();
        return true;
    }

    QByteArrayView m_in;
    qsizetype m_pos = 0;
};

} // namespace

QByteArray AuthChallenge::param(QByteArrayView name) const
{
    for (const auto &[key, value] : params) {
        if (key == name)
            return value;
    }
    return QByteArray();
}

bool AuthChallenge::hasParam(QByteArrayView name) const
{
    for (const auto &entry : params) {
        if (entry.first == name)
            return true;
    }
    return false;
}

QList<AuthChallenge> parseAuthChallenges(QByteArrayView value) { return ChallengeParser(value).parse(); }

QList<AuthChallenge> authChallengesOfHeader(const QByteArray &responseHeader)
{
    QList<AuthChallenge> all;
    for (const QByteArray &value : headerFieldValues(responseHeader, "WWW-Authenticate")) {
        for (const AuthChallenge &challenge : parseAuthChallenges(value)) {
            if (all.size() == MaxChallenges)
                return all;
            all.append(challenge);
        }
    }
    return all;
}
