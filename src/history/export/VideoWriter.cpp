// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/export/VideoWriter.h"

#include <QSaveFile>

#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

// Bytes handed to the file at a time.
constexpr int IoBufferBytes = 64 * 1024;

void quietLibraries()
{
    // x264 and the muxer tell of every stream they make at the "info" level.
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

bool takes420(const AVCodec *codec)
{
    if (!codec->pix_fmts)
        return false;
    for (const AVPixelFormat *format = codec->pix_fmts; *format != AV_PIX_FMT_NONE; ++format) {
        if (*format == AV_PIX_FMT_YUV420P)
            return true;
    }
    return false;
}

const AVCodec *h264Encoder()
{
    if (const AVCodec *x264 = avcodec_find_encoder_by_name("libx264"); x264 && takes420(x264))
        return x264;
    void *position = nullptr;
    while (const AVCodec *codec = av_codec_iterate(&position)) {
        if (codec->id == AV_CODEC_ID_H264 && av_codec_is_encoder(codec)
            && !(codec->capabilities & AV_CODEC_CAP_HARDWARE) && takes420(codec))
            return codec;
    }
    return nullptr;
}

#if LIBAVFORMAT_VERSION_MAJOR >= 61
using WrittenBytes = const uint8_t *;
#else
using WrittenBytes = uint8_t *;
#endif

int writeToFile(void *opaque, WrittenBytes bytes, int size)
{
    auto *file = static_cast<QSaveFile *>(opaque);
    // A short write is followed by another, so that a full disk is told by the file's error.
    const char *data = reinterpret_cast<const char *>(bytes);
    qint64 left = size;
    while (left > 0) {
        const qint64 written = file->write(data, left);
        if (written <= 0)
            return AVERROR(EIO);
        data += written;
        left -= written;
    }
    return size;
}

int64_t seekInFile(void *opaque, int64_t offset, int whence)
{
    auto *file = static_cast<QSaveFile *>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return file->size();
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += file->pos();
        break;
    case SEEK_END:
        offset += file->size();
        break;
    default:
        return AVERROR(EINVAL);
    }
    return offset >= 0 && file->seek(offset) ? offset : AVERROR(EIO);
}

QString ffmpegText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

} // namespace

struct VideoWriter::State
{
    AVFormatContext *format = nullptr;
    AVIOContext *io = nullptr;
    AVCodecContext *encoder = nullptr;
    AVStream *stream = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *scaler = nullptr;
    int64_t nextPts = 0;

    ~State()
    {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&encoder);
        // A custom output is not the format context's to close: it goes after it.
        avformat_free_context(format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
};

VideoWriter::VideoWriter(QSaveFile &file)
    : m_file(file)
{
    quietLibraries();
}

VideoWriter::~VideoWriter() = default;

bool VideoWriter::hasH264Encoder()
{
    return h264Encoder() != nullptr;
}

bool VideoWriter::fail(int code)
{
    // A failed write through the callbacks is better told by the file than by EIO.
    m_error = m_file.error() != QFileDevice::NoError ? m_file.errorString() : ffmpegText(code);
    return false;
}

bool VideoWriter::open(QSize size, int framesPerSecond, Codec codec)
{
    m_state = std::make_unique<State>();
    State &s = *m_state;
    const AVCodec *encoder = codec == Codec::H264 ? h264Encoder() : nullptr;
    m_usedFallback = codec == Codec::H264 && !encoder;
    if (!encoder)
        encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!encoder) {
        m_hasEncoder = false;
        m_error.clear();
        return false;
    }

    int code = avformat_alloc_output_context2(&s.format, nullptr, "mp4", nullptr);
    if (code < 0 || !s.format)
        return fail(code < 0 ? code : AVERROR(ENOMEM));
    auto *buffer = static_cast<unsigned char *>(av_malloc(IoBufferBytes));
    if (!buffer)
        return fail(AVERROR(ENOMEM));
    s.io = avio_alloc_context(buffer, IoBufferBytes, 1, &m_file, nullptr, writeToFile, seekInFile);
    if (!s.io) {
        av_free(buffer);
        return fail(AVERROR(ENOMEM));
    }
    s.format->pb = s.io;
    s.format->flags |= AVFMT_FLAG_CUSTOM_IO;

