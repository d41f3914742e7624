// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

// One challenge of a WWW-Authenticate header field: an authentication scheme and either
// parameters or a single token68 (RFC 7235, section 2.1).
struct AuthChallenge
{
    QByteArray scheme;                           // lower-cased: "basic", "digest", ...
    QByteArray token68;                          // the token68 form ("Negotiate abc=="); else empty
    QList<QPair<QByteArray, QByteArray>> params; // names lower-cased; values as sent, quotes
                                                 // and backslash escapes removed; in order

    // The value of the first parameter named `name` (lower-case); empty when there is none.
    QByteArray param(QByteArrayView name) const;
    bool hasParam(QByteArrayView name) const;
};

// The most challenges one field value yields and the most parameters one challenge keeps;
// the rest is ignored, so memory stays within a small multiple of the field's size.
constexpr qsizetype MaxChallenges = 32;
constexpr qsizetype MaxChallengeParams = 32;

// The challenges of one WWW-Authenticate field value, in order:
//   challenges = challenge *( "," challenge ), empty list elements allowed
//   challenge  = scheme [ 1*blank ( token68 / auth-param *( "," auth-param ) ) ]
//   auth-param = token *blank "=" *blank ( value / quoted-string )
// Tokens are the characters of RFC 7230's tchar; token68 is letters, digits and "-._~+/"
// followed by any number of "=" (tried first, and only as a challenge's whole content); an
// unquoted value runs up to a blank, ",", '"' or control byte (more than a token, as some
// servers send); a quoted string holds any bytes, "\x" standing for x.
// Letter case of schemes and parameter names is ignored; parameters may also be separated
// by blanks alone. A parameter repeated keeps its first value (param()).
// Damaged input gives what can be taken: text that starts no scheme is skipped up to the
// next "," outside quotes; a quoted string without its closing quote ends the parse, the
// parameter it belongs to dropped. Linear in the size of `value`.
QList<AuthChallenge> parseAuthChallenges(QByteArrayView value);

// The challenges of every WWW-Authenticate field of a response header (see
// headerFieldValues()), fields in order, at most MaxChallenges in all.
QList<AuthChallenge> authChallengesOfHeader(const QByteArray &responseHeader);
