// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/WebsiteLauncher.h"

#include "app/Identity.h"
#include "platform/Twips.h"
#include "platform/ui/ShellOpen.h"

#include <QTimer>

const QString WebsiteLauncher::WebsiteRequest = QStringLiteral("Website");

WebsiteLauncher::WebsiteLauncher(const QString &request)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint)
    , m_request(request)
{
    setObjectName(QStringLiteral("frmWebsite"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(Twips::toPx(1830), Twips::toPx(1605));

    m_unloadTimer = new QTimer(this);
    m_unloadTimer->setObjectName(QStringLiteral("Timer1"));
    m_unloadTimer->setInterval(1000);
    connect(m_unloadTimer, &QTimer::timeout, this, [this] {
        m_unloadTimer->stop();
        deleteLater();
    });
    m_unloadTimer->start();
}

void WebsiteLauncher::launch(QPointer<WebsiteLauncher> &holder, const QString &request)
{
    if (holder)
        return;
    holder = new WebsiteLauncher(request);
    holder->load();
}

QString WebsiteLauncher::websiteAddress(const QString &website)
{
    if (website.contains(QLatin1String("https://"), Qt::CaseInsensitive)
        || website.contains(QLatin1String("http://"), Qt::CaseInsensitive))
        return website;
    return QStringLiteral("http://") + website;
}

void WebsiteLauncher::load()
{
    loadIdentity();
    if (m_request != WebsiteRequest)
        return;
    shellOpen(websiteAddress(identity().website), 0);
    m_request.clear();
}
