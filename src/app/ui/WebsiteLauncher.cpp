#include "app/ui/WebsiteLauncher.h"

#include "app/Identity.h"
#include "platform/Twips.h"
#include "platform/ui/ShellOpen.h"

#include <QPointer>
#include <QTimer>

QString WebsiteRequest;

namespace {

QPointer<WebsiteLauncher> g_launcher;

const QString RequestWebsite = QStringLiteral("Website");

} // namespace

WebsiteLauncher::WebsiteLauncher()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmWebsite"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(Twips::toPx(1830), Twips::toPx(1605));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &WebsiteLauncher::Timer1_Timer);
    Timer1->start();
}

void WebsiteLauncher::launch()
{
    if (g_launcher)
        return;
    g_launcher = new WebsiteLauncher();
    g_launcher->load();
}

WebsiteLauncher *WebsiteLauncher::instance() { return g_launcher.data(); }

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
    if (WebsiteRequest != RequestWebsite)
        return;
    shellOpen(websiteAddress(identity().website), 0);
    WebsiteRequest.clear();
}

void WebsiteLauncher::Timer1_Timer()
{
    Timer1->stop();
    deleteLater();
}
