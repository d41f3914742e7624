// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ShippedFiles.h"

#include <QString>
#include <QStringList>

// The documents this program ships (Help.rtf, Localization.txt): where this build finds
// them, and bringing the application folder's copies up to date with them.
namespace ShippedDocuments {

// The file names, in the order they are refreshed.
QStringList names();

// The places this build was configured with: its build and source trees and its
// installed data folder (absolute, and relative to the installed executable).
ShippedFiles::Places places();

// Hashes (lower-case hex SHA-256) of every Help.rtf and Localization.txt shipped by
// versions that kept no record of their copies: a copy with one of these hashes and no
// entry in the record was made by such a version and never changed.
QList<QByteArray> earlierCopies();

// Refreshes each of names() in `folder` (ShippedFiles::refresh, for this program's
// version) from the data folder found for `executableDir`, or, when none is found, from
// `fallbackFolder` (the copies compiled into the program, ":/"). Returns the outcome per
// name; a document found nowhere is left out.
QList<QPair<QString, ShippedFiles::Outcome>> refreshAll(const QString &folder, const QString &executableDir,
                                                        const QString &fallbackFolder = QStringLiteral(":"));

} // namespace ShippedDocuments
