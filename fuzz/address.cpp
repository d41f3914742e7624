// SPDX-License-Identifier: GPL-3.0-or-later
// Parses a picture address and builds its request. Aborts when the request holds
// anything but its five CR LF line breaks, when the host could break the Host line, or
// when redacting the address changes the picture it names.
#include "monitor/CameraAddress.h"

#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameTarget(const CameraAddress &a, const CameraAddress &b)
{
    return a.ok == b.ok && a.tls == b.tls && a.host == b.host && a.port == b.port && a.path == b.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks how the rest becomes text: UTF-8 or one character per byte.
    const char *text = reinterpret_cast<const char *>(data + 1);
    const qsizetype length = static_cast<qsizetype>(size - 1);
    const QString address = (data[0] & 1) ? QString::fromLatin1(text, length) : QString::fromUtf8(text, length);

    const CameraAddress parsed = parseCameraAddress(address);
    const QString shown = redactAddress(address);
    check(redactAddress(shown) == shown);
    const QString displayed = addressForDisplay(address);
    check(addressForDisplay(displayed) == displayed);
    check(redactQuerySecrets(displayed) == displayed);
    if (!parsed.ok)
        return 0;

    check(parsed.port != 0);
    check(parsed.path.startsWith(QLatin1Char('/')));
    for (const QChar c : parsed.host)
        check(c.unicode() >= 0x20 && c.unicode() != 0x7F && c != QLatin1Char(' '));

    const QString path = encodeRequestPath(parsed.path);
    check(encodeRequestPath(path) == path);
    const QByteArray request = buildRequest(path, parsed.host);
    check(request.count("\r\n") == 5 && request.count('\r') == 5 && request.count('\n') == 5);
    check(request.startsWith("GET /"));
    check(request.endsWith("\r\nConnection: close\r\nAccept: */*\r\n\r\n"));
    check(buildRequest(parsed.path, parsed.host) == request);

    const QByteArray scheme = address.left(8).toLatin1().toLower();
    const bool http = scheme.startsWith("http://") || scheme.startsWith("https://");
    if (http && shown.size() > 8)
        check(sameTarget(parseCameraAddress(shown), parsed));
    return 0;
}
