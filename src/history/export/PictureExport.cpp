// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/export/PictureExport.h"

#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

#include <utility>

namespace {

// The whole file, or nothing when it cannot be read as a regular file of bounded size.
std::optional<QByteArray> readPicture(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > PictureExport::MaxPictureFileBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(PictureExport::MaxPictureFileBytes + 1);
    if (bytes.size() > PictureExport::MaxPictureFileBytes || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace

PictureExport::PictureExport(ExportItems items, QString folder, QObject *parent)
    : ExportTask(parent)
    , m_items(std::move(items))
    , m_folder(std::move(folder))
{
}

PictureExport::~PictureExport()
{
    stop();
}

ExportOutcome PictureExport::work()
{
    ExportOutcome outcome;
    if (!QFileInfo(m_folder).isDir()) {
        outcome.status = ExportOutcome::Status::Failed;
        outcome.failure = ExportOutcome::Failure::FolderMissing;
        outcome.detail = m_folder;
        return outcome;
    }
    const int total = int(m_items.size());
    AtomicFile::Options options;
    // The folder's entries reach the disk with the last copy's sync; one wait per copy
    // would make a long export crawl.
    options.folderSync = AtomicFile::FolderSync::InBackground;
    for (int i = 0; i < total; ++i) {
        if (isCancelled()) {
            outcome.status = ExportOutcome::Status::Cancelled;
            return outcome;
        }
        const ExportItem &item = m_items.at(i);
        const std::optional<QByteArray> bytes = readPicture(item.path);
        if (!bytes) {
            outcome.skip(item.path);
        } else {
            const AtomicFile::Result written
                = AtomicFile::createNumbered(m_folder, QFileInfo(item.path).fileName(), *bytes, options);
            if (!written.ok()) {
                outcome.status = ExportOutcome::Status::Failed;
                outcome.failure = ExportOutcome::Failure::WriteFailed;
                outcome.detail = written.message;
                return outcome;
            }
            ++outcome.written;
        }
        reportProgress(i + 1, total);
    }
    outcome.path = m_folder;
    return outcome;
}
