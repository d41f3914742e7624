// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/JpegWriter.h"

#include "imaging/BottomUpBitmap.h"
#include "platform/AtomicFile.h"
#include "platform/OperationError.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <turbojpeg.h>

#include <memory>

namespace {

// TurboJPEG's result for every failure.
constexpr int EncoderFailure = -1;

[[noreturn]] void raiseSaveError(int result)
{
    throw OperationError(JpegWriterErrorNumber, jpegWriterErrorSource(),
        QStringLiteral("Failed to save to JPG ") + QString::number(result));
}

struct CompressorDeleter
{
    void operator()(void *handle) const { tjDestroy(handle); }
};

} // namespace

QString jpegWriterErrorSource()
{
    QString exe;
    if (QCoreApplication::instance())
        exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (exe.isEmpty())
        exe = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).fileName();
    return exe + QStringLiteral(".mIntelJPEGLibrary");
}

QByteArray encodeBitmapAsJpeg(const BottomUpBitmap &dib, qint32 quality)
{
    std::unique_ptr<void, CompressorDeleter> compressor(tjInitCompress());
    if (!compressor) {
        throw OperationError(JpegWriterErrorNumber, jpegWriterErrorSource(),
            QStringLiteral("Failed to initialise the IJL library: ") + QString::number(EncoderFailure));
    }
    // The encoder refuses an empty bitmap itself; checking first keeps a null pointer away from it.
    if (!dib.bits() || dib.width() <= 0 || dib.height() <= 0)
        raiseSaveError(EncoderFailure);

    unsigned char *jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int result
        = tjCompress2(compressor.get(), dib.bits(), dib.width(), dib.bytesPerLine(),
            dib.height(), TJPF_BGR, &jpeg, &jpegSize, TJSAMP_420, quality, TJFLAG_BOTTOMUP);
    if (result != 0 || !jpeg) {
        tjFree(jpeg);
        raiseSaveError(result != 0 ? result : EncoderFailure);
    }
    QByteArray bytes(reinterpret_cast<const char *>(jpeg), static_cast<qsizetype>(jpegSize));
    tjFree(jpeg);
    return bytes;
}

QString saveJpegAsNewFile(const QString &folder, const QString &fileName, const QByteArray &jpeg)
{
    const AtomicFile::Result written = AtomicFile::createNumbered(
        folder, fileName, jpeg, {.folderSync = AtomicFile::FolderSync::InBackground});
    if (!written.ok())
        raiseSaveError(written.error);
    return written.path;
}
