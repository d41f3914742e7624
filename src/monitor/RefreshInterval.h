// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Seconds between two fetch starts of a slot whose refresh text is unusable; the same
// value the add dialog proposes.
constexpr qint32 DefaultRefreshSeconds = 60;

// The slot's interval in whole seconds for a refresh text: the text rounded to the
// nearest integer, halves to even (toRoundedInt32), or DefaultRefreshSeconds when the text is
// not a number or its rounded value does not fit 32 bits. 0 or less means every tick.
qint32 effectiveRefreshSeconds(const QString &refreshText);

// The countdown shown under "Next Refresh:" after `elapsedSeconds` whole seconds: the number
// value of `refreshText` minus `elapsedSeconds`, as formatDouble() writes it ("29", "3.5" for
// "4.5" after one second, "-2"). When effectiveRefreshSeconds() falls back to the
// default, the countdown counts from DefaultRefreshSeconds too ("abc" after 10 s: "50").
QString nextRefreshText(const QString &refreshText, qint32 elapsedSeconds);
