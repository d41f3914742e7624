// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One camera engine without a window, saving into the cam folder of a fresh application
// folder, and responses handed to it as if its server sent them.

#include "imaging/PictureDecodeQueue.h"
#include "monitor/CameraEngine.h"
#include "monitor/CameraMonitor.h"
#include "support/TempAppFolder.h"

#include <QDir>
#include <QSignalSpy>

namespace fixture {

struct Engine
{
    TempAppFolder folder;
    SaveSettings saving;
    PictureDecodeQueue decodes {&CameraMonitor::writeNewPicture};
    CameraEngine engine;

    Engine()
        : engine(0, &saving, &decodes)
    {
        QDir(folder.path()).mkdir(QStringLiteral("cam"));
        saving.folder = folder.file(QStringLiteral("cam"));
    }

    void open(const QString &name, const QString &url, const QString &refresh = QStringLiteral("60"))
    {
        engine.open({name, url, refresh});
    }

    // Hands `response` to the engine as everything its server sent, and waits until the
    // engine has handled it. The result, or -1 when none came.
    CameraEngine::FetchResult deliver(const QByteArray &response)
    {
        QSignalSpy finished(&engine, &CameraEngine::fetchFinished);
        engine.handleResponse(response);
        return waitForResult(finished);
    }

    // Starts a fetch now and waits up to `timeoutMs` until it has been handled.
    CameraEngine::FetchResult fetch(int timeoutMs = 20000)
    {
        QSignalSpy finished(&engine, &CameraEngine::fetchFinished);
        engine.refresh();
        return waitForResult(finished, timeoutMs);
    }

    static CameraEngine::FetchResult waitForResult(QSignalSpy &finished, int timeoutMs = 5000)
    {
        if (finished.isEmpty())
            finished.wait(timeoutMs);
        return finished.isEmpty() ? CameraEngine::FetchResult(-1)
                                  : finished.last().at(0).value<CameraEngine::FetchResult>();
    }

    // The names in the cam folder, sorted.
    QStringList saved() const { return QDir(saving.folder).entryList(QDir::Files, QDir::Name); }
};

} // namespace fixture
