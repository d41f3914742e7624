// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/SavedPictureName.h"

#include "monitor/PictureAcceptance.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool removedFromNames(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')
        || c.category() == QChar::Other_Control;
}

QString cleaned(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!removedFromNames(c))
            out += c;
    }
    return out;
}

// The "_N" ending of a numbered variant (N = 2..999), as AtomicFile numbers names.
int variantNumber(QStringView &stem)
{
    const qsizetype underscore = stem.lastIndexOf(QLatin1Char('_'));
    if (underscore < 0 || underscore + 1 >= stem.size() || stem.size() - underscore - 1 > 3)
        return 1;
    int number = 0;
    for (const QChar c : stem.sliced(underscore + 1)) {
        if (!c.isDigit() || c.unicode() > '9')
            return 1;
        number = number * 10 + (c.unicode() - '0');
    }
    if (number < 2 || stem.at(underscore + 1) == QLatin1Char('0'))
        return 1;
    stem = stem.first(underscore);
    return number;
}

} // namespace

qint64 LocalTimeKey::of(QDate date, QTime time)
{
    return date.toJulianDay() * MsecsPerDay + (time.isValid() ? time.msecsSinceStartOfDay() : 0);
}

qint64 LocalTimeKey::of(const QDateTime &localTime)
{
    const QDateTime local = localTime.toLocalTime();
    return of(local.date(), local.time());
}

QDateTime LocalTimeKey::toDateTime(qint64 key)
{
    const qint64 day = key >= 0 ? key / MsecsPerDay : (key - MsecsPerDay + 1) / MsecsPerDay;
    return QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(static_cast<int>(key - day * MsecsPerDay)));
}

NamePattern::NamePattern(const QLocale &locale)
    : m_am(cleaned(locale.amText()))
    , m_pm(cleaned(locale.pmText()))
{
    addFormat(shortDateFourDigitYearFormat(locale), locale);
    addFormat(timeWithSecondsFormat(locale), locale);
    if (m_am.isEmpty() || m_pm.isEmpty())
        m_am = QStringLiteral("AM"), m_pm = QStringLiteral("PM");
}

void NamePattern::addFormat(const QString &format, const QLocale &locale)
{
    auto literal = [this](const QString &text) {
        const QString kept = cleaned(text);
        if (kept.isEmpty())
            return;
        if (!m_tokens.empty() && m_tokens.back().kind == Token::Literal)
            m_tokens.back().text += kept;
        else
            m_tokens.push_back(Token {Token::Literal, 0, 0, 0, false, false, kept, {}});
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
            const QString quoted = format.mid(i + 1, (end < 0 ? format.size() : end) - i - 1);
            literal(quoted.isEmpty() && end == i + 1 ? QStringLiteral("'") : quoted);
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        const char letter = c.unicode() < 128 ? static_cast<char>(c.unicode()) : 0;
        Token token;
        token.kind = Token::Number;
        token.field = letter;
        switch (letter) {
        case 'd':
        case 'M':
            if (run >= 3 && letter == 'M') {
                token.kind = Token::MonthName;
                for (int month = 1; month <= 12; ++month)
                    token.names += cleaned(locale.monthName(month, run == 3 ? QLocale::ShortFormat
                                                                             : QLocale::LongFormat));
            } else if (run >= 3) {
                m_valid = false; // weekday names
            } else {
                token.minDigits = run;
                token.noLeadingZero = run == 1;
            }
            break;
        case 'y':
            if (run != 4 && run != 2)
                m_valid = false;
            token.minDigits = token.maxDigits = static_cast<int>(run);
            break;
        case 'h':
        case 'H':
        case 'm':
        case 's':
            token.minDigits = run >= 2 ? 2 : 1;
            token.noLeadingZero = run == 1;
            break;
        case 'z':
            token.minDigits = run >= 3 ? 3 : 1;
            token.maxDigits = 3;
            break;
        case 'A':
        case 'a':
            token.kind = Token::AmPm;
            token.upper = letter == 'A';
            run = std::min<qsizetype>(run, 2);
            if (i + 1 < format.size() && format[i + 1].toLower() == QLatin1Char('p'))
                run = 2;
            break;
        case 't':
            token.kind = Token::Literal;
            break;
        default:
            literal(QString(run, c));
            i += run;
            continue;
        }
        if (token.kind != Token::Literal)
            m_tokens.push_back(token);
        i += run;
    }
}

QString NamePattern::cameraPrefix(const QString &cameraName)
{
    QString prefix = cleaned(cameraName);
    if (prefix.startsWith(QLatin1Char('.')))
        prefix.prepend(QLatin1Char('_'));
    return prefix;
}

