// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/HttpResponse.h"

#include "monitor/Blanks.h"

#include <QString>

#include <cstdint>

namespace {

const QByteArray Crlf("\r\n");
const QByteArray HeaderEnd("\r\n\r\n");

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The chunk size of a size line, saturated at `limit` + 1; -1 when malformed.
qint64 chunkSize(QByteArrayView line, qint64 limit)
{
    const qsizetype semicolon = line.indexOf(';');
    const QByteArrayView digits = trimmedBlanks(semicolon < 0 ? line : line.first(semicolon));
    if (digits.isEmpty())
        return -1;
    qint64 size = 0;
    for (const char c : digits) {
        const int value = hexValue(c);
        if (value < 0)
            return -1;
        if (size <= limit)
            size = size * 16 + value;
    }
    return size > limit ? limit + 1 : size;
}

} // namespace

ChunkedBody decodeChunked(const QByteArray &body)
{
    ChunkedBody out;
    out.data.reserve(body.size());
    const qsizetype end = body.size();
    qsizetype pos = 0;
    for (;;) {
        const qsizetype eol = body.indexOf(Crlf, pos);
        if (eol < 0)
            break;
        const qint64 size = chunkSize(QByteArrayView(body).sliced(pos, eol - pos), end);
        if (size < 0)
            break;
        pos = eol + Crlf.size();
        if (size == 0) {
            out.complete = true;
            break;
        }
        if (size > end - pos) {
            out.data.append(QByteArrayView(body).sliced(pos));
            break;
        }
        out.data.append(QByteArrayView(body).sliced(pos, size));
        pos += size;
        if (end - pos < Crlf.size() || body[pos] != '\r' || body[pos + 1] != '\n')
            break;
        pos += Crlf.size();
    }
    out.data.squeeze();
    return out;
}

bool headerIsChunked(const QByteArray &header)
{
    qsizetype lineStart = header.indexOf(Crlf);
    while (lineStart >= 0) {
        lineStart += Crlf.size();
        const qsizetype lineEnd = header.indexOf(Crlf, lineStart);
        const QByteArrayView line = QByteArrayView(header).sliced(
            lineStart, (lineEnd < 0 ? header.size() : lineEnd) - lineStart);
        const qsizetype colon = line.indexOf(':');
        if (colon >= 0) {
            const QLatin1StringView name(trimmedBlanks(line.first(colon)));
            const QLatin1StringView value(line.sliced(colon + 1));
            if (name.compare(QLatin1StringView("Transfer-Encoding"), Qt::CaseInsensitive) == 0
                && value.contains(QLatin1StringView("chunked"), Qt::CaseInsensitive))
                return true;
        }
        lineStart = lineEnd;
    }
    return false;
}

SplitResponse splitResponse(QByteArray buffer)
{
    SplitResponse result;
    const qsizetype found = buffer.indexOf(HeaderEnd);
    if (found < 0) {
        result.body = std::move(buffer);
        return result;
    }
    result.header = buffer.first(found);
    if (headerIsChunked(result.header)) {
        ChunkedBody decoded = decodeChunked(buffer.sliced(found + HeaderEnd.size()));
        result.body = std::move(decoded.data);
        result.dechunked = true;
        result.chunkedComplete = decoded.complete;
        return result;
    }
    // The body keeps the buffer's bytes: removing the header from the front of a buffer held
    // nowhere else moves no byte. Room left over from growing by doubling is given back.
    result.body = std::move(buffer);
    result.body.remove(0, found + HeaderEnd.size());
    if (result.body.capacity() - result.body.size() > result.body.size() / 4 + 4096)
        result.body.squeeze();
    return result;
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Calls `visit` with each line of `header` after the first: a line ends at LF, a CR before
// the LF dropped.
template<typename Visit> void forEachFieldLine(const QByteArray &header, Visit visit)
{
    const QByteArrayView all(header);
    qsizetype start = all.indexOf('\n');
    while (start >= 0) {
        ++start;
        qsizetype end = all.indexOf('\n', start);
        QByteArrayView line = all.sliced(start, (end < 0 ? all.size() : end) - start);
        if (line.endsWith('\r'))
            line.chop(1);
        visit(line);
        start = end;
    }
}

} // namespace

StatusLine parseStatusLine(const QByteArray &header)
{
    qsizetype end = header.indexOf('\n');
    QByteArrayView line = QByteArrayView(header).first(end < 0 ? header.size() : end);
    if (line.endsWith('\r'))
        line.chop(1);
    if (!line.startsWith("HTTP/"))
        return StatusLine();
    qsizetype pos = 5;
    const auto digits = [&line, &pos] {
        const qsizetype from = pos;
        while (pos < line.size() && isDigit(line[pos]))
            ++pos;
        return pos > from;
    };
    if (!digits() || pos >= line.size() || line[pos] != '.')
        return StatusLine();
    ++pos;
    if (!digits() || pos >= line.size() || !isBlank(line[pos]))
        return StatusLine();
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    const qsizetype codeStart = pos;
    if (!digits() || pos - codeStart != 3 || (pos < line.size() && !isBlank(line[pos])))
        return StatusLine();
    const int code =
        (line[codeStart] - '0') * 100 + (line[codeStart + 1] - '0') * 10 + (line[codeStart + 2] - '0');
    if (code < 100 || code > 599)
        return StatusLine();

    StatusLine status;
    status.ok = true;
    status.code = code;
    for (const char c : trimmedBlanks(line.sliced(pos))) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F)
            status.reason += c;
        if (status.reason.size() == StatusLine::MaxReasonBytes)
            break;
    }
    status.reason = trimmedBlanks(QByteArrayView(status.reason)).toByteArray();
    return status;
}

QList<QByteArray> headerFieldValues(const QByteArray &header, QByteArrayView name)
{
    QList<QByteArray> values;
    bool continuing = false; // the field before is one of ours: folded lines join its value
    forEachFieldLine(header, [&](QByteArrayView line) {
        if (!line.isEmpty() && isBlank(line[0])) {
            const QByteArrayView more = trimmedBlanks(line);
            if (continuing && !more.isEmpty()) {
                QByteArray &value = values.last();
                if (!value.isEmpty())
                    value += ' ';
                value += more;
            }
            return;
        }
        continuing = false;
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            return;
        const QLatin1StringView fieldName(trimmedBlanks(line.first(colon)));
        if (fieldName.compare(QLatin1StringView(name), Qt::CaseInsensitive) != 0)
            return;
        values.append(trimmedBlanks(line.sliced(colon + 1)).toByteArray());
        continuing = true;
    });
    return values;
}

QByteArray headerFieldValue(const QByteArray &header, QByteArrayView name)
{
    const QList<QByteArray> values = headerFieldValues(header, name);
    return values.isEmpty() ? QByteArray() : values.first();
}

QByteArray responseContentType(const QByteArray &header)
{
    const QByteArray value = headerFieldValue(header, "Content-Type");
    const qsizetype semicolon = value.indexOf(';');
    const QByteArrayView type = QByteArrayView(value).first(semicolon < 0 ? value.size() : semicolon);
    return trimmedBlanks(type).toByteArray().toLower();
}
