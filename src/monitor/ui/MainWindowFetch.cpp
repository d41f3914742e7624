// The HTTP fetch of a slot's picture: fetch start, request and data arrival. The
// handlers only move bytes; the request and the response bookkeeping are done by the
// widget-free functions of the monitor library.

#include "monitor/ui/MainWindow.h"

#include "monitor/CameraAddress.h"
#include "monitor/RefreshInterval.h"
#include "monitor/ui/BenchmarkLog.h"
#include "platform/SlotSocket.h"
#include "platform/ui/DeferredPaints.h"
#include "platform/ui/StatusPanel.h"
#include "viewer/ui/FullScreenView.h"
#include "viewer/ui/ImageControl.h"

#include <QGroupBox>
#include <QProgressBar>
#include <QTimer>

void MainWindow::cmdStart_Click(int i)
{
    CameraSlot &slot = cams[i];
    slot.imgRefresh->show();
    if (i == currentCam && FullScreenActive && m_form6)
        m_form6->picrefresh->show();
    slot.imgRefresh->raise();
    slot.camRefreshSecs = effectiveRefreshSeconds(slot.txtRefresh->text());
    slot.camElapsed = 0;
    slot.timRefresh->start();
    slot.Frame->setTitle(slot.txtName->text());
    slot.wsCam->close();
    BenchmarkLog::fetchDropped(i);

    // From here on an unusable address ends the start silently.
    const CameraAddress address = parseCameraAddress(slot.txtAddress->text());
    if (!address.ok)
        return;
    slot.camHost = address.host;
    slot.camPath = address.path;
    slot.camPort = address.port;
    slot.camTls = address.tls;
    slot.camUserInfo = address.userInfo;
    slot.fetch.resetForFetch();

    slot.wsCam->close();
    slot.wsCam->setLocalPort(0);
    slot.wsCam->connectToHost(slot.camHost, slot.camPort, slot.camTls);
    BenchmarkLog::fetchStarted(i);
}

void MainWindow::wsCam_Connect(int i)
{
    CameraSlot &slot = cams[i];
    slot.camPath = encodeRequestPath(slot.camPath);
    slot.wsCam->send(buildRequest(slot.camPath, slot.camHost, basicAuthorization(slot.camUserInfo)));
}

void MainWindow::wsCam_DataArrival(int i, qint32 bytesTotal)
{
    CameraSlot &slot = cams[i];
    // The waiting bytes go straight from the socket into the slot's buffer.
    SlotSocket &socket = *slot.wsCam;
    const ArrivalResult result = onDataArrival(slot.fetch, socket.bytesAvailable(), bytesTotal,
                                               [&socket](char *into, qint64 bytes) { return socket.read(into, bytes); });
    if (result.abandon) {
        // A response beyond the bound is not a picture: stop receiving and say so.
        BenchmarkLog::slotEvent("abandon_bound", i);
        slot.wsCam->close();
        wsCam_Close(i);
        return;
    }
    if (!result.showProgress)
        return;
    slot.progressValue = progressBarValueAfter(slot.progressValue, result);
    if (result.barAccepts) {
        // The bar takes every value, but is painted at most every ProgressPaintIntervalMs (instead
        // of at once, by QProgressBar::setValue()): each paint of the bar also repaints the
        // frame and the picture edge beneath it, and a picture arrives in several pieces.
        m_progressPaints->change(
            slot.prgCam, [&slot] { slot.prgCam->setValue(static_cast<int>(slot.progressValue)); });
    }
    // The status text is current at once; like the bar, it is painted at most every
    // ProgressPaintIntervalMs while pieces arrive.
    m_progressPaints->change(
        statusPanel1, [&] { setStatusText(downloadStatusText(statusFileName(slot.camPath), slot.progressValue)); });
}
