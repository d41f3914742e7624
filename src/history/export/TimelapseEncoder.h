// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/export/ExportItem.h"
#include "history/export/ExportTask.h"

#include <QSize>

// Makes an MP4 time-lapse video of saved pictures, one frame per picture in the order
// given. H.264 through libavcodec (libx264, or another H.264 encoder it has); when it has
// none, MPEG-4 Visual in the same container, and the outcome says so (fallbackCodec).
//
// Pictures are decoded by libjpeg-turbo (PictureDecoder, scaled down in the DCT domain
// where the frame is smaller), then scaled and converted to 4:2:0 by libswscale. The frame
// size is the chosen one, or the first readable picture's; pictures of another size are
// stretched to it. Sides are made even (4:2:0 needs it) and at least 16 pixels. A picture
// that cannot be read is skipped and counted.
//
// The video is written to a temporary file beside the target and takes the target's name
// (replacing a file there) only when complete; a cancel or a failure removes the temporary
// file and leaves the target as it was.
class TimelapseEncoder : public ExportTask
{
    Q_OBJECT
public:
    enum class Codec {
        H264, // H.264 when libavcodec has an encoder for it, else MPEG-4 Visual
        Mpeg4Part2, // MPEG-4 Visual whatever libavcodec has
    };

    struct Settings
    {
        // Frames a second of the video, 1..60 (clamped).
        int framesPerSecond = 10;
        // Frame size in pixels; an empty size takes the first readable picture's.
        QSize size;
        // When above 0, the longer side of the frame is brought down to at most this
        // many pixels, keeping the shape.
        int maxSide = 0;
        Codec codec = Codec::H264;
    };

    // Largest frame side made, in pixels.
    static constexpr int MaxFrameSide = 8192;

    TimelapseEncoder(ExportItems items, QString target, Settings settings, QObject *parent = nullptr);
    ~TimelapseEncoder() override;

    // Whether libavcodec has an H.264 encoder this class uses.
    static bool hasH264Encoder();

    // The frame size made for pictures of `natural` size under `settings`: even sides,
    // each 16..MaxFrameSide.
    static QSize frameSize(QSize natural, const Settings &settings);

protected:
    ExportOutcome work() override;

private:
    const ExportItems m_items;
    const QString m_target;
    const Settings m_settings;
};