void NamePattern::match(QStringView text, qsizetype pos, size_t index, Fields fields, QVarLengthArray<qint64, 4> &out) const
{
    if (index == m_tokens.size()) {
        if (pos != text.size())
            return;
        int hour = fields.hour;
        if (fields.pm >= 0) {
            if (hour < 1 || hour > 12)
                return;
            hour = hour % 12 + (fields.pm ? 12 : 0);
        }
        if (fields.year >= 0 && fields.year < 100)
            fields.year += 2000;
        // No picture was saved before 1970: a "year" such as 0261, cut from the digits of a
        // month, a day and a year, is not a reading.
        if (fields.year < 1970)
            return;
        const QDate date(fields.year, fields.month, fields.day);
        const QTime time(hour, std::max(fields.minute, 0), std::max(fields.second, 0), fields.msec);
        if (!date.isValid() || !time.isValid() || fields.hour < 0)
            return;
        const qint64 at = LocalTimeKey::of(date, time);
        if (!out.contains(at))
            out.append(at);
        return;
    }
    const Token &token = m_tokens[index];
    const QStringView rest = text.sliced(pos);
    switch (token.kind) {
    case Token::Literal:
        if (rest.startsWith(token.text))
            match(text, pos + token.text.size(), index + 1, fields, out);
        return;
    case Token::AmPm:
        if (rest.startsWith(m_am, Qt::CaseInsensitive)) {
            Fields am = fields;
            am.pm = 0;
            match(text, pos + m_am.size(), index + 1, am, out);
        }
        if (rest.startsWith(m_pm, Qt::CaseInsensitive)) {
            fields.pm = 1;
            match(text, pos + m_pm.size(), index + 1, fields, out);
        }
        return;
    case Token::MonthName:
        for (int month = 0; month < token.names.size(); ++month) {
            if (!token.names[month].isEmpty() && rest.startsWith(token.names[month], Qt::CaseInsensitive)) {
                Fields named = fields;
                named.month = month + 1;
                match(text, pos + token.names[month].size(), index + 1, named, out);
            }
        }
        return;
    case Token::Number:
        break;
    }
    int value = 0;
    for (int digits = 1; digits <= token.maxDigits && digits <= rest.size(); ++digits) {
        const QChar c = rest[digits - 1];
        if (c.unicode() < '0' || c.unicode() > '9')
            return;
        value = value * 10 + (c.unicode() - '0');
        if (digits < token.minDigits)
            continue;
        if (digits > 1 && token.noLeadingZero && rest[0] == QLatin1Char('0'))
            return;
        Fields next = fields;
        switch (token.field) {
        case 'y': next.year = value; break;
        case 'M': next.month = value; break;
        case 'd': next.day = value; break;
        case 'h':
        case 'H': next.hour = value; break;
        case 'm': next.minute = value; break;
        case 's': next.second = value; break;
        case 'z': next.msec = digits == 3 ? value : value * (digits == 1 ? 100 : 10); break;
        default: return;
        }
        match(text, pos + digits, index + 1, next, out);
    }
}

qint64 NamePattern::Reading::nearestTo(qint64 key) const
{
    if (times.isEmpty())
        return key;
    return *std::min_element(times.begin(), times.end(),
                             [key](qint64 a, qint64 b) { return std::llabs(a - key) < std::llabs(b - key); });
}

NamePattern::Reading NamePattern::read(QStringView fileName, qsizetype prefixLength) const
{
    Reading reading;
    static const QLatin1StringView Extension(".jpg");
    if (prefixLength < 0 || fileName.size() < prefixLength + Extension.size() + 1
        || !fileName.endsWith(Extension, Qt::CaseInsensitive))
        return reading;
    QStringView stem = fileName.sliced(prefixLength, fileName.size() - prefixLength - Extension.size());
    if (stem.isEmpty() || stem.front().unicode() < '0' || stem.front().unicode() > '9')
        return reading;
    reading.looksSaved = true;
    if (!m_valid)
        return reading;
    QStringView text = stem;
    const int variant = variantNumber(text);
    match(text, 0, 0, Fields(), reading.times);
    if (reading.times.isEmpty() && variant != 1) {
        // A date/time text that itself ends in "_" and digits is read whole.
        match(stem, 0, 0, Fields(), reading.times);
        if (!reading.times.isEmpty())
            reading.matches = true;
        std::sort(reading.times.begin(), reading.times.end());
        return reading;
    }
    reading.matches = !reading.times.isEmpty();
    reading.variant = reading.matches ? variant : 1;
    std::sort(reading.times.begin(), reading.times.end());
    return reading;
}
