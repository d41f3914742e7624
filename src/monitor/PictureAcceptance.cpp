// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/PictureAcceptance.h"

#include "platform/AtomicFile.h"

#include <QDir>

namespace {

const QLatin1StringView LastModifiedLabel("Last-Modified:");

// Runs of `letter` outside quoted text of a QLocale date/time format, handed to
// `replace(run length)`, which returns the text to put instead.
template<typename Replace> QString rewriteFormatLetter(const QString &format, QChar letter, Replace replace)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
            ++i;
            continue;
        }
        if (quoted || c != letter) {
            out += c;
            ++i;
            continue;
        }
        qsizetype run = 0;
        while (i + run < format.size() && format[i + run] == letter)
            ++run;
        out += replace(out, run);
        i += run;
    }
    return out;
}

} // namespace

QString shortDateFourDigitYearFormat(const QLocale &locale)
{
    return rewriteFormatLetter(
        locale.dateFormat(QLocale::ShortFormat), QLatin1Char('y'), [](const QString &, qsizetype run) {
            return run == 2 ? QStringLiteral("yyyy") : QString(run, QLatin1Char('y'));
        });
}

// The locale's long time format, which carries the seconds, less its time zone ("t").
QString timeWithSecondsFormat(const QLocale &locale)
{
    QString format = rewriteFormatLetter(
        locale.timeFormat(QLocale::LongFormat), QLatin1Char('t'), [](QString &before, qsizetype) {
            if (before.endsWith(QLatin1Char(' ')))
                before.chop(1);
            return QString();
        });
    format.remove(QLatin1StringView("()"));
    return format.trimmed();
}

bool headerNamesImage(const QByteArray &header)
{
    return QLatin1StringView(header).contains(QLatin1StringView("image/"), Qt::CaseInsensitive);
}

LastModifiedOutcome decideLastModified(const QByteArray &header, const QString &storedLine)
{
    LastModifiedOutcome outcome;
    const qsizetype start = QLatin1StringView(header).indexOf(LastModifiedLabel, 0, Qt::CaseInsensitive);
    if (start < 0)
        return outcome;
    const qsizetype end = header.indexOf("\r\n", start);
    outcome.hasLine = true;
    outcome.lm
        = QString::fromLatin1(QByteArrayView(header).sliced(start, (end < 0 ? header.size() : end) - start));
    outcome.lastChangedText = outcome.lm;
    outcome.lastChangedText.remove(LastModifiedLabel, Qt::CaseInsensitive);
    if (outcome.lm == storedLine)
        return outcome;
    outcome.storeNew = true;
    outcome.stampRefreshed = true;
    outcome.changed = !storedLine.isEmpty();
    return outcome;
}

QString dateText(const QDateTime &at, const QLocale &locale)
{
    return locale.toString(at.date(), shortDateFourDigitYearFormat(locale));
}

QString timeText(const QDateTime &at, const QLocale &locale)
{
    return locale.toString(at.time(), timeWithSecondsFormat(locale));
}

QString refreshedStamp(const QDateTime &at, const QLocale &locale)
{
    return dateText(at, locale) + QLatin1Char(' ') + timeText(at, locale);
}

QString cleanFileName(const QString &name)
{
    QString out;
    out.reserve(name.size() + 1);
    for (const QChar c : name) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')
            || c.category() == QChar::Other_Control)
            continue;
        out += c;
    }
    if (out.isEmpty() || out.startsWith(QLatin1Char('.')))
        out.prepend(QLatin1Char('_'));
    return out;
}

QString autosaveFileName(const QString &cameraName, const QDateTime &at, const QLocale &locale)
{
    return cleanFileName(cameraName + dateText(at, locale) + timeText(at, locale) + QStringLiteral(".jpg"));
}

QString freeFileName(const QString &folder, const QString &fileName)
{
    const QDir dir(folder);
    for (int number = 1; number <= AtomicFile::MaxFileNumber; ++number) {
        const QString candidate = AtomicFile::numberedFileName(fileName, number);
        if (!AtomicFile::entryExists(dir.filePath(candidate)))
            return candidate;
    }
    return fileName;
}
