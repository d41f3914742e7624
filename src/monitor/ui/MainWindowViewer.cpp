// SPDX-License-Identifier: GPL-3.0-or-later
// The detail viewer's selection, the full-screen view and "Save Image".

#include "monitor/ui/MainWindow.h"

#include "app/Identity.h"
#include "monitor/CameraMonitor.h"
#include "monitor/PictureAcceptance.h"
#include "monitor/PictureSaving.h"
#include "monitor/ui/SlotView.h"
#include "platform/Clock.h"
#include "platform/ui/RedrawLock.h"
#include "viewer/ui/FullScreenView.h"
#include "viewer/ui/ViewerPanel.h"
#include "platform/ui/MessageBoxes.h"


void MainWindow::showSlotInViewer(int slot)
{
    if (slot < 0 || slot >= SlotCount || !m_cameras->camera(slot)->isOpen())
        return;
    const SlotView *view = m_slots[static_cast<size_t>(slot)];
    m_viewerSlot = slot;
    lockRedraw(this, true);
    m_viewer->showViewer();
    // A slot that has not shown anything of its camera since it was opened shows an empty viewer.
    m_viewer->showPicture(view->showsCameraPicture() ? view->picture() : Picture());
    showViewerDetails(slot);
    m_viewer->showNextRefresh(m_cameras->camera(slot)->nextRefreshText());
    lockRedraw(this, false);
}

void MainWindow::showViewerDetails(int slot)
{
    const CameraEngine *camera = m_cameras->camera(slot);
    const std::optional<FetchOutcome> &outcome = camera->lastOutcome();
    const QString refreshed = camera->lastRefreshedAt().isValid()
        ? refreshedStamp(camera->lastRefreshedAt(), m_displayLocale)
        : camera->lastRefreshed();
    m_viewer->showDetails({camera->record().name, camera->record().refresh, camera->lastChanged(), refreshed, outcome ? outcomeWords(*outcome) : QString(),
                           outcome && isCertificateOutcome(outcome->kind)});
}

bool MainWindow::fullScreenShowing() const { return m_fullScreen && m_fullScreen->isActive(); }

FullScreenView *MainWindow::fullScreenView() const { return m_fullScreen.data(); }

void MainWindow::openFullScreen()
{
    // A view closed a moment ago may still await its deletion: it is not reused, since its
    // unload step (the screen saver's release) has already run.
    if (m_fullScreen && m_fullScreen->isUnloaded())
        m_fullScreen = nullptr;
    if (!m_fullScreen) {
        m_fullScreen = new FullScreenView();
        m_fullScreen->setWindowTitle(identity().programName);
    }
    m_fullScreen->open(m_viewer->picture());
}

void MainWindow::saveShownPicture()
{
    const int slot = m_viewerSlot;
    if (slot < 0 || slot >= SlotCount) {
        showMessage(this, QMessageBox::Information, windowTitle(),
                    m_languages.message(QStringLiteral("MSG_SELECTPICTURE")));
        return;
    }
    const SlotView *view = m_slots[static_cast<size_t>(slot)];
    const CameraEngine *camera = m_cameras->camera(slot);
    const Picture shown = view->picture();
    if (shown.isNull()) {
        showMessage(this, QMessageBox::Information, windowTitle(),
                    m_languages.message(QStringLiteral("MSG_NOPICTUREYET")).arg(camera->record().name));
        return;
    }
    const QDateTime now = Clock::now();
    const SavedJpeg saved = savePictureAsJpeg(shown, m_cameras->saveFolder(), camera->record().name, now);
    if (!saved.ok) {
        showMessage(this, QMessageBox::Warning, windowTitle(),
                    m_languages.message(QStringLiteral("MSG_PICTURENOTSAVED"))
                        .arg(saved.path, saved.error, QString::number(saved.errorNumber)));
        return;
    }
    lockRedraw(this, true);
    m_viewer->updatePicture(shown);
    lockRedraw(this, false);
    setStatusText(m_languages.message(QStringLiteral("MSG_STATUS_SAVED")).arg(timeText(now, m_displayLocale), saved.path));
}
