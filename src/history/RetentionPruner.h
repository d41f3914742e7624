// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/SavedPictureName.h"
#include "history/SavedPicturesSettings.h"

#include <QString>
#include <QStringList>

// What one pruning of a camera's pictures did.
struct PruneOutcome
{
    int kept = 0;
    qint64 keptBytes = 0;
    int deleted = 0;
    qint64 deletedBytes = 0;
    int failed = 0; // pictures that were due but could not be deleted (they count as kept)
};

// Deletes the oldest saved pictures of `cameraName` in `folder` until the rest keep to
// `limits`:
// - maxDays: a picture whose time is more than maxDays x 24 h before `now` (a local time)
//   goes; one exactly that old stays;
// - maxMegabytes: while the camera's pictures together take more than maxMegabytes MiB the
//   oldest goes; exactly the limit stays.
// Only what SavedPictureIndex lists with Ownership::Certain is ever deleted (regular files
// whose names read as this camera's saved pictures and no other known camera's), and each
// entry is looked at again just before its deletion: one that is no longer a regular file
// is left alone. Runs on any thread; takes as long as the folder is large.
PruneOutcome prunePictures(const QString &folder, const QString &cameraName, const QStringList &otherCameras,
                           const RetentionLimits &limits, const QDateTime &now, const NamePattern &pattern);
