// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Path tests on this platform's file system: "/" separates folders and names are
// case-sensitive, so a file exists only under its exact name.

// True when `path` names an existing folder; a trailing "/" makes no difference.
bool folderExists(const QString &path);

// True when `path` names an existing file (not a folder), exact letter case.
bool fileExists(const QString &path);

// The part of `path` after its last "/" or "\"; "" for an empty path or one ending in a separator.
QString fileNameOf(const QString &path);
