// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real main window over a fresh application folder holding a camera list, driven as
// a user would: entries of the camera list selected, buttons clicked, responses handed to
// a slot's camera as if its server sent them.

#include "monitor/CameraMonitor.h"
#include "monitor/ui/MainWindow.h"
#include "monitor/ui/SlotView.h"
#include "support/CameraListFixture.h"
#include "support/Controls.h"
#include "support/ResponseFixtures.h"
#include "support/TempAppFolder.h"
#include "viewer/ui/ImageControl.h"

#include <QDir>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace fixture {

struct TestWindow
{
    TempAppFolder folder;
    std::unique_ptr<MainWindow> window;

    // With `fillList` false the camera list box stays empty (for a test that runs the
    // window's whole start-up, which fills it).
    explicit TestWindow(const QList<Camera> &cameras = {}, bool fillList = true)
    {
        folder.write(CameraListFile::FileName, camListBytes(cameras));
        QDir(folder.path()).mkdir(QStringLiteral("cam"));
        window = std::make_unique<MainWindow>();
        if (fillList)
            window->loadCameraList();
    }

    QListWidget *list() const { return control<QListWidget>(window.get(), "List1"); }

    void select(const QString &name) const
    {
        const QList<QListWidgetItem *> items = list()->findItems(name, Qt::MatchExactly);
        Q_ASSERT(!items.isEmpty());
        list()->setCurrentItem(items.first());
    }

    // Selects `name` in the camera list and presses "Start Cam".
    void open(const QString &name) const
    {
        select(name);
        window->startSelectedCamera();
    }

    CameraEngine *camera(int slot) const { return window->cameras().camera(slot); }
    SlotView *slot(int index) const { return control<SlotView>(window.get(), "Frame", index); }
    ImageControl *slotPicture(int index) const { return control<ImageControl>(window.get(), "imgCam", index); }
    bool indicatorShown(int index) const { return slot(index)->indicatorVisible(); }

    // Hands `response` to slot `index`'s camera as the complete response of its running
    // fetch, and waits until the camera has handled it.
    void deliver(int index, const QByteArray &response) const
    {
        QSignalSpy finished(camera(index), &CameraEngine::fetchFinished);
        camera(index)->handleResponse(response);
        if (finished.isEmpty())
            finished.wait(5000);
    }

    int openSlotCount() const
    {
        int n = 0;
        for (int i = 0; i < MainWindow::SlotCount; ++i)
            n += slot(i)->isHidden() ? 0 : 1;
        return n;
    }
};

} // namespace fixture
