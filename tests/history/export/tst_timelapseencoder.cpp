// SPDX-License-Identifier: GPL-3.0-or-later
// TimelapseEncoder: videos read back with FFmpeg's own libraries (frames, size, codec,
// rate and which picture each frame shows), pictures of other sizes, unreadable ones, a
// cancel, a failed write, and the frame-size rule.

#include "ExportFixtures.h"
#include "history/export/TimelapseEncoder.h"
#include "support/FileFaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

using namespace ExportFixtures;

namespace {

// What a video file holds, as libavformat and libavcodec read it.
struct ReadBack
{
    bool ok = false;
    int frames = 0;
    int width = 0;
    int height = 0;
    AVCodecID codec = AV_CODEC_ID_NONE;
    AVRational rate {0, 1};
    QList<int> centreLuma; // the luma sample at the centre of each frame, in order
};

ReadBack readBack(const QString &path)
{
    ReadBack result;
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return result;
    const auto closeFormat = qScopeGuard([&format] { avformat_close_input(&format); });
    if (avformat_find_stream_info(format, nullptr) < 0 || format->nb_streams != 1)
        return result;
    AVStream *stream = format->streams[0];
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext *context = avcodec_alloc_context3(decoder);
    const auto freeContext = qScopeGuard([&context] { avcodec_free_context(&context); });
    if (!decoder || avcodec_parameters_to_context(context, stream->codecpar) < 0
        || avcodec_open2(context, decoder, nullptr) < 0)
        return result;
    result.codec = stream->codecpar->codec_id;
    result.width = stream->codecpar->width;
    result.height = stream->codecpar->height;
    result.rate = stream->avg_frame_rate;
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    const auto freeBoth = qScopeGuard([&packet, &frame] {
        av_packet_free(&packet);
        av_frame_free(&frame);
    });
    const auto receive = [&] {
        while (avcodec_receive_frame(context, frame) == 0) {
            ++result.frames;
            result.centreLuma.append(
                frame->data[0][(frame->height / 2) * frame->linesize[0] + frame->width / 2]);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (avcodec_send_packet(context, packet) < 0)
            return result;
        av_packet_unref(packet);
        receive();
    }
    avcodec_send_packet(context, nullptr);
    receive();
    result.ok = true;
    return result;
}

// The luma of picture i of savePictures (BT.601, 16..235), as the encoder's 4:2:0 holds it.
int expectedLuma(int i)
{
    const double r = (i * 37) % 256, g = 90, b = 200 - i % 100;
    return qRound(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255);
}

void compareLuma(const QList<int> &actual, const QList<int> &pictures)
{
    QCOMPARE(actual.size(), pictures.size());
    for (int i = 0; i < actual.size(); ++i) {
        if (qAbs(actual[i] - expectedLuma(pictures[i])) > 6)
            QFAIL(qPrintable(QStringLiteral("frame %1 shows luma %2, picture %3 has %4")
                                 .arg(i)
                                 .arg(actual[i])
                                 .arg(pictures[i])
                                 .arg(expectedLuma(pictures[i]))));
    }
}

} // namespace

class TestTimelapseEncoder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void videoReadsBack_data();
    void videoReadsBack();
    void unreadablePicturesAreSkipped();
    void nothingReadableMakesNoFile();
    void cancelRemovesTheTemporaryFile();
    void failedWriteLeavesTargetAsItWas();
    void frameSize_data();
    void frameSize();

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_cam;
    QString m_out;
};

void TestTimelapseEncoder::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_cam = m_root->filePath(QStringLiteral("cam"));
    m_out = m_root->filePath(QStringLiteral("videos"));
    QVERIFY(QDir().mkpath(m_cam));
    QVERIFY(QDir().mkpath(m_out));
}

