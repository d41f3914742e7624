// SPDX-License-Identifier: GPL-3.0-or-later
// What the camera engines report, shown in their slots, the viewer, the full-screen view
// and the status bar.

#include "monitor/ui/MainWindow.h"

#include "monitor/BenchmarkLog.h"
#include "monitor/CameraMonitor.h"
#include "monitor/PictureAcceptance.h"
#include "monitor/ui/BenchmarkPaints.h"
#include "monitor/ui/SlotView.h"
#include "platform/ui/DeferredPaints.h"
#include "platform/ui/RedrawLock.h"
#include "platform/ui/StatusPanel.h"
#include "viewer/ui/FullScreenView.h"
#include "viewer/ui/ViewerPanel.h"

#include <QProgressBar>

void MainWindow::connectCamera(CameraEngine *camera)
{
    const int slot = camera->slot();
    camera->setDisplayQuery([this, slot] { return displayFor(slot); });
    connect(camera, &CameraEngine::fetchStarted, this, [this, slot] { onFetchStarted(slot); });
    connect(camera, &CameraEngine::progressed, this,
            [this, slot](float value, bool takes, const QString &text) { onProgressed(slot, value, takes, text); });
    connect(camera, &CameraEngine::fetchFinished, this,
            [this, slot](CameraEngine::FetchResult result) { onFetchFinished(slot, result); });
    connect(camera, &CameraEngine::pictureSaved, this,
            [this, slot](const Picture &saved, const QDateTime &at, const QString &path) {
                onPictureSaved(slot, saved, at, path);
            });
    connect(camera, &CameraEngine::saveFailed, this,
            [this, slot](const QDateTime &at, const QString &path, const QString &reason) {
                onSaveFailed(slot, at, path, reason);
            });
    connect(camera, &CameraEngine::ticked, this, [this, slot] { onTicked(slot); });
    connect(camera, &CameraEngine::outcomeChanged, this, [this, slot] {
        showCameraState(slot);
        if (slot == m_viewerSlot)
            showViewerDetails(slot);
    });
    connect(camera, &CameraEngine::stopped, this, [this, slot] { onStopped(slot); });
}

CameraEngine::Display MainWindow::displayFor(int slot) const
{
    CameraEngine::Display display;
    display.slotPixels = m_slots[static_cast<size_t>(slot)]->pictureDevicePixels();
    if (slot == m_viewerSlot) {
        // The viewer shows the picture at its natural size: the part it shows (all of it for
        // the full-screen view) is decoded ahead.
        display.inViewer = true;
        display.viewerArea = fullScreenShowing() ? QRect() : m_viewer->shownArea();
    }
    return display;
}

void MainWindow::onFetchStarted(int slot)
{
    SlotView *view = m_slots[static_cast<size_t>(slot)];
    const CameraEngine *camera = m_cameras->camera(slot);
    const bool opening = view->isHidden();
    if (opening) {
        // The first fetch start of an opening: the slot shows nothing of this camera yet.
        view->setShowsCameraPicture(false);
        view->show();
    }
    view->setIndicatorVisible(true);
    if (slot == m_viewerSlot && fullScreenShowing())
        m_fullScreen->setIndicatorVisible(true);
    view->setTitle(camera->caption());
    // Nothing the state says changes when a fetch starts but the picture's age, and the
    // fetch's end (outcomeChanged) says it anew a moment later; a long fetch's ticks keep the
    // age current meanwhile. Only a slot just shown needs its state now.
    if (opening)
        showCameraState(slot);
}

void MainWindow::onProgressed(int slot, float barValue, bool barTakesValue, const QString &statusText)
{
    QProgressBar *bar = m_slots[static_cast<size_t>(slot)]->progressBar();
    if (barTakesValue) {
        // The bar takes every value, but is painted at most every ProgressPaintIntervalMs (instead
        // of at once, by QProgressBar::setValue()): each paint of the bar also repaints the
        // frame and the picture edge beneath it, and a picture arrives in several pieces. A bar
        // back at the value it shows (each download ends at 100) is not painted again.
        m_progressPaints->change(
            bar, [bar, barValue] { bar->setValue(static_cast<int>(barValue)); },
            [bar] { return QVariant(bar->value()); });
    }
    // The status text is current at once; like the bar, it is painted at most every
    // ProgressPaintIntervalMs while pieces arrive.
    m_progressPaints->change(m_status, [this, &statusText] { setStatusText(statusText); });
}

