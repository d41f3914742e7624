// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/SavedPictureName.h"

#include <QString>
#include <QStringList>

#include <vector>

// One saved picture of a camera.
struct SavedPicture
{
    QString fileName;      // in the folder scanned, no path
    qint64 time = 0;       // LocalTimeKey: from the name, else the file's modification time
    qint64 bytes = -1;     // the file's size; -1 unless sizes were asked for
    int variant = 1;       // the "_N" of a name taken twice in one second; 1 for the plain name
    bool timeFromName = true;
};

// One camera's saved pictures in the cam folder, oldest first (by time, then variant, then
// name). Only regular files count: symbolic links, folders and other entries are never
// listed. A name that also reads as a picture of another known camera (one camera's name
// beginning with another's, as "Cam" and "Cam1" with a date beginning with "1") goes to
// the camera with the longer name, and is left out altogether by `Ownership::Certain`.
// Built by one directory read and, only where asked for or needed, one lstat per picture:
// meant for a worker thread; no Qt event loop needed.
class SavedPictureIndex
{
public:
    enum class Ownership {
        // Every name that reads as a time of this camera or looks saved by it (a number after
        // its prefix, ".jpg" at the end): what the history shows.
        Likely,
        // Only names that read as a time of this camera and of no other known camera: what
        // pruning may delete.
        Certain,
    };
    struct Options
    {
        Ownership ownership = Ownership::Likely;
        bool sizes = false; // read every picture's size
    };

    // Scans `folder` for the pictures of `cameraName`; `otherCameras` are the names of the
    // other cameras of the list (the camera's own name among them is ignored). An unreadable
    // or missing folder gives an empty index. With Ownership::Certain, a camera whose prefix
    // equals another's (names differing only in removed characters) has no pictures.
    static SavedPictureIndex scan(const QString &folder, const QString &cameraName, const QStringList &otherCameras,
                                  const NamePattern &pattern, Options options);

    const std::vector<SavedPicture> &pictures() const { return m_pictures; }
    qsizetype size() const { return static_cast<qsizetype>(m_pictures.size()); }
    bool isEmpty() const { return m_pictures.empty(); }
    // The sum of the sizes read (0 without Options::sizes).
    qint64 totalBytes() const { return m_totalBytes; }
    const QString &folder() const { return m_folder; }
    QString filePath(qsizetype index) const;

    // The index of the last picture whose time is at or before `time` (LocalTimeKey); 0 when
    // every picture is later; -1 for an empty index.
    qsizetype indexAtOrBefore(qint64 time) const;
    // The index of the picture named `fileName` whose time is `time`; -1 when there is none.
    qsizetype find(const QString &fileName, qint64 time) const;

    // Takes a picture saved since the scan into its place in time order and returns its
    // index; -1, with nothing changed, when a picture of that name is listed already.
    qsizetype insert(const SavedPicture &picture);

private:
    QString m_folder;
    std::vector<SavedPicture> m_pictures;
    qint64 m_totalBytes = 0;
};
