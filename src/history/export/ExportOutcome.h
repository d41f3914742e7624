// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

// How an export ended. Texts are the system's own (errno texts, FFmpeg's error strings);
// the dialog words the outcome from the localization table.
struct ExportOutcome
{
    enum class Status {
        Finished, // every picture handled (some may have been skipped)
        Cancelled, // stopped on request; nothing partial is left behind
        Failed, // stopped by `failure`; nothing partial is left behind
    };

    enum class Failure {
        None,
        FolderMissing, // the target folder is not a folder (`detail`: its path)
        WriteFailed, // a file could not be written (`detail`: the system's text)
        NothingReadable, // none of the pictures could be read (no video is made)
        NoEncoder, // neither an H.264 nor an MPEG-4 encoder is in libavcodec
        EncoderFailed, // libavcodec/libavformat refused (`detail`: FFmpeg's text)
    };

    Status status = Status::Finished;
    Failure failure = Failure::None;
    QString detail;
    // Pictures copied, or frames in the video.
    int written = 0;
    // Pictures that could not be read (missing, not a JPEG, damaged) and were left out.
    int skipped = 0;
    // The first few of those, as paths, to show.
    QStringList skippedPaths;
    // The folder copied into, or the video file made; empty unless Finished.
    QString path;
    // A video made as MPEG-4 Visual because libavcodec has no H.264 encoder.
    bool fallbackCodec = false;

    // How many skipped paths are kept.
    static constexpr int SkippedPathsKept = 5;

    void skip(const QString &skippedPath)
    {
        ++skipped;
        if (skippedPaths.size() < SkippedPathsKept)
            skippedPaths.append(skippedPath);
    }
};

Q_DECLARE_METATYPE(ExportOutcome)