void TestTimelapseEncoder::videoReadsBack_data()
{
    QTest::addColumn<QList<QSize>>("pictures");
    QTest::addColumn<int>("framesPerSecond");
    QTest::addColumn<QSize>("chosenSize");
    QTest::addColumn<int>("maxSide");
    QTest::addColumn<bool>("mpeg4");
    QTest::addColumn<QSize>("expectedSize");
    const QSize none;
    QTest::newRow("one size") << QList<QSize>(12, QSize(160, 120)) << 10 << none << 0 << false
                              << QSize(160, 120);
    QTest::newRow("one picture") << QList<QSize> {QSize(64, 48)} << 1 << none << 0 << false << QSize(64, 48);
    QTest::newRow("other sizes scaled to the first")
        << QList<QSize> {QSize(160, 120), QSize(320, 240), QSize(90, 60), QSize(161, 119), QSize(160, 120)}
        << 25 << none << 0 << false << QSize(160, 120);
    QTest::newRow("odd first size made even")
        << QList<QSize>(3, QSize(161, 121)) << 5 << none << 0 << false << QSize(160, 120);
    QTest::newRow("chosen size") << QList<QSize>(4, QSize(320, 240)) << 30 << QSize(96, 64) << 0 << false
                                 << QSize(96, 64);
    QTest::newRow("longer side bounded")
        << QList<QSize>(3, QSize(640, 480)) << 60 << none << 320 << false << QSize(320, 240);
    QTest::newRow("MPEG-4 Visual") << QList<QSize>(6, QSize(160, 120)) << 10 << none << 0 << true
                                   << QSize(160, 120);
}

void TestTimelapseEncoder::videoReadsBack()
{
    QFETCH(QList<QSize>, pictures);
    QFETCH(int, framesPerSecond);
    QFETCH(QSize, chosenSize);
    QFETCH(int, maxSide);
    QFETCH(bool, mpeg4);
    QFETCH(QSize, expectedSize);
    const ExportItems items = savePictures(m_cam, pictures);
    const QString target = m_out + QStringLiteral("/Gate.mp4");
    TimelapseEncoder::Settings settings;
    settings.framesPerSecond = framesPerSecond;
    settings.size = chosenSize;
    settings.maxSide = maxSide;
    settings.codec = mpeg4 ? TimelapseEncoder::Codec::Mpeg4Part2 : TimelapseEncoder::Codec::H264;
    TimelapseEncoder task(items, target, settings);
    QList<int> reported;
    connect(&task, &ExportTask::progress, this, [&reported](int done, int) { reported.append(done); });
    const ExportOutcome outcome = runToEnd(task);
    QCOMPARE(outcome.status, ExportOutcome::Status::Finished);
    QCOMPARE(outcome.path, target);
    QCOMPARE(outcome.written, pictures.size());
    QCOMPARE(outcome.skipped, 0);
    QVERIFY(!reported.isEmpty());
    QCOMPARE(reported.last(), pictures.size());

    const ReadBack video = readBack(target);
    QVERIFY(video.ok);
    QCOMPARE(video.frames, pictures.size());
    QCOMPARE(QSize(video.width, video.height), expectedSize);
    QCOMPARE(video.rate.num, framesPerSecond * video.rate.den);
    const bool h264 = !mpeg4 && TimelapseEncoder::hasH264Encoder();
    QCOMPARE(video.codec, h264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_MPEG4);
    QCOMPARE(outcome.fallbackCodec, !mpeg4 && !h264);
    QList<int> order;
    for (int i = 0; i < pictures.size(); ++i)
        order.append(i);
    compareLuma(video.centreLuma, order);
    // Only the video is left in its folder: no temporary file beside it.
    QCOMPARE(entries(m_out), QStringList {QStringLiteral("Gate.mp4")});
}

