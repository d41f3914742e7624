// SPDX-License-Identifier: GPL-3.0-or-later
// Picture acceptance from arbitrary bytes, as a camera's response body reaches it: the header
// walk and bounds, decode, then everything the slot, the viewer and the full-screen view ask
// of an accepted picture, the viewer's decode of the part it shows, made ahead, and the same
// picture judged again while other decodes hold most of the decode budget.
// Besides crashes and sanitizer reports, a broken promise of Picture aborts: an accepted
// picture must have a size within the limit and decode to exactly that size, a JPEG must have
// passed the walk within the scan limit, and a decode must be refused when the budget left
// cannot hold what it needs.

#include "imaging/DecodeBudget.h"
#include "imaging/Picture.h"
#include "imaging/PictureDecoder.h"
#include "imaging/PictureLimits.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &) { }

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const PictureDecoder::Probe probe = PictureDecoder::probe(bytes);
    const Picture picture = Picture::fromBytes(bytes);
    // The viewer's way in: part of the picture decoded on a worker before the bytes are judged.
    const QRect shown(int(size % 7) * 3, int(size % 5) * 2, 40, 30);
    const Picture ahead = Picture::fromBytesDecodingAhead(bytes, shown);
    if (ahead.isNull() != picture.isNull())
        std::abort();
    if (probe.codec == PictureDecoder::Codec::None && !picture.isNull())
        std::abort();
    if (picture.isNull())
        return 0;

    const QSize natural = picture.size();
    if (!pictureFitsAllocationLimit(natural.width(), natural.height()) || natural != probe.size)
        std::abort();
    const bool jpeg = probe.codec == PictureDecoder::Codec::LibJpegTurbo;
    if (jpeg
        && (probe.jpeg.end != JpegHeaders::End::Complete || probe.jpeg.scans > JpegScanLimit
            || natural.width() > JpegSideLimit || natural.height() > JpegSideLimit
            || PictureDecoder::memoryNeeded(probe, 1) > PictureDecodeLimitBytes))
        std::abort();
    if (picture.scaledFor(QSize(85, 64)).size() != QSize(85, 64))
        std::abort();
    if (picture.hasFullDecode())
        std::abort();
    if (picture.full().size() != natural)
        std::abort();
    picture.dropFullDecode();

    // The part asked for lies inside what area() gives (which waits for the worker's decode).
    QPoint origin;
    const QRect wanted = shown & QRect(QPoint(0, 0), natural);
    const QImage part = ahead.area(wanted, &origin);
    if (!wanted.isEmpty() && (part.isNull() || !QRect(origin, part.size()).contains(wanted)))
        std::abort();

    // With all but fewer bytes than the readability check needs held elsewhere, the picture is
    // refused. (A decode made ahead for an earlier input may still hold part of the budget:
    // then the reservation is refused and there is nothing to check.)
    const qint64 needed = PictureDecoder::memoryNeeded(probe, jpeg ? 8 : 1);
    if (needed <= 0 || needed > PictureDecodeLimitBytes)
        std::abort();
    const qint64 left = size % 2 == 0 ? needed - 1 : needed / 2;
    const DecodeBudget::Reservation others = DecodeBudget::shared().reserve(DecodeBudgetBytes - left);
    if (others.isValid() && !Picture::fromBytes(bytes).isNull())
        std::abort();
    return 0;
}
