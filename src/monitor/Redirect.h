// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/CameraAddress.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The most redirects one fetch follows; the response to the request after the fifth
// redirect must not be another one.
constexpr int MaxRedirectHops = 5;

// The longest Location value taken, in bytes.
constexpr qsizetype MaxLocationBytes = 8192;

// 301, 302, 303, 307 and 308: the response names the picture's new address in Location.
bool isRedirectStatus(int status);

struct Redirect
{
    enum class Verdict {
        Follow,          // fetch `next`
        RefusedInsecure, // the redirect leads from https to http; `address` says where
        Unusable,        // Location is missing or names nothing this program can fetch
    };

    Verdict verdict = Verdict::Unusable;
    // Follow: where the next request goes (ok is true). Its userInfo is the current address's
    // when `sameOrigin`, empty otherwise: credentials go only to the same scheme, host and port.
    CameraAddress next;
    bool sameOrigin = false;
    // Follow, RefusedInsecure: the next address as shown to the user (see displayAddress()).
    QString address;
    // Unusable: why, in English, for logs.
    QString reason;
};

// The redirect from `current` (a parsed, usable address) by the Location value `location`
// (bytes as received). The value, blanks at either end removed, is resolved against the
// current address as a URI reference (RFC 3986, section 5: absolute, network-path "//host",
// absolute-path "/p", relative path "p", "../p", query "?q"); its fragment and any userinfo
// it names are dropped. Unusable when the value is empty or longer than MaxLocationBytes,
// holds a byte below 0x20 or 0x7F, names a scheme other than http or https, has no host,
// names an IPv6 address (camera addresses cannot name one either), or has a port of 0 or
// above 65535. Bytes above 0x7F and characters not allowed in a URI are percent-encoded as
// the bytes they are. The host is lower-cased, an international name in its ASCII form.
// RefusedInsecure when `current` is https and the result http.
Redirect resolveRedirect(const CameraAddress &current, QByteArrayView location);

// "http://" or "https://", the host, ":" and the port unless it is the default one (80,
// 443), then the path; never the userinfo.
QString displayAddress(const CameraAddress &address);
