// SPDX-License-Identifier: GPL-3.0-or-later
// The history window over many saved pictures of one camera (100,000 by default).
//
// Every picture is a hard link to a 1920 x 1080 JPEG written by TurboJPEG, under the name
// autosave gives a picture taken every 10 seconds, so the folder costs a few pictures of disk.
// Measured, each several times:
//   - the list alone: SavedPictureIndex::scan of the folder;
//   - the cold open: a new window shown until its newest picture is on screen;
//   - the slider drag: a new slider position every 16 ms over the whole range; for each, the
//     time the window takes to answer the move (the handler: time, position, request), the
//     longest wait of the event loop meanwhile, and from the last move to its picture shown.
// Prints one line per figure; nothing here is a test.

#include "history/SavedPictureIndex.h"
#include "history/ui/HistoryWindow.h"
#include "localization/DefaultMessages.h"
#include "localization/LanguageTable.h"
#include "monitor/PictureAcceptance.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

QByteArray cameraPicture()
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 1920, 1080);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 200; ++i)
        painter.fillRect((i * 97) % 1900, (i * 53) % 1060, 20, 20, QColor::fromHsv((i * 37) % 360, 200, 200));
    painter.end();
    tjhandle handle = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, image.constBits(), image.width(), static_cast<int>(image.bytesPerLine()), image.height(),
                TJPF_BGRX, &jpeg, &size, TJSAMP_420, 90, 0);
    QByteArray bytes(reinterpret_cast<const char *>(jpeg), static_cast<qsizetype>(size));
    tjFree(jpeg);
    tjDestroy(handle);
    return bytes;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

// Processor time of the process so far, all threads: a figure that other programs running on
// the same cores do not inflate.
double processCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Processor time of the calling thread.
double threadCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

bool waitShown(QSignalSpy &shown, qsizetype index, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (!shown.isEmpty() && shown.last().at(0).value<qsizetype>() == index)
            return true;
        // Blocks in the event loop (no busy wait that would take a core from the workers).
        shown.wait(50);
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 100'000;

    QTemporaryDir dir;
    // A file system allows some tens of thousands of links to one file: a copy per 50,000.
    constexpr int LinksPerCopy = 50'000;
    const QByteArray jpeg = cameraPicture();
    QList<QByteArray> originals;
    for (int copy = 0; copy * LinksPerCopy < count; ++copy) {
        const QString original = dir.filePath(QStringLiteral("original%1.jpg").arg(copy));
        QFile file(original);
        if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size())
            return 1;
        originals.append(QFile::encodeName(original));
    }
    const QString folder = dir.filePath(QStringLiteral("cam"));
    QDir().mkpath(folder);
    const QDateTime start(QDate(2026, 1, 1), QTime(0, 0, 0));
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        const QString name = folder + QLatin1Char('/') + autosaveFileName(QStringLiteral("Yard"), start.addSecs(qint64(i) * 10));
        if (::link(originals[i / LinksPerCopy].constData(), QFile::encodeName(name).constData()) != 0) {
            std::fprintf(stderr, "cannot link %s\n", qPrintable(name));
            return 1;
        }
    }
    std::printf("pictures: %d of one camera (made in %lld ms)\n", count, timer.elapsed());

    std::vector<double> scans;
    std::vector<double> scanCpu;
    for (int run = 0; run < 5; ++run) {
        timer.restart();
        const double before = threadCpuMs();
        const SavedPictureIndex index = SavedPictureIndex::scan(folder, QStringLiteral("Yard"), {}, NamePattern(), {});
        scanCpu.push_back(threadCpuMs() - before);
        scans.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (index.size() != count)
            return 1;
    }
    std::printf("index scan: median %.1f ms, max %.1f ms (processor time median %.1f ms)\n", median(scans),
                *std::max_element(scans.begin(), scans.end()), median(scanCpu));

    LanguageTable languages;
    addDefaultMessages(languages);
    std::vector<double> opens;
    std::vector<double> listed;
    std::vector<double> cpu;
    for (int run = 0; run < 5; ++run) {
        const double cpuBefore = processCpuMs();
        timer.restart();
        auto *window = new HistoryWindow(QStringLiteral("Yard"), folder, {}, languages, nullptr);
        QSignalSpy shown(window, &HistoryWindow::pictureShown);
        QObject::connect(window, &HistoryWindow::indexLoaded, [&] {
            listed.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        });
        window->resize(1280, 800);
        window->show();
        if (!waitShown(shown, count - 1, 10'000))
            return 1;
        opens.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(processCpuMs() - cpuBefore);
        delete window;
    }
    std::printf("cold open to the newest picture shown: median %.1f ms, max %.1f ms (list read after median "
                "%.1f ms; processor time of the whole open, all threads: median %.1f ms)\n",
                median(opens), *std::max_element(opens.begin(), opens.end()), median(listed), median(cpu));

    auto *window = new HistoryWindow(QStringLiteral("Yard"), folder, {}, languages, nullptr);
    QSignalSpy shown(window, &HistoryWindow::pictureShown);
    window->resize(1280, 800);
    window->show();
    if (!waitShown(shown, count - 1, 10'000))
        return 1;
    auto *slider = window->findChild<QSlider *>(QStringLiteral("sldTime"));
    std::vector<double> answers;
    std::vector<double> loopWaits;
    constexpr int Moves = 300;
    QElapsedTimer loop;
    for (int move = 0; move < Moves; ++move) {
        const int value = static_cast<int>((qint64(move) * 7919 * 13) % count);
        timer.restart();
        slider->setValue(value);
        answers.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        // The rest of a 16 ms frame: events run; the longest single wait is recorded.
        loop.start();
        while (loop.elapsed() < 16) {
            QElapsedTimer one;
            one.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            loopWaits.push_back(static_cast<double>(one.nsecsElapsed()) / 1e6);
        }
    }
    const qsizetype last = window->currentIndex();
    timer.restart();
    if (!waitShown(shown, last, 10'000))
        return 1;
    const double settle = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    std::printf("slider drag, %d moves: answer median %.3f ms, 99th %.3f ms, max %.3f ms\n", Moves, median(answers),
                percentile(answers, 0.99), *std::max_element(answers.begin(), answers.end()));
    std::printf("slider drag: longest event-loop turn %.1f ms; last position's picture %.1f ms after the drag\n",
                *std::max_element(loopWaits.begin(), loopWaits.end()), settle);
    delete window;
    return 0;
}
