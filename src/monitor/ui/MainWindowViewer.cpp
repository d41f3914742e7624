// Selecting a slot into the detail viewer, and the full-screen view.

#include "monitor/ui/MainWindow.h"

#include "monitor/RefreshInterval.h"
#include "platform/ScreenSaver.h"
#include "platform/ui/RedrawLock.h"
#include "viewer/ui/FullScreenView.h"
#include "viewer/ui/ImageControl.h"
#include "viewer/ui/ViewerPanel.h"

#include <QGroupBox>
#include <QLabel>

void MainWindow::imgCam_Click(int index) { ShowSlotInViewer(index); }

void MainWindow::imgRefresh_Click(int index) { imgCam_Click(index); }

void MainWindow::ShowSlotInViewer(int i)
{
    CameraSlot &slot = cams[i];
    currentCam = i;
    lockRedraw(this, true);
    viewer->show();
    viewer->frmDetails->show();
    // A slot that has not received a picture since it was opened shows an empty viewer.
    viewer->showPicture(slot.pictureReceived ? slot.imgCam->picture() : Picture());
    viewer->lblName->setText(slot.txtName->text());
    viewer->lblRefresh->setText(slot.txtRefresh->text());
    viewer->lblLastChanged->setText(slot.txtUpdated->text());
    viewer->lblLastRefreshed->setText(slot.txtRefreshed->text());
    viewer->lblNextRefresh->setText(nextRefreshText(slot.txtRefresh->text(), slot.camElapsed));
    lockRedraw(this, false);
}

void MainWindow::Command3_Click()
{
    FullScreenActive = true;
    setScreenSaverActive(false);
    // A view closed a moment ago may still await its deletion: it is not reused, since
    // its unload step (the screen saver's release) has already run.
    if (m_form6 && m_form6->isUnloaded())
        m_form6 = nullptr;
    if (!m_form6)
        m_form6 = new FullScreenView();
    m_form6->load();
    m_form6->Image1->setStretch(true);
    m_form6->Image1->setPicture(viewer->imgMain->picture());
    m_form6->showFullScreen();
}
