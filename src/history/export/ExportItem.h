// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// One saved picture of a camera: when it was taken and the JPEG file that holds it.
struct ExportItem
{
    QDateTime time;
    QString path;
};

using ExportItems = QList<ExportItem>;
