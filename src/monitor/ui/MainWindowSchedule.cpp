// Opening cameras into slots, the per-slot refresh timers, Refresh, Stop and Stop All.

#include "monitor/ui/MainWindow.h"

#include "camlist/ui/NoticeDialog.h"
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

bool MainWindow::AnyCameraSelected() const { return !List1->selectedItems().isEmpty(); }

void MainWindow::OpenSelectedCamera()
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

void MainWindow::OpenCameraByName(const QString &name)
{
    if (name.isEmpty())
        return;
    if (!CameraListFile::findCameraRecord(name, lastFound))
        return;
    for (CameraSlot &slot : cams) {
        if (slot.isOpen())
            continue;
        ++openCamCount;
        slot.pictureReceived = false;
        slot.Frame->show();
        slot.txtName->setText(lastFound.name);
        slot.txtAddress->setText(lastFound.url);
        slot.txtRefresh->setText(lastFound.refresh);
        slot.cmdStart->click();
        return;
    }
}

void MainWindow::List1_DblClick() { OpenSelectedCamera(); }

void MainWindow::cmdStartCam_Click()
{
    if (AnyCameraSelected())
        OpenSelectedCamera();
    else
        NoticeDialog::showNotice(this);
}

void MainWindow::timRefresh_Timer(int i)
{
    CameraSlot &slot = cams[i];
    ++slot.camElapsed;
    if (i == currentCam) {
        lockRedraw(this, true);
        viewer->lblNextRefresh->setText(nextRefreshText(slot.txtRefresh->text(), slot.camElapsed));
        lockRedraw(this, false);
    }
    if (slot.camElapsed >= slot.camRefreshSecs) {
        slot.timRefresh->stop();
        slot.imgRefresh->show();
        cmdStart_Click(i);
    }
}

void MainWindow::cmdRefresh_Click(int i) { cmdStart_Click(i); }

void MainWindow::cmdStop_Click(int i)
{
    CameraSlot &slot = cams[i];
    slot.wsCam->close();
    slot.timRefresh->stop();
    lockRedraw(this, true);
    slot.imgCam->setPicture(blank);
    slot.imgRefresh->hide();
    lockRedraw(this, false);
    slot.Frame->setTitle(QStringLiteral("[webcam]"));
    slot.Frame->hide();
    --openCamCount;
    if (i == currentCam) {
        viewer->hide();
        viewer->frmDetails->hide();
        currentCam = -1;
    }
}

void MainWindow::cmdStopAll_Click()
{
    for (CameraSlot &slot : cams) {
        if (slot.isOpen())
            cmdStop_Click(slot.index);
    }
}
