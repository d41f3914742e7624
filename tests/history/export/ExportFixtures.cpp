// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExportFixtures.h"

#include "history/export/ExportTask.h"
#include "imaging/ImagingFixtures.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <turbojpeg.h>

namespace ExportFixtures {

ExportItems savePictures(const QString &folder, const QList<QSize> &sizes)
{
    ExportItems items;
    const QDateTime first(QDate(2026, 12, 9), QTime(12, 0, 0));
    for (int i = 0; i < sizes.size(); ++i) {
        QImage card(sizes[i], QImage::Format_RGB32);
        card.fill(QColor::fromRgb((i * 37) % 256, 90, 200 - i % 100));
        const QDateTime time = first.addSecs(i);
        const QString path = folder + QStringLiteral("/Gate") + time.toString(QStringLiteral("MdyyyyhmmssAP"))
            + QStringLiteral(".jpg");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(ImagingFixtures::turboJpeg(card, TJSAMP_420, 85)) < 0)
            qFatal("cannot write %s", qPrintable(path));
        items.append({time, path});
    }
    return items;
}

ExportItems savePictures(const QString &folder, int count, QSize size)
{
    return savePictures(folder, QList<QSize>(count, size));
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

ExportOutcome runToEnd(ExportTask &task, int timeoutMs)
{
    ExportOutcome outcome;
    bool ended = false;
    QEventLoop loop;
    QObject::connect(
        &task, &ExportTask::finished, &loop,
        [&](const ExportOutcome &reported) {
            outcome = reported;
            ended = true;
            loop.quit();
        },
        Qt::QueuedConnection);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    task.start();
    loop.exec();
    if (!ended)
        qFatal("the export did not finish");
    return outcome;
}

} // namespace ExportFixtures
