// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <sys/types.h>

// Creates `folder` and every missing folder above it, each with the permission bits `mode`:
// less the umask, as mkdir gives them, or exactly `mode` when `exactBits` is true (where the
// file system has permission bits). A level that already exists, or that someone else
// creates meanwhile, is left as it is; a symbolic link to a folder counts as that folder.
// Returns false when a level cannot be created, also when anything else stands in its place
// (a file, a dangling link: its target is not created); the levels created before stay.
bool createFolderPath(const QString &folder, mode_t mode, bool exactBits = false);
