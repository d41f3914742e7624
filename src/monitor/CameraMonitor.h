// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/PictureDecodeQueue.h"
#include "monitor/CameraEngine.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

class CertificatePins;

// The 24 camera slots of the main window as engines, and the commands that act on several
// of them: opening a camera of the list into the first closed slot, stopping all, passing
// an edit of the list to the open cameras, and the autosave switch they share. Window
// thread only; widget-free.
class CameraMonitor : public QObject
{
    Q_OBJECT
public:
    static constexpr int SlotCount = 24;

    explicit CameraMonitor(QObject *parent = nullptr);

    // Slot 0..SlotCount-1.
    CameraEngine *camera(int slot) const { return m_cameras.at(static_cast<size_t>(slot)); }
    int openCount() const;

    // Whether a slot's caption equals `name` exactly (open or closed slots alike: a closed
    // slot's caption is one of CameraEngine's placeholder captions).
    bool hasCaption(const QString &name) const;

    // The opening rule of "Start Cam" and a double click on the list: nothing when every
    // slot is open or a slot's caption is `name`; otherwise openByName(name). Returns the
    // slot opened, or -1. `firstFetchDelayMs` as for CameraEngine::open().
    int openIfNotOpen(const QString &name, int firstFetchDelayMs = 0);

    // Looks `name` up in the camera list file and opens its record in the first closed slot,
    // in index order. Returns the slot, or -1 when `name` is empty, not in the file, or no
    // slot is closed.
    int openByName(const QString &name, int firstFetchDelayMs = 0);

    // The caption of every open camera by slot (SlotCount entries, empty for a closed slot).
    QStringList openCameraNames() const;
    // Opens each name of `names` (by slot, as openCameraNames() gives them) in its own slot,
    // when that slot is closed, the name is not open elsewhere and the list still has it.
    // Their first fetches are spread over a second. Returns the slots opened.
    QList<int> reopen(const QStringList &names);

    // Stops every open camera, in slot order.
    void stopAll();

    // Every open camera whose caption is `previousName` takes `edited` without restarting.
    void applyEdit(const QString &previousName, const CameraEngine::CameraRecord &edited);

    // "AutoSave New Pictures" and the folder pictures are saved in, for every camera.
    void setAutosave(bool on) { m_saving.autosave = on; }
    bool autosave() const { return m_saving.autosave; }
    void setSaveFolder(const QString &folder) { m_saving.folder = folder; }
    // While paused, changed pictures are not saved (the disk is at its free-space floor).
    void setAutosavePaused(bool paused) { m_saving.paused = paused; }
    bool autosavePaused() const { return m_saving.paused; }
    const QString &saveFolder() const { return m_saving.folder; }
    // The status text while a picture arrives (see SaveSettings::downloadingText).
    void setDownloadingText(const QString &pattern) { m_saving.downloadingText = pattern; }

    // The certificates the user trusts, for every camera (may be null); not owned.
    void setCertificatePins(CertificatePins *pins);

    // The workers that decode and save every camera's pictures.
    PictureDecodeQueue &decodes() { return m_decodes; }

    // Writes a saved picture under the name of `path` or the first free "_2", "_3", ... variant
    // of it, never replacing an entry; returns the path written. Throws OperationError.
    static QString writeNewPicture(const QString &path, const QByteArray &jpeg);

private:
    SaveSettings m_saving;
    PictureDecodeQueue m_decodes;
    std::array<CameraEngine *, SlotCount> m_cameras {};
};
