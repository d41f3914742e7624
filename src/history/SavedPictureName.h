// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <vector>

// A local date and time as one number: milliseconds since the start of Julian day 0 on the
// local calendar, with no time zone. Names carry local times; comparing and sorting them
// needs no zone look-up.
namespace LocalTimeKey {
qint64 of(QDate date, QTime time);
qint64 of(const QDateTime &localTime);
QDateTime toDateTime(qint64 key);
constexpr qint64 MsecsPerDay = 86'400'000;
} // namespace LocalTimeKey

// Reading the name of a saved picture back: autosave names a picture
// cleanFileName(camera + dateText + timeText + ".jpg") and, when that name is taken, the
// first free "_2", "_3", ... variant of it. A NamePattern holds the date and time fields of
// one locale's texts (as dateText() and timeText() write them) and reads a name back into
// the local times it can stand for. Immutable once built; usable from any thread.
class NamePattern
{
public:
    // The pattern of the names written while `locale` is the default one.
    explicit NamePattern(const QLocale &locale = QLocale());

    // False when the locale writes a field this reader does not know (names then never
    // parse and callers fall back to the file's time).
    bool isValid() const { return m_valid; }

    // The part every saved picture of `cameraName` begins with: the camera name cleaned as in
    // cleanFileName(), with "_" in front when it then begins with "."; empty for a name
    // that cleans to nothing.
    static QString cameraPrefix(const QString &cameraName);

    // What the name says, for a `fileName` beginning with a camera prefix of
    // `prefixLength` characters.
    struct Reading
    {
        // The name is prefix + date/time text [+ "_" + number] + ".jpg" (any letter case of
        // the extension) and the date/time text reads as a valid time in this locale.
        bool matches = false;
        // Every local time the text can stand for (a month/day text such as "1112013" may be
        // 1 November or 11 January), earliest first; empty unless `matches`.
        // As LocalTimeKey values.
        QVarLengthArray<qint64, 4> times;
        // The "_N" variant number; 1 for the plain name.
        int variant = 1;
        // Of `times`, the one nearest `key` (when the file was written, say); `key` itself
        // when the name says no time.
        qint64 nearestTo(qint64 key) const;
        // The part after the prefix is a number-led text ending in ".jpg": a saved picture whose
        // date the name cannot say (written in another locale, say).
        bool looksSaved = false;
    };
    Reading read(QStringView fileName, qsizetype prefixLength) const;

private:
    struct Token
    {
        enum Kind { Literal, Number, AmPm, MonthName } kind = Literal;
        char field = 0;        // 'y', 'M', 'd', 'h', 'H', 'm', 's', 'z' for numbers
        int minDigits = 1;
        int maxDigits = 2;
        bool noLeadingZero = false; // a 2-digit value never starts with "0"
        bool upper = false;    // AM/PM upper case
        QString text;          // a literal
        QStringList names;     // month names (index 0 = January)
    };
    struct Fields
    {
        int year = -1, month = -1, day = -1, hour = -1, minute = -1, second = -1, msec = 0;
        int pm = -1; // -1 without an AM/PM field
    };
    void addFormat(const QString &format, const QLocale &locale);
    void match(QStringView text, qsizetype pos, size_t token, Fields fields, QVarLengthArray<qint64, 4> &out) const;

    std::vector<Token> m_tokens;
    QString m_am, m_pm;
    bool m_valid = true;
};