    s.encoder = avcodec_alloc_context3(encoder);
    if (!s.encoder)
        return fail(AVERROR(ENOMEM));
    s.encoder->width = size.width();
    s.encoder->height = size.height();
    s.encoder->time_base = AVRational {1, framesPerSecond};
    s.encoder->framerate = AVRational {framesPerSecond, 1};
    s.encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    s.encoder->gop_size = framesPerSecond * 10;
    if (encoder->id == AV_CODEC_ID_H264) {
        // Time-lapse exports are made while cameras keep running: speed over the last bit of size.
        av_opt_set(s.encoder->priv_data, "preset", "veryfast", 0);
        av_opt_set(s.encoder->priv_data, "crf", "23", 0);
    } else {
        // Constant quality: quantiser 4 of 1..31.
        s.encoder->flags |= AV_CODEC_FLAG_QSCALE;
        s.encoder->global_quality = FF_QP2LAMBDA * 4;
    }
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER)
        s.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((code = avcodec_open2(s.encoder, encoder, nullptr)) < 0)
        return fail(code);

    s.stream = avformat_new_stream(s.format, nullptr);
    if (!s.stream)
        return fail(AVERROR(ENOMEM));
    if ((code = avcodec_parameters_from_context(s.stream->codecpar, s.encoder)) < 0)
        return fail(code);
    s.stream->time_base = s.encoder->time_base;
    s.stream->avg_frame_rate = s.encoder->framerate;

    s.frame = av_frame_alloc();
    s.packet = av_packet_alloc();
    if (!s.frame || !s.packet)
        return fail(AVERROR(ENOMEM));
    s.frame->format = AV_PIX_FMT_YUV420P;
    s.frame->width = size.width();
    s.frame->height = size.height();
    if ((code = av_frame_get_buffer(s.frame, 0)) < 0)
        return fail(code);
    if ((code = avformat_write_header(s.format, nullptr)) < 0)
        return fail(code);
    return true;
}

bool VideoWriter::addFrame(const QImage &picture)
{
    State &s = *m_state;
    const QImage rgb
        = picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
    s.scaler = sws_getCachedContext(s.scaler, rgb.width(), rgb.height(), AV_PIX_FMT_RGB32, s.frame->width,
        s.frame->height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!s.scaler)
        return fail(AVERROR(EINVAL));
    int code = av_frame_make_writable(s.frame);
    if (code < 0)
        return fail(code);
    const uint8_t *source[1] = {rgb.constBits()};
    const int sourcePitch[1] = {int(rgb.bytesPerLine())};
    sws_scale(s.scaler, source, sourcePitch, 0, rgb.height(), s.frame->data, s.frame->linesize);
    s.frame->pts = s.nextPts++;
    if ((code = avcodec_send_frame(s.encoder, s.frame)) < 0)
        return fail(code);
    return drain();
}

bool VideoWriter::drain()
{
    State &s = *m_state;
    for (;;) {
        const int code = avcodec_receive_packet(s.encoder, s.packet);
        // EAGAIN: the encoder wants more frames; EOF: it gave all it had after a flush.
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return true;
        if (code < 0)
            return fail(code);
        av_packet_rescale_ts(s.packet, s.encoder->time_base, s.stream->time_base);
        s.packet->stream_index = s.stream->index;
        const int written = av_interleaved_write_frame(s.format, s.packet);
        av_packet_unref(s.packet);
        if (written < 0)
            return fail(written);
    }
}

bool VideoWriter::finish()
{
    State &s = *m_state;
    int code = avcodec_send_frame(s.encoder, nullptr);
    if (code < 0)
        return fail(code);
    if (!drain())
        return false;
    if ((code = av_write_trailer(s.format)) < 0)
        return fail(code);
    avio_flush(s.io);
    if (s.io->error < 0)
        return fail(s.io->error);
    if (m_file.error() != QFileDevice::NoError)
        return fail(AVERROR(EIO));
    return true;
}
