#include "monitor/PictureSaving.h"

#include "imaging/BottomUpBitmap.h"
#include "imaging/JpegWriter.h"
#include "monitor/PictureAcceptance.h"
#include "platform/OperationError.h"

SavedJpeg savePictureAsJpeg(const Picture &picture, const QString &folder, const QString &cameraName,
                            const QDateTime &at)
{
    SavedJpeg saved;
    saved.path = folder + QLatin1Char('/') + freeFileName(folder, autosaveFileName(cameraName, at));
    try {
        // The bitmap is filled straight from the picture's decoder, without a full-size image in
        // between.
        BottomUpBitmap bitmap;
        picture.toDib(bitmap);
        const QByteArray jpeg = encodeBitmapAsJpeg(bitmap, 90);
        writeFileAtomically(saved.path, jpeg);
        saved.jpeg = jpeg;
        saved.ok = true;
    } catch (const OperationError &error) {
        saved.error = error.description();
        saved.errorNumber = error.number();
    }
    return saved;
}
