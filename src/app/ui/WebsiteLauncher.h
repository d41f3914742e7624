// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QTimer;

// The website launcher `frmWebsite`: a window that is never shown (no border, not in the
// task bar). Loading it with the request "Website" hands the product website to the
// desktop's browser; it unloads itself one second (`Timer1`) after it was loaded.
class WebsiteLauncher : public QWidget
{
    Q_OBJECT
public:
    // The request word that asks for the product website.
    static const QString WebsiteRequest; // "Website"

    explicit WebsiteLauncher(const QString &request);

    // Loads a launcher for `request` into `holder` and runs its load(), unless `holder`
    // still holds a loaded one: then nothing happens.
    static void launch(QPointer<WebsiteLauncher> &holder, const QString &request);

    // The address handed to the browser for the identity's `website`: unchanged when
    // it holds "http://" or "https://" anywhere (any letter case), otherwise
    // "http://" + website.
    static QString websiteAddress(const QString &website);

    // With the request "Website": reloads the identity, opens websiteAddress() of its
    // website and forgets the request. Any other request does nothing. A browser that
    // cannot be started is not reported.
    void load();

private:
    QTimer *m_unloadTimer = nullptr; // 1000 ms, running from the start
    QString m_request;
};
