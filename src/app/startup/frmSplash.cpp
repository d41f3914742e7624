#include "app/startup/frmSplash.h"

#include "app/Identity.h"
#include "monitor/ui/BenchmarkLog.h"
#include "monitor/ui/Form1.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget *parent)
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
    connect(Timer2, &QTimer::timeout, this, &frmSplash::Timer2_Timer);
}

frmSplash::~frmSplash() { delete m_form1; }

void frmSplash::Form_Load()
{
    LoadIdentity();
    if (auto *promo = findChild<QLabel *>(QStringLiteral("lblPromo")))
        promo->setText(tr("%1 — every camera at a glance").arg(Identity().programName));
    Timer2->start();
    BenchmarkLog::event("splash_ticks_start");
}

void frmSplash::Timer2_Timer()
{
    intTemp = static_cast<qint16>(intTemp + 2);
    if (intTemp < 150)
        return;
    Timer2->stop();
    BenchmarkLog::event("splash_last_tick");
    m_form1 = new Form1();
    m_form1->Form_Load();
    BenchmarkLog::watchFirstPaint(m_form1);
    m_form1->show();
    hide();
    Q_EMIT mainWindowShown(m_form1);
}
