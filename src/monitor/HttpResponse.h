// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// A finished response split at its first CR LF CR LF. Bytes are one character each
// (Latin-1) wherever they are read as text.
struct SplitResponse
{
    // The bytes before the first CR LF CR LF (status line and header lines); empty when
    // the response holds no CR LF CR LF.
    QByteArray header;
    // The bytes after it, de-chunked when the header says so; the whole response when
    // it holds no CR LF CR LF.
    QByteArray body;
    // The header has a "Transfer-Encoding" line whose value contains "chunked" (any
    // letter case) and `body` is the decoded data.
    bool dechunked = false;
    // With `dechunked`: the final (size 0) chunk was reached. False means the chunked
    // data was cut off or malformed and `body` holds what could be taken (see
    // decodeChunked()).
    bool chunkedComplete = false;
};

// Splits `buffer` (the whole response) and de-chunks the body when the header names the
// chunked transfer coding. Linear in the size of `buffer`; a buffer passed by move (and held
// nowhere else) becomes the body without a copy.
SplitResponse splitResponse(QByteArray buffer);

// The data of a body in chunked transfer coding:
//   chunk = hex-size [";" extensions] CR LF data CR LF; the chunk of size 0 ends the
//   data, and any trailer lines after it are ignored. Blanks around the size are allowed.
// Malformed or cut-off input keeps the data of the chunks that came before the fault:
// - a size line without CR LF, or a size that is empty or not hexadecimal (a sign
//   included): decoding stops there;
// - a size beyond the remaining bytes (sizes too large for 64 bits included): the
//   remaining bytes are taken and decoding stops;
// - a chunk whose data is not followed by CR LF: its data is kept, decoding stops;
// - no final chunk: the chunks received are the data.
// `complete` is true only when the final chunk was reached.
struct ChunkedBody
{
    QByteArray data;
    bool complete = false;
};
ChunkedBody decodeChunked(const QByteArray &body);

// The header names the chunked transfer coding: a line (status line excepted) whose
// name before ":" is "Transfer-Encoding" and whose value contains "chunked", both in any
// letter case.
bool headerIsChunked(const QByteArray &header);

// The status line of a response header (its first line, up to CR LF or LF).
struct StatusLine
{
    // The line reads "HTTP/" digits "." digits, one or more blanks, a code of three digits
    // from 100 to 599, then nothing, or blanks and the reason phrase. Nothing else is set
    // when false.
    bool ok = false;
    int code = 0;
    // The reason phrase: blanks at either end removed, bytes below 0x20 and 0x7F dropped, at
    // most MaxReasonBytes bytes (cut there); may be empty.
    QByteArray reason;

    static constexpr qsizetype MaxReasonBytes = 128;
};
StatusLine parseStatusLine(const QByteArray &header);

// The values of every header field named `name` (compared ignoring ASCII letter case), in
// order. The first line (the status line) is no field. Lines end at LF, a CR before it
// dropped; a line starting with a blank continues the field before it (obsolete folding:
// its text joins the value after one space). A field line is its name, blanks allowed
// around it, ":" and the value; the value loses the blanks at either end. Lines without
// ":" are skipped.
QList<QByteArray> headerFieldValues(const QByteArray &header, QByteArrayView name);

// The value of the first field named `name`; empty when there is none (or it is empty).
QByteArray headerFieldValue(const QByteArray &header, QByteArrayView name);

// The media type of the first Content-Type field: its value up to the first ";", blanks
// at either end removed, lower-cased (ASCII); empty when there is no such field.
QByteArray responseContentType(const QByteArray &header);
