// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// The limits each camera's saved pictures keep to. 0 is "no limit".
struct RetentionLimits
{
    qint64 maxMegabytes = 0; // MiB (1,048,576 bytes) of the camera's pictures, 0..
    int maxDays = 0;         // days a picture is kept after the time in its name, 0..

    bool limitsAnything() const { return maxMegabytes > 0 || maxDays > 0; }
    bool operator==(const RetentionLimits &) const = default;
};

// The per-user settings of section [SavedPictures]:
//   maxMegabytes, maxDays       the limits of every camera without limits of its own
//   minFreeMegabytes            the free-space floor of autosave in MiB; absent or empty:
//                               the automatic floor (1 GiB or 5 % of the disk, the smaller);
//                               0 turns the floor off
//   cameraLimits                a list of "<maxMegabytes> <maxDays> <camera name>", the
//                               cameras with limits of their own
// Numbers that do not read as whole numbers of at least 0 count as absent. Load and save on
// the window thread only (the settings store's rule).
struct SavedPicturesSettings
{
    RetentionLimits limits;
    QHash<QString, RetentionLimits> cameraLimits;
    std::optional<qint64> minFreeMegabytes; // empty: the automatic floor

    // The limits of `cameraName`: its own, or the common ones.
    RetentionLimits limitsFor(const QString &cameraName) const;

    static SavedPicturesSettings load(const QString &program);
    void save(const QString &program) const;

    bool operator==(const SavedPicturesSettings &) const = default;
};

namespace SavedPicturesKeys {
inline const QString Section = QStringLiteral("SavedPictures");
inline const QString MaxMegabytes = QStringLiteral("maxMegabytes");
inline const QString MaxDays = QStringLiteral("maxDays");
inline const QString MinFreeMegabytes = QStringLiteral("minFreeMegabytes");
inline const QString CameraLimits = QStringLiteral("cameraLimits");
} // namespace SavedPicturesKeys
