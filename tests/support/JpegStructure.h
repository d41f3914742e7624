// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>

// What a test needs to know about a JPEG file without decoding it: the markers from SOI
// to the first SOS, the frame and the quantisation tables (the entropy-coded data is not
// looked at). Reads nothing outside the bytes; a stream cut or garbled before its first
// scan header gives valid = false.
//
//   const JpegStructure jpeg = JpegStructure::read(bytes);
//   QVERIFY(jpeg.valid && jpeg.jfif && jpeg.frameMarker == 0xC0);
//   QCOMPARE(jpeg.quantTables.value(jpeg.componentTable.value(0)),
//            JpegStructure::standardTable(JpegStructure::Luminance, 90));
struct JpegStructure
{
    enum Table { Luminance, Chrominance };

    bool valid = false;       // SOI, whole segments, a frame and a scan header were found
    bool jfif = false;        // the segment right after SOI is APP0 starting "JFIF\0"
    quint8 frameMarker = 0;   // first SOFn marker: 0xC0 baseline, 0xC1 extended, 0xC2 progressive, ...
    int precision = 0;        // bits per sample
    int width = 0;
    int height = 0;
    QList<int> samplingFactors;  // per component, H * 16 + V (0x22 for 2 x 2)
    QList<int> componentTable;   // per component, its quantisation table number
    // Tables by number, coefficients in zig-zag order as stored; 16-bit tables are
    // read as such and flagged.
    QMap<int, QList<int>> quantTables;
    bool sixteenBitTable = false;

    static JpegStructure read(const QByteArray &bytes);

    // The example table of the JPEG standard (Annex K) scaled for `quality` (1..100) as
    // the IJG encoder scales it (baseline: clamped to 1..255), in zig-zag order.
    static QList<int> standardTable(Table table, int quality);
};
