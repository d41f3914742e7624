// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/export/TimelapseEncoder.h"

#include "history/export/VideoWriter.h"
#include "imaging/PictureDecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <utility>

namespace {

// Source files larger than this are not read (no saved camera picture comes near it).
constexpr qint64 MaxPictureFileBytes = qint64(128) * 1024 * 1024;
constexpr int MinFrameSide = 16;
// While other decodes hold the shared decode budget, a picture waits for it this often,
// this long each time, before it counts as unreadable.
constexpr int BudgetRetries = 100;
constexpr int BudgetRetryMs = 20;

// The picture at `path` decoded for a frame of `frame` size (any size when empty):
// scaled down by libjpeg-turbo as far as it can stay at least that large. Null when it
// cannot be read or decoded.
QImage decodeFor(const QString &path, QSize frame, const ExportTask &task)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() > MaxPictureFileBytes
        || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(MaxPictureFileBytes);
    const PictureDecoder::Probe probe = PictureDecoder::probe(bytes);
    if (probe.codec == PictureDecoder::Codec::None)
        return {};
    const int denominator = frame.isEmpty() ? 1 : PictureDecoder::pickDenominator(probe.size, frame);
    for (int attempt = 0; attempt <= BudgetRetries && !task.isCancelled(); ++attempt) {
        PictureDecoder::Refusal refusal = PictureDecoder::Refusal::None;
        QImage picture = PictureDecoder::decode(bytes, probe, denominator, &refusal);
        if (!picture.isNull() || refusal != PictureDecoder::Refusal::BudgetExhausted)
            return picture;
        QThread::msleep(BudgetRetryMs);
    }
    return {};
}

} // namespace

TimelapseEncoder::TimelapseEncoder(ExportItems items, QString target, Settings settings, QObject *parent)
    : ExportTask(parent)
    , m_items(std::move(items))
    , m_target(std::move(target))
    , m_settings(settings)
{
}

TimelapseEncoder::~TimelapseEncoder()
{
    stop();
}

bool TimelapseEncoder::hasH264Encoder()
{
    return VideoWriter::hasH264Encoder();
}

QSize TimelapseEncoder::frameSize(QSize natural, const Settings &settings)
{
    QSize size = settings.size.isEmpty() ? natural : settings.size;
    const int bound = settings.maxSide > 0 ? std::min(settings.maxSide, MaxFrameSide) : MaxFrameSide;
    if (size.width() > bound || size.height() > bound)
        size = size.scaled(bound, bound, Qt::KeepAspectRatio);
    const auto even = [](int side) { return std::max(MinFrameSide, side & ~1); };
    return {even(size.width()), even(size.height())};
}

ExportOutcome TimelapseEncoder::work()
{
    ExportOutcome outcome;
    const auto failed = [&outcome](ExportOutcome::Failure failure, const QString &detail) {
        outcome.status = ExportOutcome::Status::Failed;
        outcome.failure = failure;
        outcome.detail = detail;
        return outcome;
    };
    const QString folder = QFileInfo(m_target).absolutePath();
    if (!QFileInfo(folder).isDir())
        return failed(ExportOutcome::Failure::FolderMissing, folder);

    // Until work() returns without commit(), the temporary file is removed.
    QSaveFile file(m_target);
    // Unbuffered: a failed write (the disk full) reaches the muxer at once, not at commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(ExportOutcome::Failure::WriteFailed, file.errorString());
    VideoWriter writer(file);
    const int framesPerSecond = std::clamp(m_settings.framesPerSecond, 1, 60);
    const VideoWriter::Codec codec
        = m_settings.codec == Codec::H264 ? VideoWriter::Codec::H264 : VideoWriter::Codec::Mpeg4Part2;
    QSize frame; // empty until the first readable picture sets it
    const int total = int(m_items.size());
    for (int i = 0; i < total; ++i) {
        if (isCancelled()) {
            outcome.status = ExportOutcome::Status::Cancelled;
            return outcome;
        }
        const ExportItem &item = m_items.at(i);
        const QImage picture = decodeFor(item.path, frame.isEmpty() ? m_settings.size : frame, *this);
        if (picture.isNull()) {
            outcome.skip(item.path);
        } else {
            if (frame.isEmpty()) {
                frame = frameSize(picture.size(), m_settings);
                if (!writer.open(frame, framesPerSecond, codec)) {
                    return writer.hasEncoder() ? failed(ExportOutcome::Failure::EncoderFailed, writer.error())
                                               : failed(ExportOutcome::Failure::NoEncoder, {});
                }
                outcome.fallbackCodec = writer.usedFallback();
            }
            if (!writer.addFrame(picture))
                return failed(ExportOutcome::Failure::EncoderFailed, writer.error());
            ++outcome.written;
        }
        reportProgress(i + 1, total);
    }
    if (isCancelled()) {
        outcome.status = ExportOutcome::Status::Cancelled;
        return outcome;
    }
    if (frame.isEmpty())
        return failed(ExportOutcome::Failure::NothingReadable, {});
    if (!writer.finish())
        return failed(ExportOutcome::Failure::EncoderFailed, writer.error());
    if (!file.commit())
        return failed(ExportOutcome::Failure::WriteFailed, file.errorString());
    outcome.path = m_target;
    return outcome;
}
