// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Most bytes one fetch may collect, header included. A response that grows beyond it is
// abandoned and handled as a response that is not a picture.
constexpr qsizetype MaxResponseBytes = 64 * 1024 * 1024;

// The fetch state of one camera slot, from its fetch start to the server's close.
struct SlotFetchState
{
    // Everything received so far, one byte per received byte; never more than
    // MaxResponseBytes bytes, and its capacity never grows beyond that either.
    QByteArray buffer;
    // Sum of the arrival counts; once the header end is found, minus the header length
    // (so the body bytes received). An arrival that would overflow 32 bits leaves it.
    qint32 bytesReceived = 0;
    // The header end has been found.
    bool headerParsed = false;
    // The first "Content-Length" line's value; 0 when none or not a whole number.
    qint32 contentLength = 0;
    // 1-based byte position of the first CR LF CR LF in buffer; 0 until found.
    qsizetype headerEnd = 0;
    // 0-based offset in buffer where the next header-end search begins: the last
    // three bytes of the previous arrivals, so each arrival searches only its own bytes.
    qsizetype searchFrom = 0;
    // MaxResponseBytes was crossed: buffer has been released and every further
    // arrival is ignored until resetForFetch().
    bool overflow = false;

    // Buffer emptied, counters 0, header not parsed, no overflow.
    void resetForFetch();
};

// What one data arrival asks of the slot's progress bar (range 0..100) and status bar.
struct ArrivalResult
{
    // The response crossed MaxResponseBytes: close the socket and handle the fetch as a
    // response that is not a picture (the buffer is empty). Nothing else is set.
    bool abandon = false;
    // This arrival completed the header; it shows no progress.
    bool headerCompleted = false;
    // Offer `percent` to the progress bar, then show downloadStatusText() with the
    // bar's value afterwards (see progressBarValueAfter()).
    bool showProgress = false;
    // Body bytes received in percent of the content length, single precision; may be
    // above 100 (more bytes than announced) or below 0.
    float percent = 0.0f;
    // The bar takes `percent` (0 to 100 inclusive); otherwise it keeps its value.
    bool barAccepts = false;
};

// One dataArrived of the slot: appends `chunk` (the bytes taken from the socket) to
// the buffer, adds `count` (the byte count the event reported) to bytesReceived,
// then either computes the progress (header already parsed, content length above 0) or
// looks for the header end and, once found, reads the content length:
// bytesReceived -= headerEnd + 3, and the first header line (status line included)
// that contains "Content-Length" with exact case gives the value: the text after its
// first space (the whole line without a space), blanks around it allowed, must be a
// whole decimal number that fits 32 bits; otherwise contentLength stays 0.
ArrivalResult onDataArrival(SlotFetchState &state, const QByteArray &chunk, qint32 count);

// Takes up to `bytes` waiting bytes into `into` and returns how many it took.
using ArrivalReader = std::function<qint64(char *into, qint64 bytes)>;

// The same, with the `waiting` bytes taken straight into the buffer through `read` instead of
// handed over in a chunk. The bound is checked against `waiting` before anything is taken; a
// reader that takes fewer bytes than asked leaves the buffer holding those it took.
ArrivalResult onDataArrival(SlotFetchState &state, qint64 waiting, qint32 count, const ArrivalReader &read);

// The progress bar's value after an arrival, `barValue` being its value before.
float progressBarValueAfter(float barValue, const ArrivalResult &result);

// The status text while a picture arrives: "Downloading " + file + " [" + formatSingle(barValue)
// + "]", or `pattern` with %1 replaced by the file and %2 by formatSingle(barValue).
inline constexpr char DownloadingTextEnglish[] = "Downloading %1 [%2]";
QString downloadStatusText(const QString &file, float barValue,
                           const QString &pattern = QString::fromLatin1(DownloadingTextEnglish));

// The last segment of the slot's (encoded) path, query included: everything after the
// last "/"; the whole text when it holds no "/".
QString statusFileName(const QString &camPath);
