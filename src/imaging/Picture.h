#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

#include <memory>

class BottomUpBitmap;

// One received or saved picture: its encoded bytes, kept for whoever needs the full picture
// (viewer, autosave, "Save Image"), and decodes made on demand. Copies are cheap and share
// the bytes and the decodes, so the slot, the viewer and the full-screen view decode one
// picture once. The decode caches are not thread-safe: use a picture (and its copies) on one
// thread.
//
// Memory: besides the bytes, a picture holds at most one reduced JPEG decode (1/2, 1/4 or
// 1/8 scale), the image of the last scaledFor() size, the part decoded ahead for area(), and
// a full-size decode only after full() was called (or made ahead) and until dropFullDecode().
class Picture
{
public:
    // The null picture.
    Picture() = default;

    // The picture in `bytes`, or a null picture when the bytes are not a readable JPEG, GIF,
    // BMP or PNG picture, or declare a size beyond PictureAllocationLimitBytes. Readability
    // is proved by decoding: a JPEG at 1/8 scale (that decode is kept for scaledFor()),
    // other formats at full size (that decode is not kept). `shownAt`, when given, is the
    // size in device pixels the picture will first be scaled to: a target small enough lets
    // the 1/8 decode take its chroma from DC values alone (see
    // PictureDecoder::coarseChromaServes); scaledFor() decodes again for a larger target.
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
    // does not count), and the size of the reduced JPEG decode held (invalid when none).
    bool hasFullDecode() const;
    QSize reducedDecodeSize() const;

private:
    static Picture make(const QByteArray &bytes, QSize shownAt, bool decodeAhead, const QRect &area);
    void takeAhead() const;
    bool wholeHeldOrComing() const;

    struct Data;
    std::shared_ptr<Data> d;
};
