// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/CameraAddress.h"

#include <QStringList>

namespace {

const QLatin1StringView HttpPrefix("http://");
const QLatin1StringView HttpsPrefix("https://");

// `text` begins with the lower-case ASCII `prefix`, ASCII letters compared in any case
// only (no Unicode folding: "ſ" is no "s").
bool startsWithAsciiNoCase(const QString &text, QLatin1StringView prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<char16_t>(prefix[i].unicode()))
            return false;
    }
    return true;
}

bool isControl(char16_t c) { return c < 0x20 || c == 0x7F; }

// Appends "%XX" for a character below 0x80.
void appendPercent(QString &out, char16_t c)
{
    static const char hex[] = "0123456789ABCDEF";
    out += QLatin1Char('%');
    out += QLatin1Char(hex[(c >> 4) & 0xF]);
    out += QLatin1Char(hex[c & 0xF]);
}

QString encodeControls(const QString &text, bool spacesToo)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (isControl(c) || (spacesToo && c == u' '))
            appendPercent(out, c);
        else
            out += ch;
    }
    return out;
}

// 1..65535 from decimal digits only, else 0.
quint16 portFromText(QStringView text)
{
    if (text.isEmpty())
        return 0;
    quint32 value = 0;
    for (const QChar ch : text) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return 0;
        value = value * 10 + static_cast<quint32>(ch.unicode() - u'0');
        if (value > 65535)
            return 0;
    }
    return static_cast<quint16>(value);
}

// Length of a "scheme://" at the start of `text` (scheme = letter, then letters, digits,
// "+", "-", "."), or 0.
qsizetype schemeLength(const QString &text)
{
    const qsizetype sep = text.indexOf(QLatin1StringView("://"));
    if (sep <= 0)
        return 0;
    for (qsizetype i = 0; i < sep; ++i) {
        const char16_t c = text[i].unicode();
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool other = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
        if (!letter && !(i > 0 && other))
            return 0;
    }
    return sep + 3;
}

// One removal: the authority after "scheme://" (or from the start) up to the first "/",
// up to and including its last "@".
QString redactOnce(const QString &address)
{
    const qsizetype start = schemeLength(address);
    qsizetype end = address.indexOf(QLatin1Char('/'), start);
    if (end < 0)
        end = address.size();
    if (end <= start)
        return address;
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'), end - 1);
    if (at < start)
        return address;
    return address.left(start) + address.mid(at + 1);
}

} // namespace

CameraAddress parseCameraAddress(const QString &address)
{
    CameraAddress result;
    QStringView remainder;
    if (address.size() > 8) {
        if (startsWithAsciiNoCase(address, HttpPrefix)) {
            remainder = QStringView(address).mid(HttpPrefix.size());
        } else if (startsWithAsciiNoCase(address, HttpsPrefix)) {
            remainder = QStringView(address).mid(HttpsPrefix.size());
            result.tls = true;
        } else {
            remainder = address;
        }
    }
    const qsizetype slash = remainder.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return CameraAddress();

    QStringView authority = remainder.left(slash);
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        result.userInfo = authority.left(at).toString();
        authority = authority.mid(at + 1);
    }

    result.port = result.tls ? 443 : 80;
    QStringView host = authority;
    const qsizetype colon = authority.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        host = authority.left(colon);
        if (const quint16 port = portFromText(authority.mid(colon + 1)))
            result.port = port;
    }
    for (const QChar ch : host) {
        if (isControl(ch.unicode()) || ch == QLatin1Char(' '))
            return CameraAddress();
    }
    result.host = host.toString().toLower();
    result.path = remainder.mid(slash).toString();
    result.ok = true;
    return result;
}

QString encodeRequestPath(const QString &path) { return encodeControls(path, true); }

QByteArray basicAuthorization(const QString &userInfo)
{
    if (userInfo.isEmpty())
        return QByteArray();
    // Userinfo is written URL-encoded ("p%40ss" for "p@ss"); the credentials go out decoded.
    const QByteArray credentials = QByteArray::fromPercentEncoding(userInfo.toUtf8());
    return "Basic " + credentials.toBase64();
}

Credentials credentialsOf(const QString &userInfo)
{
    const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
    const QString user = colon < 0 ? userInfo : userInfo.left(colon);
    const QString password = colon < 0 ? QString() : userInfo.mid(colon + 1);
    return {QByteArray::fromPercentEncoding(user.toUtf8()),
            QByteArray::fromPercentEncoding(password.toUtf8())};
}

QByteArray buildRequest(const QString &path, const QString &host, const QByteArray &authorization)
{
    QByteArray request;
    request += "GET ";
    request += encodeRequestPath(path).toUtf8();
    request += " HTTP/1.1\r\n";
    request += "Host: ";
    request += encodeControls(host, false).toUtf8();
    request += "\r\n";
    // Base64 text only: it cannot carry a line break into the request.
    if (!authorization.isEmpty())
        request += "Authorization: " + authorization + "\r\n";
    request += "Connection: close\r\n";
    request += "Accept: */*\r\n";
    request += "\r\n";
    return request;
}

QString redactAddress(const QString &address)
{
    // A removal can uncover another authority (text before a scheme looks like userinfo
    // too, as in "a@http://b:c@d/"), so remove until nothing changes; each pass shortens.
    QString shown = address;
    for (QString next = redactOnce(shown); next.size() != shown.size(); next = redactOnce(shown))
        shown = next;
    return shown;
}

namespace {

bool isSecretParameter(QStringView name)
{
    static const QStringList names{QStringLiteral("user"), QStringLiteral("username"), QStringLiteral("pwd"),
                                   QStringLiteral("pass"),  QStringLiteral("password"), QStringLiteral("passwd"),
                                   QStringLiteral("token"), QStringLiteral("key"),      QStringLiteral("auth"),
                                   QStringLiteral("sid")};
    const QString decoded = QString::fromUtf8(QByteArray::fromPercentEncoding(name.toUtf8())).trimmed();
    return names.contains(decoded, Qt::CaseInsensitive);
}

} // namespace

QString redactQuerySecrets(const QString &text)
{
    const qsizetype question = text.indexOf(QLatin1Char('?'));
    if (question < 0)
        return text;
    qsizetype end = text.indexOf(QLatin1Char('#'), question);
    if (end < 0)
        end = text.size();
    const QLatin1StringView hidden("***");
    QString shown = text.left(question + 1);
    qsizetype from = question + 1;
    while (from <= end) {
        qsizetype to = from;
        while (to < end && text[to] != QLatin1Char('&') && text[to] != QLatin1Char(';'))
            ++to;
        const QStringView parameter = QStringView(text).sliced(from, to - from);
        const qsizetype equals = parameter.indexOf(QLatin1Char('='));
        if (equals > 0 && equals + 1 < parameter.size() && isSecretParameter(parameter.first(equals)))
            shown += parameter.first(equals + 1).toString() + hidden;
        else
            shown += parameter;
        if (to < end)
            shown += text[to];
        from = to + 1;
    }
    shown += QStringView(text).sliced(end);
    return shown;
}

QString addressForDisplay(const QString &address) { return redactQuerySecrets(redactAddress(address)); }
