// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/PictureSaving.h"

#include "imaging/BottomUpBitmap.h"
#include "imaging/JpegWriter.h"
#include "monitor/PictureAcceptance.h"
#include "platform/OperationError.h"

SavedJpeg savePictureAsJpeg(const Picture &picture, const QString &folder, const QString &cameraName,
                            const QDateTime &at)
{
    SavedJpeg saved;
    const QString name = autosaveFileName(cameraName, at);
    // Before the write: the name the picture would take, for a failure's message.
    saved.path = folder + QLatin1Char('/') + freeFileName(folder, name);
    try {
        // The bitmap is filled straight from the picture's decoder, without a full-size image in
        // between.
        BottomUpBitmap bitmap;
        picture.toDib(bitmap);
        const QByteArray jpeg = encodeBitmapAsJpeg(bitmap, 90);
        // The first free name at the moment of writing; a link planted in the folder is skipped.
        saved.path = saveJpegAsNewFile(folder, name, jpeg);
        saved.jpeg = jpeg;
        saved.ok = true;
    } catch (const OperationError &error) {
        saved.error = error.description();
        saved.errorNumber = error.number();
    }
    return saved;
}
