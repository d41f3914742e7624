// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/export/ExportItem.h"
#include "history/export/ExportTask.h"

// Copies saved pictures into a folder. Each copy keeps the picture's file name, or takes
// the first free "<base>_2.jpg" ... "<base>_999.jpg" when an entry of that name stands
// there: nothing in the folder is ever replaced. Each copy is written to a temporary file
// in the folder and takes its name only when complete (AtomicFile::createNumbered), so a
// cancel or a failure leaves whole copies only.
//
// A picture that cannot be read (gone, not a regular file, larger than
// MaxPictureFileBytes) is skipped and counted; a copy that cannot be written (the disk
// full, the folder not writable) ends the export as Failed with the system's text.
class PictureExport : public ExportTask
{
    Q_OBJECT
public:
    // Larger source files are not read, and count as skipped.
    static constexpr qint64 MaxPictureFileBytes = qint64(128) * 1024 * 1024;

    PictureExport(ExportItems items, QString folder, QObject *parent = nullptr);
    ~PictureExport() override;

protected:
    ExportOutcome work() override;

private:
    const ExportItems m_items;
    const QString m_folder;
};
