// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup/SplashWindow.h"

#include "app/Identity.h"
#include "monitor/BenchmarkLog.h"
#include "monitor/ui/BenchmarkPaints.h"
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
    promo->setTextFormat(Qt::PlainText);
    promo->setObjectName(QStringLiteral("lblPromo"));
    promo->setAlignment(Qt::AlignCenter);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(picture);
    layout->addWidget(promo);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer2"));
    m_timer->setInterval(2);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::tick);
}

SplashWindow::~SplashWindow() { delete m_mainWindow; }

void SplashWindow::load()
{
    loadIdentity();
    if (auto *promo = findChild<QLabel *>(QStringLiteral("lblPromo")))
        promo->setText(tr("%1 — every camera at a glance").arg(identity().programName));
    m_timer->start();
    BenchmarkLog::event("splash_ticks_start");
}

void SplashWindow::tick()
{
    m_count = static_cast<qint16>(m_count + 2);
    if (m_count < 150)
        return;
    m_timer->stop();
    BenchmarkLog::event("splash_last_tick");
    m_mainWindow = new MainWindow();
    m_mainWindow->load();
    BenchmarkPaints::watchFirstPaint(m_mainWindow);
    BenchmarkLog::watchEventLoop();
    m_mainWindow->show();
    hide();
    Q_EMIT mainWindowShown(m_mainWindow);
}
