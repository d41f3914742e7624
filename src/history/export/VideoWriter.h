// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class QSaveFile;

// An MP4 file being written through libavformat, one RGB picture a frame, encoded by
// libavcodec and converted to 4:2:0 by libswscale. Owns every FFmpeg object it creates.
// The bytes go to `file` (opened for writing by the caller) through callbacks, so the
// caller decides where they land and when they take the target's name.
class VideoWriter
{
public:
    enum class Codec {
        H264,
        Mpeg4Part2,
    };

    explicit VideoWriter(QSaveFile &file);
    ~VideoWriter();
    VideoWriter(const VideoWriter &) = delete;
    VideoWriter &operator=(const VideoWriter &) = delete;

    // Whether libavcodec has a software H.264 encoder taking 4:2:0 (libx264 first).
    static bool hasH264Encoder();

    // Sets up the encoder and writes the file's header: frames of `size` (even sides),
    // `framesPerSecond` of them a second, with `codec` (H.264 falls back to MPEG-4 Visual
    // when there is no H.264 encoder: usedFallback()). False with error() on a failure;
    // "" as error() when there is no encoder at all.
    bool open(QSize size, int framesPerSecond, Codec codec);
    // Adds `picture` (any size: it is scaled to the frame) as the next frame.
    bool addFrame(const QImage &picture);
    // Drains the encoder and writes the file's index. The file is then complete.
    bool finish();

    bool usedFallback() const { return m_usedFallback; }
    bool hasEncoder() const { return m_hasEncoder; }
    // FFmpeg's or the file's text for the last failure.
    const QString &error() const { return m_error; }

private:
    struct State;
    bool fail(int code);
    // Writes every packet the encoder has ready.
    bool drain();

    QSaveFile &m_file;
    std::unique_ptr<State> m_state;
    QString m_error;
    bool m_usedFallback = false;
    bool m_hasEncoder = true;
};
