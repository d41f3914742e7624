// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

#include <memory>

class BottomUpBitmap;
class QThreadPool;

// One received or saved picture: its encoded bytes, kept for whoever needs the full picture
// (viewer, autosave, "Save Image"), and decodes made on demand. Copies are cheap and share
// the bytes and the decodes, so the slot, the viewer and the full-screen view decode one
// picture once.
//
// Threads: nothing in a picture belongs to the thread that made it, so a picture made on a
// worker (PictureDecodeQueue) may be handed to another thread and used there. Its decode
// caches are not thread-safe: one thread at a time may use a picture and its copies. To use
// a picture on two threads at once, give the second one detached().
//
// Memory: besides the bytes, a picture holds at most one reduced JPEG decode (1/2, 1/4 or
// 1/8 scale), the image of the last scaledFor() size, the part decoded ahead for area(), and
// a full-size decode only after full() was called (or made ahead) and until dropFullDecode().
// Every decode is held to the bounds PictureDecoder checks and draws on the decode budget; a
// decode the budget cannot give at the moment gives a null image.
class Picture
{
public:
    // The null picture.
    Picture() = default;

    // The picture in `bytes`, or a null picture when the bytes are not a readable JPEG, GIF,
    // BMP or PNG picture or are refused by PictureDecoder's bounds (a size beyond
    // PictureAllocationLimitBytes, too many scans, too much memory, no room in the decode
    // budget). Readability is proved by decoding: a JPEG at a reduced DCT scale, kept for
    // scaledFor(); other formats at full size (that decode is not kept). `shownAt`, when
    // given, is the size in device pixels the picture will first be scaled to: the JPEG is
    // decoded at the smallest scale that covers it (PictureDecoder::pickDenominator), at 1/8
    // when that is not known or only the natural size covers it; and scaledFor(shownAt) is
    // made here from that decode, so that the first paint only draws it.
    static Picture fromBytes(const QByteArray &bytes, QSize shownAt = QSize());

    // As fromBytes(), for a picture that will be shown at its natural size (the viewer's): a
    // JPEG's decode of `area`, the part that will be seen (the whole picture when `area` is
    // null), starts at once on a worker thread, alongside the readability check; full() and
    // area() take its result, waiting for it when needed. The same pixels as they decode
    // themselves; only the time at which the work is done differs.
    static Picture fromBytesDecodingAhead(
        const QByteArray &bytes, const QRect &area = QRect(), QSize shownAt = QSize());

    bool isNull() const { return !d; }
    // Natural size in pixels; invalid for the null picture.
    QSize size() const;
    // "jpeg", "gif", "bmp" or "png"; empty for the null picture.
    QByteArray format() const;
    // The bytes the picture was made from.
    QByteArray encoded() const;

    // The picture at its natural size, decoded on the first call and kept until
    // dropFullDecode(). Null for the null picture.
    QImage full() const;

    // At least the part `wanted` of the picture at its natural size: the full-size decode when
    // one is held, or an image of a part decoded ahead (see fromBytesDecodingAhead) when that
    // covers `wanted`; otherwise what full() gives. `origin` receives where the image's top-left
    // pixel lies in the picture. Null for the null picture.
    QImage area(const QRect &wanted, QPoint *origin) const;

    // The picture smoothly scaled to exactly `devicePixels` (aspect ratio not kept). A JPEG is
    // decoded at the smallest DCT scale whose result still covers the size in both directions,
    // so a small target never costs a full decode. The result is kept for the last size asked.
    // Null for the null picture, an empty size, or a size beyond the allocation limit.
    QImage scaledFor(QSize devicePixels) const;

    // Makes `dib` the picture at its natural size, as dib.createFromImage(full()) would, but
    // a JPEG is decoded straight into the bitmap's bottom-up rows (no full-size image is made
    // or kept). `dib` is left empty for the null picture or a decode that fails.
    void toDib(BottomUpBitmap &dib) const;

    // Frees the full-size decode and the part decoded ahead (and drops one still being made);
    // images already handed out stay valid.
    void dropFullDecode() const;

    // For tests and diagnostics: whether a full-size decode is held (one still being made ahead
    // does not count), the size of the reduced JPEG decode held and that of the image kept by
    // scaledFor() (invalid when none).
    bool hasFullDecode() const;
    QSize reducedDecodeSize() const;
    QSize scaledSize() const;

    // A picture of the same bytes with caches of its own, starting with what this one holds
    // now (the decodes are shared read-only, as copies of a QImage are). For handing a picture
    // to another thread while this one stays in use.
    Picture detached() const;

private:
    friend class PictureDecodeQueue;

    enum class Ahead {
        None,
        OnWorker, // the part is decoded on a worker while the picture is judged
        Now, // the part is decoded before make() returns (on a thread that may wait for it)
        Beside, // as Now, but on a free thread of `partPool` alongside the check when there is one
    };
    // With Now and Beside, a part of at least half the picture is not decoded apart: the whole
    // picture is decoded once, and its reduced decode averaged from it on the way
    // (PictureDecoder::decodeWithReduced); when that decode is refused, as above.
    static Picture make(const QByteArray &bytes, QSize shownAt, Ahead ahead, const QRect &area,
                        QThreadPool *partPool = nullptr);
    void takeAhead() const;
    bool wholeHeldOrComing() const;
    // Makes scaledFor(shownAt) from `whole` (a decode at the natural size; null: the one held)
    // or the reduced decode held, when one of them serves it; decodes nothing.
    void scaleAhead(QSize shownAt, const QImage &whole) const;
    static bool scalableTo(QSize devicePixels);
    enum class Decoding { HeldOnly, AsNeeded };
    // The decode that scaling to `devicePixels` starts from: `whole` when the natural size is
    // needed and it is given, else what is held (or, AsNeeded, decoded now); null when none.
    QImage sourceFor(QSize devicePixels, const QImage &whole, Decoding decoding) const;

    struct Data;
    std::shared_ptr<Data> d;
};
