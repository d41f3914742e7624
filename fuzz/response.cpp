// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds a response to a slot in fuzzer-chosen pieces, then runs the close handler's
// decisions on it. Aborts when the accumulated state disagrees with the bytes fed.
#include "monitor/HttpResponse.h"
#include "monitor/PictureAcceptance.h"
#include "monitor/SlotFetchState.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const size_t pieceCount = provider.ConsumeIntegralInRange<size_t>(0, 24);
    std::vector<size_t> pieces;
    for (size_t i = 0; i < pieceCount; ++i)
        pieces.push_back(provider.ConsumeIntegralInRange<size_t>(0, 512));
    const std::string rest = provider.ConsumeRemainingBytesAsString();
    const QByteArray response(rest.data(), static_cast<qsizetype>(rest.size()));

    SlotFetchState state;
    qsizetype from = 0;
    for (size_t piece : pieces) {
        const qsizetype length = std::min<qsizetype>(static_cast<qsizetype>(piece), response.size() - from);
        const QByteArray chunk = response.sliced(from, length);
        const ArrivalResult result = onDataArrival(state, chunk, static_cast<qint32>(chunk.size()));
        check(!result.abandon);
        check(!(result.headerCompleted && result.showProgress));
        from += length;
    }
    if (from < response.size())
        onDataArrival(state, response.sliced(from), static_cast<qint32>(response.size() - from));

    check(state.buffer == response);
    const qsizetype headerEnd = response.indexOf("\r\n\r\n");
    check(state.headerParsed == (headerEnd >= 0));
    check(state.headerEnd == headerEnd + 1);
    if (state.headerParsed)
        check(state.bytesReceived == response.size() - headerEnd - 4);

    const SplitResponse split = splitResponse(state.buffer);
    if (headerEnd < 0) {
        check(split.header.isEmpty() && split.body == response);
    } else {
        check(split.header == response.first(headerEnd));
        const qsizetype bodyBytes = response.size() - headerEnd - 4;
        check(split.dechunked ? split.body.size() <= bodyBytes : split.body == response.sliced(headerEnd + 4));
    }

    (void)headerNamesImage(split.header);
    const LastModifiedOutcome first = decideLastModified(split.header, QString());
    if (first.hasLine) {
        check(first.storeNew && !first.changed && !first.lm.contains(QLatin1StringView("\r\n")));
        const LastModifiedOutcome again = decideLastModified(split.header, first.lm);
        check(again.hasLine && !again.changed && !again.storeNew && again.lastChangedText == first.lastChangedText);
    }
    return 0;
}
