// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/NumberText.h"

#include "monitor/Blanks.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Checks the number grammar of the header comment on `text` and returns it as Latin-1 bytes
// ready for QByteArray::toDouble(), or an empty array.
QByteArray numberBytes(QStringView text)
{
    const qsizetype to = text.size();
    qsizetype i = 0;
    if (i < to && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < to && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < to && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < to && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return QByteArray();
    if (i < to && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < to && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        qsizetype expDigits = 0;
        while (i < to && isDigit(text[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return QByteArray();
    }
    if (i != to)
        return QByteArray();
    return text.toLatin1();
}

} // namespace

std::optional<double> toNumber(const QString &text)
{
    const QByteArray bytes = numberBytes(trimmedBlanks(QStringView(text)));
    if (bytes.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = bytes.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double roundHalfToEven(double value)
{
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return floor;
    if (diff > 0.5)
        return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::optional<qint32> toRoundedInt32(const QString &text)
{
    const std::optional<double> value = toNumber(text);
    if (!value)
        return std::nullopt;
    const double rounded = roundHalfToEven(*value);
    if (rounded < static_cast<double>(std::numeric_limits<qint32>::min())
        || rounded > static_cast<double>(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

QString formatSingle(float value)
{
    if (value == 0.0f)
        return QStringLiteral("0");
    return QString::number(static_cast<double>(value), 'g', 7);
}

QString formatDouble(double value)
{
    if (value == 0.0)
        return QStringLiteral("0");
    const double magnitude = std::fabs(value);
    if (std::isfinite(value) && magnitude >= 1e-5 && magnitude < 1e15)
        return QString::number(value, 'f', QLocale::FloatingPointShortest);
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}
