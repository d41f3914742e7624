// A finished response becomes the slot's picture; the Last-Modified line marks new
// pictures, which autosave writes into the cam folder; "Save Image" saves on demand.

#include "monitor/ui/MainWindow.h"

#include "imaging/JpegWriter.h"
#include "imaging/BottomUpBitmap.h"
#include "monitor/HttpResponse.h"
#include "monitor/PictureAcceptance.h"
#include "monitor/ui/BenchmarkLog.h"
#include "platform/AppFolder.h"
#include "platform/Clock.h"
#include "platform/OperationError.h"
#include "platform/ui/RedrawLock.h"
#include "viewer/ui/FullScreenView.h"
#include "viewer/ui/ImageControl.h"
#include "viewer/ui/ViewerPanel.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>

#include <utility>

namespace {

// Writes `picture` as a JPEG of quality 90 to `path` (through a temporary file beside
// it) and returns the bytes written. Throws OperationError on failure. The bitmap is filled
// straight from the picture's decoder, without a full-size image in between.
QByteArray savePictureAsJpeg(const Picture &picture, const QString &path)
{
    BottomUpBitmap dib;
    picture.toDib(dib);
    const QByteArray jpeg = encodeBitmapAsJpeg(dib, 90);
    const QFileInfo wanted(path);
    saveJpegAsNewFile(wanted.path(), wanted.fileName(), jpeg);
    return jpeg;
}

} // namespace

QString MainWindow::savePath(const QString &cameraName, const QDateTime &now) const
{
    const QString folder = AppFolder::file(QStringLiteral("cam"));
    return folder + QLatin1Char('/') + freeFileName(folder, autosaveFileName(cameraName, now));
}

void MainWindow::wsCam_Close(int i)
{
    CameraSlot &slot = cams[i];
    BenchmarkLog::fetchClosed(i);
    if (BenchmarkLog::enabled()) {
        BenchmarkLog::watchPaints(slot.imgCam, "shown", i);
        BenchmarkLog::watchPaints(viewer->imgMain, "viewer_shown", -1);
    }
    slot.imgRefresh->hide();
    // The response is consumed: its bytes become the body.
    const SplitResponse response = splitResponse(std::exchange(slot.fetch.camBuffer, QByteArray()));
    if (headerNamesImage(response.header))
        acceptPicture(i, response.header, response.body);
    else
        showNotFound(i);

    if (i == currentCam) {
        viewer->lblName->setText(slot.txtName->text());
        viewer->lblRefresh->setText(slot.txtRefresh->text());
        viewer->lblLastChanged->setText(slot.txtUpdated->text());
        viewer->lblLastRefreshed->setText(slot.txtRefreshed->text());
    }
}

void MainWindow::showNotFound(int i)
{
    CameraSlot &slot = cams[i];
    lockRedraw(this, true);
    slot.imgCam->setPicture(notFound);
    slot.pictureReceived = true;
    slot.imgRefresh->hide();
    lockRedraw(this, false);
}

void MainWindow::acceptPicture(int i, const QByteArray &header, const QByteArray &body)
{
    CameraSlot &slot = cams[i];
    const LastModifiedOutcome lm = decideLastModified(header, slot.camLastModified);
    if (lm.hasLine) {
        slot.txtUpdated->setText(lm.txtUpdated);
        if (lm.storeNew)
            slot.camLastModified = lm.lm;
        if (lm.stampRefreshed)
            slot.txtRefreshed->setText(refreshedStamp(Clock::now()));
        slot.camChanged = lm.changed;
    } else {
        slot.camChanged = false;
    }

    // The body is decoded once, from memory; an unreadable body leaves the previous
    // picture everywhere. The viewer shows the picture at full size: the decode of the part
    // it shows (all of it for the full-screen view) starts on a worker at once, alongside the
    // readability check. The slot's size bounds the detail its picture needs.
    const QSize slotPixels = slot.imgCam->devicePixelSize();
    const Picture picture = i != currentCam ? Picture::fromBytes(body, slotPixels)
        : Picture::fromBytesDecodingAhead(body, FullScreenActive ? QRect() : viewer->shownArea(), slotPixels);

    lockRedraw(this, true);
    if (!picture.isNull()) {
        slot.imgCam->setPicture(picture);
        slot.pictureReceived = true;
    }
    slot.imgRefresh->hide();
    if (i == currentCam && !picture.isNull()) {
        viewer->updatePicture(picture);
        if (FullScreenActive && m_form6) {
            m_form6->picrefresh->hide();
            m_form6->Image1->setStretch(true);
            m_form6->Image1->setPicture(picture);
        }
    }
    if (chkSave->isChecked() && slot.camChanged) {
        BenchmarkLog::slotCpuEvent("autosave_start", i);
        autosave(i);
        BenchmarkLog::slotCpuEvent("autosave_end", i);
    }
    lockRedraw(this, false);
    // The new picture is painted now rather than after the events already queued (other
    // slots' responses arrive in bursts): repaint() paints the window's pending changes.
    if (slot.imgCam->isVisible())
        slot.imgCam->repaint();
}

void MainWindow::autosave(int i)
{
    CameraSlot &slot = cams[i];
    const QDateTime now = Clock::now();
    const QString path = savePath(slot.Frame->title(), now);
    const Picture shown = slot.imgCam->picture();
    try {
        const QByteArray jpeg = savePictureAsJpeg(shown, path);
        // The slot shows the picture as saved.
        const Picture saved = Picture::fromBytes(jpeg, slot.imgCam->devicePixelSize());
        if (!saved.isNull())
            slot.imgCam->setPicture(saved);
        if (i == currentCam)
            setStatusText(timeText(now) + QStringLiteral(" new picture saved as ") + path);
    } catch (const OperationError &error) {
        // A failed autosave keeps the picture on screen and is not reported by a box
        // (it may recur every second); the status bar tells the truth instead.
        if (i == currentCam)
            setStatusText(timeText(now) + QStringLiteral(" new picture could not be saved as ") + path
                + QStringLiteral(": ") + error.description());
    }
    if (i != currentCam)
        shown.dropFullDecode();
}

void MainWindow::cmdSave_Click()
{
    const int c = currentCam;
    if (c < 0 || c >= SlotCount) {
        QMessageBox::information(
            this, windowTitle(), tr("Select a camera's picture first: click it in its panel."));
        return;
    }
    CameraSlot &slot = cams[c];
    const Picture shown = slot.imgCam->picture();
    if (shown.isNull()) {
        QMessageBox::information(
            this, windowTitle(), tr("%1 has not received a picture yet.").arg(slot.txtName->text()));
        return;
    }
    const QDateTime now = Clock::now();
    const QString path = savePath(slot.txtName->text(), now);
    try {
        savePictureAsJpeg(shown, path);
    } catch (const OperationError &error) {
        QMessageBox::warning(this, windowTitle(),
            tr("The picture could not be saved as\n%1\n\n%2 (error %3)")
                .arg(path, error.description())
                .arg(error.number()));
        return;
    }
    lockRedraw(this, true);
    viewer->imgMain->setPicture(shown);
    lockRedraw(this, false);
    setStatusText(timeText(now) + QStringLiteral(" saved as ") + path);
}
