// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/SlotFetchState.h"

#include "monitor/Blanks.h"

#include "monitor/NumberText.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

const QByteArray HeaderEnd("\r\n\r\n");

bool fitsInt32(qint64 value)
{
    return value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max();
}

// A whole decimal number with optional blanks around and an optional sign, if it fits.
bool parseWholeNumber(QByteArrayView untrimmed, qint32 &value)
{
    const QByteArrayView text = trimmedBlanks(untrimmed);
    qsizetype from = 0;
    const qsizetype to = text.size();
    bool negative = false;
    if (from < to && (text[from] == '+' || text[from] == '-')) {
        negative = text[from] == '-';
        ++from;
    }
    if (from == to)
        return false;
    qint64 magnitude = 0;
    for (qsizetype i = from; i < to; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > qint64(std::numeric_limits<qint32>::max()) + 1)
            return false;
    }
    const qint64 signedValue = negative ? -magnitude : magnitude;
    if (!fitsInt32(signedValue))
        return false;
    value = static_cast<qint32>(signedValue);
    return true;
}

// Applies the Content-Length rule to the header bytes (CR LF CR LF excluded).
void readContentLength(QByteArrayView header, qint32 &contentLength)
{
    qsizetype lineStart = 0;
    while (lineStart <= header.size()) {
        qsizetype lineEnd = header.indexOf(QByteArrayView("\r\n"), lineStart);
        if (lineEnd < 0)
            lineEnd = header.size();
        const QByteArrayView line = header.sliced(lineStart, lineEnd - lineStart);
        if (line.contains(QByteArrayView("Content-Length"))) {
            const qsizetype space = line.indexOf(' ');
            parseWholeNumber(space < 0 ? line : line.sliced(space + 1), contentLength);
            return;
        }
        lineStart = lineEnd + 2;
    }
}

// Most bytes reserved ahead of their arrival from the announced content length.
constexpr qsizetype ReserveAheadBytes = 16 * 1024 * 1024;

// The first piece taken from a longer arrival while the header end is not yet found: large
// enough for any usual header, small enough that moving it once the announced length sizes
// the buffer costs little.
constexpr qint64 HeaderPieceBytes = 16 * 1024;

// Takes up to `bytes` more through `read`, growing the capacity by doubling but never beyond
// MaxResponseBytes (which the caller has checked the whole arrival against).
void take(QByteArray &buffer, qint64 bytes, const ArrivalReader &read)
{
    if (bytes <= 0)
        return;
    const qsizetype size = buffer.size();
    const qsizetype needed = size + static_cast<qsizetype>(bytes);
    if (needed > buffer.capacity())
        buffer.reserve(std::min(MaxResponseBytes, std::max(needed, 2 * buffer.capacity())));
    buffer.resize(needed);
    const qint64 got = read(buffer.data() + size, bytes);
    buffer.resize(size + static_cast<qsizetype>(std::clamp<qint64>(got, 0, bytes)));
}

// Looks for the header end in the bytes not searched yet; once found, reads the content
// length and sizes the buffer for the whole response.
bool findHeaderEnd(SlotFetchState &state)
{
    const qsizetype found = state.buffer.indexOf(HeaderEnd, state.searchFrom);
    if (found < 0) {
        state.searchFrom = std::max<qsizetype>(0, state.buffer.size() - (HeaderEnd.size() - 1));
        return false;
    }
    state.headerEnd = found + 1;
    state.headerParsed = true;
    readContentLength(QByteArrayView(state.buffer).first(found), state.contentLength);
    // The announced length sizes the buffer once, instead of by doubling as the body comes
    // in; a server that announces more than it sends costs untouched address space only, and
    // no more than ReserveAheadBytes of it.
    if (state.contentLength > 0) {
        const qsizetype whole = found + HeaderEnd.size() + state.contentLength;
        if (whole > state.buffer.capacity() && whole - state.buffer.size() <= ReserveAheadBytes)
            state.buffer.reserve(std::min(whole, MaxResponseBytes));
    }
    return true;
}

} // namespace

void SlotFetchState::resetForFetch()
{
    buffer = QByteArray();
    bytesReceived = 0;
    headerParsed = false;
    contentLength = 0;
    headerEnd = 0;
    searchFrom = 0;
    overflow = false;
}

ArrivalResult onDataArrival(SlotFetchState &state, qint64 waiting, qint32 count, const ArrivalReader &read)
{
    ArrivalResult result;
    if (state.overflow || waiting > MaxResponseBytes || state.buffer.size() + waiting > MaxResponseBytes) {
        state.overflow = true;
        state.buffer = QByteArray();
        result.abandon = true;
        return result;
    }
    const bool headerBefore = state.headerParsed;
    // While the header end is still to be found, a small first piece is enough to find it
    // and size the buffer from the announced length before the rest is taken.
    const qint64 first = headerBefore ? waiting : std::min(waiting, HeaderPieceBytes);
    take(state.buffer, first, read);
    if (!headerBefore)
        result.headerCompleted = findHeaderEnd(state);
    take(state.buffer, waiting - first, read);
    if (!headerBefore && !result.headerCompleted)
        result.headerCompleted = findHeaderEnd(state);

    const qint64 received = qint64(state.bytesReceived) + count;
    if (fitsInt32(received))
        state.bytesReceived = static_cast<qint32>(received);

    if (headerBefore) {
        if (state.contentLength <= 0)
            return result;
        result.showProgress = true;
        result.percent = static_cast<float>(static_cast<double>(state.bytesReceived)
                                            / (static_cast<double>(state.contentLength) / 100.0));
        result.barAccepts = result.percent >= 0.0f && result.percent <= 100.0f;
        return result;
    }
    if (result.headerCompleted) {
        const qint64 body = qint64(state.bytesReceived) - state.headerEnd - 3;
        if (fitsInt32(body))
            state.bytesReceived = static_cast<qint32>(body);
    }
    return result;
}

ArrivalResult onDataArrival(SlotFetchState &state, const QByteArray &chunk, qint32 count)
{
    qsizetype offset = 0;
    return onDataArrival(state, chunk.size(), count, [&chunk, &offset](char *into, qint64 bytes) {
        const qsizetype n = std::min<qsizetype>(static_cast<qsizetype>(bytes), chunk.size() - offset);
        std::memcpy(into, chunk.constData() + offset, static_cast<size_t>(n));
        offset += n;
        return qint64(n);
    });
}

float progressBarValueAfter(float barValue, const ArrivalResult &result)
{
    return result.showProgress && result.barAccepts ? result.percent : barValue;
}

QString downloadStatusText(const QString &file, float barValue, const QString &pattern)
{
    // Replaced in one pass: a file name holding "%2" stays as it is.
    return pattern.arg(file, formatSingle(barValue));
}

QString statusFileName(const QString &camPath)
{
    return camPath.mid(camPath.lastIndexOf(QLatin1Char('/')) + 1);
}
