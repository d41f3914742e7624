// SPDX-License-Identifier: GPL-3.0-or-later
// Reads fuzzer bytes as an RTF document, once as they are and once behind an RTF header
// so that most inputs reach the reader's body. Aborts when the result breaks the
// reader's contract: a failure always carries a description, a success never does, and
// the document never holds more characters than the input has bytes.
#include "app/RtfReader.h"

#include <QTextDocument>

#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void readOnce(const QByteArray &input)
{
    QTextDocument document;
    QString error;
    const bool ok = readRtfInto(input, &document, &error);
    check(ok == error.isEmpty());
    check(document.characterCount() <= input.size() + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    readOnce(input);
    readOnce("{\\rtf1 " + input);
    return 0;
}
