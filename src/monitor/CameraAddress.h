// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// A camera's picture address split into what the slot's socket and request need.
struct CameraAddress
{
    bool ok = false;     // false: the address cannot be fetched; nothing else is set
    bool tls = false;    // "https://" address: connect with TLS
    QString host;        // lower-cased; never holds a space, a byte below 0x20 or 0x7F
    quint16 port = 80;   // 1..65535; 80, or 443 with tls, unless the address names one
    QString path;        // from the first "/" after the authority to the end, letter case kept
    QString userInfo;    // "user:password" typed before "@", as typed; never shown to the user
};

// Splits a picture address typed by the user:
// - an address of 8 characters or fewer is not usable;
// - "http://" (or else "https://", which sets tls) at the start, in any letter case, is
//   skipped; any other address is taken whole as authority + path;
// - the authority runs up to the first "/"; without a "/" the address is not usable;
// - "user:password@" before the host is dropped (the host follows the last "@");
// - a ":" in what remains separates the host from the port; a port text of decimal
//   digits only, with a value from 1 to 65535, replaces the default port, any other
//   text (empty, letters, 0, above 65535) leaves the default;
// - the host is lower-cased; a host holding a space, a tab or another byte below 0x20
//   or 0x7F makes the address not usable. The path keeps its letter case.
CameraAddress parseCameraAddress(const QString &address);

// The path as it goes on the request line: every space becomes "%20" and every
// character below U+0020 and U+007F becomes "%" + two upper-case hex digits ("%0D",
// "%0A", "%00", "%09", "%7F"). Nothing else is encoded. Encoding twice changes nothing.
QString encodeRequestPath(const QString &path);

// The request bytes of one fetch:
//   "GET " path " HTTP/1.1" CR LF "Host: " host CR LF "Connection: close" CR LF
//   "Accept: */*" CR LF CR LF
// `path` passes through encodeRequestPath() first (a no-op on an encoded path), and a
// host character below U+0020 or U+007F is encoded the same way, so the request always
// holds exactly five CR LF and no other CR or LF. Characters above U+007F go out as
// their UTF-8 bytes, unencoded; an ASCII address gives one byte per character.
// With a non-empty `authorization` (see basicAuthorization()) the line
// "Authorization: " + authorization follows the Host line; without, the request is
// exactly the five lines above.
QByteArray buildRequest(const QString &path, const QString &host, const QByteArray &authorization = QByteArray());

// The user name and password of a userinfo ("user:password" as typed before "@"): the text
// before the first ":" and the text after it (empty when there is no ":"), each with its
// percent-encoded characters decoded, as UTF-8 bytes. Both empty for an empty userinfo.
struct Credentials
{
    QByteArray user;
    QByteArray password;
};
Credentials credentialsOf(const QString &userInfo);

// The value of an Authorization header for HTTP basic authentication from the userinfo
// of an address ("user:password", percent-encoded characters decoded): "Basic " +
// base64. Empty for an empty userinfo.
QByteArray basicAuthorization(const QString &userInfo);

// `address` without the user name and password ("user:password@") of its authority, for
// every text shown to the user. The authority is what follows "scheme://" (any scheme)
// or, without one, the start of the text, up to the first "/"; everything up to and
// including its last "@" is removed, and again on the result until nothing is left to
// remove ("a@http://b:c@d/x" -> "http:///x" is not an address but shows no userinfo).
// Texts without userinfo are returned unchanged; redacting twice changes nothing.
QString redactAddress(const QString &address);

// `text` (an address, or a file name or path taken from one) with the value of every query
// parameter that usually carries a secret shown as "***": the parameters after the first
// "?" (up to a "#"), separated by "&" or ";", whose name, percent-decoded and in any letter
// case, is one of user, username, pwd, pass, password, passwd, token, key, auth, sid. A
// parameter without "=" or with an empty value is left as it is. Applying it twice changes
// nothing more.
QString redactQuerySecrets(const QString &text);

// An address as shown to the user: without "user:password@" (redactAddress()) and with its
// secret query values hidden (redactQuerySecrets()).
QString addressForDisplay(const QString &address);
