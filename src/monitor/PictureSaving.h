// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/Picture.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The outcome of saving a picture as a JPEG file.
struct SavedJpeg
{
    bool ok = false;
    QString path;           // the file written, or the one that could not be written
    QByteArray jpeg;        // the bytes written (empty on failure)
    QString error;          // why it failed, for the user
    qint32 errorNumber = 0; // the JPEG writer's error number on failure
};

// Saves `picture` at its natural size as a JPEG of quality 90 in `folder`, named
// autosaveFileName(cameraName, at), or the first free "_2", "_3", ... variant of it when
// that name is taken. Autosave and "Save Image" both save through here. Callable from any
// thread for a picture used by no other thread meanwhile.
SavedJpeg savePictureAsJpeg(const Picture &picture, const QString &folder, const QString &cameraName,
                            const QDateTime &at);
