// SPDX-License-Identifier: GPL-3.0-or-later
// The camera commands of the "Controls" frame and the "Cams" menu: add, edit, delete and
// start cameras of the camera list file.

#include "monitor/ui/MainWindow.h"

#include "camlist/ui/CameraDialog.h"
#include "monitor/CameraMonitor.h"
#include "monitor/ui/SlotView.h"
#include "platform/ui/RedrawLock.h"
#include "platform/ui/MessageBoxes.h"

#include <QListWidget>

#include <algorithm>

QString MainWindow::selectedCameraName() const
{
    const QList<QListWidgetItem *> selected = m_cameraList->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void MainWindow::loadCameraList()
{
    CameraListFile::createIfMissing();
    lockRedraw(this, true);
    m_cameraList->addItems(CameraListFile::readCameraNames());
    lockRedraw(this, false);
}

void MainWindow::refillCameraList()
{
    m_cameraList->clear();
    m_cameraList->addItems(CameraListFile::readCameraNames());
}

void MainWindow::startSelectedCamera()
{
    if (m_cameraList->selectedItems().isEmpty()) {
        showNotice();
        return;
    }
    m_cameras->openIfNotOpen(selectedCameraName());
}

void MainWindow::openAllListedCameras()
{
    QStringList names;
    for (int row = 0; row < m_cameraList->count(); ++row)
        names.append(m_cameraList->item(row)->text());
    // The cameras' fetches (and decodes) are spread over the first second rather than all
    // starting together; each keeps its place in the second afterwards.
    const int count = std::min<int>(names.size(), SlotCount);
    for (int index = 0; index < names.size(); ++index) {
        if (m_cameras->openCount() >= SlotCount)
            break;
        m_cameras->openIfNotOpen(names[index], index * 1000 / count);
    }
}

void MainWindow::addCamera() { CameraDialog::openAdd(m_addDialog, this, this); }

void MainWindow::editSelectedCamera()
{
    if (m_cameraList->selectedItems().isEmpty()) {
        showNotice();
        return;
    }
    // The list's current entry, or the first selected one when the current one is not selected.
    const QListWidgetItem *current = m_cameraList->currentItem();
    const QString name = current && current->isSelected() ? current->text() : selectedCameraName();
    CameraDialog::openEdit(m_editDialog, this, name, this);
}

void MainWindow::removeSelectedCamera()
{
    if (m_cameraList->selectedItems().isEmpty()) {
        showNotice();
        return;
    }
    CameraListFile::CameraRecord record;
    if (!CameraListFile::findCameraRecord(selectedCameraName(), record))
        return;
    const QMessageBox::StandardButton answer = showMessage(
        this, QMessageBox::Question, m_languages.message(QStringLiteral("MSG_DELETE2")),
        m_languages.message(QStringLiteral("MSG_DELETE1")) + record.name + QStringLiteral("?"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer != QMessageBox::Ok)
        return;
    if (!CameraListFile::removeCameraRecord(record.name, record.url, record.refresh)) {
        showMessage(this, QMessageBox::Warning, windowTitle(),
                    m_languages.message(QStringLiteral("MSG_NOTREMOVED")).arg(record.name, CameraListFile::path()));
    }
    m_cameraList->clear();
    loadCameraList();
}

void MainWindow::applyEditToOpenCameras(const QString &previousName, const CameraListFile::CameraRecord &edited)
{
    m_cameras->applyEdit(previousName, edited);
    for (int slot = 0; slot < SlotCount; ++slot) {
        CameraEngine *camera = m_cameras->camera(slot);
        if (camera->isOpen())
            m_slots[static_cast<size_t>(slot)]->setTitle(camera->caption());
    }
}
