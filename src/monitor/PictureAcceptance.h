// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

// Decisions of the close handler on a finished response, and the date, time and file
// name texts of accepted and saved pictures. Header bytes are read as Latin-1.

// The header mentions "image/" anywhere, in any letter case.
bool headerNamesImage(const QByteArray &header);

// What the Last-Modified line of an accepted picture does to the slot.
struct LastModifiedOutcome
{
    // The header holds "Last-Modified:" (any letter case). Without it nothing below
    // applies: the camera is not changed and its texts keep their values.
    bool hasLine = false;
    // The header from the first "Last-Modified:" up to the next CR LF, label included.
    QString lm;
    // The text shown under "Last Changed:": `lm` with every "Last-Modified:" (any letter case)
    // removed, the value's leading space kept.
    QString lastChangedText;
    // The picture is a changed one: a stored line existed and `lm` differs from it (exact case).
    bool changed = false;
    // The camera stores `lm` as its line.
    bool storeNew = false;
    // The "Last Refreshed:" time becomes refreshedStamp() of the current local time.
    bool stampRefreshed = false;
};

// `storedLine` is the line stored for the slot ("" before its first one):
// - equal to lm: nothing stored, not changed, the stamp kept;
// - empty: lm stored, not changed, the stamp refreshed;
// - different: lm stored, changed, the stamp refreshed.
LastModifiedOutcome decideLastModified(const QByteArray &header, const QString &storedLine);

// The QLocale formats dateText() and timeText() write with.
QString shortDateFourDigitYearFormat(const QLocale &locale);
QString timeWithSecondsFormat(const QLocale &locale);

// The locale's short date with the year written in four digits ("3/27/2013" in en_US).
// `at` is taken as the local time it holds.
QString dateText(const QDateTime &at, const QLocale &locale = QLocale());

// The locale's time with seconds and without a time zone ("3:54:30 AM" in en_US).
QString timeText(const QDateTime &at, const QLocale &locale = QLocale());

// dateText + " " + timeText, as shown under "Last Refreshed:".
QString refreshedStamp(const QDateTime &at, const QLocale &locale = QLocale());

// A file name that stays inside its folder: every space, "/", "\", ":" and control
// character (U+0000..U+001F, U+007F..U+009F) is removed wherever it stands; a result
// that is empty or begins with "." (such as "." or "..", or a hidden file name) gets
// "_" in front.
QString cleanFileName(const QString &name);

// The name of a saved picture of camera `cameraName` at `at`:
// cleanFileName(cameraName + dateText + timeText + ".jpg"). In en_US, "Front Door" at
// 3:54:30 AM on 27 March 2013 gives "FrontDoor327201335430AM.jpg".
QString autosaveFileName(const QString &cameraName, const QDateTime &at, const QLocale &locale = QLocale());

// `fileName` when no entry of that name exists in `folder`, else the first free one of
// "<base>_2<.ext>", "<base>_3<.ext>", ... (up to _999, then `fileName` itself): two pictures
// saved in the same second must not overwrite each other. Every directory entry counts as
// taken, a symbolic link too whether or not its target exists (AtomicFile::entryExists,
// numbered as AtomicFile::numberedFileName). AtomicFile::createNumbered takes the name
// itself without this look-up and without replacing what appears meanwhile.
QString freeFileName(const QString &folder, const QString &fileName);
