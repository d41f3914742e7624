// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The camera list "00camlist.txt" in the application folder. Each camera is a
// record of four lines, CR LF ended:
//   [name]<name>
//   <picture URL, as typed>
//   <refresh interval in seconds, as typed>
//   <empty line>
// Every other line is ignored by the readers. Text is UTF-8; lines ending in LF or a
// lone CR (a file edited by hand) read the same as CR LF. The file is never cached:
// each operation reads it whole from the start (it is small: 10,000 records are a
// few hundred kilobytes) and every rewrite goes through a temporary file beside it
// (AtomicFile::replace). The list holds addresses with passwords: it is created and
// rewritten readable and writable by its owner only (0600), and a list with looser bits
// is tightened at its next rewrite. A symbolic link in its place is replaced by the list
// itself at the first rewrite; the file it pointed to is left as it was.
namespace CameraListFile {

inline const QString FileName = QStringLiteral("00camlist.txt");
inline const QString Marker = QStringLiteral("[name]");

struct CameraRecord
{
    QString name;
    QString url;
    QString refresh;
};

// Full path of the list in the application folder.
QString path();

// Replaces the whole list with `bytes` as described above. False when the rewrite failed;
// the previous list is then left as it was.
bool writeList(const QByteArray &bytes);

// Creates the file with a single empty line when it does not exist. Returns false
// when it cannot be created or something other than a file stands in its place.
// Removes leftover copies first (see below).
bool createIfMissing();

// Removes the copies of the list ("<list>.XXXXXX" beside it) that saves interrupted by a
// crash left behind, when older than a minute. Returns how many were removed.
int removeLeftoverCopies();

// The name of every record, in file order: each line holding the marker anywhere,
// in any letter case, with every marker removed. A missing file lists nothing.
QStringList readCameraNames();

// Looks up the first line that equals "[name]" + `name` exactly. On success fills
// `record` with the name, the next line (URL) and the line after it (refresh) and
// returns true; a record cut short by the end of the file yields empty texts for the
// missing lines. On failure `record` keeps its previous values.
bool findCameraRecord(const QString &name, CameraRecord &record);

// Appends one record at the end (the file is created when missing). False when the
// file exists but cannot be read, or could not be written; the previous file is then
// left as it was.
bool appendCameraRecord(const QString &name, const QString &url, const QString &refresh);

// Removes the record that findCameraRecord(name) finds, provided its URL and refresh
// lines are still `url` and `refresh`: its name and refresh lines become empty lines
// and its URL line goes. No other record is touched, whatever its name or values.
// False when nothing was removed (not found, changed, or the rewrite failed).
bool removeCameraRecord(const QString &name, const QString &url, const QString &refresh);

} // namespace CameraListFile
