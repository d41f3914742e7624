// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RtfCodePage.h"

#include <QByteArrayList>
#include <QStringDecoder>

namespace {

// Windows-1252 for 0x80..0x9F; the rest of the upper half equals Latin-1.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

char16_t cp1252(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return Cp1252High[byte - 0x80];
    return byte;
}

char16_t symbolLookAlike(unsigned char byte)
{
    switch (byte) {
    case 0xB7: return 0x2022; // Symbol bullet
    case 0xA7: return 0x25AA; // Wingdings small square
    case 0xD8: return 0x27A2; // Wingdings arrowhead
    case 0xFC: return 0x2713; // Wingdings check mark
    default: return cp1252(byte);
    }
}

} // namespace

int rtfCodePageForCharset(int charset)
{
    switch (charset) {
    case 2: return -1;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

RtfTextDecoder::RtfTextDecoder() = default;
RtfTextDecoder::~RtfTextDecoder() = default;

QString RtfTextDecoder::decode(int codePage, QByteArrayView bytes)
{
    QString result;
    if (codePage == -1 || codePage == 1252 || codePage == 0) {
        result.reserve(bytes.size());
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            result.append(QChar(codePage == -1 ? symbolLookAlike(byte) : cp1252(byte)));
        }
        return result;
    }
    if (codePage < 0 || codePage > 65535)
        return decode(1252, bytes);
    if (QStringDecoder *decoder = decoderFor(codePage))
        return decoder->decode(bytes);
    return decode(1252, bytes);
}

QStringDecoder *RtfTextDecoder::decoderFor(int codePage)
{
    const auto found = m_decoders.find(codePage);
    if (found != m_decoders.end())
        return found->second.get();

    std::unique_ptr<QStringDecoder> decoder;
    QByteArrayList names;
    switch (codePage) {
    case 65001: names = {"UTF-8"}; break;
    case 28591: names = {"ISO-8859-1"}; break;
    case 10000: names = {"macintosh"}; break;
    case 932: names = {"Shift_JIS"}; break;
    case 936: names = {"GBK"}; break;
    case 949: names = {"windows-949"}; break;
    case 950: names = {"Big5"}; break;
    default:
        names = {"windows-" + QByteArray::number(codePage), "cp" + QByteArray::number(codePage),
                 "ibm" + QByteArray::number(codePage)};
        break;
    }
    for (const QByteArray &name : std::as_const(names)) {
        auto candidate = std::make_unique<QStringDecoder>(name.constData(), QStringConverter::Flag::Stateless);
        if (candidate->isValid()) {
            decoder = std::move(candidate);
            break;
        }
    }
    QStringDecoder *raw = decoder.get();
    m_decoders.emplace(codePage, std::move(decoder));
    return raw;
}

char16_t RtfTextDecoder::mapSymbolPrivateUse(char16_t unit)
{
    if (unit >= 0xF020 && unit <= 0xF0FF)
        return symbolLookAlike(static_cast<unsigned char>(unit - 0xF000));
    return unit;
}
