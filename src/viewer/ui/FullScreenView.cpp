// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ui/FullScreenView.h"

#include "platform/ScreenSaver.h"
#include "viewer/ui/ImageControl.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPalette>

FullScreenView::FullScreenView(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    // A plain top-level window: window managers make those full screen (a tool window they
    // leave at its size in a corner). Its title is given by the window that opens it.
    setObjectName(QStringLiteral("Form6"));
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    m_picture = new ImageControl(this);
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setStretch(true);
    m_picture->setGeometry(0, 0, 400 / 15, 400 / 15);

    m_indicator = new ImageControl(this);
    m_indicator->setObjectName(QStringLiteral("picrefresh"));
    m_indicator->setStretch(true);
    m_indicator->setPicture(resourcePicture(QStringLiteral(":/picrefresh.png")));
    m_indicator->setGeometry(0, 0, 48, 48);
    m_indicator->hide();
    // The indicator is drawn above the picture.
    m_indicator->raise();

    connect(m_picture, &ImageControl::clicked, this, &FullScreenView::close);
}

FullScreenView::~FullScreenView() { unload(); }

void FullScreenView::open(const Picture &picture)
{
    m_opened = true;
    setScreenSaverActive(false);
    m_picture->setGeometry(0, 0, width(), height());
    m_indicator->raise();
    showPicture(picture);
    showFullScreen();
}

void FullScreenView::showPicture(const Picture &picture)
{
    m_picture->setStretch(true);
    m_picture->setPicture(picture);
}

const Picture &FullScreenView::picture() const { return m_picture->picture(); }

void FullScreenView::setIndicatorVisible(bool visible) { m_indicator->setVisible(visible); }

bool FullScreenView::indicatorVisible() const { return m_indicator->isVisibleTo(this); }

void FullScreenView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_picture->setGeometry(0, 0, width(), height());
    m_indicator->raise();
}

void FullScreenView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FullScreenView::closeEvent(QCloseEvent *event)
{
    unload();
    event->accept();
}

void FullScreenView::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_opened)
        setScreenSaverActive(true);
}
