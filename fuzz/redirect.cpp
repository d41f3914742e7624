// SPDX-License-Identifier: GPL-3.0-or-later
// Resolves a Location value against one of a few camera addresses. Aborts when a followed
// redirect could break the request, leaves https for http, carries credentials to another
// origin, or names an address that does not read back as itself.
#include "monitor/Redirect.h"

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const char *const addresses[] = {"http://cam/dir/pic.jpg", "https://u:p@cam:8443/a/b/c.cgi?x=1",
        "http://u:p@Cam:81/", "cam.local/p?q#f", "https://10.0.0.7/x y.jpg"};
    const CameraAddress current = parseCameraAddress(QLatin1StringView(addresses[data[0] % 5]));
    check(current.ok);
    const QByteArrayView location(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));

    const Redirect redirect = resolveRedirect(current, location);
    if (redirect.verdict == Redirect::Verdict::Unusable) {
        check(!redirect.reason.isEmpty() && !redirect.next.ok);
        return 0;
    }
    if (redirect.verdict == Redirect::Verdict::RefusedInsecure) {
        check(current.tls && redirect.address.startsWith(QLatin1String("http://")) && !redirect.next.ok);
        return 0;
    }
    const CameraAddress &next = redirect.next;
    check(next.ok && next.port != 0 && !next.host.isEmpty() && next.path.startsWith(QLatin1Char('/')));
    check(!(current.tls && !next.tls));
    for (const QChar c : next.host)
        check(c.unicode() > 0x20 && c.unicode() < 0x7F && c != QLatin1Char(':') && c != QLatin1Char('/'));
    for (const QChar c : next.path)
        check(c.unicode() > 0x20 && c.unicode() < 0x7F);
    check(next.userInfo.isEmpty() || (redirect.sameOrigin && next.userInfo == current.userInfo));
    check(!redirect.sameOrigin || (next.tls == current.tls && next.port == current.port));
    const QByteArray request = buildRequest(next.path, next.host);
    check(request.count("\r\n") == 5 && request.count('\r') == 5 && request.count('\n') == 5);

    // The shown address reads back as the address fetched, and its path (unless it reads as
    // a network-path reference, "//host") leads to itself.
    const CameraAddress shown = parseCameraAddress(redirect.address);
    check(shown.ok && shown.tls == next.tls && shown.host == next.host && shown.port == next.port
        && shown.path == next.path);
    if (!next.path.startsWith(QLatin1String("//"))) {
        const Redirect again = resolveRedirect(next, next.path.toLatin1());
        check(again.verdict == Redirect::Verdict::Follow && again.address == redirect.address);
    }
    return 0;
}
