// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/PictureKeeper.h"

#include "localization/LanguageTable.h"
#include "platform/Clock.h"

#include <QLocale>
#include <QPointer>
#include <QThread>
#include <QTimer>

PictureKeeper::PictureKeeper(const QString &folder, const LanguageTable &languages, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_languages(languages)
    , m_thread(new QThread(this))
    , m_worker(new QObject)
    , m_pruneTimer(new QTimer(this))
    , m_spaceTimer(new QTimer(this))
{
    m_thread->setObjectName(QStringLiteral("PictureKeeper"));
    m_worker->moveToThread(m_thread);
    m_thread->start(QThread::LowPriority);
    m_pruneTimer->setSingleShot(true);
    connect(m_pruneTimer, &QTimer::timeout, this, &PictureKeeper::runPrune);
    connect(m_spaceTimer, &QTimer::timeout, this, &PictureKeeper::checkSpace);
}

PictureKeeper::~PictureKeeper()
{
    // A pruning under way finishes its current camera's deletions; nothing is reported.
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
}

void PictureKeeper::setSettings(const SavedPicturesSettings &settings)
{
    const bool limitsChanged = settings.limits != m_settings.limits || settings.cameraLimits != m_settings.cameraLimits;
    m_settings = settings;
    m_floor.setMinFreeMegabytes(settings.minFreeMegabytes);
    if (limitsChanged && m_sincePrune.isValid())
        runPrune();
    if (m_sinceSpaceRead.isValid())
        checkSpace();
}

void PictureKeeper::setDiskReader(DiskFloor::Reader reader)
{
    m_floor = DiskFloor(std::move(reader));
    m_floor.setMinFreeMegabytes(m_settings.minFreeMegabytes);
}

void PictureKeeper::setIntervals(int pruneMs, int spaceMs)
{
    m_pruneIntervalMs = pruneMs;
    m_spaceIntervalMs = spaceMs;
}

void PictureKeeper::start()
{
    runPrune();
    checkSpace();
}

void PictureKeeper::pictureSaved(const QString &)
{
    if (!m_sinceSpaceRead.isValid() || m_sinceSpaceRead.elapsed() >= m_spaceIntervalMs)
        checkSpace();
    if (m_pruneRunning || m_pruneTimer->isActive()) {
        m_prunePending = true;
        return;
    }
    const qint64 since = m_sincePrune.isValid() ? m_sincePrune.elapsed() : m_pruneIntervalMs;
    if (since >= m_pruneIntervalMs)
        runPrune();
    else
        m_pruneTimer->start(static_cast<int>(m_pruneIntervalMs - since));
}

void PictureKeeper::runPrune()
{
    m_pruneTimer->stop();
    if (m_pruneRunning) {
        m_prunePending = true;
        return;
    }
    m_prunePending = false;
    m_sincePrune.start();
    const QStringList cameras = m_cameraNames ? m_cameraNames() : QStringList();
    QList<std::pair<QString, RetentionLimits>> jobs;
    for (const QString &camera : cameras) {
        const RetentionLimits limits = m_settings.limitsFor(camera);
        if (limits.limitsAnything() && !camera.isEmpty())
            jobs.append({camera, limits});
    }
    if (jobs.isEmpty())
        return;
    m_pruneRunning = true;
    const QString folder = m_folder;
    const QDateTime now = Clock::now();
    QPointer<PictureKeeper> self(this);
    QMetaObject::invokeMethod(m_worker, [self, folder, jobs, cameras, now] {
        const NamePattern pattern;
        int deleted = 0;
        qint64 deletedBytes = 0;
        for (const auto &[camera, limits] : jobs) {
            const PruneOutcome outcome = prunePictures(folder, camera, cameras, limits, now, pattern);
            deleted += outcome.deleted;
            deletedBytes += outcome.deletedBytes;
        }
        // The keeper waits for this thread before it goes, so `self` is alive here; the
        // answer runs on the keeper's thread.
        QMetaObject::invokeMethod(self.data(), [self, deleted, deletedBytes] {
            if (self)
                self->onPruned(deleted, deletedBytes);
        }, Qt::QueuedConnection);
    });
}

void PictureKeeper::onPruned(int deleted, qint64 deletedBytes)
{
    m_pruneRunning = false;
    emit pruneFinished(deleted, deletedBytes);
    if (deleted > 0 && m_floor.paused())
        checkSpace();
    if (m_prunePending) {
        m_prunePending = false;
        m_pruneTimer->start(std::max(0, static_cast<int>(m_pruneIntervalMs - m_sincePrune.elapsed())));
    }
}

void PictureKeeper::checkSpace()
{
    m_sinceSpaceRead.start();
    if (m_spaceRunning) {
        // The reading under way may be older than what is asked for: one more follows it.
        m_spaceAgain = true;
        return;
    }
    m_spaceRunning = true;
    const QString folder = m_folder;
    const DiskFloor::Reader reader = m_floor.reader();
    QPointer<PictureKeeper> self(this);
    QMetaObject::invokeMethod(m_worker, [self, folder, reader] {
        const DiskSpace space = reader(folder);
        QMetaObject::invokeMethod(self.data(), [self, space] {
            if (self)
                self->onSpaceRead(space);
        }, Qt::QueuedConnection);
    });
}

void PictureKeeper::onSpaceRead(const DiskSpace &space)
{
    m_spaceRunning = false;
    if (m_spaceAgain) {
        m_spaceAgain = false;
        checkSpace();
        return;
    }
    if (m_floor.update(space)) {
        if (m_floor.paused())
            m_spaceTimer->start(m_spaceIntervalMs);
        else
            m_spaceTimer->stop();
        emit autosavePauseChanged(m_floor.paused(),
                                  m_floor.paused() ? pauseText()
                                                   : m_languages.message(QStringLiteral("MSG_AUTOSAVE_RESUMED"))
                                                         .arg(sizeText(space.freeBytes)));
    }
    emit spaceChecked();
}

QString PictureKeeper::pauseText() const
{
    if (!m_floor.paused())
        return QString();
    const DiskSpace &space = m_floor.lastReading();
    return m_languages.message(QStringLiteral("MSG_AUTOSAVE_PAUSED"))
        .arg(sizeText(space.freeBytes), sizeText(m_floor.floorBytes(space)));
}

QString PictureKeeper::sizeText(qint64 bytes) const
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}
