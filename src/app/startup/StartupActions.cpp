// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup/StartupActions.h"

#include "app/startup/Startup.h"
#include "monitor/ui/MainWindow.h"

void applyStartupActions(MainWindow &window, const StartupOptions &options)
{
    window.reopenCamerasIfAsked();
    if (options.openAll)
        window.openAllListedCameras();
    if (options.viewSlot > 0)
        window.showSlotInViewer(options.viewSlot - 1);
}
