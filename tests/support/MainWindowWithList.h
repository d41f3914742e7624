// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A main window over a fresh application folder holding a camera list, for suites that
// drive the real main window by its object names.

#include "camlist/CameraListFile.h"
#include "monitor/ui/MainWindow.h"
#include "support/CameraListFixture.h"
#include "support/Controls.h"
#include "support/TempAppFolder.h"

#include <QDir>
#include <QListWidget>

#include <memory>

namespace fixture {

struct MainWindowWithList
{
    TempAppFolder folder;
    std::unique_ptr<MainWindow> window;

    // The list file holds `cameras`, the cam folder exists, the list box is filled.
    explicit MainWindowWithList(const QList<Camera> &cameras = {})
    {
        folder.write(CameraListFile::FileName, camListBytes(cameras));
        QDir(folder.path()).mkdir(QStringLiteral("cam"));
        window = std::make_unique<MainWindow>();
        window->loadCameraList();
    }

    // Makes the first entry called `name` of the camera list box the selected one.
    void select(const QString &name) const
    {
        auto *list = control<QListWidget>(window.get(), "List1");
        const QList<QListWidgetItem *> found = list->findItems(name, Qt::MatchExactly);
        Q_ASSERT(!found.isEmpty());
        list->setCurrentItem(found.first());
    }

    // "Start Cam" on the entry `name`.
    void open(const QString &name) const
    {
        select(name);
        window->startSelectedCamera();
    }
};

} // namespace fixture
