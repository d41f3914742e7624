// Opening cameras into slots, the per-slot refresh timers, Refresh, Stop and Stop All.

#include "monitor/ui/Form1.h"

#include "camlist/ui/Form4.h"
#include "monitor/RefreshInterval.h"
#include "platform/SlotSocket.h"
#include "platform/ui/RedrawLock.h"
#include "viewer/ui/ImageControl.h"
#include "viewer/ui/ViewerPanel.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

bool Form1::AnyCameraSelected() const { return !List1->selectedItems().isEmpty(); }

void Form1::OpenSelectedCamera()
{
    if (openCamCount >= SlotCount)
        return;
    const QList<QListWidgetItem *> selected = List1->selectedItems();
    if (selected.isEmpty())
        return;
    const QString name = selected.first()->text();
    for (const CameraSlot &slot : cams) {
        if (slot.Frame->title() == name)
            return;   // already open
    }
    OpenCameraByName(name);
}

void Form1::OpenCameraByName(const QString &name)
{
    if (name.isEmpty())
        return;
    if (!CameraListFile::FindCameraRecord(name, load))
        return;
    for (CameraSlot &slot : cams) {
        if (slot.isOpen())
            continue;
        ++openCamCount;
        slot.pictureReceived = false;
        slot.Frame->show();
        slot.txtName->setText(load.name);
        slot.txtAddress->setText(load.url);
        slot.txtRefresh->setText(load.refresh);
        slot.cmdStart->click();
        return;
    }
}

void Form1::List1_DblClick() { OpenSelectedCamera(); }

void Form1::cmdStartCam_Click()
{
    if (AnyCameraSelected())
        OpenSelectedCamera();
    else
        Form4::showNotice(this);
}

void Form1::timRefresh_Timer(int i)
{
    CameraSlot &slot = cams[i];
    ++slot.camElapsed;
    if (i == currentCam) {
        LockRedraw(this, true);
        viewer->lblNextRefresh->setText(nextRefreshText(slot.txtRefresh->text(), slot.camElapsed));
        LockRedraw(this, false);
    }
    if (slot.camElapsed >= slot.camRefreshSecs) {
        slot.timRefresh->stop();
        slot.imgRefresh->show();
        cmdStart_Click(i);
    }
}

void Form1::cmdRefresh_Click(int i) { cmdStart_Click(i); }

void Form1::cmdStop_Click(int i)
{
    CameraSlot &slot = cams[i];
    slot.wsCam->Close();
    slot.timRefresh->stop();
    LockRedraw(this, true);
    slot.imgCam->setPicture(blank);
    slot.imgRefresh->hide();
    LockRedraw(this, false);
    slot.Frame->setTitle(QStringLiteral("[webcam]"));
    slot.Frame->hide();
    --openCamCount;
    if (i == currentCam) {
        viewer->hide();
        viewer->frmDetails->hide();
        currentCam = -1;
    }
}

void Form1::cmdStopAll_Click()
{
    for (CameraSlot &slot : cams) {
        if (slot.isOpen())
            cmdStop_Click(slot.index);
    }
}
