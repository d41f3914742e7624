#pragma once

#include "monitor/SlotFetchState.h"
#include "platform/ui/HiddenText.h"

#include <QString>

class ImageControl;
class QGroupBox;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class QWidget;
class SlotSocket;

// One of the 24 camera panels of the main window: one element of every per-slot
// control array plus the slot's state. All controls are created once with the
// window; opening and closing a slot only shows, hides and fills them.
struct CameraSlot
{
    int index = 0;

    // Controls (children of the slot panel; object names are the array names and the
    // dynamic property "Index" holds the element index).
    QGroupBox *Frame = nullptr;
    QWidget *Picture2 = nullptr;
    ImageControl *imgCam = nullptr;
    ImageControl *imgRefresh = nullptr;
    QProgressBar *prgCam = nullptr;
    QToolButton *cmdRefresh = nullptr;
    QToolButton *cmdStop = nullptr;
    QPushButton *cmdStart = nullptr;    // hidden; its click starts a fetch
    QTimer *timRefresh = nullptr;       // 1000 ms, created disabled
    SlotSocket *wsCam = nullptr;
    HiddenText *txtRefreshed = nullptr;  // hidden texts holding the slot's record and status
    HiddenText *txtAddress = nullptr;
    HiddenText *txtRefresh = nullptr;
    HiddenText *txtName = nullptr;
    HiddenText *txtUpdated = nullptr;

    // State.
    QString camHost;
    QString camPath;
    quint16 camPort = 80;
    bool camTls = false;
    QString camUserInfo;            // credentials of the address, sent as basic authentication
    SlotFetchState fetch;           // camBuffer, camBytesReceived, camHeaderParsed, camContentLength
    QString camLastModified;        // never cleared, not even when the slot is reused
    bool camChanged = false;
    qint32 camElapsed = 0;
    qint32 camRefreshSecs = 0;
    float progressValue = 0;        // the progress bar's current value (it is never reset)
    bool pictureReceived = false;   // a response was shown since the slot was opened

    bool isOpen() const;
};