void TestTimelapseEncoder::unreadablePicturesAreSkipped()
{
    ExportItems items = savePictures(m_cam, 5, QSize(96, 64));
    // A cut JPEG, a text file and a picture that is gone, between the readable ones.
    QFile cut(m_cam + QStringLiteral("/GateCut.jpg"));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    QFile whole(items[0].path);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    cut.write(whole.readAll().left(300));
    cut.close();
    QFile text(m_cam + QStringLiteral("/GateText.jpg"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a picture\n");
    text.close();
    items.insert(0, {items[0].time.addSecs(-1), text.fileName()});
    items.insert(2, {items[1].time.addMSecs(1), cut.fileName()});
    items.insert(5, {items[3].time.addMSecs(1), m_cam + QStringLiteral("/GateGone.jpg")});

    const QString target = m_out + QStringLiteral("/skips.mp4");
    TimelapseEncoder task(items, target, {});
    const ExportOutcome outcome = runToEnd(task);
    QCOMPARE(outcome.status, ExportOutcome::Status::Finished);
    QCOMPARE(outcome.written, 5);
    QCOMPARE(outcome.skipped, 3);
    QCOMPARE(outcome.skippedPaths, (QStringList {text.fileName(), cut.fileName(), items[5].path}));
    const ReadBack video = readBack(target);
    QVERIFY(video.ok);
    QCOMPARE(video.frames, 5);
    QCOMPARE(QSize(video.width, video.height), QSize(96, 64));
    compareLuma(video.centreLuma, {0, 1, 2, 3, 4});
}

void TestTimelapseEncoder::nothingReadableMakesNoFile()
{
    const ExportItems items {{QDateTime::currentDateTime(), m_cam + QStringLiteral("/Gone1.jpg")},
        {QDateTime::currentDateTime(), m_cam}};
    TimelapseEncoder task(items, m_out + QStringLiteral("/none.mp4"), {});
    const ExportOutcome outcome = runToEnd(task);
    QCOMPARE(outcome.status, ExportOutcome::Status::Failed);
    QCOMPARE(outcome.failure, ExportOutcome::Failure::NothingReadable);
    QCOMPARE(outcome.skipped, 2);
    QCOMPARE(entries(m_out), QStringList());
}

void TestTimelapseEncoder::cancelRemovesTheTemporaryFile()
{
    const ExportItems items = savePictures(m_cam, 30, QSize(320, 240));
    const QString target = m_out + QStringLiteral("/Gate.mp4");
    QFile earlier(target);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("an earlier video");
    earlier.close();
    TimelapseEncoder task(items, target, {});
    int cancelledAt = 0;
    // Cancelled from the task's thread at the first report, a few frames into the file.
    connect(
        &task, &ExportTask::progress, &task,
        [&](int done, int) {
            if (cancelledAt == 0)
                cancelledAt = done;
            task.cancel();
        },
        Qt::DirectConnection);
    const ExportOutcome outcome = runToEnd(task);
    QCOMPARE(outcome.status, ExportOutcome::Status::Cancelled);
    QCOMPARE(cancelledAt, 1);
    QVERIFY(outcome.path.isEmpty());
    QCOMPARE(entries(m_out), QStringList {QStringLiteral("Gate.mp4")});
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("an earlier video"));
}

void TestTimelapseEncoder::failedWriteLeavesTargetAsItWas()
{
    const ExportItems items = savePictures(m_cam, 20, QSize(320, 240));
    const QString target = m_out + QStringLiteral("/Gate.mp4");
    ExportOutcome outcome;
    {
        // Far less than 20 frames of this size take, even for H.264.
        FileSizeLimit limit(2000);
        QVERIFY(limit.active());
        TimelapseEncoder task(items, target, {});
        outcome = runToEnd(task);
    }
    QCOMPARE(outcome.status, ExportOutcome::Status::Failed);
    QVERIFY2(outcome.failure == ExportOutcome::Failure::EncoderFailed
            || outcome.failure == ExportOutcome::Failure::WriteFailed,
        qPrintable(outcome.detail));
    // The file's own words, not the muxer's "I/O error".
    QVERIFY2(outcome.detail.contains(qt_error_string(EFBIG)), qPrintable(outcome.detail));
    QCOMPARE(entries(m_out), QStringList());
}

void TestTimelapseEncoder::frameSize_data()
{
    QTest::addColumn<QSize>("natural");
    QTest::addColumn<QSize>("chosen");
    QTest::addColumn<int>("maxSide");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("natural, even") << QSize(1920, 1080) << QSize() << 0 << QSize(1920, 1080);
    QTest::newRow("natural, odd sides") << QSize(641, 479) << QSize() << 0 << QSize(640, 478);
    QTest::newRow("chosen wins") << QSize(1920, 1080) << QSize(1280, 720) << 0 << QSize(1280, 720);
    QTest::newRow("bounded, landscape") << QSize(1920, 1080) << QSize() << 1280 << QSize(1280, 720);
    QTest::newRow("bounded, portrait") << QSize(1080, 1920) << QSize() << 640 << QSize(360, 640);
    QTest::newRow("bound above the size") << QSize(320, 240) << QSize() << 1280 << QSize(320, 240);
    QTest::newRow("tiny picture") << QSize(3, 1) << QSize() << 0 << QSize(16, 16);
    QTest::newRow("beyond the largest side") << QSize(20000, 10000) << QSize() << 0 << QSize(8192, 4096);
    QTest::newRow("bound beyond the largest side")
        << QSize(20000, 100) << QSize() << 50000 << QSize(8192, 40);
}

void TestTimelapseEncoder::frameSize()
{
    QFETCH(QSize, natural);
    QFETCH(QSize, chosen);
    QFETCH(int, maxSide);
    QFETCH(QSize, expected);
    TimelapseEncoder::Settings settings;
    settings.size = chosen;
    settings.maxSide = maxSide;
    QCOMPARE(TimelapseEncoder::frameSize(natural, settings), expected);
}

QTEST_GUILESS_MAIN(TestTimelapseEncoder)
#include "tst_timelapseencoder.moc"
