#pragma once

class QListWidget;
class QString;
class QWidget;

// What the add and edit dialogs need of the main window. The host outlives every
// dialog it opens (it owns them through hostWindow()).
class CameraListHost
{
public:
    virtual ~CameraListHost() = default;

    // The camera list box, List1: one entry per record of the camera list file.
    virtual QListWidget *cameraListBox() = 0;

    // Owner of the dialogs and of the notice window.
    virtual QWidget *hostWindow() = 0;

    // Clears List1 and fills it again from the camera list file (the dialogs' refill
    // after a successful add or edit).
    virtual void refillCameraList() = 0;

    // Every open slot whose frame caption equals `previousName` takes the edited
    // name (name text and frame caption), URL and refresh text. Open slots are not
    // restarted: a running fetch and its timer keep the values they hold.
    virtual void ApplyEditToOpenSlots(
        const QString &previousName, const QString &name, const QString &url, const QString &refresh)
        = 0;
};
