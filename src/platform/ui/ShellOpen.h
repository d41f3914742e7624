// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QUrl;

// Opens a document or address with the desktop's handler for it, like a double click
// in the file manager. A path that names an existing file or is absolute opens as a
// local file; anything else is read as an address typed by a user
// ("www.ocellus.example" -> http://www.ocellus.example). `show` (a window-show
// command of the original platform) is accepted and ignored.
// Returns a value above 32 (42) when the handler accepted the request, 2 (file not
// found) when `fileOrUrl` is blank, not a usable address, or no handler took it.
int shellOpen(const QString &fileOrUrl, int show);

// Replaces the desktop's handler for tests: `handler` receives each URL and answers
// whether it was opened. An empty function restores the desktop's handler.
void setShellOpenHandlerForTesting(std::function<bool(const QUrl &)> handler);
