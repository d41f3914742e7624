// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/ShellOpen.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

constexpr int kOpened = 42;
constexpr int kNotFound = 2;

std::function<bool(const QUrl &)> g_testHandler;

} // namespace

int shellOpen(const QString &fileOrUrl, int show)
{
    Q_UNUSED(show);
    const QString target = fileOrUrl.trimmed();
    if (target.isEmpty())
        return kNotFound;
    const QFileInfo file(target);
    const QUrl url = (QDir::isAbsolutePath(target) || file.exists()) ? QUrl::fromLocalFile(file.absoluteFilePath())
                                                                    : QUrl::fromUserInput(target);
    if (!url.isValid() || url.isEmpty())
        return kNotFound;
    const bool opened = g_testHandler ? g_testHandler(url) : QDesktopServices::openUrl(url);
    return opened ? kOpened : kNotFound;
}

void setShellOpenHandlerForTesting(std::function<bool(const QUrl &)> handler) { g_testHandler = std::move(handler); }
