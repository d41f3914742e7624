// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "camlist/CameraListFile.h"

class LanguageTable;

// What the camera dialogs need of the main window. The host outlives every dialog it
// opens.
class CameraListHost
{
public:
    virtual ~CameraListHost() = default;

    // The table the dialogs' messages come from ("MSG_ALLINFO").
    virtual const LanguageTable &languages() const = 0;

    // Clears the camera list box and fills it again from the camera list file (after a
    // successful add or edit).
    virtual void refillCameraList() = 0;

    // Every open camera whose caption equals `previousName` takes the edited record. Open
    // cameras are not restarted: a running fetch and its timer keep the values they hold.
    virtual void applyEditToOpenCameras(const QString &previousName, const CameraListFile::CameraRecord &edited)
        = 0;
};
