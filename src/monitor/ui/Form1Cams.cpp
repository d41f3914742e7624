// The camera commands of the "Controls" frame and the "Cams" menu: add, edit and
// delete cameras of the camera list file.

#include "monitor/ui/Form1.h"

#include "camlist/ui/Form2.h"
#include "camlist/ui/Form3.h"
#include "camlist/ui/Form4.h"
#include "localization/clsLanguages.h"

#include <QGroupBox>
#include <QListWidget>
#include <QMessageBox>

QListWidget *Form1::cameraListBox() { return List1; }

QWidget *Form1::hostWindow() { return this; }

void Form1::refillCameraList() { ReadCameraNamesIntoList(false); }

void Form1::cmdAdd_Click() { Form2::showAdd(this); }

void Form1::cmdEdit_Click() { Form3::showEdit(this); }

void Form1::cmdRemove_Click()
{
    if (!AnyCameraSelected()) {
        Form4::showNotice(this);
        return;
    }
    const QString name = List1->selectedItems().first()->text();
    if (!CameraListFile::FindCameraRecord(name, load))
        return;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, Languages().getMessages(QStringLiteral("MSG_DELETE2")),
        Languages().getMessages(QStringLiteral("MSG_DELETE1")) + load.name + QStringLiteral("?"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer != QMessageBox::Ok)
        return;
    if (!CameraListFile::RemoveCameraRecord(load.name, load.url, load.refresh)) {
        QMessageBox::warning(this, windowTitle(),
                             tr("%1 could not be removed from the camera list %2. The list is unchanged.")
                                 .arg(load.name, CameraListFile::path()));
    }
    List1->clear();
    ReadCameraNamesIntoList(true);
}

void Form1::mnuCamItem_Click(int index)
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

void Form1::ApplyEditToOpenSlots(const QString &previousName, const QString &name, const QString &url,
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
