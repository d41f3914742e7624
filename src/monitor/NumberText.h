// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// Conversions between the number texts users type (refresh intervals) and numbers, and
// the number texts the program shows.
//
// Accepted number text: optional blanks (spaces, tabs), an optional "+" or "-", decimal
// digits with at most one "." as the decimal separator (at least one digit on either
// side of it), an optional exponent ("e" or "E", optional sign, digits), optional
// blanks. So " 30 ", "4.5", ".5", "5.", "-2" and "1e2" are numbers; "", "abc", "30s",
// "1,000", "&H10", "inf" and "nan" are not. The separator is always "." whatever the
// locale, since the same text must mean the same interval on every machine.

// The value of `text`, or nullopt when it is not a number or does not fit a double.
std::optional<double> toNumber(const QString &text);

// The value of `text` rounded to the nearest integer, halves to the even one
// (4.5 -> 4, 5.5 -> 6, -2.5 -> -2); nullopt when the text is not a number or the
// rounded value lies outside the signed 32-bit range.
std::optional<qint32> toRoundedInt32(const QString &text);

// Rounds halves to the even integer; `value` must be finite.
double roundHalfToEven(double value);

// A single-precision value with at most 7 significant digits, "." as decimal separator,
// no trailing zeros and no exponent for magnitudes from 1e-4 up to below 1e7
// ("45.2381", "100", "25", "0.5"); others use an exponent ("1e+07").
QString formatSingle(float value);

// A double in its shortest round-trip decimal form, "." as decimal separator, no
// trailing zeros ("45", "-2", "7.5", "3.5"); fixed notation for magnitudes from 1e-5
// up to below 1e15, an exponent otherwise ("1e+20"). Zero is "0", never "-0".
QString formatDouble(double value);
