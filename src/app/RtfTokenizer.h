// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <string_view>

// One lexical element of an RTF stream. Views point into the tokenizer's input and stay
// valid as long as that input does.
struct RtfToken
{
    enum class Kind {
        End,           // input exhausted
        GroupOpen,     // {
        GroupClose,    // }
        ControlWord,   // \name[-]digits, `word` and `parameter`
        ControlSymbol, // \ followed by one non-letter, `symbol`
        HexByte,       // \'hh, `byte`
        Text,          // a run of literal bytes, `text` (never empty, never holds CR or LF)
        Invalid        // an incomplete \' escape; carries nothing
    };

    Kind kind = Kind::End;
    std::string_view word;  // ControlWord: the letters only (any length)
    bool hasParameter = false;
    int parameter = 0;      // clamped to [-MaxParameter, MaxParameter]
    char symbol = 0;        // ControlSymbol; a line feed stands for "\" before CR or LF
    unsigned char byte = 0; // HexByte
    std::string_view text;  // Text
};

// Splits RTF into tokens in one forward pass: every call consumes at least one byte
// until End, so reading to the end is linear in the input size.
class RtfTokenizer
{
public:
    static constexpr int MaxParameter = 2147483647;

    explicit RtfTokenizer(QByteArrayView input);

    RtfToken next();

    // Skips the binary data of \binN: min(count, bytes left), nothing when count < 0.
    void skipBytes(qint64 count);

    qsizetype position() const { return m_position; }
    bool atEnd() const { return m_position >= m_input.size(); }

private:
    RtfToken readEscape();
    RtfToken readControlWord();

    QByteArrayView m_input;
    qsizetype m_position = 0;
};
