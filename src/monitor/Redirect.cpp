// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/Redirect.h"

#include "monitor/Blanks.h"

#include <QUrl>

namespace {

Redirect unusable(const QString &reason)
{
    Redirect redirect;
    redirect.reason = reason;
    return redirect;
}

// The current address as a URL to resolve against; invalid when its host cannot be one.
QUrl baseUrl(const CameraAddress &current)
{
    QUrl base;
    base.setScheme(current.tls ? QStringLiteral("https") : QStringLiteral("http"));
    base.setHost(current.host);
    base.setPort(current.port);
    QString path = current.path;
    const qsizetype hash = path.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        path.truncate(hash);
    const qsizetype question = path.indexOf(QLatin1Char('?'));
    base.setPath(question < 0 ? path : path.left(question), QUrl::TolerantMode);
    if (question >= 0)
        base.setQuery(path.mid(question + 1), QUrl::TolerantMode);
    return base;
}

// The host compared as the ASCII form of its name.
QString comparableHost(const QString &host)
{
    const QByteArray ace = QUrl::toAce(host);
    return ace.isEmpty() ? host.toLower() : QString::fromLatin1(ace).toLower();
}

} // namespace

bool isRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

Redirect resolveRedirect(const CameraAddress &current, QByteArrayView location)
{
    const QByteArrayView value = trimmedBlanks(location);
    if (value.isEmpty())
        return unusable(QStringLiteral("no Location"));
    if (value.size() > MaxLocationBytes)
        return unusable(QStringLiteral("Location longer than %1 bytes").arg(MaxLocationBytes));
    QString text;
    text.reserve(value.size());
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return unusable(QStringLiteral("control character in Location"));
        if (byte > 0x7F)
            text += QLatin1Char('%') + QString::number(byte, 16).toUpper();
        else
            text += QLatin1Char(c);
    }

    const QUrl reference(text, QUrl::TolerantMode);
    if (!reference.isValid())
        return unusable(QStringLiteral("Location is not a URI reference: ") + reference.errorString());
    const QUrl target = baseUrl(current).resolved(reference);
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return unusable(QStringLiteral("Location names no http or https address"));
    const QString host = target.host(QUrl::FullyEncoded).toLower();
    if (host.isEmpty())
        return unusable(QStringLiteral("Location names no host"));
    if (host.contains(QLatin1Char(':')))
        return unusable(QStringLiteral("Location names an IPv6 address"));
    const bool tls = scheme == QLatin1String("https");
    const int port = target.port(tls ? 443 : 80);
    if (port < 1 || port > 65535)
        return unusable(QStringLiteral("Location names port %1").arg(port));

    Redirect redirect;
    CameraAddress &next = redirect.next;
    next.ok = true;
    next.tls = tls;
    next.host = host;
    next.port = static_cast<quint16>(port);
    next.path = target.path(QUrl::FullyEncoded);
    if (next.path.isEmpty())
        next.path = QStringLiteral("/");
    if (target.hasQuery())
        next.path += QLatin1Char('?') + target.query(QUrl::FullyEncoded);
    redirect.sameOrigin = tls == current.tls && next.port == current.port
        && comparableHost(next.host) == comparableHost(current.host);
    if (redirect.sameOrigin)
        next.userInfo = current.userInfo;
    redirect.address = displayAddress(next);
    if (current.tls && !tls) {
        redirect.verdict = Redirect::Verdict::RefusedInsecure;
        redirect.next = CameraAddress();
        redirect.sameOrigin = false;
        return redirect;
    }
    redirect.verdict = Redirect::Verdict::Follow;
    return redirect;
}

QString displayAddress(const CameraAddress &address)
{
    const bool defaultPort = address.port == (address.tls ? 443 : 80);
    return (address.tls ? QStringLiteral("https://") : QStringLiteral("http://")) + address.host
        + (defaultPort ? QString() : QLatin1Char(':') + QString::number(address.port)) + address.path;
}
