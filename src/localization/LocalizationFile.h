// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The localization file "Localization.txt": XML in appearance only. Its reader is a
// case-insensitive scan for fixed tag strings; it decodes no entities and ignores
// attributes and everything outside the tags it looks for.
//
// Positions are QString indexes (UTF-16 units). Every search continues from the
// position the previous one ended at, so one scan of a text costs time linear in its
// length however the text is malformed.

// The file name inside the application folder.
inline constexpr char LocalizationFileName[] = "Localization.txt";

// Files larger than this are not read (the shipped file is a few tens of KiB).
inline constexpr qint64 MaxLocalizationFileBytes = 64LL * 1024 * 1024;

// A language whose item block holds more lines than this is not loaded.
inline constexpr qsizetype MaxTranslationLines = 1'000'000;

// AppFolder::file("Localization.txt").
QString localizationFilePath();

// The whole file decoded as UTF-8. A leading byte-order mark is dropped and invalid
// sequences become U+FFFD; decoding never fails. "" with *ok = false when `path` is
// not a regular file, cannot be opened or read, or is larger than `maxBytes`.
QString readWholeFileUtf8(
    const QString &path, bool *ok = nullptr, qint64 maxBytes = MaxLocalizationFileBytes);

// Result of looking for one language group in a file's text.
struct LanguageGroupMatch
{
    enum class Status {
        Found, // `items` is the item block of the first group with that name
        NotFound, // every group was read; none has that name
        Malformed, // a group up to the match lacks a tag or has one out of order
    };
    Status status = Status::NotFound;
    QStringView items; // view into the scanned text, valid only while it lives
};

// Scans the groups of `text` in file order for the first one whose name equals
// `language` ignoring case (no trimming). A group runs from "<LANGUAGE_GROUP" to
// before the next "</LANGUAGE_GROUP>"; its name lies between its first
// "<LANGUAGE_NAME>" and first "</LANGUAGE_NAME>", its item block between its first
// "<TRANSLATION_ITEMS>" and first "</TRANSLATION_ITEMS>". A missing tag, or a closing
// tag before its opening tag, makes the outcome Malformed at that group, even when a
// later group would match; the item tags are checked only in the matching group.
LanguageGroupMatch findLanguageGroup(QStringView text, QStringView language);

// Every group's name in file order, duplicates kept (the language window's list).
// The scan stops at the first group that lacks "</LANGUAGE_GROUP>", "<LANGUAGE_NAME>"
// or "</LANGUAGE_NAME>" (or has a closing tag before its opening tag): the names of
// the groups before it are returned and nothing after it is read.
QStringList languageNamesInFile(const QString &fileText);

// Copies `shippedCopy` (normally the program's resource ":/Localization.txt") to
// localizationFilePath() when no file of that exact name is there. The copy is written
// beside the target and renamed into place only when complete (AtomicFile::replace: a
// dangling symbolic link in its place is replaced, never written through). True when the
// file is present afterwards.
bool installLocalizationFileIfMissing(const QString &shippedCopy);
