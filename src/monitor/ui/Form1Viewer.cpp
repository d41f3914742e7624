// Selecting a slot into the detail viewer, and the full-screen view.

#include "monitor/ui/Form1.h"

#include "monitor/RefreshInterval.h"
#include "platform/ScreenSaver.h"
#include "platform/ui/RedrawLock.h"
#include "viewer/ui/Form6.h"
#include "viewer/ui/ImageControl.h"
#include "viewer/ui/ViewerPanel.h"

#include <QGroupBox>
#include <QLabel>

void Form1::imgCam_Click(int index) { ShowSlotInViewer(index); }

void Form1::imgRefresh_Click(int index) { imgCam_Click(index); }

void Form1::ShowSlotInViewer(int i)
{
    CameraSlot &slot = cams[i];
    currentCam = i;
    LockRedraw(this, true);
    viewer->show();
    viewer->frmDetails->show();
    // A slot that has not received a picture since it was opened shows an empty viewer.
    viewer->showPicture(slot.pictureReceived ? slot.imgCam->picture() : Picture());
    viewer->lblName->setText(slot.txtName->text());
    viewer->lblRefresh->setText(slot.txtRefresh->text());
    viewer->lblLastChanged->setText(slot.txtUpdated->text());
    viewer->lblLastRefreshed->setText(slot.txtRefreshed->text());
    viewer->lblNextRefresh->setText(nextRefreshText(slot.txtRefresh->text(), slot.camElapsed));
    LockRedraw(this, false);
}

void Form1::Command3_Click()
{
    FullScreenActive = true;
    SetScreenSaverActive(false);
    // A view closed a moment ago may still await its deletion: it is not reused, since
    // its unload step (the screen saver's release) has already run.
    if (m_form6 && m_form6->isUnloaded())
        m_form6 = nullptr;
    if (!m_form6)
        m_form6 = new Form6();
    m_form6->Form_Load();
    m_form6->Image1->setStretch(true);
    m_form6->Image1->setPicture(viewer->imgMain->picture());
    m_form6->showFullScreen();
}
