// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// JPEG pictures that cost a decoder much time or memory, made with libjpeg's encoder (the
// test must link libjpeg; ocellus_imaging brings it), for the suites of pictures a camera
// server may send:
//
//   const QByteArray body = costlyJpeg(CostlyJpeg::GreyProgressive600Scans);
//
// Each picture is made once per process and kept. Progressive ones are of a picture whose
// 8 x 8 blocks are each of one colour, so that all their AC coefficients are zero: a scan
// script of libjpeg's (jpeg_scan_info) sends the DC coefficients, then the AC coefficients of
// each component in two steps of successive approximation; the last refinement scan is then
// repeated in the stream until the picture has its number of scans. libjpeg's encoder refuses
// a script that refines a coefficient more than 11 times, and encoding hundreds of scans of a
// large picture takes seconds; a repeated refinement of zero coefficients changes nothing in
// the picture, and decoders decode it (with a warning of a bogus progression), each repeat
// being a full pass over the component's coefficients.
enum class CostlyJpeg {
    GreyProgressive499Scans, // 8192 x 4096, grey, progressive, 499 scans
    GreyProgressive600Scans, // 8192 x 4096, grey, progressive, 600 scans
    GreyProgressive10Scans, // 8192 x 4096, grey, progressive, 10 scans
    CmykProgressive3000Scans, // 1024 x 1024, CMYK, progressive, 3,000 scans
    CmykProgressiveLarge, // 8192 x 4096, CMYK, progressive, 9 scans: 256 MiB of coefficients
    Wide65535, // 65535 x 8, grey, baseline: a side libjpeg refuses
    Wide65500, // 65500 x 8, grey, baseline: the widest libjpeg takes, made the same way
    Camera, // 1920 x 1080, baseline, 4:2:0, quality 85, with grain: an ordinary camera picture
    CameraProgressive, // the same, progressive (libjpeg's standard script)
    CameraCmyk, // 1920 x 1080, Adobe CMYK (inverted), baseline, quality 85
};

QByteArray costlyJpeg(CostlyJpeg kind);

// A progressive JPEG of `width` x `height` made as above with `scans` scans (at least 1) and 1
// (grey) or 4 (CMYK) components. Empty when libjpeg refuses the parameters.
QByteArray progressiveJpeg(int width, int height, int components, int scans);

// A baseline grey JPEG `width` (1..65535) x 8 of one mid-grey, the frame and scan written
// here: libjpeg's encoder refuses widths beyond 65500.
QByteArray wideGreyJpeg(int width);
