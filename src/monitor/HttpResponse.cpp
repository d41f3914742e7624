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
