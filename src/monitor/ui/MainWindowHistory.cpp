// SPDX-License-Identifier: GPL-3.0-or-later
// Saved pictures over time: the keeper of the cam folder (retention limits and the free-space
// floor of autosave), the "Saved Pictures…" window and each camera's history window.

#include "monitor/ui/MainWindow.h"

#include "app/Identity.h"
#include "history/PictureKeeper.h"
#include "history/SavedPicturesSettings.h"
#include "history/export/ui/ExportDialog.h"
#include "history/ui/HistoryWindow.h"
#include "history/ui/SavedPicturesWindow.h"
#include "monitor/CameraMonitor.h"
#include "platform/AppFolder.h"
#include "platform/ui/StatusPanel.h"
#include "viewer/ui/ViewerPanel.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>

void MainWindow::buildHistoryActions()
{
    // The viewer's camera's history: from the viewer's context menu and Ctrl+H.
    auto *history = new QAction(this);
    history->setObjectName(QStringLiteral("actViewerHistory"));
    history->setShortcut(Qt::CTRL | Qt::Key_H);
    history->setShortcutContext(Qt::WindowShortcut);
    connect(history, &QAction::triggered, this, [this] {
        if (m_viewerSlot >= 0)
            showHistory(m_viewerSlot);
    });
    addAction(history);
    // The menu is made when asked for, in the language of the moment.
    m_viewer->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_viewer, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (m_viewerSlot < 0)
            return;
        QMenu menu(this);
        addHistoryItem(menu, m_viewerSlot);
        menu.exec(m_viewer->mapToGlobal(pos));
    });

    m_autosavePause = new QLabel(this);
    m_autosavePause->setObjectName(QStringLiteral("lblAutosavePaused"));
    m_autosavePause->setTextFormat(Qt::PlainText);
    m_autosavePause->hide();
    statusBar()->addPermanentWidget(m_autosavePause);
}

void MainWindow::startPictureKeeper()
{
    if (m_keeper)
        return;
    m_keeper = new PictureKeeper(m_cameras->saveFolder(), m_languages, this);
    m_keeper->setCameraNames([this] { return listedCameraNames(); });
    m_keeper->setSettings(SavedPicturesSettings::load(identity().programName));
    connect(m_keeper, &PictureKeeper::autosavePauseChanged, this, &MainWindow::onAutosavePauseChanged);
    connect(m_keeper, &PictureKeeper::pruneFinished, this, [this](int deleted) {
        // The history shows no picture that is gone.
        if (deleted > 0 && m_history)
            m_history->reload();
    });
    connect(m_keeper, &PictureKeeper::spaceChecked, this, [this] {
        // How much is free follows each reading while autosave waits.
        if (!m_keeper->mayAutosave())
            m_autosavePause->setText(m_keeper->pauseText());
    });
    m_keeper->start();
}

void MainWindow::noteSavedPicture(int slot, const QDateTime &at, const QString &path)
{
    if (m_keeper)
        m_keeper->pictureSaved(path);
    // The camera's history, when open, follows its saves.
    if (m_history && m_history->cameraName() == m_cameras->camera(slot)->caption())
        m_history->addSavedPicture(path, at);
}

void MainWindow::onAutosavePauseChanged(bool paused, const QString &statusText)
{
    m_cameras->setAutosavePaused(paused);
    m_autosavePause->setText(paused ? statusText : QString());
    m_autosavePause->setVisible(paused);
    setStatusText(statusText);
}

QStringList MainWindow::listedCameraNames() const
{
    QStringList names;
    for (int row = 0; row < m_cameraList->count(); ++row)
        names.append(m_cameraList->item(row)->text());
    // Open cameras whose names left the list meanwhile still own their pictures.
    for (int slot = 0; slot < SlotCount; ++slot) {
        const CameraEngine *camera = m_cameras->camera(slot);
        if (camera->isOpen() && !names.contains(camera->caption()))
            names.append(camera->caption());
    }
    return names;
}

void MainWindow::addHistoryItem(QMenu &menu, int slot)
{
    QAction *history = menu.addAction(m_languages.message(QStringLiteral("MSG_MENU_HISTORY")));
    history->setObjectName(QStringLiteral("actHistory"));
    connect(history, &QAction::triggered, this, [this, slot] { showHistory(slot); });
}

void MainWindow::showHistory(int slot)
{
    if (slot < 0 || slot >= SlotCount || !m_cameras->camera(slot)->isOpen())
        return;
    const bool loaded = !m_history.isNull();
    HistoryWindow *window = HistoryWindow::open(m_history, m_cameras->camera(slot)->caption(),
                                                m_cameras->saveFolder(), listedCameraNames(), m_languages, this);
    if (loaded)
        return;
    // Export opens above the history window it belongs to, and goes with it.
    window->setExportAvailable(true);
    connect(window, &HistoryWindow::exportRequested, window,
            [this, window](const QString &cameraName, const QList<QPair<QDateTime, QString>> &pictures) {
                ExportItems items;
                items.reserve(pictures.size());
                for (const auto &[time, path] : pictures)
                    items.append({time, path});
                auto *dialog = new ExportDialog(cameraName, items, m_languages, window);
                dialog->setAttribute(Qt::WA_DeleteOnClose);
                dialog->show();
            });
}

HistoryWindow *MainWindow::historyWindow() const { return m_history; }

void MainWindow::showSavedPicturesWindow()
{
    const bool loaded = !m_savedPictures.isNull();
    const SavedPicturesSettings settings
        = m_keeper ? m_keeper->settings() : SavedPicturesSettings::load(identity().programName);
    SavedPicturesWindow *window = SavedPicturesWindow::open(m_savedPictures, m_cameras->saveFolder(),
                                                            listedCameraNames(), settings, m_languages, this);
    if (loaded)
        return;
    connect(window, &SavedPicturesWindow::settingsSaved, this, [this](const SavedPicturesSettings &saved) {
        saved.save(identity().programName);
        if (m_keeper)
            m_keeper->setSettings(saved);
    });
}
