#include "app/startup/SplashWindow.h"

#include "app/Identity.h"
#include "monitor/ui/BenchmarkLog.h"
#include "monitor/ui/MainWindow.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    auto *picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral(":/splash.png")));
    auto *promo = new QLabel(this);
    promo->setObjectName(QStringLiteral("lblPromo"));
    promo->setAlignment(Qt::AlignCenter);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(picture);
    layout->addWidget(promo);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(2);
    connect(Timer2, &QTimer::timeout, this, &SplashWindow::Timer2_Timer);
}

SplashWindow::~SplashWindow() { delete m_form1; }

void SplashWindow::load()
{
    loadIdentity();
    if (auto *promo = findChild<QLabel *>(QStringLiteral("lblPromo")))
        promo->setText(tr("%1 — every camera at a glance").arg(identity().programName));
    Timer2->start();
    BenchmarkLog::event("splash_ticks_start");
}

void SplashWindow::Timer2_Timer()
{
    intTemp = static_cast<qint16>(intTemp + 2);
    if (intTemp < 150)
        return;
    Timer2->stop();
    BenchmarkLog::event("splash_last_tick");
    m_form1 = new MainWindow();
    m_form1->load();
    BenchmarkLog::watchFirstPaint(m_form1);
    m_form1->show();
    hide();
    Q_EMIT mainWindowShown(m_form1);
}
