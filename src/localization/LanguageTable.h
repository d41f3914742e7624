// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// Texts of the windows and message boxes in the user's language.
//
// Two stores: the message table (message boxes; English defaults set once at
// start-up, overwritten by each applyLanguage) and the item lines of one language
// group of Localization.txt (captions). Placeholders "[ProgramName]",
// "[CompanyName]" and, in captions only, "[Website]" are replaced in any letter case
// from identity() at every lookup, and the first character of a looked-up text is
// upper-cased.
class LanguageTable
{
public:
    struct MessageEntry
    {
        QString name; // key as passed to setMessage; compared ignoring case
        QString text; // the English default or the last translation applied
        bool used = false;
    };

    static constexpr int MessageSlots = 201;

    // Filled in index order from 0; slots are never freed or reordered.
    std::array<MessageEntry, MessageSlots> messages;

    // The item block of the loaded language cut at every line end (CR LF, lone LF or lone
    // CR): line 0 is the text before the first one, the last line the text after the last. Absent until
    // the first successful load; replaced only by a successful load.
    std::optional<QStringList> translationLines;

    // Stores the message in the first free slot; does nothing when all 201 are used.
    // A key added twice takes a second slot that message never reaches.
    void setMessage(const QString &key, const QString &text);

    // The text of the first slot whose key equals `key` ignoring case, with
    // "[ProgramName]" and "[CompanyName]" replaced ("[Website]" is kept) and the first
    // character upper-cased; "" when the key is not in the table. The scan stops at
    // the first free slot.
    QString message(const QString &key) const;

    // The text of the first item line whose key equals `key` ignoring case, with all
    // three placeholders replaced and the first character upper-cased; "" when no
    // line has the key. nullopt when the lookup fails: no lines are loaded, or the
    // matching line lacks its opening or closing tag or has the closing tag first.
    // Cost: one pass over the loaded lines.
    std::optional<QString> tryCaption(const QString &key) const;

    // tryCaption with a failure answered as "".
    QString caption(const QString &key) const;

    // Sets currentLanguage() to `language`, then, when Localization.txt exists in the
    // application folder (fileExistsIgnoringCase), reads it whole and keeps the item lines of
    // the first group named `language` (ignoring case). A missing file or a file
    // without that language changes nothing else and answers true. False when the load
    // ended with an error: the file could not be read or is larger than
    // MaxLocalizationFileBytes, the scan stopped at a malformed group (a tag missing, or
    // a closing tag before its opening tag, in a group up to the match), or the item
    // block has more than MaxTranslationLines lines. Whatever the outcome other than a
    // match, translationLines keeps its previous value.
    bool loadLanguage(const QString &language);

    // loadLanguage without the file: looks `language` up in `text` (the decoded file)
    // with the same outcomes. Does not touch currentLanguage().
    bool loadLanguageFromText(const QString &text, const QString &language);

    // Whether the folder of `asPath` lists a regular file (hidden ones included) whose
    // name equals fileNamePart(asPath) ignoring case. This is the program's only file
    // test that ignores case. False for an empty path, a path ending in a separator,
    // or a folder that cannot be listed.
    bool fileExistsIgnoringCase(const QString &asPath) const;

    // The part of `asPath` after its last "/" or "\"; "" for an empty path.
    QString fileNamePart(const QString &asPath) const;

    // Upper bound of translationLines (size - 1); -1 when no lines are loaded.
    int lastLineIndex() const;

    // The language last requested from loadLanguage, successful or not ("" before the first).
    const QString &currentLanguage() const { return m_currentLanguage; }

private:
    QString m_currentLanguage;
};
