// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/export/ExportItem.h"
#include "history/export/ExportOutcome.h"

#include <QList>
#include <QSize>
#include <QString>

class ExportTask;

// Saved pictures made for the export suites.
namespace ExportFixtures {

// One JPEG a picture in `folder`, a second apart from 9 December 2026 12:00:00, named as
// the camera "Gate" saves them ("Gate1292026120000PM.jpg", ...); picture i is one colour
// of sizes[i], another for each i.
ExportItems savePictures(const QString &folder, const QList<QSize> &sizes);

// `count` pictures of `size`.
ExportItems savePictures(const QString &folder, int count, QSize size);

// Names of the entries in `folder`, sorted, hidden ones included.
QStringList entries(const QString &folder);

// Starts `task` and waits for its outcome (at most `timeoutMs`; a test that waits longer ends
// there). The outcome is taken on this thread from a queued signal, so a task that ends
// before the wait begins is seen too.
ExportOutcome runToEnd(ExportTask &task, int timeoutMs = 60000);

} // namespace ExportFixtures
