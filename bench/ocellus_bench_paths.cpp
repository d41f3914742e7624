// SPDX-License-Identifier: GPL-3.0-or-later
// Micro-benchmarks of the picture paths a camera slot and autosave go through, on one
// picture: OCELLUS_BENCH_PICTURE=<file.jpg> ocellus_bench_paths [benchmark options].
// bench/run.py makes suitable pictures (ocellus_bench_decode make).

#include "imaging/BottomUpBitmap.h"
#include "imaging/JpegHeaderWalk.h"
#include "imaging/JpegRegionDecoder.h"
#include "imaging/JpegWriter.h"
#include "imaging/Picture.h"
#include "imaging/PictureDecoder.h"
#include "imaging/PictureLimits.h"

#include <QFile>
#include <QThread>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

QByteArray pictureBytes()
{
    static const QByteArray bytes = [] {
        const char *path = std::getenv("OCELLUS_BENCH_PICTURE");
        QFile file(QString::fromLocal8Bit(path ? path : ""));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fputs("set OCELLUS_BENCH_PICTURE to a JPEG file\n", stderr);
            std::exit(2);
        }
        return file.readAll();
    }();
    return bytes;
}

// A fresh picture of `bytes` (its readability check done), made outside the timed part.
Picture untimedPicture(benchmark::State &state, const QByteArray &bytes)
{
    state.PauseTiming();
    Picture picture = Picture::fromBytes(bytes);
    state.ResumeTiming();
    return picture;
}

// What a slot does with a received body: prove it readable and keep the reduced decode.
void BM_PictureFromBytes(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(Picture::fromBytes(bytes));
}
BENCHMARK(BM_PictureFromBytes)->Unit(benchmark::kMillisecond);

// The bounds checked before any decoding: the walk over the picture's marker segments.
void BM_HeaderWalk(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(walkJpegHeaders(bytes, JpegScanLimit).scans);
}
BENCHMARK(BM_HeaderWalk)->Unit(benchmark::kMicrosecond);

// The 1/8-scale decode alone (the readability check's decode of a camera picture), headers
// probed outside the timed part.
void BM_DecodeAtEighth(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    const PictureDecoder::Probe probe = PictureDecoder::probe(bytes);
    if (probe.codec != PictureDecoder::Codec::LibJpegTurbo) {
        state.SkipWithError("not a JPEG the picture decoder accepts");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(PictureDecoder::decode(bytes, probe, 8));
}
BENCHMARK(BM_DecodeAtEighth)->Unit(benchmark::kMillisecond);

// The same as the program meets it, other work between two decodes (outside the timed part):
// 16 MB written, so that the caches are cold; with the argument 1 also 40 ms idle, as
// between two cameras' pictures.
void BM_DecodeAtEighthAfterOtherWork(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    const PictureDecoder::Probe probe = PictureDecoder::probe(bytes);
    std::vector<char> other(16 << 20);
    char fill = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::fill(other.begin(), other.end(), ++fill);
        QByteArray copy(bytes.constData(), bytes.size());
        if (state.range(0))
            QThread::msleep(40);
        state.ResumeTiming();
        benchmark::DoNotOptimize(PictureDecoder::decode(copy, probe, 8));
    }
}
BENCHMARK(BM_DecodeAtEighthAfterOtherWork)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The slot's paint: the picture scaled to the slot's 85 x 61 pixels, on a fresh picture.
void BM_SlotScaledFor(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    for (auto _ : state) {
        const Picture picture = untimedPicture(state, bytes);
        benchmark::DoNotOptimize(picture.scaledFor(QSize(85, 61)));
    }
}
BENCHMARK(BM_SlotScaledFor)->Unit(benchmark::kMillisecond);

// The viewer at zoom 1: the whole picture.
void BM_PictureFull(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    for (auto _ : state) {
        const Picture picture = untimedPicture(state, bytes);
        benchmark::DoNotOptimize(picture.full());
    }
}
BENCHMARK(BM_PictureFull)->Unit(benchmark::kMillisecond);

// The viewer's camera: the whole picture decoded once with the slot's 1/8 picture averaged
// from it, against the two decodes it replaces (BM_DecodeAtEighth and BM_PictureFull).
void BM_WholeWithEighth(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    const PictureDecoder::Probe probe = PictureDecoder::probe(bytes);
    QImage eighth;
    for (auto _ : state)
        benchmark::DoNotOptimize(PictureDecoder::decodeWithReduced(bytes, probe, 8, &eighth));
}
BENCHMARK(BM_WholeWithEighth)->Unit(benchmark::kMillisecond);

// The viewer's part decoded ahead: the whole picture, and the top-left 1000 x 700 pixels.
void BM_RegionDecode(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    const QRect area = state.range(0) ? QRect(0, 0, 1000, 700) : QRect(0, 0, 1920, 1080);
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeJpegRegion(bytes, area));
}
BENCHMARK(BM_RegionDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Autosave's pixels: the picture as a bottom-up BGR bitmap, decoded straight into it.
void BM_PictureToDib(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    for (auto _ : state) {
        const Picture picture = untimedPicture(state, bytes);
        BottomUpBitmap dib;
        picture.toDib(dib);
        benchmark::DoNotOptimize(dib.bits());
    }
}
BENCHMARK(BM_PictureToDib)->Unit(benchmark::kMillisecond);

// The same through a full-size image (the viewer's slot holds one): decode, then repack.
void BM_DibFromFullImage(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    for (auto _ : state) {
        const Picture picture = untimedPicture(state, bytes);
        BottomUpBitmap dib;
        dib.createFromImage(picture.full());
        benchmark::DoNotOptimize(dib.bits());
    }
}
BENCHMARK(BM_DibFromFullImage)->Unit(benchmark::kMillisecond);

// Autosave's encode of a ready bitmap at quality 90.
void BM_EncodeDib(benchmark::State &state)
{
    BottomUpBitmap dib;
    dib.createFromImage(Picture::fromBytes(pictureBytes()).full());
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeBitmapAsJpeg(dib, 90));
}
BENCHMARK(BM_EncodeDib)->Unit(benchmark::kMillisecond);

// Autosave as a whole, without the file: pixels, encode, and the saved picture read back.
void BM_AutosavePipeline(benchmark::State &state)
{
    const QByteArray bytes = pictureBytes();
    for (auto _ : state) {
        const Picture picture = untimedPicture(state, bytes);
        BottomUpBitmap dib;
        picture.toDib(dib);
        const QByteArray jpeg = encodeBitmapAsJpeg(dib, 90);
        benchmark::DoNotOptimize(Picture::fromBytes(jpeg));
    }
}
BENCHMARK(BM_AutosavePipeline)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