void MainWindow::onFetchFinished(int slot, CameraEngine::FetchResult result)
{
    SlotView *view = m_slots[static_cast<size_t>(slot)];
    const CameraEngine *camera = m_cameras->camera(slot);
    if (BenchmarkLog::enabled()) {
        BenchmarkPaints::watchPictures(view->pictureControl(), "shown", slot);
        BenchmarkPaints::watchPictures(m_viewer->pictureControl(), "viewer_shown", -1);
    }
    lockRedraw(this, true);
    switch (result) {
    case CameraEngine::FetchResult::Picture:
        view->showPicture(camera->picture());
        view->setShowsCameraPicture(true);
        if (slot == m_viewerSlot) {
            m_viewer->updatePicture(camera->picture());
            if (fullScreenShowing()) {
                m_fullScreen->setIndicatorVisible(false);
                m_fullScreen->showPicture(camera->picture());
            }
        }
        break;
    case CameraEngine::FetchResult::NotAPicture:
        // The viewer and the full-screen view keep what they showed.
        view->showPicture(m_notFound);
        view->setShowsCameraPicture(true);
        break;
    case CameraEngine::FetchResult::Unreadable:
        break;
    }
    // A response decoded late may find its camera's next fetch running: the indicator stays.
    if (!camera->fetching())
        view->setIndicatorVisible(false);
    lockRedraw(this, false);
    // A new picture is painted now rather than after the events already queued (other
    // slots' responses arrive in bursts).
    if (result == CameraEngine::FetchResult::Picture)
        view->paintPictureNow();
    // The slot's state and the viewer's details were shown by outcomeChanged, which the
    // engine emits just before fetchFinished.
}

void MainWindow::onPictureSaved(int slot, const Picture &saved, const QDateTime &at, const QString &path)
{
    // The slot shows the picture as saved (unless a newer picture has come meanwhile).
    if (!saved.isNull())
        m_slots[static_cast<size_t>(slot)]->showPicture(saved);
    noteSavedPicture(slot, at, path);
    if (slot == m_viewerSlot)
        setStatusText(m_languages.message(QStringLiteral("MSG_STATUS_AUTOSAVED")).arg(timeText(at, m_displayLocale), path));
}

void MainWindow::onSaveFailed(int slot, const QDateTime &at, const QString &path, const QString &reason)
{
    // A failed autosave keeps the picture on screen and is not reported by a box (it may
    // recur every second); the status bar tells the truth instead.
    if (slot == m_viewerSlot)
        setStatusText(m_languages.message(QStringLiteral("MSG_STATUS_AUTOSAVEFAILED"))
                          .arg(timeText(at, m_displayLocale), path, reason));
}

void MainWindow::onTicked(int slot)
{
    // The age of the picture grows: the slot's state follows it (at the fetch's end instead
    // when this tick starts one).
    if (!m_cameras->camera(slot)->fetchStartsThisTick())
        showCameraState(slot);
    if (slot != m_viewerSlot)
        return;
    lockRedraw(this, true);
    m_viewer->showNextRefresh(m_cameras->camera(slot)->nextRefreshText());
    lockRedraw(this, false);
}

void MainWindow::onStopped(int slot)
{
    SlotView *view = m_slots[static_cast<size_t>(slot)];
    lockRedraw(this, true);
    view->showPicture(m_blank);
    view->setIndicatorVisible(false);
    lockRedraw(this, false);
    view->setTitle(m_cameras->camera(slot)->caption());
    view->hide();
    if (slot == m_viewerSlot) {
        m_viewer->hideViewer();
        m_viewerSlot = -1;
    }
}
