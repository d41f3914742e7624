// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QVersionNumber>

// The documents that ship with the program (Help.rtf, Localization.txt) and the copies
// of them in the application folder, which is where the rest of the program reads them.
//
// A copy the program made and nobody changed since is kept current: a newer shipped file
// replaces it. A copy that a language update downloaded or the user edited is theirs and
// is never replaced. To tell the two apart, the folder holds a record (RecordFileName) of
// the SHA-256 of each copy the program wrote and of the version that wrote it.
namespace ShippedFiles {

// The record in the application folder: one line per copy, "<name>\t<sha256 hex>\t<version>".
inline constexpr char RecordFileName[] = ".shipped-copies";

// Where a program in `executableDir` finds its shipped documents.
struct Places
{
    QString buildDir;        // the build tree; a program inside it reads sourceDataDir
    QString sourceDataDir;   // the source tree's resources folder
    QString relativeDataDir; // the data folder relative to the executable's folder once installed
    QString installDataDir;  // the data folder the build was configured to install into
};

// The first of these folders that holds every one of `names`: sourceDataDir when
// `executableDir` is inside buildDir; else executableDir/relativeDataDir (an install
// moved to another prefix, or staged under DESTDIR); else installDataDir. "" when none
// does (the caller falls back to the copies compiled into the program).
QString dataFolder(const QString &executableDir, const Places &places, const QStringList &names);

// What refresh() did with one copy.
enum class Outcome {
    Copied,      // there was none: the shipped file was copied
    Replaced,    // an untouched copy differed from the shipped file and was replaced by it
    Current,     // the copy already equals the shipped file
    KeptOwn,     // the copy was downloaded or edited (or is a symbolic link): left alone
    KeptNewer,   // an untouched copy made by a newer version: left alone
    Failed,      // the copy or the record could not be read or written; nothing was lost
};

struct RecordEntry
{
    QByteArray sha256; // lower-case hex
    QVersionNumber version;
};

// Reads the record in `folder`; an absent or unreadable record, or a malformed line, is
// taken as no entry.
QHash<QString, RecordEntry> readRecord(const QString &folder);

// Brings folder/name up to date with `shipped` (the shipped file's bytes) on behalf of
// program version `version`:
// - no file there (or a dangling symbolic link): the shipped bytes are written;
// - the file equals `shipped`: it stays;
// - the file is untouched, that is its hash is the recorded one, or, with no entry in
//   the record, one of `earlierCopies` (hashes of files shipped by versions that kept no
//   record): it is replaced unless the record says a newer version wrote it;
// - otherwise (edited, downloaded, a symbolic link) it stays.
// Every write goes through a temporary file beside the target; the record is rewritten
// the same way whenever it changes.
Outcome refresh(const QString &folder, const QString &name, const QByteArray &shipped,
                const QVersionNumber &version, const QList<QByteArray> &earlierCopies = {});

// The lower-case hex SHA-256 of `data`.
QByteArray sha256Hex(const QByteArray &data);

} // namespace ShippedFiles
