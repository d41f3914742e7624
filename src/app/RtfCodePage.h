// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

#include <map>
#include <memory>

class QStringDecoder;

// Windows code page used for \'hh escapes and 8-bit text of a font whose \fcharset is
// `charset`; 0 for ANSI/default (the document's \ansicpg applies) and for unknown
// values, -1 for symbol fonts (\fcharset2).
int rtfCodePageForCharset(int charset);

// Decodes the 8-bit text of an RTF document. Code page 1252 (the default) and symbol
// fonts use built-in tables; other code pages go through QStringDecoder by their
// "windows-N"/"cpN"/"ibmN" names, and a code page that Qt does not know decodes as
// 1252. Bytes no code page maps become U+FFFD.
class RtfTextDecoder
{
public:
    RtfTextDecoder();
    ~RtfTextDecoder();
    RtfTextDecoder(const RtfTextDecoder &) = delete;
    RtfTextDecoder &operator=(const RtfTextDecoder &) = delete;

    // `codePage` -1 means a symbol font: the common bullet bytes (0xB7, 0xA7, 0xD8, 0xFC)
    // become their Unicode look-alikes, the rest decodes as 1252.
    QString decode(int codePage, QByteArrayView bytes);

    // Maps a character of a symbol font's private area (U+F020..U+F0FF, as Word writes
    // \uN for Symbol and Wingdings) to its look-alike; other characters pass unchanged.
    static char16_t mapSymbolPrivateUse(char16_t unit);

private:
    QStringDecoder *decoderFor(int codePage);

    std::map<int, std::unique_ptr<QStringDecoder>> m_decoders; // null entry: unknown to Qt
};
