// The camera commands of the "Controls" frame and the "Cams" menu: add, edit and
// delete cameras of the camera list file.

#include "monitor/ui/MainWindow.h"

#include "camlist/ui/Form2.h"
#include "camlist/ui/Form3.h"
#include "camlist/ui/NoticeDialog.h"
#include "localization/LanguageTable.h"

#include <QGroupBox>
#include <QListWidget>
#include <QMessageBox>

QListWidget *MainWindow::cameraListBox() { return List1; }

QWidget *MainWindow::hostWindow() { return this; }

void MainWindow::refillCameraList() { ReadCameraNamesIntoList(false); }

void MainWindow::cmdAdd_Click() { Form2::showAdd(this); }

void MainWindow::cmdEdit_Click() { Form3::showEdit(this); }

void MainWindow::cmdRemove_Click()
{
    if (!AnyCameraSelected()) {
        NoticeDialog::showNotice(this);
        return;
    }
    const QString name = List1->selectedItems().first()->text();
    if (!CameraListFile::findCameraRecord(name, lastFound))
        return;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, Languages().message(QStringLiteral("MSG_DELETE2")),
        Languages().message(QStringLiteral("MSG_DELETE1")) + lastFound.name + QStringLiteral("?"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer != QMessageBox::Ok)
        return;
    if (!CameraListFile::removeCameraRecord(lastFound.name, lastFound.url, lastFound.refresh)) {
        QMessageBox::warning(this, windowTitle(),
                             tr("%1 could not be removed from the camera list %2. The list is unchanged.")
                                 .arg(lastFound.name, CameraListFile::path()));
    }
    List1->clear();
    ReadCameraNamesIntoList(true);
}

void MainWindow::mnuCamItem_Click(int index)
{
    switch (index) {
    case 0:
        cmdAdd_Click();
        break;
    case 1:
        cmdRemove_Click();
        break;
    case 2:
        cmdEdit_Click();
        break;
    case 3:
        cmdStartCam_Click();
        break;
    case 4:
        cmdStopAll_Click();
        break;
    default:
        break;
    }
}

void MainWindow::ApplyEditToOpenSlots(const QString &previousName, const QString &name, const QString &url,
                                 const QString &refresh)
{
    // Only open slots: a closed slot's frame keeps a placeholder caption ("[webcam]")
    // that a camera may happen to be named after.
    for (CameraSlot &slot : cams) {
        if (!slot.isOpen() || slot.Frame->title() != previousName)
            continue;
        slot.txtName->setText(name);
        slot.Frame->setTitle(name);
        slot.txtAddress->setText(url);
        slot.txtRefresh->setText(refresh);
    }
}
