// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/DiskFloor.h"
#include "history/RetentionPruner.h"
#include "history/SavedPicturesSettings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class LanguageTable;
class QThread;
class QTimer;

// Keeps the cam folder within the user's limits and tells whether autosave may write.
// Owned by the main window, used on its thread; the work (pruning, reading the free space)
// runs on a thread of its own, so the window never waits for the disk.
//
// Pruning runs at start(), when the settings change, and after saves, at most once every
// pruneIntervalMs (a save within the interval schedules one run at its end). The free space
// is read at start(), after saves at most every spaceIntervalMs, and every spaceIntervalMs
// while autosave is paused, so that it resumes by itself.
class PictureKeeper : public QObject
{
    Q_OBJECT
public:
    static constexpr int PruneIntervalMs = 60'000;
    static constexpr int SpaceIntervalMs = 10'000;

    // `folder` is the cam folder; `languages` gives the status texts and outlives the keeper.
    PictureKeeper(const QString &folder, const LanguageTable &languages, QObject *parent = nullptr);
    ~PictureKeeper() override;

    // The camera names of the list, asked before each pruning (on this thread).
    void setCameraNames(std::function<QStringList()> names) { m_cameraNames = std::move(names); }
    // Replaces the limits and the floor; prunes at once when the limits changed.
    void setSettings(const SavedPicturesSettings &settings);
    const SavedPicturesSettings &settings() const { return m_settings; }
    // The free-space reading (tests simulate a disk); called on the keeper's thread.
    void setDiskReader(DiskFloor::Reader reader);
    void setIntervals(int pruneMs, int spaceMs);

    // Prunes and reads the free space for the first time.
    void start();
    // Autosave wrote a picture.
    void pictureSaved(const QString &path);
    // Reads the free space now (the disk may have filled since).
    void checkSpace();

    // False while the free space is below the floor.
    bool mayAutosave() const { return !m_floor.paused(); }
    // Why autosave pauses and how much is free; empty while it may write.
    QString pauseText() const;
    bool pruneRunning() const { return m_pruneRunning; }
    const QString &folder() const { return m_folder; }

Q_SIGNALS:
    // Autosave pauses or resumes; `statusText` says why and how much is free (or that it
    // resumed).
    void autosavePauseChanged(bool paused, const QString &statusText);
    // A pruning ended: pictures and bytes deleted over all cameras.
    void pruneFinished(int deleted, qint64 deletedBytes);
    // A free-space reading arrived.
    void spaceChecked();

private:
    void runPrune();
    void onPruned(int deleted, qint64 deletedBytes);
    void onSpaceRead(const DiskSpace &space);
    QString sizeText(qint64 bytes) const;

    QString m_folder;
    const LanguageTable &m_languages;
    SavedPicturesSettings m_settings;
    std::function<QStringList()> m_cameraNames;
    DiskFloor m_floor;
    QThread *m_thread = nullptr;
    QObject *m_worker = nullptr;  // lives on m_thread
    QTimer *m_pruneTimer = nullptr;
    QTimer *m_spaceTimer = nullptr;
    QElapsedTimer m_sinceSpaceRead;
    QElapsedTimer m_sincePrune;
    int m_pruneIntervalMs = PruneIntervalMs;
    int m_spaceIntervalMs = SpaceIntervalMs;
    bool m_pruneRunning = false;
    bool m_prunePending = false;
    bool m_spaceRunning = false;
    bool m_spaceAgain = false;
};
