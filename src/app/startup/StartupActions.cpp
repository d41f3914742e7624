#include "app/startup/StartupActions.h"

#include "app/startup/Startup.h"
#include "monitor/ui/MainWindow.h"

#include <QGroupBox>
#include <QListWidget>

#include <algorithm>

namespace {

bool isOpen(const MainWindow &form1, const QString &name)
{
    return std::any_of(form1.cams.begin(), form1.cams.end(),
        [&name](const CameraSlot &slot) { return slot.isOpen() && slot.Frame->title() == name; });
}

} // namespace

void applyStartupActions(MainWindow &form1, const StartupOptions &options)
{
    if (options.openAll) {
        QStringList names;
        for (int row = 0; row < form1.List1->count(); ++row)
            names.append(form1.List1->item(row)->text());
        for (const QString &name : names) {
            if (form1.openCamCount >= MainWindow::SlotCount)
                break;
            if (!name.isEmpty() && !isOpen(form1, name))
                form1.OpenCameraByName(name);
        }
    }
    const int slot = options.viewSlot - 1;
    if (slot >= 0 && slot < MainWindow::SlotCount && form1.cams[static_cast<size_t>(slot)].isOpen())
        form1.imgCam_Click(slot);
}
