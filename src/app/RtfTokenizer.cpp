// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RtfTokenizer.h"

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

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

} // namespace

RtfTokenizer::RtfTokenizer(QByteArrayView input)
    : m_input(input)
{
}

RtfToken RtfTokenizer::next()
{
    const qsizetype size = m_input.size();
    while (m_position < size) {
        const char c = m_input[m_position];
        if (c == '\r' || c == '\n') {
            ++m_position;
            continue;
        }
        RtfToken token;
        if (c == '{') {
            ++m_position;
            token.kind = RtfToken::Kind::GroupOpen;
            return token;
        }
        if (c == '}') {
            ++m_position;
            token.kind = RtfToken::Kind::GroupClose;
            return token;
        }
        if (c == '\\')
            return readEscape();

        const qsizetype start = m_position;
        while (m_position < size) {
            const char t = m_input[m_position];
            if (t == '{' || t == '}' || t == '\\' || t == '\r' || t == '\n')
                break;
            ++m_position;
        }
        token.kind = RtfToken::Kind::Text;
        token.text = std::string_view(m_input.data() + start, static_cast<size_t>(m_position - start));
        return token;
    }
    return RtfToken{};
}

RtfToken RtfTokenizer::readEscape()
{
    const qsizetype size = m_input.size();
    ++m_position; // the backslash
    RtfToken token;
    if (m_position >= size)
        return token; // a lone backslash at the end: End

    const char c = m_input[m_position];
    if (isLetter(c))
        return readControlWord();

    ++m_position;
    if (c == '\'') {
        int value = 0;
        int digits = 0;
        while (digits < 2 && m_position < size) {
            const int v = hexValue(m_input[m_position]);
            if (v < 0)
                break;
            value = value * 16 + v;
            ++digits;
            ++m_position;
        }
        if (digits < 2) {
            token.kind = RtfToken::Kind::Invalid;
            return token;
        }
        token.kind = RtfToken::Kind::HexByte;
        token.byte = static_cast<unsigned char>(value);
        return token;
    }
    token.kind = RtfToken::Kind::ControlSymbol;
    token.symbol = (c == '\r') ? '\n' : c;
    return token;
}

RtfToken RtfTokenizer::readControlWord()
{
    const qsizetype size = m_input.size();
    RtfToken token;
    token.kind = RtfToken::Kind::ControlWord;
    const qsizetype start = m_position;
    while (m_position < size && isLetter(m_input[m_position]))
        ++m_position;
    token.word = std::string_view(m_input.data() + start, static_cast<size_t>(m_position - start));

    bool negative = false;
    if (m_position + 1 < size && m_input[m_position] == '-' && isDigit(m_input[m_position + 1])) {
        negative = true;
        ++m_position;
    }
    if (m_position < size && isDigit(m_input[m_position])) {
        // Saturates instead of overflowing; every digit is still consumed.
        qint64 value = 0;
        while (m_position < size && isDigit(m_input[m_position])) {
            if (value <= MaxParameter)
                value = value * 10 + (m_input[m_position] - '0');
            ++m_position;
        }
        if (value > MaxParameter)
            value = MaxParameter;
        token.hasParameter = true;
        token.parameter = static_cast<int>(negative ? -value : value);
    }
    if (m_position < size && m_input[m_position] == ' ')
        ++m_position;
    return token;
}

void RtfTokenizer::skipBytes(qint64 count)
{
    if (count <= 0)
        return;
    const qint64 left = m_input.size() - m_position;
    m_position += static_cast<qsizetype>(count < left ? count : left);
}
