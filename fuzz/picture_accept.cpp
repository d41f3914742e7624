// Picture acceptance from arbitrary bytes, as a camera's response body reaches it: decode,
// then everything the slot, the viewer and the full-screen view ask of an accepted picture,
// and the viewer's decode of the part it shows, made ahead.
// Besides crashes and sanitizer reports, a broken promise of Picture aborts: an accepted
// picture must have a size within the limit and decode to exactly that size.

#include "imaging/Picture.h"
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
    const Picture picture = Picture::fromBytes(bytes);
    // The viewer's way in: part of the picture decoded on a worker before the bytes are judged.
    const QRect shown(int(size % 7) * 3, int(size % 5) * 2, 40, 30);
    const Picture ahead = Picture::fromBytesDecodingAhead(bytes, shown);
    if (ahead.isNull() != picture.isNull())
        std::abort();
    if (picture.isNull())
        return 0;

    const QSize natural = picture.size();
    if (!pictureFitsAllocationLimit(natural.width(), natural.height()))
        std::abort();
    if (picture.scaledFor(QSize(85, 64)).size() != QSize(85, 64))
        std::abort();
    if (picture.hasFullDecode())
        std::abort();
    if (picture.full().size() != natural)
        std::abort();
    picture.dropFullDecode();

    // The part asked for lies inside what area() gives.
    QPoint origin;
    const QRect wanted = shown & QRect(QPoint(0, 0), natural);
    const QImage part = ahead.area(wanted, &origin);
    if (!wanted.isEmpty() && (part.isNull() || !QRect(origin, part.size()).contains(wanted)))
        std::abort();
    return 0;
}
