// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Every setting lives in section "Settings", under the program name of the identity.
namespace SettingsKeys {
inline const QString Section = QStringLiteral("Settings");
inline const QString Language = QStringLiteral("Language");                 // per-user
inline const QString ShowHelp = QStringLiteral("showHelp");                 // per-user, "1"/"0"
inline const QString IgnorePermissionDenied = QStringLiteral("IgnorePermissionDeniedError"); // per-user
inline const QString AutoSave = QStringLiteral("autoSave");                 // machine-wide, "1"/"0"
inline const QString ReopenCameras = QStringLiteral("reopenCameras");       // per-user, "1"/"0"
inline const QString OpenCameras = QStringLiteral("openCameras");           // per-user, a name per slot
} // namespace SettingsKeys
